// G00 rapid and G01 feed moves, the speed lines of an F word, and the
// staircase that stands for a move changing Z together with X or Y (the
// controller moves X/Y together ("PA") or Z alone ("@ZA"), never all three).
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

namespace {

// The double nearest to 1/6: mm/min to tenths of mm/s, slightly low, so an F
// that is a multiple of 6 comes out one tenth under f / 60 (F600 gives 9.9).
constexpr double kSixth = 1.0 / 6.0;

struct MoveTarget {
    float x, y, z;
    bool hasZ;
    bool hasXY; // an X or a Y anywhere in the block
    bool valid;
};

// Target of a straight move; invalid when a coordinate leaves the
// controller's signed 32-bit step range.
MoveTarget moveTarget(std::string_view group)
{
    const ModalState& s = modalState;
    const bool rel = !s.absoluteMode;
    MoveTarget t{s.currentX, s.currentY, s.currentZ, false, false, true};
    double v = 0.0;
    if (findWord(group, 'X', v))
        t.x = convertX(v, rel, s.currentX);
    if (findWord(group, 'Y', v))
        t.y = convertY(v, rel, s.currentY);
    if (findWord(group, 'Z', v)) {
        t.z = convertZ(v, rel, s.currentZ);
        t.hasZ = true;
    }
    t.hasXY = group.find_first_of("XY") != std::string_view::npos;
    t.valid = fitsSteps(t.x) && fitsSteps(t.y) && fitsSteps(t.z);
    if (!t.valid)
        refuse(ReportReason::OutOfRange);
    else if (t.hasZ && t.hasXY && std::trunc(t.z) != std::trunc(s.currentZ) &&
             !steppedMoveFits(t.x, t.y, t.z))
        t.valid = refuse(ReportReason::TooManyStairs);
    return t;
}

void addCurrentPoint()
{
    const ModalState& s = modalState;
    currentSegment->addPoint(previewScale(s.currentX), previewScale(s.currentY),
                             previewScale(s.currentZ), kKindOwn);
}

// "VS 12.50;" and the like: a speed command with its value in "% 5.2f".
std::string speedLine(std::string_view command, float value)
{
    return std::string(command) + formatFloat(value) + ";";
}

// Steps 3 to 6 shared by G00 and G01.
void moveTo(CommandLines& lines, const MoveTarget& t)
{
    ModalState& s = modalState;
    // A Z word that stays on the current whole step (CAM programs repeat Z
    // on nearly every move) moves X and Y alone: as a staircase the move
    // would bend off its line. The fraction of a step is kept, so that small
    // incremental Z moves still add up.
    const bool sameZStep = t.hasZ && t.hasXY && std::trunc(t.z) == std::trunc(s.currentZ);
    if (!t.hasZ || sameZStep) {
        lines.push_back(positionLine(t.x, t.y));
        s.currentX = t.x;
        s.currentY = t.y;
        s.currentZ = t.z;
    } else if (t.hasXY) {
        writeSteppedMove(lines, t.x, t.y, t.z);
    } else {
        lines.push_back(heightLine(t.z));
        s.currentZ = t.z;
    }
    addCurrentPoint();
    storeSegment(true);
}

// A speed in mm/s after the XY maximum (what the "VS" line carries) and
// after the Z maximum as well (what the "@ZU"/"@ZD" lines carry, and what the
// translator keeps as the feed).
float limitXY(float s)
{
    return s > machineSettings.maxSpeedXY ? machineSettings.maxSpeedXY : s;
}

float limitZ(float s)
{
    return s > machineSettings.maxSpeedZ ? machineSettings.maxSpeedZ : s;
}

// Speed in mm/s, limited to the XY maximum for the "VS" line and to the Z
// maximum for the "@ZU"/"@ZD" lines; returns the value after both limits.
float writeSpeedLines(CommandLines& lines, float s)
{
    s = limitXY(s);
    lines.push_back(speedLine("VS ", s));
    s = limitZ(s);
    lines.push_back(speedLine("@ZU ", s));
    lines.push_back(speedLine("@ZD ", s));
    return s;
}

// The speed an F word asks for, in mm/s before the machine's limits. F
// counts program units per minute: inches under G20. Tenths of mm/s,
// truncated, in extended precision. The product is kept as a long double so
// that an absurd F cannot overflow an int.
float programmedFeed(double f)
{
    const long double mmPerMinute = static_cast<long double>(f) * modalState.unitFactor;
    long double tenths = std::trunc(mmPerMinute * kSixth);
    if (tenths == 0) {
        // Under a tenth (F0, or below 6 mm/min) the machine would be sent a
        // speed of nothing: the slowest speed the lines carry instead.
        tenths = 1;
        noteAltered(ReportReason::SlowFeed);
    }
    return static_cast<float>(tenths * 0.1);
}

bool isNumberStart(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-';
}

} // namespace

