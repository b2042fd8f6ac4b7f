// Starting the text editor and the machine's driver. Never through a shell: a
// file name with blanks, quotes or semicolons is one argument and nothing else.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct ProgramCommand {
    QString program;
    QStringList arguments;
    bool operator==(const ProgramCommand&) const = default;
};

// The command of a settings text such as "/usr/bin/gedit", "code -w" or
// "/opt/My Editor/editor": the text taken whole when it names an existing
// file, otherwise split like a command line (double quotes group words).
// `extraArguments` follow as they are. nullopt for a text with no program.
std::optional<ProgramCommand> buildProgramCommand(const QString& commandText,
                                                  const QStringList& extraArguments = {});

// The command for a message: the words, each quoted when it holds blanks.
QString describeCommand(const ProgramCommand& command);

// Starts the program without waiting for it. On failure returns false and
// puts the reason into `error`.
using ProgramStarter = std::function<bool(const ProgramCommand&, QString* error)>;
bool startProgram(const ProgramCommand& command, QString* error);
// Replaces the real starter (tests); an empty one restores it. Returns the
// previous starter.
ProgramStarter setProgramStarter(ProgramStarter starter);

// The real starter: finds the program (a path, or a name on the PATH) and
// starts it detached. The reason of a failure is worded in the language of
// the user interface (currentLanguage()).
bool startDetachedProcess(const ProgramCommand& command, QString* error);
