#include "ui/RunResult.h"

#include "ui/ReportedLines.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

// The count of the reported groups.
static QString reportCountText(int l, const ReportedLines& reports)
{
    const std::size_t groups = reports.groupCount();
    const std::size_t lines = reports.lineCount();
    if (groups == 0)
        return uiText(l, 39);
    if (groups == 1)
        return uiText(l, 40).arg(reports.lineAt(0) + 1);
    if (lines == 1)
        return uiText(l, 41).arg(QString::number(groups), QString::number(reports.lineAt(0) + 1));
    return uiText(l, 42).arg(QString::number(groups), QString::number(lines));
}

QStringList runResultParts(int language, const RunResult& result)
{
    QStringList parts;
    if (result.emptyProgram)
        parts << windowText(language, WindowText::EmptyProgramStatus);
    if (!result.emptyProgram || result.reports.groupCount() > 0)
        parts << reportCountText(language, result.reports);
    if (!result.withoutEffect.isEmpty())
        parts << windowText(language, WindowText::WithoutEffectStatus)
                     .arg(result.withoutEffect.join(QLatin1Char(' ')));
    return parts;
}
