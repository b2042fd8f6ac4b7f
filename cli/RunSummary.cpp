#include "cli/RunSummary.h"

#include <cstdio>

namespace {

// Millimetres with `decimals` decimals, "." as separator whatever the locale.
std::string mm(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    for (char& c : text)
        if (c == ',')
            c = '.';
    // No "-0.000" for a path that touches zero from below.
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-')
        text.erase(0, 1);
    return text;
}

} // namespace

std::string travelReport(const std::string& input, int line, const TravelExcess& excess)
{
    return input + ":" + std::to_string(static_cast<long long>(line) + 1) +
           ": the path leaves the " + std::string(1, excess.axis) + " travel of " +
           mm(excess.travel, 1) + " mm by " + mm(excess.by, 1) + " mm\n";
}

std::string withoutEffectReport(const std::string& input, int line, const std::string& codes)
{
    return input + ":" + std::to_string(static_cast<long long>(line) + 1) +
           ": no effect on this machine: " + codes + "\n";
}

std::string extentReport(const ProgramExtent& e)
{
    if (e.empty)
        return "extent: no move";
    return "extent X " + mm(e.minX, 3) + " to " + mm(e.maxX, 3) + ", Y " + mm(e.minY, 3) + " to " +
           mm(e.maxY, 3) + ", Z " + mm(e.minZ, 3) + " to " + mm(e.maxZ, 3) + " mm";
}
