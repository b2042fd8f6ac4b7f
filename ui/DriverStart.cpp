#include "ui/DriverStart.h"

#include <QDir>

#include "engine/IniFile.h"
#include "engine/SettingsPath.h"

bool driverGetsCommandFile()
{
    const IniFile ini(settingsFilePath());
    return ini.readBool("Applications", kDriverFileKey, false);
}

QStringList driverArguments(bool passFile, const QString& savedPath)
{
    if (!passFile || savedPath.isEmpty())
        return {};
    return {QDir::toNativeSeparators(savedPath)};
}
