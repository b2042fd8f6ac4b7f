// The machine's own path: command lines replayed as the controller moves
// ("PA" moves X and Y, "@ZA" moves Z, "@HM" homes X and Y), every corner in
// machine steps, and the distances geometry tests measure on it.
#pragma once

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CommandLines.h"
#include "engine/Gcode.h"

namespace enginetest {

using Steps = std::array<double, 3>; // machine X, Y, Z

// Every position the machine passes through, from `start`, one per move
// command (the start point first).
inline std::vector<Steps> machinePath(const CommandLines& lines, Steps start)
{
    std::vector<Steps> path{start};
    Steps at = start;
    for (std::string_view view : lines) {
        const std::string line(view);
        long a = 0, b = 0;
        if (line == "@HM;") {
            at[0] = at[1] = 0;
        } else if (std::sscanf(line.c_str(), "PA %ld,%ld;", &a, &b) == 2) {
            at[0] = static_cast<double>(a);
            at[1] = static_cast<double>(b);
        } else if (std::sscanf(line.c_str(), "@ZA %ld;", &a) == 1) {
            at[2] = static_cast<double>(a);
        } else {
            continue;
        }
        path.push_back(at);
    }
    return path;
}

// The whole steps the translator's current position stands for.
inline Steps wholeCurrentSteps()
{
    return {std::trunc(modalState.currentX), std::trunc(modalState.currentY),
            std::trunc(modalState.currentZ)};
}

// Machine steps to program coordinates (program Z counts upwards), with the
// machine's steps per millimetre and the current unit factor.
inline Steps toProgram(const Steps& s)
{
    const double u = modalState.unitFactor;
    return {s[0] / (machineSettings.stepsPerMmX * u), s[1] / (machineSettings.stepsPerMmY * u),
            -s[2] / (machineSettings.stepsPerMmZ * u)};
}

// Distance of `p` from the segment a-b, all in the same units.
inline double distanceToSegment(const Steps& p, const Steps& a, const Steps& b)
{
    double ab2 = 0, t = 0;
    for (int i = 0; i < 3; ++i) {
        ab2 += (b[i] - a[i]) * (b[i] - a[i]);
        t += (p[i] - a[i]) * (b[i] - a[i]);
    }
    t = ab2 > 0 ? std::fmin(1.0, std::fmax(0.0, t / ab2)) : 0.0;
    double d2 = 0;
    for (int i = 0; i < 3; ++i) {
        const double q = a[i] + t * (b[i] - a[i]);
        d2 += (p[i] - q) * (p[i] - q);
    }
    return std::sqrt(d2);
}

// Distance from `point` to the nearest position that the machine corner
// `corner` stands for: a position is written truncated towards zero, so the
// corner 5 stands for [5, 6), -5 for (-6, -5] and 0 for (-1, 1). What is
// left is the error of the path itself, not of the truncation.
inline double cellDistance(const Steps& corner, const Steps& point)
{
    double d2 = 0;
    for (int i = 0; i < 3; ++i) {
        const double lo = corner[i] > 0 ? corner[i] : corner[i] - 1;
        const double hi = corner[i] < 0 ? corner[i] : corner[i] + 1;
        const double q = std::fmin(hi, std::fmax(lo, point[i]));
        d2 += (q - point[i]) * (q - point[i]);
    }
    return std::sqrt(d2);
}

} // namespace enginetest
