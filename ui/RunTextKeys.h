// The numbers, in the text table, of the texts about a run's safety: a file
// that is not G-code text, the program's extent, the machine's travel and
// the ranges of the configuration dialog's fields.
#pragma once

inline constexpr int kTextNotGcodeText = 102;   // reason after text 48
inline constexpr int kTextExtent = 103;         // status line, after a run
inline constexpr int kTextTravelExceeded = 104; // box and status line
inline constexpr int kTextTravelCaption = 105;  // configuration dialog
inline constexpr int kTextOutOfRange = 106;     // a field's value and its range
inline constexpr int kTextNoStepsPerMm = 107;   // an axis's steps and lead
inline constexpr int kTextNotATravel = 108;     // a travel field
inline constexpr int kTextSettingsTravel = 109; // the settings reader: a travel key
