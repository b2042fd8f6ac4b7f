#include "engine/Gcode.h"

CommandLines returnToReference(std::string) { return {}; }
CommandLines programEndM2() { return {}; }
CommandLines programEndM30() { return {}; }
CommandLines spindleOn(std::string) { return {}; }
CommandLines spindleOff(std::string) { return {}; }
CommandLines toolChange(std::string) { return {}; }
CommandLines dwell(std::string) { return {}; }
