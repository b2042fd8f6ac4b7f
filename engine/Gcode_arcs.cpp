// Circular and helical arcs (G02, G03).
//
// The PROFILER knows only straight moves, so every arc is cut into chords.
// The chord step is the angle whose chord strays from the true circle by at
// most the arc precision setting; precision and radius are both taken in
// machine steps. The arc starts at the current position, its centre is given
// by I/J/K offsets from that start (or found from an R word, see
// radiusOffsets), and the last move always goes to the exact programmed end
// point, whatever the chords reached. An arc of the offsets form that ends
// where it starts is a full circle; one that ends off its circle is refused
// (endOnCircle).
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
    float sweep = 0.0f;
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

// `fullCircle`: the arc is of the offsets form, so an end point equal to the
// start point (the same stored steps) is a whole turn, not a zero sweep.
ArcPlan planArc(float s1, float s2, float e1, float e2, float o1, float o2, bool clockwise,
                bool fullCircle)
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
    if (fullCircle && e1 == s1 && e2 == s2)
        sweep = static_cast<float>(clockwise ? -kFullTurn : kFullTurn);
    plan.sweep = sweep;
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

// Per-chord increment of the linear axis of a helix; 0 for a flat arc. The
// axis advances in proportion to the angle turned: the whole chords cover
// a little less than the sweep, and the last, shorter move to the end point
// takes its share of the height too. (Sharing the height out over the whole
// chords alone put a steep helix a chord's height ahead of itself.)
float helixIncrement(float start, float end, const ArcPlan& plan)
{
    const float distance = end != start ? end - start : 0.0f;
    const float span = std::fabs(plan.sweep);
    if (distance == 0.0f || plan.chords < 1 || !(span > 0.0f))
        return 0.0f;
    return narrow(static_cast<long double>(distance) * plan.step / span);
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

// Axes are numbered 0 X, 1 Y, 2 Z; the two axes of each plane (G17 XY, G18
// XZ, G19 YZ), first and second.
constexpr int kPlaneAxes[3][2] = {{0, 1}, {0, 2}, {1, 2}};

// Steps per program unit of an axis, as the word conversion multiplies them:
// steps per millimetre x unit factor, negative for Z (machine Z counts
// downwards). Both factors are floats, so their product is exact.
double axisFactor(int axis)
{
    const MachineSettings& s = machineSettings;
    const float perMm[3] = {s.stepsPerMmX, s.stepsPerMmY, -s.stepsPerMmZ};
    return static_cast<double>(perMm[axis]) * static_cast<double>(modalState.unitFactor);
}

float axisSteps(int axis, double value)
{
    return axis == 0 ? stepsX(value) : axis == 1 ? stepsY(value) : stepsZ(value);
}

// The plane routines turn in the frame (first axis right, second up) of
// machine steps, where Z counts downwards. G02 is clockwise seen from +Y in
// G18 and from +X in G19: in XZ the machine's Z and the standard's (Z, X)
// axis order cancel out, in YZ the downward Z alone flips the sense, so the
// routine is asked for the other one.
bool routineClockwise(uint8_t plane, bool clockwise)
{
    return plane == 2 ? !clockwise : clockwise;
}

// An end point off the circle that the offsets give (a mistyped or badly
// rounded I, J or K) would be reached by a straight move after the chords
// had followed the wrong circle. It is refused when its distance from the
// centre differs from the start radius by more than 0.05 mm and by more than
// a thousandth of that radius: CAM programs round their words to a few
// microns, and LinuxCNC refuses such arcs a little below these bounds.
// Computed in double precision, in program units, compared in millimetres.
bool endOnCircle(float x, float y, float z, double o1, double o2)
{
    const ModalState& m = modalState;
    const float current[3] = {m.currentX, m.currentY, m.currentZ};
    const float target[3] = {x, y, z};
    const int a = kPlaneAxes[m.plane][0];
    const int b = kPlaneAxes[m.plane][1];
    const double fa = axisFactor(a);
    const double fb = axisFactor(b);
    if (fa == 0.0 || fb == 0.0)
        return true; // a machine without steps has no position to check
    const double c1 = current[a] / fa + o1;
    const double c2 = current[b] / fb + o2;
    const double startRadius = std::hypot(o1, o2) * m.unitFactor;
    const double endRadius = std::hypot(target[a] / fa - c1, target[b] / fb - c2) * m.unitFactor;
    const double difference = std::fabs(endRadius - startRadius);
    if (!std::isfinite(difference))
        return refuse(ReportReason::OutOfRange);
    if (difference > 0.05 && difference > 0.001 * startRadius)
        return refuse(ReportReason::OffCircle);
    return true;
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
    // Centre offsets are always relative to the start point; `words` keeps
    // them as written, in program units.
    double words[3] = {0.0, 0.0, 0.0};
    const bool hasI = findWord(group, 'I', words[0]);
    if (hasI)
        i = stepsX(words[0]);
    const bool hasJ = findWord(group, 'J', words[1]);
    if (hasJ)
        j = stepsY(words[1]);
    const bool hasK = findWord(group, 'K', words[2]);
    if (hasK)
        k = stepsZ(words[2]);

    const bool knownPlane = m.plane <= 2;
    // The offsets form: a centre offset of the plane. It wins over an R word,
    // so that programs carrying both keep their output. A group with neither
    // has no centre (posts that leave out offsets equal to the last arc's
    // write such lines): LinuxCNC refuses it, and cutting it as a chord
    // would cut the corner.
    const bool offsetsForm = (m.plane == 0 && (hasI || hasJ)) || (m.plane == 1 && (hasI || hasK)) ||
                             (m.plane == 2 && (hasJ || hasK));
    if (offsetsForm) {
        const int a = kPlaneAxes[m.plane][0];
        const int b = kPlaneAxes[m.plane][1];
        if (!endOnCircle(x, y, z, words[a], words[b]))
            return false;
    }
    const bool radiusForm = knownPlane && !offsetsForm && findWord(group, 'R', value);
    if (knownPlane && !offsetsForm && !radiusForm)
        return refuse(ReportReason::ArcWithoutCentre);
    if (radiusForm) {
        // From here on the arc is its offsets-form twin.
        double o1 = 0.0;
        double o2 = 0.0;
        if (!fitsSteps(x) || !fitsSteps(y) || !fitsSteps(z))
            return refuse(ReportReason::OutOfRange);
        if (!radiusArcOffsets(value, x, y, z, clockwise, o1, o2))
            return refuse(ReportReason::NoCircle);
        float* offsets[3] = {&i, &j, &k};
        const int a = kPlaneAxes[m.plane][0];
        const int b = kPlaneAxes[m.plane][1];
        *offsets[a] = axisSteps(a, o1);
        *offsets[b] = axisSteps(b, o2);
    }
    const bool fullCircle = offsetsForm || radiusForm;

    if (knownPlane) {
        bool fits = fitsSteps(x) && fitsSteps(y) && fitsSteps(z);
        if (fits && m.plane == 0)
            fits = arcFits(m.currentX, m.currentY, i, j) &&
                   (z == m.currentZ ||
                    (arcStairsFit(0, 1, 2, i, j, z - m.currentZ) && steppedMoveFits(x, y, z)));
        else if (fits && m.plane == 1)
            fits = arcFits(m.currentX, m.currentZ, i, k) &&
                   arcStairsFit(0, 2, 1, i, k, y - m.currentY) && steppedMoveFits(x, y, z);
        else if (fits)
            fits = arcFits(m.currentY, m.currentZ, j, k) &&
                   arcStairsFit(1, 2, 0, j, k, x - m.currentX) && steppedMoveFits(x, y, z);
        if (!fits)
            return refuse(ReportReason::OutOfRange);
    }

    beginSegment(kKindFeed);
    writeFeedSpeed(lines, group);

    const bool cw = routineClockwise(m.plane, clockwise);
    switch (m.plane) {
    case 0:
        arcXY(lines, x, y, z, i, j, cw, fullCircle);
        break;
    case 1:
        arcXZ(lines, x, y, z, i, k, cw, fullCircle);
        break;
    case 2:
        arcYZ(lines, x, y, z, j, k, cw, fullCircle);
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

// The radius form: of the two centres on the perpendicular bisector of the
// chord, a positive radius takes the one around which the arc turns through
// at most half a turn, a negative radius the other. Each candidate's sweep is
// measured exactly as the offsets form will cut the arc (its offsets turned
// into steps like I/J/K words, the same plan, the same sense per plane), so
// the arc turns the way its offsets-form twin turns. Computed in double
// precision in program units. False for an arc that has no circle: end point
// on the start point, zero radius, or a radius short of half the chord by
// more than 0.001 mm (within that the centre is the chord's midpoint).
bool radiusArcOffsets(double radius, float x, float y, float z, bool clockwise, double& o1,
                      double& o2)
{
    const ModalState& m = modalState;
    if (m.plane > 2)
        return false;
    const float current[3] = {m.currentX, m.currentY, m.currentZ};
    const float target[3] = {x, y, z};
    const int a = kPlaneAxes[m.plane][0];
    const int b = kPlaneAxes[m.plane][1];
    // Start and end in program units.
    const double fa = axisFactor(a);
    const double fb = axisFactor(b);
    const double s1 = current[a] / fa;
    const double s2 = current[b] / fb;
    const double e1 = target[a] / fa;
    const double e2 = target[b] / fb;
    const double chord = std::hypot(e1 - s1, e2 - s2);
    if (!(chord > 0.0) || !std::isfinite(chord) || !(radius != 0.0) || !std::isfinite(radius))
        return false;
    const double half = chord / 2.0;
    double h = 0.0;
    if (std::fabs(radius) < half) {
        if ((half - std::fabs(radius)) * m.unitFactor > 0.001)
            return false;
    } else {
        h = std::sqrt(radius * radius - half * half);
    }
    // Unit vector along the bisector, a quarter turn from the chord.
    const double u1 = -(e2 - s2) / chord;
    const double u2 = (e1 - s1) / chord;
    const double m1 = (s1 + e1) / 2.0;
    const double m2 = (s2 + e2) / 2.0;

    const bool cw = routineClockwise(m.plane, clockwise);
    double bestSpan = 0.0;
    for (int side = 0; side < 2; ++side) {
        const double sign = side == 0 ? 1.0 : -1.0;
        const double c1 = m1 + sign * h * u1 - s1;
        const double c2 = m2 + sign * h * u2 - s2;
        const ArcPlan plan = planArc(current[a], current[b], target[a], target[b], axisSteps(a, c1),
                                     axisSteps(b, c2), cw, true);
        const double span = std::fabs(static_cast<double>(plan.sweep));
        // At most half a turn for R > 0, more for R < 0: the smaller sweep or
        // the larger, which also decides between two candidates that
        // rounding put on the same side of half a turn.
        const bool better = radius > 0.0 ? span < bestSpan : span > bestSpan;
        if (side == 0 || better) {
            o1 = c1;
            o2 = c2;
            bestSpan = span;
        }
    }
    return true;
}

bool arcMoveCW(std::string_view group, CommandLines& lines)
{
    return arcMove(group, true, lines);
}

bool arcMoveCCW(std::string_view group, CommandLines& lines)
{
    return arcMove(group, false, lines);
}

// A flat XY arc is cut into "PA" chords, the controller's own X/Y moves. A
// helical one changes Z together with X and Y on every chord, which the
// controller can only follow as a staircase: each chord is a stepped move to
// the chord point at the helix's height there.
void arcXY(CommandLines& lines, float x, float y, float z, float i, float j, bool clockwise,
           bool fullCircle)
{
    ModalState& m = modalState;
    ArcPlan plan = planArc(m.currentX, m.currentY, x, y, i, j, clockwise, fullCircle);
    if (z != m.currentZ) {
        const float increment = helixIncrement(m.currentZ, z, plan);
        float running = m.currentZ;
        for (int32_t chord = 0; chord < plan.chords; ++chord) {
            float p1 = 0.0f;
            float p2 = 0.0f;
            plan.next(p1, p2);
            running = running + increment;
            writeSteppedMove(lines, p1, p2, running);
        }
        writeSteppedMove(lines, x, y, z);
        return;
    }

    for (int32_t chord = 0; chord < plan.chords; ++chord) {
        float p1 = 0.0f;
        float p2 = 0.0f;
        plan.next(p1, p2);
        m.currentX = p1;
        m.currentY = p2;
        lines.push_back(positionLine(m.currentX, m.currentY));
        recordCurrentPosition();
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
    const float increment = helixIncrement(linearStart, linearEnd, plan);
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

void arcXZ(CommandLines& lines, float x, float y, float z, float i, float k, bool clockwise,
           bool fullCircle)
{
    const ModalState& m = modalState;
    ArcPlan plan = planArc(m.currentX, m.currentZ, x, z, i, k, clockwise, fullCircle);
    steppedArc(lines, plan, m.currentY, y, x, y, z,
               [](float p1, float, float running, float& cx, float& cy) {
                   cx = p1;
                   cy = running;
               });
}

void arcYZ(CommandLines& lines, float x, float y, float z, float j, float k, bool clockwise,
           bool fullCircle)
{
    const ModalState& m = modalState;
    ArcPlan plan = planArc(m.currentY, m.currentZ, y, z, j, k, clockwise, fullCircle);
    steppedArc(lines, plan, m.currentX, x, x, y, z,
               [](float p1, float, float running, float& cx, float& cy) {
                   cx = running;
                   cy = p1;
               });
}
