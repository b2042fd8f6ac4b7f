// The conversion run as the main window shows it: the progress bar, the line
// being translated, the command lines written so far, and a box for each
// ignored word group, with its line marked in the source list afterwards.
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <new>

#include "engine/Conversion.h"
#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/RunSummaryText.h"
#include "ui/UiText.h"

// Drives the progress bar and the source highlight while the engine
// translates, records every ignored word group and shows the reports, with
// the command lines written so far. The window is repainted a few times a second, not once per
// line: a million repaints would cost more than the translation.
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

    void reportIgnored(int line, const std::string& group) override
    {
        // Every report is kept for the marks, whether its box shows or not.
        form_.sourceModel_->reports().add(line, group);
        if (skipReports_)
            return;
        // Show the offending line, and what was written before it, before
        // asking. The command list grows here only: every growth makes the
        // list lay its rows out again, too dear for every refresh of a big
        // program.
        form_.destModel_->growTo(output_.size());
        refresh();
        if (highlighted_ >= 0)
            form_.Source->scrollTo(form_.sourceModel_->index(highlighted_),
                                   QAbstractItemView::EnsureVisible);
        form_.Dest->scrollToBottom();
        if (skipLabel_.isEmpty())
            skipLabel_ = uiText(form_.language_, 36);
        BoxRequest request{form_.errorCaption_, sourceLineToQString(group), skipLabel_,
                           QMessageBox::NoIcon, lineText(line)};
        if (showMessageBox(&form_, request) == BoxAnswer::Second)
            skipReports_ = true;
        clock_.restart();
    }

  private:
    static constexpr qint64 kRefreshMs = 100;

    // "Line 12: G64 P0.01", the line as the list shows it; a blank line
    // says so.
    QString lineText(int line) const
    {
        QString shown = form_.sourceModel_->displayText(line);
        if (shown.trimmed().isEmpty())
            shown = uiText(form_.language_, 38);
        return uiText(form_.language_, 37).arg(QString::number(line + 1), shown);
    }

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
    bool skipReports_ = false;
    QString skipLabel_; // read from the settings file at the first report
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
    extent_ = ProgramExtent{};
    travelLine_ = -1;

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
    destModel_->setLines(std::move(output));
    sourceModel_->setHighlightedRow(-1);
    sourceModel_->reportsChanged();
    Progress->hide();
    layoutClientArea();
    running_ = false;
    ranOnce_ = true;

    const bool reported = reportedLines().lineCount() > 0;
    LigneSuivante1->setEnabled(reported);
    LignePrecedente1->setEnabled(reported);
    updateStatusLine();

    // Show the first line's command lines.
    setSourceCurrentRow(sourceModel_->size() > 0 ? 0 : -1);
    SourceClick();
    if (travelLine_ >= 0)
        showError(this, travelText(language_, travelLine_, travelExcess_));

    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}
