// The main window's modal boxes: message boxes, the open and save file
// dialogs, and the dialogs it runs with exec(). Each goes through a handler
// that tests replace, so that a window test never waits for a click.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QFileDialog;
class QWidget;

enum class BoxAnswer {
    Ok,     // the first button (OK unless `firstButton` says otherwise)
    Second, // the optional second button
    Third,  // the optional third button, also Escape when there is one
};

struct BoxRequest {
    QString caption;
    QString text;
    QString secondButton; // empty: an OK button only
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString informative; // a second, smaller text under `text`; may be empty
    QString firstButton{}; // empty: OK in the language of the user interface
    QString thirdButton{}; // empty: none
};

using MessageBoxHandler = std::function<BoxAnswer(QWidget* parent, const BoxRequest&)>;

// Longest text a box shows. A longer one (a refused word group can be a
// whole 50 MB line) is cut and ends with an ellipsis: laying out such a text
// would freeze the desktop, and nobody could read it anyway.
inline constexpr qsizetype kLongestBoxText = 2000;
// The second text shows a program line as the source list shows it (up to
// 4096 bytes), after its line number.
inline constexpr qsizetype kLongestInformativeText = 4200;

// Shows the box (through the installed handler, if any) with its texts cut
// to kLongestBoxText characters. Its OK button speaks the language of the
// user interface (currentLanguage()).
BoxAnswer showMessageBox(QWidget* parent, const BoxRequest& request);
// A failure: caption "Tolvane", warning icon, OK.
void showError(QWidget* parent, const QString& text);
// Installs a handler instead of real boxes; an empty one restores them.
// Returns the handler that was installed before.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// Runs a dialog modally and returns its result (QDialog::Accepted or Rejected).
using DialogHandler = std::function<int(QDialog& dialog)>;
int execDialog(QDialog& dialog);
DialogHandler setDialogHandler(DialogHandler handler);

// An open or save dialog as a component of the window: its filter (in the
// "description|pattern|..." form of the text table), default extension and
// file name are set beforehand, execute() shows it, and fileName holds the
// choice afterwards.
class FileDialog {
  public:
    enum class Mode { Open, Save };
    explicit FileDialog(Mode mode) : mode(mode) {}

    Mode mode;
    QString title;
    QString filter;
    QString defaultExt; // without the dot
    QString fileName;   // proposed before, chosen after

    // True when the user chose a file; fileName is then its path.
    bool execute(QWidget* parent);
    // Gives Qt's dialog the title, filters, mode and proposed name.
    void configure(QFileDialog& dialog) const;
};

// Answers in place of the real dialog: the chosen path, or nullopt to cancel.
using FileDialogHandler = std::function<std::optional<QString>(const FileDialog& dialog)>;
FileDialogHandler setFileDialogHandler(FileDialogHandler handler);
