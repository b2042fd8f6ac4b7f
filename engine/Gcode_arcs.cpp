// Circular and helical arcs (G02, G03).
//
// The PROFILER knows only straight moves, so every arc is cut into chords.
// The chord step is the angle whose chord strays from the true circle by at
// most the arc precision setting; precision and radius are both taken in
// machine steps. The arc starts at the current position, its centre is given
// by I/J/K offsets from that start, and the last move always goes to the
// exact programmed end point, whatever the chords reached.
#include <cmath>
#include <memory>

#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

namespace {

// Full turn added to or taken from a sweep of the wrong sign.
constexpr double kFullTurn = 6.2831853;

// Most chords one arc may be cut into. Within the 32-bit step range the
// default precision never asks for more than about 206,000 (a full circle
// of the largest radius that fits); only a tiny precision setting on a huge
// radius reaches this bound, and the arc is then cut into this many equal
// chords instead of hundreds of millions of lines.
constexpr int32_t kMaxArcChords = 250000;

float narrow(long double value)
{
    return static_cast<float>(value);
}

// The chord plan of one arc in its plane: centre, radius, running angle,
// angular step and number of chords. Computed once, before the first chord.
struct ArcPlan {
    float centre1 = 0.0f;
    float centre2 = 0.0f;
    float radius = 0.0f;
    float angle = 0.0f;
    float step = 0.0f;
    int32_t chords = 0;
    bool clockwise = true;

    // Moves to the next chord point and returns it in (p1, p2).
    void next(float& p1, float& p2)
    {
        angle = clockwise ? angle - step : angle + step;
        const double a = angle;
        p1 = narrow(centre1 + static_cast<long double>(radius) * std::cos(a));
        p2 = narrow(centre2 + static_cast<long double>(radius) * std::sin(a));
    }
};

ArcPlan planArc(float s1, float s2, float e1, float e2, float o1, float o2, bool clockwise)
{
    ArcPlan plan;
    plan.clockwise = clockwise;
    plan.centre1 = narrow(static_cast<long double>(s1) + o1);
    plan.centre2 = narrow(static_cast<long double>(s2) + o2);
    plan.radius = static_cast<float>(vectorLength(o1, o2));
    plan.angle =
        static_cast<float>(vectorAngle(-static_cast<double>(o1), -static_cast<double>(o2)));
    const float endAngle = static_cast<float>(vectorAngle(static_cast<double>(e1) - plan.centre1,
                                                          static_cast<double>(e2) - plan.centre2));

    // A clockwise sweep lies in (-full turn, 0], a counter-clockwise one in
    // [0, full turn).
    float sweep = endAngle - plan.angle;
    if (clockwise && sweep > 0.0f)
        sweep = narrow(sweep - static_cast<long double>(kFullTurn));
    if (!clockwise && sweep < 0.0f)
        sweep = narrow(sweep + static_cast<long double>(kFullTurn));
    const float span = std::fabs(sweep);

    float step = span;
    const float precision = machineSettings.arcPrecision;
    if (precision < plan.radius) {
        const long double cosine = 1.0L - static_cast<long double>(precision) / plan.radius;
        step = static_cast<float>(2.0 * std::acos(static_cast<double>(cosine)));
        // A precision far below the radius rounds the cosine to 1 and the
        // step to 0: one chord is then better than an endless loop.
        if (!std::isfinite(step) || !(step > 0.0f))
            step = span;
    }
    if (span < step)
        step = span;

    plan.step = step;
    if (span > 0.0f && step > 0.0f) {
        const long double count = static_cast<long double>(span) / step;
        if (count > kMaxArcChords) {
            plan.chords = kMaxArcChords;
            plan.step = narrow(static_cast<long double>(span) / kMaxArcChords);
        } else {
            plan.chords = static_cast<int32_t>(count);
        }
    }
    return plan;
}

// Per-chord increment of the linear axis of a helix; 0 for a flat arc.
float helixIncrement(float start, float end, int32_t chords)
{
    const float distance = end != start ? end - start : 0.0f;
    if (distance == 0.0f || chords < 1)
        return 0.0f;
    return narrow(static_cast<long double>(distance) / chords);
}

void recordCurrentPosition()
{
    currentSegment->addPoint(previewScale(modalState.currentX), previewScale(modalState.currentY),
                             previewScale(modalState.currentZ), kKindOwn);
}

bool fitsAround(float centre, float radius)
{
    return fitsSteps(centre) && fitsSteps(narrow(static_cast<long double>(centre) - radius)) &&
           fitsSteps(narrow(static_cast<long double>(centre) + radius));
}

// Every chord point lies within radius of the centre on both plane axes, so
// checking the circle's extent keeps every written coordinate in range.
bool arcFits(float s1, float s2, float o1, float o2)
{
    const float c1 = narrow(static_cast<long double>(s1) + o1);
    const float c2 = narrow(static_cast<long double>(s2) + o2);
    const float r = static_cast<float>(vectorLength(o1, o2));
    return std::isfinite(r) && fitsAround(c1, r) && fitsAround(c2, r);
}

// In XZ and YZ every chord is a staircase; the whole arc takes at most about
// 2 pi r motor steps per plane axis plus the helix, which must stay within
// the stair limit of a straight move.
bool arcStairsFit(int axis1, int axis2, int linearAxis, float o1, float o2, float linear)
{
    const float r = static_cast<float>(vectorLength(o1, o2));
    const float around = narrow(7.0L * r);
    return motorSteps(axis1, around) <= kMaxStairs && motorSteps(axis2, around) <= kMaxStairs &&
           motorSteps(linearAxis, linear) <= kMaxStairs;
}

bool arcMove(std::string_view group, bool clockwise, CommandLines& lines)
{
    ModalState& m = modalState;
    const bool relative = !m.absoluteMode;
    float x = m.currentX;
    float y = m.currentY;
    float z = m.currentZ;
    float i = 0.0f;
    float j = 0.0f;
    float k = 0.0f;
    double value = 0.0;
    if (findWord(group, 'X', value))
        x = convertX(value, relative, m.currentX);
    if (findWord(group, 'Y', value))
        y = convertY(value, relative, m.currentY);
    if (findWord(group, 'Z', value))
        z = convertZ(value, relative, m.currentZ);
    // Centre offsets are always relative to the start point.
    if (findWord(group, 'I', value))
        i = stepsX(value);
    if (findWord(group, 'J', value))
        j = stepsY(value);
    if (findWord(group, 'K', value))
        k = stepsZ(value);

    const bool knownPlane = m.plane <= 2;
    if (knownPlane) {
        bool fits = fitsSteps(x) && fitsSteps(y) && fitsSteps(z);
        if (fits && m.plane == 0)
            fits = arcFits(m.currentX, m.currentY, i, j);
        else if (fits && m.plane == 1)
            fits = arcFits(m.currentX, m.currentZ, i, k) &&
                   arcStairsFit(0, 2, 1, i, k, y - m.currentY) && steppedMoveFits(x, y, z);
        else if (fits)
            fits = arcFits(m.currentY, m.currentZ, j, k) &&
                   arcStairsFit(1, 2, 0, j, k, x - m.currentX) && steppedMoveFits(x, y, z);
        if (!fits)
            return false;
    }

    beginSegment(kKindFeed);
    writeFeedSpeed(lines, group);

    switch (m.plane) {
    case 0:
        arcXY(lines, x, y, z, i, j, clockwise);
        break;
    case 1:
        arcXZ(lines, x, y, z, i, k, clockwise);
        break;
    case 2:
        // The plane routines turn in the frame (first axis right, second
        // up) of machine steps, where Z counts downwards. G02 is clockwise
        // seen from +Y in G18 and from +X in G19: in XZ the machine's Z and
        // the standard's (Z, X) axis order cancel out, in YZ the downward Z
        // alone flips the sense, so the routine is asked for the other one.
        arcYZ(lines, x, y, z, j, k, !clockwise);
        break;
    default:
        lines.emplace_back(clockwise ? "G02 dans ce cas non traite" : "G03 dans ce cas non trait?");
        currentSegment.reset();
        return true;
    }
    storeSegment();
    return true;
}

} // namespace

