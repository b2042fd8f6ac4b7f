#include "ui/RunSummaryText.h"

#include <QLocale>

#include "ui/RunTextKeys.h"
#include "ui/UiText.h"

namespace {

QLocale numbersOf(int language)
{
    switch (language) {
    case 1:
        return QLocale(QLocale::German, QLocale::Germany);
    case 2:
        return QLocale(QLocale::English, QLocale::UnitedKingdom);
    default:
        return QLocale(QLocale::French, QLocale::France);
    }
}

QString mm(const QLocale& locale, double value)
{
    QString text = locale.toString(value, 'f', 1);
    // A path that touches zero from below is at 0, not at "-0,0".
    if (text.startsWith(locale.negativeSign()) && locale.toDouble(text) == 0.0)
        text.remove(0, locale.negativeSign().size());
    return text;
}

} // namespace

QString extentText(int language, const ProgramExtent& e)
{
    if (e.empty)
        return {};
    const QLocale l = numbersOf(language);
    return uiText(language, kTextExtent)
        .arg(mm(l, e.minX), mm(l, e.maxX), mm(l, e.minY), mm(l, e.maxY), mm(l, e.minZ),
             mm(l, e.maxZ));
}

QString travelText(int language, int line, const TravelExcess& excess)
{
    const QLocale l = numbersOf(language);
    return uiText(language, kTextTravelExceeded)
        .arg(QString::number(line + 1), QString(QLatin1Char(excess.axis)), mm(l, excess.travel),
             mm(l, excess.by));
}
