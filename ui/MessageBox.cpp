#include "ui/MessageBox.h"

#include <QDialog>
#include <QFileDialog>
#include <QPushButton>

#include "ui/UiText.h"

static MessageBoxHandler& messageBoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

static DialogHandler& dialogHandler()
{
    static DialogHandler handler;
    return handler;
}

static FileDialogHandler& fileDialogHandler()
{
    static FileDialogHandler handler;
    return handler;
}

static QString boundedText(const QString& text)
{
    if (text.size() <= kLongestBoxText)
        return text;
    qsizetype keep = kLongestBoxText - 1;
    if (text.at(keep - 1).isHighSurrogate())
        --keep; // never half a character
    return text.left(keep) + QChar(0x2026);
}

BoxAnswer showMessageBox(QWidget* parent, const BoxRequest& full)
{
    BoxRequest request = full;
    request.text = boundedText(full.text);
    if (messageBoxHandler())
        return messageBoxHandler()(parent, request);

    QMessageBox box(request.icon, request.caption, request.text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* second = nullptr;
    if (!request.secondButton.isEmpty())
        second = box.addButton(request.secondButton, QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return (second != nullptr && box.clickedButton() == second) ? BoxAnswer::Second : BoxAnswer::Ok;
}

void showError(QWidget* parent, const QString& text)
{
    showMessageBox(parent, BoxRequest{QStringLiteral("Tolvane"), text, {}, QMessageBox::Warning});
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    return std::exchange(messageBoxHandler(), std::move(handler));
}

int execDialog(QDialog& dialog)
{
    if (dialogHandler())
        return dialogHandler()(dialog);
    return dialog.exec();
}

DialogHandler setDialogHandler(DialogHandler handler)
{
    return std::exchange(dialogHandler(), std::move(handler));
}

bool FileDialog::execute(QWidget* parent)
{
    std::optional<QString> chosen;
    if (fileDialogHandler()) {
        chosen = fileDialogHandler()(*this);
    } else {
        QFileDialog dialog(parent, title, QString(), qtFileFilter(filter));
        dialog.setAcceptMode(mode == Mode::Open ? QFileDialog::AcceptOpen
                                                : QFileDialog::AcceptSave);
        dialog.setFileMode(mode == Mode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!defaultExt.isEmpty())
            dialog.setDefaultSuffix(defaultExt);
        if (!fileName.isEmpty())
            dialog.selectFile(fileName);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen || chosen->isEmpty())
        return false;
    fileName = *chosen;
    return true;
}

FileDialogHandler setFileDialogHandler(FileDialogHandler handler)
{
    return std::exchange(fileDialogHandler(), std::move(handler));
}