bool arcMoveCW(std::string_view group, CommandLines& lines)
{
    return arcMove(group, true, lines);
}

bool arcMoveCCW(std::string_view group, CommandLines& lines)
{
    return arcMove(group, false, lines);
}

// In XY the controller's own commands are used: a helical arc writes the
// height of each chord ("@ZA") just before the chord itself ("PA").
void arcXY(CommandLines& lines, float x, float y, float z, float i, float j, bool clockwise)
{
    ModalState& m = modalState;
    ArcPlan plan = planArc(m.currentX, m.currentY, x, y, i, j, clockwise);
    const bool helix = z != m.currentZ;
    const float increment = helixIncrement(m.currentZ, z, plan.chords);

    for (int32_t chord = 0; chord < plan.chords; ++chord) {
        float p1 = 0.0f;
        float p2 = 0.0f;
        plan.next(p1, p2);
        if (helix) {
            m.currentZ = m.currentZ + increment;
            lines.push_back(heightLine(m.currentZ));
        }
        m.currentX = p1;
        m.currentY = p2;
        lines.push_back(positionLine(m.currentX, m.currentY));
        recordCurrentPosition();
    }
    if (helix) {
        m.currentZ = z;
        lines.push_back(heightLine(m.currentZ));
    }
    m.currentX = x;
    m.currentY = y;
    lines.push_back(positionLine(m.currentX, m.currentY));
    recordCurrentPosition();
}

// In XZ and YZ every chord changes Z together with X or Y, which the
// controller can only follow as a staircase. `place` turns a chord point of
// the plane and the running linear coordinate into (x, y, z).
namespace {

template <typename Place>
void steppedArc(CommandLines& lines, ArcPlan plan, float linearStart, float linearEnd, float x,
                float y, float z, Place place)
{
    const float increment = helixIncrement(linearStart, linearEnd, plan.chords);
    float running = linearStart;
    for (int32_t chord = 0; chord < plan.chords; ++chord) {
        float p1 = 0.0f;
        float p2 = 0.0f;
        plan.next(p1, p2);
        running = running + increment;
        float cx = 0.0f;
        float cy = 0.0f;
        place(p1, p2, running, cx, cy);
        writeSteppedMove(lines, cx, cy, p2);
    }
    writeSteppedMove(lines, x, y, z);
}

} // namespace

void arcXZ(CommandLines& lines, float x, float y, float z, float i, float k, bool clockwise)
{
    const ModalState& m = modalState;
    ArcPlan plan = planArc(m.currentX, m.currentZ, x, z, i, k, clockwise);
    steppedArc(lines, plan, m.currentY, y, x, y, z,
               [](float p1, float, float running, float& cx, float& cy) {
                   cx = p1;
                   cy = running;
               });
}

void arcYZ(CommandLines& lines, float x, float y, float z, float j, float k, bool clockwise)
{
    const ModalState& m = modalState;
    ArcPlan plan = planArc(m.currentY, m.currentZ, y, z, j, k, clockwise);
    steppedArc(lines, plan, m.currentX, x, x, y, z,
               [](float p1, float, float running, float& cx, float& cy) {
                   cx = running;
                   cy = p1;
               });
}
