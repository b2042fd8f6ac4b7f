// What the machine's driver is started with. Its own command line is not
// known, so by default it gets no argument and the user loads the command
// file in it; the Applications tab's option "Driver avec fichier" passes the
// saved command file as its one argument.
#pragma once

#include <QString>
#include <QStringList>

// The key of the option in section Applications (0 or 1, 0 when missing).
inline constexpr const char* kDriverFileKey = "Driver avec fichier";

// The option as the settings file holds it now.
bool driverGetsCommandFile();

// The driver's arguments: the saved file, in the system's own spelling,
// when the option is on and a file was saved; none otherwise.
QStringList driverArguments(bool passFile, const QString& savedPath);
