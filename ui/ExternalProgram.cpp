#include "ui/ExternalProgram.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "ui/Language.h"
#include "ui/UiText.h"

std::optional<ProgramCommand> buildProgramCommand(const QString& commandText,
                                                  const QStringList& extraArguments)
{
    ProgramCommand command;
    const QString trimmed = commandText.trimmed();
    const QFileInfo whole(trimmed);
    if (!trimmed.isEmpty() && whole.exists() && !whole.isDir()) {
        command.program = trimmed;
    } else {
        QStringList words = QProcess::splitCommand(commandText);
        if (words.isEmpty() || words.constFirst().isEmpty())
            return std::nullopt;
        command.program = words.takeFirst();
        command.arguments = words;
    }
    command.arguments += extraArguments;
    return command;
}

static QString quoted(const QString& word)
{
    if (!word.isEmpty() && !word.contains(QLatin1Char(' ')) && !word.contains(QLatin1Char('"')))
        return word;
    QString escaped = word;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString describeCommand(const ProgramCommand& command)
{
    QStringList words{quoted(command.program)};
    for (const QString& argument : command.arguments)
        words << quoted(argument);
    return words.join(QLatin1Char(' '));
}

static ProgramStarter& programStarter()
{
    static ProgramStarter starter;
    return starter;
}

bool startProgram(const ProgramCommand& command, QString* error)
{
    if (programStarter())
        return programStarter()(command, error);
    return startDetachedProcess(command, error);
}

ProgramStarter setProgramStarter(ProgramStarter starter)
{
    return std::exchange(programStarter(), std::move(starter));
}

bool startDetachedProcess(const ProgramCommand& command, QString* error)
{
    // The reason is read in the language of the window that reports it.
    // (Qt's own reason, process.errorString(), is English whatever the
    // window's language.)
    auto fail = [error](int key) {
        if (error != nullptr)
            *error = uiText(currentLanguage(), key);
        return false;
    };
    QString program = command.program;
    // A path, in either spelling of the system (C:\Tools\ed.exe on
    // Windows), rather than a name to look up on the PATH.
    if (QDir::fromNativeSeparators(program).contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        if (!info.exists())
            return fail(64);
        if (info.isDir())
            return fail(65);
        if (!info.isExecutable())
            return fail(66);
    } else {
        const QString found = QStandardPaths::findExecutable(program);
        if (found.isEmpty())
            return fail(67);
        program = found;
    }

    QProcess process;
    process.setProgram(program);
    process.setArguments(command.arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        return fail(68);
    return true;
}
