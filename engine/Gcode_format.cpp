// Machine units and the two number formats of the command file.
//
// Numbers are formatted with std::to_chars, which behaves like printf in the
// "C" locale whatever locale the desktop program runs under: the controller
// expects a point, never a comma.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/Gcode.h"

std::string formatInt(int32_t value)
{
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

namespace {

// printf's "%.2f" body (digits only, sign handled by the caller), with its
// texts for infinities and NaN.
std::string fixedTwo(double magnitude)
{
    if (std::isnan(magnitude))
        return "nan";
    if (std::isinf(magnitude))
        return "inf";
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, 2);
    return std::string(buf, res.ptr);
}

std::string padLeft(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

} // namespace

// "% 5.2f": a blank in place of the sign for zero and above, at least five
// characters, two decimals.
std::string formatFloat(float value)
{
    double v = value;
    std::string sign = std::signbit(v) ? "-" : " ";
    return padLeft(sign + fixedTwo(std::fabs(v)), 5);
}

// "%5.2f": the header's format, without the blank sign.
std::string formatHeaderFloat(float value)
{
    double v = value;
    std::string sign = std::signbit(v) ? "-" : "";
    return padLeft(sign + fixedTwo(std::fabs(v)), 5);
}

bool fitsSteps(float value)
{
    // Truncation towards zero keeps (-2147483649, 2147483648) inside int32.
    return std::isfinite(value) && value > -2147483649.0f && value < 2147483648.0f;
}

int32_t truncSteps(float value)
{
    if (!fitsSteps(value))
        return value < 0 ? INT32_MIN : INT32_MAX; // never reached by checked callers
    return static_cast<int32_t>(value);
}

LineText positionLine(float x, float y)
{
    LineText line;
    line.add("PA ");
    line.addInt(truncSteps(x));
    line.add(',');
    line.addInt(truncSteps(y));
    line.add(';');
    return line;
}

LineText heightLine(float z)
{
    LineText line;
    line.add("@ZA ");
    line.addInt(truncSteps(z));
    line.add(';');
    return line;
}

double vectorLength(float a, float b)
{
    // Squares and sum in extended precision; only the sum is rounded to float.
    long double wide = static_cast<long double>(a) * a + static_cast<long double>(b) * b;
    float sum = static_cast<float>(wide);
    return std::sqrt(static_cast<double>(sum));
}

// Direction of (x, y) in [0, 6.2831853), with the exact constants the arcs
// were tuned with: vectors on an axis get the fixed quarter-turn values.
double vectorAngle(double x, double y)
{
    const double fullTurn = 6.2831853;
    const double halfTurn = 3.14159265;
    const double quarterTurn = 1.570796325;
    const double threeQuarters = 1.5 * 3.14159265;
    if (x == 0.0 && y == 0.0)
        return 0.0;
    double a = std::atan2(y, x);
    if (!(y > 0.0))
        a += fullTurn;
    if (x == 0.0)
        return y < 0.0 ? threeQuarters : quarterTurn;
    if (y == 0.0)
        return x < 0.0 ? halfTurn : 0.0;
    return a;
}

namespace {

// value x (stepsPerMm x unitFactor), formed in extended precision and rounded
// once to float.
float scaled(double value, float stepsPerMm)
{
    long double factor = static_cast<long double>(stepsPerMm) * modalState.unitFactor;
    return static_cast<float>(static_cast<long double>(value) * factor);
}

float applyDistanceMode(float product, bool relative, float current)
{
    return relative ? current + product : product;
}

} // namespace

float stepsX(double value)
{
    return scaled(value, machineSettings.stepsPerMmX);
}
float stepsY(double value)
{
    return scaled(value, machineSettings.stepsPerMmY);
}
float stepsZ(double value)
{
    return scaled(value, -machineSettings.stepsPerMmZ);
}

float convertX(double value, bool relative, float current)
{
    return applyDistanceMode(stepsX(value), relative, current);
}

float convertY(double value, bool relative, float current)
{
    return applyDistanceMode(stepsY(value), relative, current);
}

float convertZ(double value, bool relative, float current)
{
    return applyDistanceMode(stepsZ(value), relative, current);
}

bool findWord(std::string_view group, char letter, double& value)
{
    std::size_t pos = group.find(letter);
    if (pos == std::string_view::npos)
        return false;
    value = parseWordNumber(group, pos + 1);
    return true;
}
