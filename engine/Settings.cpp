#include "engine/Settings.h"

static std::string overriddenPath;

std::string settingsFilePath() { return overriddenPath.empty() ? "Tolvane.ini" : overriddenPath; }
void overrideSettingsFilePath(const std::string& path) { overriddenPath = path; }
StepsPerMmTexts loadMachineSettings(const std::function<void()>&) { return {}; }
std::string lookupText(int, const std::string&, const std::string& frenchDefault) { return frenchDefault; }
std::string lookupText(int, int) { return {}; }
std::string frenchText(int) { return {}; }
bool setShowAboutAtStart(bool, std::string*) { return true; }
