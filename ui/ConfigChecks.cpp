#include "ui/ConfigChecks.h"

#include <cmath>

#include "engine/IniFile.h"
#include "engine/Settings.h"
#include "ui/RunTextKeys.h"
#include "ui/UiText.h"

FieldRange fieldRange(ConfigField field)
{
    switch (field) {
    case ConfigField::StepsPerRev:
        return {1.0, 1000000.0};
    case ConfigField::Lead: // a fine screw to a belt's pulley, in mm per turn
        return {0.1, 500.0};
    case ConfigField::Speed: // mm/s
        return {0.1, 1000.0};
    case ConfigField::Precision: // mm
        return {0.001, 10.0};
    case ConfigField::Travel: // mm
        return {1.0, 10000.0};
    }
    return {0.0, 0.0};
}

namespace {

// A bound or a value as the settings file writes it; whole numbers in full
// ("1000000", not "1e+06").
QString number(double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::fromStdString(formatSettingsFloat(static_cast<float>(value)));
}

} // namespace

QString checkField(int language, ConfigField field, const QString& text, double& value)
{
    const QByteArray bytes = text.trimmed().toUtf8();
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    value = 0.0;
    if (field == ConfigField::Travel && view.empty())
        return {};
    bool read = false;
    if (field == ConfigField::StepsPerRev) {
        int32_t whole = 0;
        read = parseSettingsInteger(view, whole) && whole > 0;
        value = whole;
    } else {
        float real = 0.0f;
        read = parseSettingsFloat(view, real) && real > 0.0f;
        value = real;
    }
    if (!read) {
        if (field == ConfigField::Travel)
            return uiText(language, kTextNotATravel).arg(text);
        return uiText(language, field == ConfigField::StepsPerRev ? 91 : 90).arg(text);
    }
    const FieldRange range = fieldRange(field);
    if (value < range.min || value > range.max)
        return uiText(language, kTextOutOfRange).arg(text, number(range.min), number(range.max));
    return {};
}

QString checkAxis(int language, int32_t stepsPerRev, double lead)
{
    const double perMm = std::trunc(static_cast<double>(stepsPerRev) / lead);
    if (perMm >= kMinStepsPerMm && perMm <= kMaxStepsPerMm)
        return {};
    return uiText(language, kTextNoStepsPerMm)
        .arg(QString::number(stepsPerRev), number(lead),
             QString::number(static_cast<double>(stepsPerRev) / lead, 'f', 2),
             number(kMinStepsPerMm), number(kMaxStepsPerMm));
}

QString settingsKeyName(int language, const std::string& key)
{
    struct Name {
        const char* key;
        int heading; // 0: none
        int caption;
    };
    static const Name names[] = {
        {"Pas de vis X", 8, 12},
        {"Pas par tour X", 8, 11},
        {"Pas de vis Y", 9, 12},
        {"Pas par tour Y", 9, 11},
        {"Pas de vis Z", 10, 12},
        {"Pas par tour Z", 10, 11},
        {"Vitesse maxi", 0, 14},
        {"Vitesse maxi Z", 0, 32},
        {"Precision", 0, 15},
        {kTravelKeys[0], 8, kTextTravelCaption},
        {kTravelKeys[1], 9, kTextTravelCaption},
        {kTravelKeys[2], 10, kTextTravelCaption},
    };
    const QString shownKey = settingsTextToQString(key);
    for (const Name& n : names) {
        if (key != n.key)
            continue;
        QString name = uiText(language, n.caption);
        if (n.heading != 0)
            name = uiText(language, n.heading) + QStringLiteral(" \u2013 ") + name;
        return name + QStringLiteral(" (") + shownKey + QLatin1Char(')');
    }
    return shownKey;
}
