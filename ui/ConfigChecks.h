// The sane ranges of the configuration dialog's fields, checked before OK
// writes anything, and the names the user sees for the settings file's keys.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

enum class ConfigField { StepsPerRev, Lead, Speed, Precision, Travel };

struct FieldRange {
    double min;
    double max;
};
FieldRange fieldRange(ConfigField field);

// Steps per millimetre that an axis may have: fewer than one whole step
// would make every coordinate 0, more would make the controller's step range
// shorter than a part.
inline constexpr double kMinStepsPerMm = 1.0;
inline constexpr double kMaxStepsPerMm = 100000.0;

// Empty when `text` is a value the field can hold (a travel may be empty:
// unknown); otherwise the sentence, in `language`, that says why not. The
// value read is stored in `value` (0 for an empty travel).
QString checkField(int language, ConfigField field, const QString& text, double& value);
// Empty when an axis's steps per revolution and lead give a usable number of
// steps per millimetre; otherwise the sentence saying so.
QString checkAxis(int language, int32_t stepsPerRev, double lead);

// The field that shows a key of the settings file's Machine section, as the
// dialog names it in `language`, followed by the key: "Axe X – Pas de la vis
// en mm (Pas de vis X)". A key the dialog does not show comes back as it is.
QString settingsKeyName(int language, const std::string& key);
