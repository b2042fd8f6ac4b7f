// The main window's file commands and the conversion run.
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <new>

#include "engine/Conversion.h"
#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/UiText.h"

// Drives the progress bar and the source highlight while the engine
// translates, and shows the reports of ignored word groups. The window is
// repainted a few times a second, not once per line: a million repaints would
// cost more than the translation.
class TForm1::RunObserver : public ConversionObserver {
  public:
    explicit RunObserver(TForm1& form) : form_(form) { clock_.start(); }

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

    void reportIgnored(int line, const std::string& group) override
    {
        (void)line;
        if (skipReports_)
            return;
        // Show the offending line before asking.
        refresh();
        if (highlighted_ >= 0)
            form_.Source->scrollTo(form_.sourceModel_->index(highlighted_),
                                   QAbstractItemView::EnsureVisible);
        if (skipLabel_.isEmpty())
            skipLabel_ = uiText(form_.language_, 36);
        const BoxRequest request{form_.errorCaption_, sourceLineToQString(group), skipLabel_,
                                 QMessageBox::NoIcon};
        if (showMessageBox(&form_, request) == BoxAnswer::Second)
            skipReports_ = true;
        clock_.restart();
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

void TForm1::runConversion()
{
    if (running_)
        return;
    running_ = true;
    // The previous command lines go first: a big program needs the memory.
    Dest->selectionModel()->clear();
    destModel_->clear();
    std::vector<int32_t>().swap(lineMap_);

    CommandLines output;
    std::vector<int32_t> map;
    RunObserver observer(*this);
    try {
        ::runConversion(sourceModel_->lines(), Ofx->text().toStdString(), Ofy->text().toStdString(),
                        Ofz->text().toStdString(), output, map, observer);
    } catch (const std::bad_alloc&) {
        output.release();
        map.clear();
        showError(this, QStringLiteral("Not enough memory to translate \"%1\".")
                            .arg(QFileInfo(sourceFileName_).fileName()));
    }
    lineMap_ = std::move(map);
    destModel_->setLines(std::move(output));
    sourceModel_->setHighlightedRow(-1);
    Progress->hide();
    layoutClientArea();
    running_ = false;

    // Show the first line's command lines.
    setSourceCurrentRow(sourceModel_->size() > 0 ? 0 : -1);
    SourceClick();

    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

bool TForm1::loadSourceLines(const QString& path)
{
    const QFileInfo info(path);
    QString reason;
    QByteArray bytes;
    if (info.isDir()) {
        reason = QStringLiteral("it is a folder");
    } else if (info.exists() && !info.isFile()) {
        // A named pipe would block the window until someone writes to it,
        // /dev/zero would fill the memory.
        reason = QStringLiteral("it is not a regular file");
    } else if (info.size() > (qint64(2) << 30)) {
        reason = QStringLiteral("it is larger than 2 GiB, not a program");
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            reason = file.errorString();
        } else {
            try {
                bytes = file.readAll();
            } catch (const std::bad_alloc&) {
                reason = QStringLiteral("not enough memory");
            }
            if (reason.isEmpty() && file.error() != QFileDevice::NoError)
                reason = file.errorString();
        }
    }
    if (!reason.isEmpty()) {
        showError(this, QStringLiteral("Cannot read \"%1\": %2.").arg(path, reason));
        return false;
    }
    std::vector<std::string> lines = splitSourceText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    bytes = QByteArray();
    lineMap_.clear();
    Dest->selectionModel()->clear();
    destModel_->clear();
    sourceModel_->setLines(std::move(lines));
    return true;
}

bool TForm1::openSourceFile(const QString& path)
{
    if (running_ || path.isEmpty())
        return false;
    if (!loadSourceLines(path))
        return false;
    sourceFileName_ = QFileInfo(path).absoluteFilePath();
    ReOuvrir->setEnabled(true);
    Edit1->setEnabled(true);
    Relancer1->setEnabled(true);
    runConversion();
    Source->setFocus(); // the arrow keys walk through the program
    return true;
}

void TForm1::BtnOpenClick()
{
    if (running_)
        return;
    OpenSourceDlg.fileName = sourceFileName_;
    if (OpenSourceDlg.execute(this))
        openSourceFile(OpenSourceDlg.fileName);
}

void TForm1::ReOuvrirClick()
{
    if (running_ || !ReOuvrir->isEnabled())
        return;
    // Picks up what was changed in the external editor.
    if (loadSourceLines(sourceFileName_))
        runConversion();
}

void TForm1::Relancer1Click()
{
    if (running_ || !Relancer1->isEnabled())
        return;
    runConversion();
}

void TForm1::BitBtn1Click()
{
    if (running_)
        return;
    // Propose the program's name with the command file's extension, in its
    // folder.
    if (!sourceFileName_.isEmpty()) {
        const QFileInfo source(sourceFileName_);
        SaveDestDlg.fileName = source.absolutePath() + QLatin1Char('/') +
                               source.completeBaseName() + QLatin1String(".Cbr");
    }
    if (!SaveDestDlg.execute(this))
        return;
    QString path = SaveDestDlg.fileName;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + SaveDestDlg.defaultExt;
    SaveDestDlg.fileName = path;
    QString reason;
    if (!saveCommandFile(path, &reason))
        showError(this, QStringLiteral("Cannot write \"%1\": %2.\nAn existing file of that name "
                                       "was left unchanged.")
                            .arg(path, reason));
}

bool TForm1::saveCommandFile(const QString& path, QString* error) const
{
    auto fail = [error](const QString& reason) {
        if (error != nullptr)
            *error = reason;
        return false;
    };
    if (QFileInfo(path).isDir())
        return fail(QStringLiteral("it is a folder"));
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target only when everything was written and flushed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // A short write is a failure too: QSaveFile would otherwise commit a
    // truncated file when the disk fills up.
    auto writeChunk = [&file](std::string_view chunk, QString* reason) {
        errno = 0;
        const qint64 written = file.write(chunk.data(), static_cast<qint64>(chunk.size()));
        if (written == static_cast<qint64>(chunk.size()))
            return true;
        const int code = errno;
        *reason = written < 0 && file.error() != QFileDevice::NoError ? file.errorString()
                  : code != 0 ? QString::fromLocal8Bit(std::strerror(code))
                              : QStringLiteral("not everything could be written");
        file.cancelWriting();
        return false;
    };
    // The command list holds the file's text, CR LF after every line; it is
    // handed over in pieces of 1 MB.
    const std::string_view text = destModel_->commandLines().fileText();
    constexpr std::size_t kChunk = 1 << 20;
    QString reason;
    for (std::size_t at = 0; at < text.size(); at += kChunk) {
        if (!writeChunk(text.substr(at, kChunk), &reason))
            return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

void TForm1::QuitterClick()
{
    if (!running_)
        std::vector<int32_t>().swap(lineMap_);
    close();
}
