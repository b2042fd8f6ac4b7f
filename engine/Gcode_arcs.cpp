#include "engine/Gcode.h"

CommandLines arcMoveCW(std::string) { return {}; }
CommandLines arcMoveCCW(std::string) { return {}; }
