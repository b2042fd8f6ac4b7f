// The conversion run as the main window shows it: the progress bar, the line
// being translated, the command lines written so far, and a box for each
// ignored word group once the run is over, with its line marked in the source
// list.
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <algorithm>
#include <new>

#include "engine/Conversion.h"
#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/ReportBox.h"
#include "ui/RunSummaryText.h"
#include "ui/UiText.h"

// Drives the progress bar and the source highlight while the engine
// translates, and records every reported word group with its reason. The
// window is repainted a few times a second, not once per line: a million
// repaints would cost more than the translation.
class TForm1::RunObserver : public ConversionObserver {
  public:
    RunObserver(TForm1& form, const CommandLines& output) : form_(form), output_(output)
    {
        clock_.start();
    }

    void progressStart(int lineCount) override
    {
        form_.Progress->setRange(0, std::max(lineCount, 1));
        form_.Progress->setValue(0);
        form_.Progress->show();
        form_.layoutClientArea();
        value_ = 0;
        highlighted_ = -1;
        refresh();
    }

    void progress(int line) override
    {
        value_ = line;
        if ((line & 1023) == 0 && clock_.elapsed() >= kRefreshMs)
            refresh();
    }

    void progressEnd() override
    {
        form_.Progress->hide();
        form_.layoutClientArea();
    }

    void highlight(int line) override { highlighted_ = line; }

    void travelExceeded(int line, const TravelExcess& excess) override
    {
        form_.travelLine_ = line;
        form_.travelExcess_ = excess;
    }

    void reportGroup(int line, const std::string& group, const ReportInfo& info) override
    {
        // Kept for the marks, the tooltips and the boxes shown once the run
        // is over, when their count is known.
        form_.sourceModel_->reports().add(line, group, info);
    }

  private:
    static constexpr qint64 kRefreshMs = 100;

    void refresh()
    {
        form_.sourceModel_->setHighlightedRow(highlighted_);
        form_.Progress->setValue(value_);
        // Paint, but take no clicks or keys: a second command must not start
        // in the middle of this run.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        clock_.restart();
    }

    TForm1& form_;
    const CommandLines& output_;
    QElapsedTimer clock_;
    int value_ = 0;
    int highlighted_ = -1;
};

const std::vector<std::string>& TForm1::sourceLines() const
{
    return sourceModel_->lines();
}

const CommandLines& TForm1::commandLines() const
{
    return destModel_->commandLines();
}

const ReportedLines& TForm1::reportedLines() const
{
    return sourceModel_->reports();
}

void TForm1::showReportBoxes()
{
    const ReportedLines& reports = reportedLines();
    const std::size_t count = reports.groupCount();
    std::size_t index = 0;
    for (std::size_t at = 0; at < reports.lineCount(); ++at) {
        const int line = reports.lineAt(at);
        // The line stands marked and in view, with the command lines written
        // up to it, while its box waits.
        sourceModel_->setHighlightedRow(line);
        Source->scrollTo(sourceModel_->index(line), QAbstractItemView::PositionAtCenter);
        int written = -1;
        for (int i = std::min<int>(line, static_cast<int>(lineMap_.size()) - 1); i >= 0; --i)
            if (lineMap_[static_cast<std::size_t>(i)] >= 0) {
                written = lineMap_[static_cast<std::size_t>(i)];
                break;
            }
        if (written >= 0)
            Dest->scrollTo(destModel_->index(written), QAbstractItemView::EnsureVisible);
        QString shown = sourceModel_->displayText(line);
        if (shown.trimmed().isEmpty())
            shown = uiText(language_, 38);
        const QString lineText = uiText(language_, 37).arg(QString::number(line + 1), shown);
        for (const ReportedLines::Group& group : reports.groupsOf(line)) {
            const BoxRequest request = reportBoxRequest(
                {language_, group.text, group.cut, group.info, lineText, index, count});
            ++index;
            // Closing the window ends the reports too.
            if (showMessageBox(this, request) == BoxAnswer::Second || !isVisible()) {
                sourceModel_->setHighlightedRow(-1);
                return;
            }
        }
    }
    sourceModel_->setHighlightedRow(-1);
}

void TForm1::runConversion()
{
    if (running_)
        return;
    running_ = true;
    // The previous command lines go first: a big program needs the memory.
    Dest->selectionModel()->clear();
    destModel_->clear();
    std::vector<int32_t>().swap(lineMap_);
    sourceModel_->reports().clear();
    sourceModel_->reportsChanged();
    LigneSuivante1->setEnabled(false);
    LignePrecedente1->setEnabled(false);
    // Nothing of an earlier run or save stays in the status line.
    StatusLine->clear();
    extent_ = ProgramExtent{};
    travelLine_ = -1;
    withoutEffect_.clear();

    CommandLines output;
    std::vector<int32_t> map;
    // The command list shows the run's own lines as they are written.
    destModel_->showGrowing(&output);
    RunObserver observer(*this, output);
    try {
        ::runConversion(sourceModel_->lines(), Ofx->text().toStdString(), Ofy->text().toStdString(),
                        Ofz->text().toStdString(), output, map, observer);
    } catch (const std::bad_alloc&) {
        destModel_->clear();
        output.release();
        map.clear();
        sourceModel_->reports().clear();
        showError(this, uiText(language_, 56).arg(QFileInfo(sourceFileName_).fileName()));
    }
    lineMap_ = std::move(map);
    extent_ = runExtent();
    for (const std::string& code : codesWithoutEffect())
        withoutEffect_ << QString::fromStdString(code);
    destModel_->setLines(std::move(output));
    sourceModel_->setHighlightedRow(-1);
    sourceModel_->reportsChanged();
    Progress->hide();
    layoutClientArea();
    running_ = false;
    ranOnce_ = true;
    unsaved_ = true;
    updateWindowTitle();
    updateTranslatedActions();

    const bool reported = reportedLines().lineCount() > 0;
    LigneSuivante1->setEnabled(reported);
    LignePrecedente1->setEnabled(reported);

    // Show the first line's command lines.
    setSourceCurrentRow(sourceModel_->size() > 0 ? 0 : -1);
    SourceClick();
    updateStatusLine();
    if (travelLine_ >= 0)
        showError(this, travelText(language_, travelLine_, travelExcess_));
    showReportBoxes();

    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}
