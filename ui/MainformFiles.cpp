// The main window's file commands: open, reload, re-run, save, quit.
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QSaveFile>
#include <cstring>
#include <new>

#include "engine/Conversion.h"
#include "engine/TextFile.h"
#include "engine/platform/SystemError.h"
#include "ui/FailureText.h"
#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/RunTextKeys.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

bool TForm1::loadSourceLines(const QString& path)
{
    const QFileInfo info(path);
    const int l = language_;
    QString reason;
    QByteArray bytes;
    if (info.isDir()) {
        reason = uiText(l, 59);
    } else if (info.exists() && !info.isFile()) {
        // A named pipe would block the window until someone writes to it,
        // /dev/zero would fill the memory.
        reason = uiText(l, 60);
    } else if (info.size() > (qint64(2) << 30)) {
        reason = uiText(l, 61);
    } else {
        QFile file(path);
        clearSystemError();
        if (!file.open(QIODevice::ReadOnly)) {
            reason = systemReason(l, lastSystemError(), file.errorString());
        } else {
            try {
                clearSystemError();
                bytes = file.readAll();
            } catch (const std::bad_alloc&) {
                reason = uiText(l, 62);
            }
            if (reason.isEmpty() && file.error() != QFileDevice::NoError)
                reason = systemReason(l, lastSystemError(), file.errorString());
        }
    }
    // An executable or an image opened by mistake: nothing of it is shown
    // or translated.
    if (reason.isEmpty() && !looksLikeGcodeText(std::string_view(
                                bytes.constData(), static_cast<std::size_t>(bytes.size()))))
        reason = uiText(l, kTextNotGcodeText);
    if (!reason.isEmpty()) {
        showError(this, uiText(l, 48).arg(path, reason));
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
    rememberOpenedFile(sourceFileName_);
    runConversion();
    Source->setFocus(); // the arrow keys walk through the program
    return true;
}

void TForm1::BtnOpenClick()
{
    if (running_)
        return;
    // The folder of the program on screen, or the one of the last session.
    OpenSourceDlg.fileName = sourceFileName_;
    if (OpenSourceDlg.fileName.isEmpty() && !lastFolder_.isEmpty() && QFileInfo(lastFolder_).isDir())
        OpenSourceDlg.fileName = lastFolder_ + QLatin1Char('/');
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
    // Nothing to save before a translation (Ctrl+S would write an empty file).
    if (running_ || !Enregistrer1->isEnabled())
        return;
    saveWithDialog();
}

bool TForm1::saveWithDialog()
{
    // Propose the program's name with the command file's extension, in its
    // folder.
    if (!sourceFileName_.isEmpty()) {
        const QFileInfo source(sourceFileName_);
        SaveDestDlg.fileName = source.absolutePath() + QLatin1Char('/') +
                               source.completeBaseName() + QLatin1String(".Cbr");
    }
    if (!SaveDestDlg.execute(this))
        return false;
    QString path = SaveDestDlg.fileName;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + SaveDestDlg.defaultExt;
    SaveDestDlg.fileName = path;
    const bool existed = QFileInfo::exists(path);
    QString reason;
    if (!saveCommandFile(path, &reason)) {
        // Only a file that was there is said to be left as it was.
        QString text = uiText(language_, 49).arg(path, reason);
        if (existed)
            text += QLatin1Char('\n') + uiText(language_, 50);
        showError(this, text);
        return false;
    }
    savedPath_ = QFileInfo(path).absoluteFilePath();
    unsaved_ = false;
    updateWindowTitle();
    StatusLine->setText(windowText(language_, WindowText::SavedStatus)
                            .arg(QDir::toNativeSeparators(savedPath_)));
    return true;
}

bool TForm1::saveCommandFile(const QString& path, QString* error) const
{
    const int l = language_;
    auto fail = [error](const QString& reason) {
        if (error != nullptr)
            *error = reason;
        return false;
    };
    if (QFileInfo(path).isDir())
        return fail(uiText(l, 59));
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target only when everything was written and flushed. The reason
    // of a failure is the system's code where it is one we have words for,
    // Qt's message otherwise.
    QSaveFile file(path);
    clearSystemError();
    if (!file.open(QIODevice::WriteOnly))
        return fail(systemReason(l, lastSystemError(), file.errorString()));
    // A short write is a failure too: QSaveFile would otherwise commit a
    // truncated file when the disk fills up.
    auto writeChunk = [&file, l](std::string_view chunk, QString* reason) {
        clearSystemError();
        const qint64 written = file.write(chunk.data(), static_cast<qint64>(chunk.size()));
        if (written == static_cast<qint64>(chunk.size()))
            return true;
        const int code = lastSystemError();
        *reason = code != 0 ? systemReason(l, code, QString::fromLocal8Bit(std::strerror(code)))
                  : written < 0 && file.error() != QFileDevice::NoError ? file.errorString()
                                                                        : uiText(l, 63);
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
    clearSystemError();
    if (!file.commit())
        return fail(systemReason(l, lastSystemError(), file.errorString()));
    return true;
}

void TForm1::QuitterClick()
{
    if (!running_)
        std::vector<int32_t>().swap(lineMap_);
    close();
}