bool rapidMove(std::string_view group, CommandLines& lines)
{
    MoveTarget t = moveTarget(group);
    if (!t.valid)
        return false;
    ModalState& s = modalState;
    beginSegment(kKindRapid);
    if (s.currentSpeed != machineSettings.maxSpeedXY) {
        lines.push_back(speedLine("VS ", machineSettings.maxSpeedXY));
        lines.push_back(speedLine("@ZD ", machineSettings.maxSpeedZ));
        lines.push_back(speedLine("@ZU ", machineSettings.maxSpeedZ));
        s.currentSpeed = machineSettings.maxSpeedXY;
    }
    moveTo(lines, t);
    return true;
}

bool feedMove(std::string_view group, CommandLines& lines)
{
    MoveTarget t = moveTarget(group);
    if (!t.valid)
        return false;
    writeFeedSpeed(lines, group);
    beginSegment(kKindFeed);
    moveTo(lines, t);
    return true;
}

void writeFeedSpeed(CommandLines& lines, std::string_view group)
{
    ModalState& s = modalState;
    double f = 0.0;
    if (findWord(group, 'F', f)) {
        const float speed = writeSpeedLines(lines, programmedFeed(f));
        s.currentSpeed = speed;
        s.feedRate = speed;
        s.feedProgrammed = true;
        return;
    }
    noteFeedInForce();
    if (s.currentSpeed == s.feedRate)
        return;
    writeSpeedLines(lines, s.feedRate);
    s.currentSpeed = s.feedRate;
}

bool findFeedWord(std::string_view group, double& value)
{
    const std::size_t pos = group.find('F');
    if (pos == std::string_view::npos || pos + 1 >= group.size() || !isNumberStart(group[pos + 1]))
        return false;
    value = parseWordNumber(group, pos + 1);
    return true;
}

bool takeFeedWord(std::string_view group)
{
    double f = 0.0;
    if (!findFeedWord(group, f))
        return false;
    // The value a feed move's speed lines would leave: after the XY limit
    // and then the Z limit. currentSpeed keeps what the machine was last
    // told, so the next feed move writes the new speed when it differs.
    modalState.feedRate = limitZ(limitXY(programmedFeed(f)));
    modalState.feedProgrammed = true;
    return true;
}

int64_t motorSteps(int axis, float delta)
{
    const MachineSettings& m = machineSettings;
    const float pitch[3] = {m.screwPitchX, m.screwPitchY, m.screwPitchZ};
    const int32_t perRev[3] = {m.stepsPerRevX, m.stepsPerRevY, m.stepsPerRevZ};
    const float perMm[3] = {m.stepsPerMmX, m.stepsPerMmY, m.stepsPerMmZ};
    // Millimetres per motor step, then motor steps of the move.
    const float mm = static_cast<float>(static_cast<long double>(pitch[axis]) / perRev[axis]);
    const float q = static_cast<float>(delta / (static_cast<long double>(perMm[axis]) * mm));
    const float a = std::fabs(q);
    // Settings gone wrong (a zero pitch) count as no step rather than as
    // an undefined conversion.
    return std::isfinite(a) && a < 9.0e18f ? static_cast<int64_t>(a) : 0;
}

