// What the main window says about the word groups a run ignored: the status
// line (the run's result, or the report of the selected line), and F8 /
// Shift+F8, which select the next and previous reported line.
#include <QAction>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <climits>
#include <QLabel>
#include <QListView>

#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/ReasonText.h"
#include "ui/RunResult.h"
#include "ui/RunSummaryText.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

QString TForm1::runResultStatus() const
{
    const RunResult result{reportedLines(), isEmptyProgram(sourceLines()), withoutEffect_};
    return runResultParts(language_, result).join(QStringLiteral(" \u2013 "));
}

void TForm1::updateStatusLine(int position)
{
    if (!ranOnce_ || running_) {
        StatusLine->clear();
        return;
    }
    const ReportedLines& reports = reportedLines();
    const int l = language_;
    const std::size_t lines = reports.lineCount();
    QString text;
    if (position >= 0 && static_cast<std::size_t>(position) < lines) {
        const int line = reports.lineAt(static_cast<std::size_t>(position));
        text = uiText(l, 46).arg(QString::number(position + 1), QString::number(lines),
                                 QString::number(line + 1));
        // Why, in the words of the first group of the line.
        const std::vector<ReportedLines::Group> groups = reports.groupsOf(line);
        if (!groups.empty())
            text += windowText(l, WindowText::ReportedLineReason)
                        .arg(reportReasonText(l, groups.front().info));
    } else {
        text = runResultStatus();
    }
    if (lines > 0) {
        // The keys as the menu shows them, in Qt's words for them.
        text += QStringLiteral(" \u2013 ") +
                uiText(l, 43).arg(LigneSuivante1->shortcut().toString(QKeySequence::NativeText),
                                  LignePrecedente1->shortcut().toString(QKeySequence::NativeText));
    }
    // What the run's path covers, and where it first leaves the travel.
    for (const QString& more :
         {extentText(l, extent_),
          travelLine_ >= 0 ? travelText(l, travelLine_, travelExcess_) : QString()})
        if (!more.isEmpty())
            text += QStringLiteral(" \u2013 ") + more;
    StatusLine->setText(text);
}

void TForm1::showSelectionStatus()
{
    if (running_ || !ranOnce_)
        return;
    const QModelIndexList selected = Source->selectionModel()->selectedRows();
    const int row = selected.isEmpty() ? -1 : selected.constFirst().row();
    updateStatusLine(row < 0 ? -1 : reportedLines().indexOf(row));
}

void TForm1::goToReportedLine(int step)
{
    const ReportedLines& reports = reportedLines();
    if (running_ || reports.lineCount() == 0)
        return;
    const QModelIndexList selected = Source->selectionModel()->selectedRows();
    const int current = selected.isEmpty() ? -1 : selected.constFirst().row();
    int target =
        step > 0 ? reports.next(current) : reports.previous(current < 0 ? INT_MAX : current);
    // Round the end to the other end.
    if (target < 0)
        target = step > 0 ? reports.lineAt(0) : reports.lineAt(reports.lineCount() - 1);
    clickSourceLine(target);
    Source->scrollTo(sourceModel_->index(target), QAbstractItemView::PositionAtCenter);
    Source->setFocus();
    updateStatusLine(reports.indexOf(target));
}

void TForm1::LigneSuivante1Click()
{
    goToReportedLine(1);
}

void TForm1::LignePrecedente1Click()
{
    goToReportedLine(-1);
}
