#include "ui/ReportBox.h"

#include <QChar>

#include "ui/ReasonText.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

QString readableGroup(std::string_view group)
{
    const QString text = sourceLineToQString(group);
    QString out;
    out.reserve(text.size() + 8);
    int brackets = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('(')) {
            // A comment the block reader left in the group: up to its end.
            const qsizetype end = text.indexOf(QLatin1Char(')'), i);
            if (end < 0)
                break;
            i = end;
            continue;
        }
        if (c == QLatin1Char(';'))
            break; // the rest of the line is a comment
        if (c == QLatin1Char('['))
            ++brackets;
        else if (c == QLatin1Char(']') && brackets > 0)
            --brackets;
        // A word starts at a letter that follows a number.
        if (brackets == 0 && c.isLetter() && !out.isEmpty() && !out.back().isLetter() &&
            out.back() != QLatin1Char(' ') && out.back() != QLatin1Char('#'))
            out += QLatin1Char(' ');
        out += c;
    }
    return out.trimmed();
}

static QString shownGroup(int language, std::string_view group, bool cut)
{
    QString text = readableGroup(group);
    if (text.isEmpty())
        text = uiText(language, 38); // "(empty line)"
    if (cut)
        text += QChar(0x2026);
    return text;
}

BoxRequest reportBoxRequest(const ReportBoxContent& c)
{
    const int l = c.language;
    const QString group = shownGroup(l, c.group, c.cut);
    QString text = windowText(l, c.info.partly ? WindowText::ReportPartlyTranslated
                                               : WindowText::ReportNotTranslated)
                       .arg(group);
    text += QLatin1Char('\n') +
            windowText(l, WindowText::ReportReasonLine).arg(reportReasonText(l, c.info));
    if (c.info.partly)
        text += QLatin1Char('\n') + windowText(l, WindowText::ReportPartlyNote);
    QString informative = c.lineText;
    if (c.count > 1)
        informative += QLatin1String("\n\n") +
                       windowText(l, WindowText::ReportCount)
                           .arg(QString::number(c.index + 1), QString::number(c.count));
    BoxRequest request;
    request.caption = QStringLiteral("Tolvane");
    request.text = text;
    request.informative = informative;
    request.icon = QMessageBox::Warning;
    if (c.index + 1 < c.count)
        request.secondButton = windowText(l, WindowText::ReportSkipButton);
    return request;
}

QString reportToolTipEntry(int language, std::string_view group, bool cut, ReportInfo info,
                           const QString& emptyGroup)
{
    QString shown = readableGroup(group);
    if (shown.isEmpty())
        shown = emptyGroup;
    if (cut)
        shown += QChar(0x2026);
    return windowText(language, info.partly ? WindowText::ToolTipPartlyTranslated
                                            : WindowText::ToolTipNotTranslated)
        .arg(shown, reportReasonText(language, info));
}
