#include "ui/MessageBox.h"

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include "ui/Language.h"
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

static QString boundedText(const QString& text, qsizetype longest = kLongestBoxText)
{
    if (text.size() <= longest)
        return text;
    qsizetype keep = longest - 1;
    if (text.at(keep - 1).isHighSurrogate())
        --keep; // never half a character
    return text.left(keep) + QChar(0x2026);
}

BoxAnswer showMessageBox(QWidget* parent, const BoxRequest& full)
{
    BoxRequest request = full;
    request.text = boundedText(full.text);
    request.informative = boundedText(full.informative, kLongestInformativeText);
    if (messageBoxHandler())
        return messageBoxHandler()(parent, request);

    QMessageBox box(request.icon, request.caption, request.text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    if (!request.informative.isEmpty()) {
        box.setInformativeText(request.informative);
        // A program line is shown as it is, never read as markup.
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            label->setTextFormat(Qt::PlainText);
    }
    QPushButton* ok = box.addButton(
        request.firstButton.isEmpty() ? uiText(currentLanguage(), 20) : request.firstButton,
        QMessageBox::AcceptRole);
    QPushButton* second = nullptr;
    if (!request.secondButton.isEmpty())
        second = box.addButton(request.secondButton, request.thirdButton.isEmpty()
                                                         ? QMessageBox::RejectRole
                                                         : QMessageBox::DestructiveRole);
    QPushButton* third = nullptr;
    if (!request.thirdButton.isEmpty())
        third = box.addButton(request.thirdButton, QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(third != nullptr ? third : ok);
    box.exec();
    if (third != nullptr && box.clickedButton() == third)
        return BoxAnswer::Third;
    return (second != nullptr && box.clickedButton() == second) ? BoxAnswer::Second : BoxAnswer::Ok;
}

void showError(QWidget* parent, const QString& text)
{
    showMessageBox(parent,
                   BoxRequest{QStringLiteral("Tolvane"), text, {}, QMessageBox::Warning, {}});
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
        QFileDialog dialog(parent);
        configure(dialog);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen || chosen->isEmpty())
        return false;
    fileName = *chosen;
    return true;
}

void FileDialog::configure(QFileDialog& dialog) const
{
    // Program files come from every kind of system: an open dialog shows
    // PART.NC under the pattern *.nc.
    const bool open = mode == Mode::Open;
    dialog.setWindowTitle(title);
    dialog.setOption(QFileDialog::HideNameFilterDetails, open);
    dialog.setNameFilter(qtFileFilter(filter, open));
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!defaultExt.isEmpty())
        dialog.setDefaultSuffix(defaultExt);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
}

FileDialogHandler setFileDialogHandler(FileDialogHandler handler)
{
    return std::exchange(fileDialogHandler(), std::move(handler));
}
