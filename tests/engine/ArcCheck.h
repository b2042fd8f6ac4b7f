// Measures the machine's path of an arc against the arc the program means,
// in program coordinates and with RS274NGC's sense of rotation: G02 turns
// clockwise seen from +Z in G17, from +Y in G18, from +X in G19.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "tests/engine/EngineTestUtil.h"
#include "tests/engine/MachinePath.h"

namespace enginetest {

// Axes of each plane in the standard's right-handed order (first, second,
// linear): XY-Z, ZX-Y, YZ-X.
constexpr int kPlaneOrder[3][3] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};

struct MeantArc {
    int plane = 0; // 0 G17, 1 G18, 2 G19
    bool cw = true;
    Steps start{}; // program coordinates X, Y, Z
    Steps end{};
    double centre[2] = {0, 0}; // along the plane's first and second axes
    bool fullTurn = false;     // end on the start: one whole turn
};

// One arc word group run from `start` (program coordinates) after the mode
// groups of `setup`, with the default machine: its command lines and the
// machine's path through them.
struct ArcRun {
    CommandLines lines;
    std::vector<Steps> path;
    double perUnit = 40; // machine steps per program unit
};

inline ArcRun runArc(const char* setup, const Steps& start, const char* arc)
{
    startRun();
    run(splitWordGroups(setup));
    ArcRun r;
    r.perUnit = 40.0 * modalState.unitFactor;
    modalState.currentX = static_cast<float>(start[0] * r.perUnit);
    modalState.currentY = static_cast<float>(start[1] * r.perUnit);
    modalState.currentZ = static_cast<float>(-start[2] * r.perUnit);
    const Steps from = wholeCurrentSteps();
    r.lines = run({arc});
    r.path = machinePath(r.lines, from);
    return r;
}

// The signed sweep of the meant arc: negative for G02.
inline double meantSweep(const MeantArc& m)
{
    const int a = kPlaneOrder[m.plane][0], b = kPlaneOrder[m.plane][1];
    if (m.fullTurn)
        return m.cw ? -2 * M_PI : 2 * M_PI;
    const double s = std::atan2(m.start[b] - m.centre[1], m.start[a] - m.centre[0]);
    const double e = std::atan2(m.end[b] - m.centre[1], m.end[a] - m.centre[0]);
    double sweep = e - s;
    if (m.cw && sweep > 0)
        sweep -= 2 * M_PI;
    if (!m.cw && sweep < 0)
        sweep += 2 * M_PI;
    return sweep;
}

struct PathOnArc {
    double radial = 0;     // largest distance from the circle, program units
    double linear = 0;     // largest distance from the helix along its axis
    double turnedBack = 0; // largest turn against the arc's sense, radians
    double turned = 0;     // total turn of the path about the centre
    Steps last{};          // last corner, program coordinates
};

// Follows the machine path (machine steps, from the arc's start) around the
// meant arc. The linear axis is expected to advance in proportion to the
// angle turned.
inline PathOnArc measureArc(const std::vector<Steps>& machine, const MeantArc& m)
{
    const int a = kPlaneOrder[m.plane][0], b = kPlaneOrder[m.plane][1], n = kPlaneOrder[m.plane][2];
    const double radius = std::hypot(m.start[a] - m.centre[0], m.start[b] - m.centre[1]);
    const double sweep = meantSweep(m);
    PathOnArc out;
    double previous = std::atan2(m.start[b] - m.centre[1], m.start[a] - m.centre[0]);
    for (const Steps& steps : machine) {
        const Steps p = toProgram(steps);
        const double u = p[a] - m.centre[0], v = p[b] - m.centre[1];
        out.radial = std::fmax(out.radial, std::fabs(std::hypot(u, v) - radius));
        if (std::hypot(u, v) > 1e-9) {
            const double angle = std::atan2(v, u);
            const double d = std::remainder(angle - previous, 2 * M_PI);
            out.turned += d;
            out.turnedBack = std::fmax(out.turnedBack, m.cw ? d : -d);
            previous = angle;
        }
        const double fraction = sweep != 0 ? out.turned / sweep : 1.0;
        const double expected = m.start[n] + fraction * (m.end[n] - m.start[n]);
        out.linear = std::fmax(out.linear, std::fabs(p[n] - expected));
        out.last = p;
    }
    return out;
}

// The largest distance, in machine steps, of the path's corners from the
// meant helix or arc, truncation set aside (cellDistance). Every axis is
// taken with `perUnit` steps per program unit.
inline double worstDistanceFromArc(const std::vector<Steps>& machine, const MeantArc& m,
                                   double perUnit)
{
    const int a = kPlaneOrder[m.plane][0], b = kPlaneOrder[m.plane][1], n = kPlaneOrder[m.plane][2];
    const double radius = std::hypot(m.start[a] - m.centre[0], m.start[b] - m.centre[1]);
    const double start = std::atan2(m.start[b] - m.centre[1], m.start[a] - m.centre[0]);
    const double sweep = meantSweep(m);
    const double length = std::hypot(sweep * radius, m.end[n] - m.start[n]) * perUnit;
    // Samples a quarter of a step apart along the meant path, in machine steps.
    const auto count = static_cast<std::size_t>(std::ceil(4 * length)) + 1;
    std::vector<Steps> meant(count + 1);
    for (std::size_t k = 0; k <= count; ++k) {
        const double t = static_cast<double>(k) / static_cast<double>(count);
        Steps p{};
        p[a] = m.centre[0] + radius * std::cos(start + t * sweep);
        p[b] = m.centre[1] + radius * std::sin(start + t * sweep);
        p[n] = m.start[n] + t * (m.end[n] - m.start[n]);
        meant[k] = {p[0] * perUnit, p[1] * perUnit, -p[2] * perUnit};
    }
    double worst = 0;
    for (const Steps& corner : machine) {
        double best = 1e300;
        for (const Steps& p : meant)
            best = std::fmin(best, cellDistance(corner, p));
        worst = std::fmax(worst, best);
    }
    return worst;
}

} // namespace enginetest
