// The settings file "Tolvane.ini": machine mechanics, speeds, arc precision,
// editor and driver commands, the user-interface language, the numbered text
// table and the About blocks. Which file that is: engine/SettingsPath.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/Gcode.h"
#include "engine/SettingsPath.h"

// Whole-number steps per millimetre as text, the loader's hand-over to the
// conversion run (the main window keeps them in its hidden Ofx/Ofy/Ofz).
struct StepsPerMmTexts {
    std::string ofx = "40";
    std::string ofy = "40";
    std::string ofz = "40";
};

// The keys of the machine's travel in mm, X, Y and Z, in section Machine:
// empty or missing when not known.
inline constexpr const char* kTravelKeys[3] = {"Course X", "Course Y", "Course Z"};

// Reads every machine and application key into machineSettings, derives the
// steps per millimetre and returns their whole-number texts. When About/Affiche
// is false it calls showAboutBox (if given) before returning.
StepsPerMmTexts loadMachineSettings(const std::function<void()>& showAboutBox = {});

// The values that the last loadMachineSettings found in the file but could
// not use, one sentence each naming the key, the text and what was used
// instead; also a file that exists but could not be read. Empty when every
// value was usable or missing (a missing value quietly takes its default).
const std::vector<std::string>& settingsProblems();

// The same problems as values, for a window to word them in its language.
struct SettingsProblem {
    enum class Kind {
        Unreadable,      // text: the reason ("<path>: <why>")
        NotANumber,      // key = text is no number; `used` instead
        NotAWholeNumber, // key = text is no whole number; `used` instead
        NoStepsPerMm,    // key = text with otherKey = otherText; factory used, otherUsed
        NotASpeed,       // key = text is no speed; `used` instead
        BadPrecision,    // Precision = text is no number above 0; `used` instead
        NotATravel,      // key = text is no travel in mm; the travel is unknown
    };
    Kind kind = Kind::Unreadable;
    std::string key;
    std::string text;
    std::string used;
    std::string otherKey;
    std::string otherText;
    std::string otherUsed;
};
const std::vector<SettingsProblem>& settingsProblemDetails();

// The numbered user-interface text `key` in the section of `language`
// ("FR", "DE", "GB" for 0, 1, 2), `frenchDefault` when missing.
std::string lookupText(int language, const std::string& key, const std::string& frenchDefault);
// The same with the built-in French default of the key ("0" to "96").
std::string lookupText(int language, int key);
// The built-in French text of a key, "" for an unknown key.
std::string frenchText(int key);

// Writes About/Affiche (into the user's own file when the program's folder is
// not writable, see prepareSettingsForWriting). Returns false and fills
// `error` with the path and the reason when the file could not be written.
bool setShowAboutAtStart(bool flag, std::string* error = nullptr);
