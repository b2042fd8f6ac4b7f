// Tolvane's desktop program: the main window, with the G-code program named on
// the command line (if any) open in it.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <exception>

#include "preview/Glview.h"
#include "ui/About.h"
#include "ui/Config.h"
#include "ui/Mainform.h"
#include "ui/MessageBox.h"

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
            showError(activeWindow(), QStringLiteral("An unexpected error occurred."));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Translates G-code programs into commands of the PROFILER milling machine."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("G-code program to open (.nc, .iso)."),
                                 QStringLiteral("[file]"));
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
