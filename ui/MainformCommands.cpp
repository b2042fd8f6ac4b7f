// The commands that leave the main window: the external editor and the three
// dialogs (the machine's driver has a file of its own).
#include <QAction>
#include <QDir>

#include "engine/Gcode.h"
#include "preview/Glview.h"
#include "ui/About.h"
#include "ui/Config.h"
#include "ui/ExternalProgram.h"
#include "ui/Mainform.h"
#include "ui/UiText.h"

void TForm1::startExternal(const QString& commandText, const QStringList& arguments)
{
    const int l = language_;
    const std::optional<ProgramCommand> command = buildProgramCommand(commandText, arguments);
    if (!command) {
        showError(this, uiText(l, 54).arg(commandText) + QLatin1Char('\n') +
                            uiText(l, 55).arg(uiText(l, 5)));
        return;
    }
    QString reason;
    if (!startProgram(*command, &reason))
        showError(this, uiText(l, 51).arg(command->program, reason) + QLatin1Char('\n') +
                            uiText(l, 52).arg(describeCommand(*command)) + QLatin1Char('\n') +
                            uiText(l, 53).arg(uiText(l, 5)));
}

void TForm1::MenuClick()
{
    // The program's path is one argument of its own, whatever it holds, in
    // the system's own spelling.
    if (!ReOuvrir->isEnabled())
        return;
    startExternal(settingsTextToQString(machineSettings.editorPath),
                  {QDir::toNativeSeparators(sourceFileName_)});
}

void TForm1::ConfigClick()
{
    if (running_)
        return;
    TForm2 dialog(this);
    if (execDialog(dialog) != QDialog::Accepted)
        return;
    loadSettings(false);
    localiseMenus();
    if (ReOuvrir->isEnabled())
        runConversion();
}

void TForm1::Apercu1Click()
{
    if (running_)
        return;
    TGLForm dialog(this);
    execDialog(dialog);
}

void TForm1::AboutClick()
{
    TAboutBox dialog(this);
    execDialog(dialog);
}
