#include "engine/Gcode.h"

CommandLines drillCycle(std::string) { return {}; }
CommandLines repeatDrillCycle(std::string) { return {}; }
CommandLines cancelDrillCycle() { return {}; }
