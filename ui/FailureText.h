// Why something failed, in the user's language: the reasons the operating
// system gives (errno values), the engine's reports about the settings file,
// and the values of the settings file that could not be used.
//
// The common system reasons have texts of our own in the text table; any
// other keeps the system's own words. The engine words its reports in
// English for the command-line converter; here its fixed phrases and the
// system reasons inside them are put into the user's language, and a part
// that is not recognised stays as the engine wrote it.
#pragma once

#include <QString>
#include <string>

#include "engine/Settings.h"

// The text of system error `code` (an errno value), `systemText` for a code
// without a text of ours (or 0).
QString systemReason(int language, int code, const QString& systemText);

// A failure report of the engine ("<file>: <reason>") in `language`.
QString localiseEngineFailure(int language, const std::string& text);

// One unusable value of the settings file, as a sentence.
QString settingsProblemText(int language, const SettingsProblem& problem);

// "The settings could not be saved:" then `error` (the engine's report of
// the file and the reason) on its own line, in `language`.
QString settingsNotSavedText(int language, const std::string& error);
