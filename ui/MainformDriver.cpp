// Fraisage > Usiner: starting the machine's driver with the right file. The
// translation on screen is saved first if the user wants it, the window says
// which command file to load in the driver and puts its path on the
// clipboard, and the option of the Applications tab hands the file to the
// driver itself.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>

#include "engine/Gcode.h"
#include "ui/DriverStart.h"
#include "ui/Mainform.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

void TForm1::Usiner1Click()
{
    if (running_ || !Usiner1->isEnabled())
        return;
    const int l = language_;
    if (unsaved_) {
        BoxRequest ask;
        ask.caption = windowText(l, WindowText::SaveBeforeDriverCaption);
        ask.text = windowText(l, WindowText::SaveBeforeDriverText);
        ask.icon = QMessageBox::Question;
        ask.firstButton = windowText(l, WindowText::SaveBeforeDriverSave);
        ask.secondButton = windowText(l, WindowText::SaveBeforeDriverStart);
        ask.thirdButton = windowText(l, WindowText::SaveBeforeDriverCancel);
        const BoxAnswer answer = showMessageBox(this, ask);
        if (answer == BoxAnswer::Third)
            return;
        if (answer == BoxAnswer::Ok && !saveWithDialog())
            return; // the save dialog was cancelled, or the file not written
    }

    QString say;
    if (savedPath_.isEmpty()) {
        say = windowText(l, WindowText::DriverNoSavedFile);
    } else {
        const QString shown = QDir::toNativeSeparators(savedPath_);
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(shown);
        say = windowText(l, WindowText::DriverLoadFile).arg(shown);
        if (unsaved_)
            say += QLatin1String("\n\n") + windowText(l, WindowText::DriverOlderFile);
    }
    BoxRequest tell;
    tell.caption = windowText(l, WindowText::SaveBeforeDriverCaption);
    tell.text = say;
    tell.icon = QMessageBox::Information;
    showMessageBox(this, tell);

    startExternal(settingsTextToQString(machineSettings.driverPath),
                  driverArguments(driverGetsCommandFile(), savedPath_));
}
