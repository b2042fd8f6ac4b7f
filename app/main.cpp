// Tolvane's desktop program: the main window, with the G-code program named on
// the command line (if any) open in it.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <exception>

#include "engine/IniFile.h"
#include "engine/Settings.h"
#include "preview/Glview.h"
#include "ui/About.h"
#include "ui/Config.h"
#include "ui/Language.h"
#include "ui/Mainform.h"
#include "ui/MessageBox.h"
#include "ui/UiText.h"

namespace {

// An exception that escapes a handler is shown, and the program goes on: the
// user may still save what the window holds.
class Application : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            showError(activeWindow(), QString::fromLocal8Bit(error.what()));
        } catch (...) {
            showError(activeWindow(), uiText(currentLanguage(), 97));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));

    // The help of the command line speaks the user's language too; the main
    // window applies the language again when it loads the settings.
    const int language = IniFile(settingsFilePath()).readInteger("Langue", "current", 0);
    applyLanguage(language);
    QCommandLineParser parser;
    parser.setApplicationDescription(uiText(language, 98));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), uiText(language, 99),
                                 uiText(language, 100));
    parser.process(app);

    TForm1 mainForm;
    // One hidden instance of each other window, as the program always had;
    // the commands create their own.
    TForm2 configForm;
    TAboutBox aboutBox;
    TGLForm previewForm;

    mainForm.show();
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        const QString path = files.constFirst();
        QTimer::singleShot(0, &mainForm, [&mainForm, path] { mainForm.openSourceFile(path); });
    }
    return QApplication::exec();
}
