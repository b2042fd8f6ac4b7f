// What the converter says about a run besides its reports: the program's
// extent and the codes accepted without effect (--verbose), and the first
// move beyond the machine's travel. None of it depends on the locale.
#pragma once

#include <string>

#include "engine/Extent.h"

// `input:line: the path leaves the X travel of 300 mm by 12.5 mm`, `line`
// counted from 1.
std::string travelReport(const std::string& input, int line, const TravelExcess& excess);
// `input:line: no effect on this machine: G40 G49`, `line` counted from 1.
std::string withoutEffectReport(const std::string& input, int line, const std::string& codes);
// "extent X -5.000 to 5.000, Y 0.000 to 7.000, Z -3.000 to 10.000 mm", or
// "extent: no move" for a program that moves nowhere.
std::string extentReport(const ProgramExtent& extent);