namespace {

// X and Y move together in one "PA" command, so the X/Y part of a stair
// counts once: a staircase takes as many stairs as the shorter of its X/Y
// part (the larger of the X and Y counts) and its Z part, so that every stair
// moves about one motor step along the shorter one and the tool stays within
// a step or two of the line. A move along X/Y alone or Z alone takes one
// stair per motor step of that part.
int64_t stairsFor(int64_t nx, int64_t ny, int64_t nz)
{
    const int64_t xy = nx > ny ? nx : ny;
    if (xy != 0 && nz != 0)
        return xy < nz ? xy : nz;
    return xy != 0 ? xy : nz;
}

} // namespace

int64_t stairCount(float x, float y, float z)
{
    const ModalState& s = modalState;
    return stairsFor(motorSteps(0, x - s.currentX), motorSteps(1, y - s.currentY),
                     motorSteps(2, z - s.currentZ));
}

bool steppedMoveFits(float x, float y, float z)
{
    return stairCount(x, y, z) <= kMaxStairs;
}

void writeSteppedMove(CommandLines& lines, float x, float y, float z)
{
    ModalState& s = modalState;
    const float dx = x - s.currentX;
    const float dy = y - s.currentY;
    const float dz = z - s.currentZ;

    const int64_t nx = motorSteps(0, dx);
    const int64_t ny = motorSteps(1, dy);
    const int64_t nz = motorSteps(2, dz);

    int64_t n = stairsFor(nx, ny, nz);
    if (n != 0) {
        // Callers refuse longer moves; this keeps any path bounded anyway.
        if (n > kMaxStairs)
            n = kMaxStairs;
        const float ix = static_cast<float>(static_cast<long double>(dx) / n);
        const float iy = static_cast<float>(static_cast<long double>(dy) / n);
        const float iz = static_cast<float>(static_cast<long double>(dz) / n);
        // Stair k lies at the start plus k increments, formed in double
        // precision: a running float sum drifts off the line by several
        // steps over a long move.
        const double startX = s.currentX;
        const double startY = s.currentY;
        const double startZ = s.currentZ;
        // Whole steps of the last stair written.
        float wholeX = std::trunc(s.currentX);
        float wholeY = std::trunc(s.currentY);
        float wholeZ = std::trunc(s.currentZ);
        for (int64_t k = 1; k <= n; ++k) {
            const double stair = static_cast<double>(k);
            const float px = static_cast<float>(startX + stair * ix);
            const float py = static_cast<float>(startY + stair * iy);
            const float pz = static_cast<float>(startZ + stair * iz);
            // A stair is written only where both its X/Y and its Z land on
            // another whole machine step than the last stair written.
            if (k != n) {
                if (std::trunc(pz) == wholeZ)
                    continue;
                if (std::trunc(px) == wholeX && std::trunc(py) == wholeY)
                    continue;
            }
            s.currentX = px;
            s.currentY = py;
            s.currentZ = pz;
            wholeX = std::trunc(px);
            wholeY = std::trunc(py);
            wholeZ = std::trunc(pz);
            lines.push_back(positionLine(px, py));
            lines.push_back(heightLine(pz));
            addCurrentPoint();
        }
    }
    // The last stair may end a little short of the target.
    if (std::trunc(x) != std::trunc(s.currentX) || std::trunc(y) != std::trunc(s.currentY))
        lines.push_back(positionLine(x, y));
    // Likewise for Z: the machine must end at the height we believe it is at.
    if (std::trunc(z) != std::trunc(s.currentZ))
        lines.push_back(heightLine(z));
    s.currentX = x;
    s.currentY = y;
    s.currentZ = z;
    currentSegment->addPoint(previewScale(x), previewScale(y), previewScale(z), kKindOwn);
}
