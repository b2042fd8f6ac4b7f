// G00 rapid and G01 feed moves, the speed lines of an F word, and the
// staircase that stands for a move changing Z together with X or Y (the
// controller moves X/Y together ("PA") or Z alone ("@ZA"), never all three).
#include <cmath>
#include <cstdint>

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
    return t;
}

std::string positionLine(float x, float y)
{
    return "PA " + formatInt(truncSteps(x)) + "," + formatInt(truncSteps(y)) + ";";
}

std::string zLine(float z)
{
    return "@ZA " + formatInt(truncSteps(z)) + ";";
}

void startSegment(int32_t kind)
{
    const ModalState& s = modalState;
    currentSegment = std::make_unique<trajectoire>(
        previewScale(s.currentX), previewScale(s.currentY), previewScale(s.currentZ), kind);
}

void addCurrentPoint()
{
    const ModalState& s = modalState;
    currentSegment->addPoint(previewScale(s.currentX), previewScale(s.currentY),
                             previewScale(s.currentZ), kKindOwn);
}

// Steps 3 to 6 shared by G00 and G01.
void moveTo(CommandLines& lines, const MoveTarget& t)
{
    ModalState& s = modalState;
    if (!t.hasZ) {
        lines.push_back(positionLine(t.x, t.y));
        s.currentX = t.x;
        s.currentY = t.y;
    } else if (t.hasXY) {
        writeSteppedMove(lines, t.x, t.y, t.z);
    } else {
        lines.push_back(zLine(t.z));
        s.currentZ = t.z;
    }
    addCurrentPoint();
    trajectoryStore->addSegment(*currentSegment);
    currentSegment.reset();
}

// Speed in mm/s, limited to the XY maximum for the "VS" line and to the Z
// maximum for the "@ZU"/"@ZD" lines; returns the value after both limits.
float writeSpeedLines(CommandLines& lines, float s)
{
    if (s > machineSettings.maxSpeedXY)
        s = machineSettings.maxSpeedXY;
    lines.push_back("VS " + formatFloat(s) + ";");
    if (s > machineSettings.maxSpeedZ)
        s = machineSettings.maxSpeedZ;
    lines.push_back("@ZU " + formatFloat(s) + ";");
    lines.push_back("@ZD " + formatFloat(s) + ";");
    return s;
}

} // namespace

CommandLines rapidMove(std::string group)
{
    MoveTarget t = moveTarget(group);
    if (!t.valid)
        return CommandLines{kErrorLine};
    ModalState& s = modalState;
    CommandLines lines;
    startSegment(kKindRapid);
    if (s.currentSpeed != machineSettings.maxSpeedXY) {
        lines.push_back("VS " + formatFloat(machineSettings.maxSpeedXY) + ";");
        lines.push_back("@ZD " + formatFloat(machineSettings.maxSpeedZ) + ";");
        lines.push_back("@ZU " + formatFloat(machineSettings.maxSpeedZ) + ";");
        s.currentSpeed = machineSettings.maxSpeedXY;
    }
    moveTo(lines, t);
    return lines;
}

CommandLines feedMove(std::string group)
{
    MoveTarget t = moveTarget(group);
    if (!t.valid)
        return CommandLines{kErrorLine};
    CommandLines lines;
    writeFeedSpeed(lines, group);
    startSegment(kKindFeed);
    moveTo(lines, t);
    return lines;
}

void writeFeedSpeed(CommandLines& lines, std::string_view group)
{
    ModalState& s = modalState;
    double f = 0.0;
    if (findWord(group, 'F', f)) {
        // Tenths of mm/s, truncated, in extended precision. The product is
        // kept as a long double so that an absurd F cannot overflow an int.
        long double tenths = std::trunc(static_cast<long double>(f) * kSixth);
        if (tenths == 0)
            tenths = 0; // a whole number of tenths: never "-0.00"
        float speed = static_cast<float>(tenths * 0.1);
        speed = writeSpeedLines(lines, speed);
        s.currentSpeed = speed;
        s.feedRate = speed;
        return;
    }
    if (s.currentSpeed == s.feedRate)
        return;
    writeSpeedLines(lines, s.feedRate);
    s.currentSpeed = s.feedRate;
}

void writeSteppedMove(CommandLines& lines, float x, float y, float z)
{
    ModalState& s = modalState;
    const MachineSettings& m = machineSettings;
    const float dx = x - s.currentX;
    const float dy = y - s.currentY;
    const float dz = z - s.currentZ;

    // Millimetres per motor step, then motor steps of each axis.
    const float mx = static_cast<float>(static_cast<long double>(m.screwPitchX) / m.stepsPerRevX);
    const float my = static_cast<float>(static_cast<long double>(m.screwPitchY) / m.stepsPerRevY);
    const float mz = static_cast<float>(static_cast<long double>(m.screwPitchZ) / m.stepsPerRevZ);
    const float qx = static_cast<float>(dx / (static_cast<long double>(m.stepsPerMmX) * mx));
    const float qy = static_cast<float>(dy / (static_cast<long double>(m.stepsPerMmY) * my));
    const float qz = static_cast<float>(dz / (static_cast<long double>(m.stepsPerMmZ) * mz));
    auto count = [](float q) -> int64_t {
        float a = std::fabs(q);
        // Both ends lie inside the 32-bit step range, so a count fits in
        // 64 bits; anything else (settings gone wrong) counts as no step.
        return std::isfinite(a) && a < 9.0e18f ? static_cast<int64_t>(a) : 0;
    };
    const int64_t nx = count(qx);
    const int64_t ny = count(qy);
    const int64_t nz = count(qz);

    int64_t n = nx + ny + nz;
    if (n != 0) {
        // The smallest count that is not zero sets the number of stairs.
        if (nx != 0 && n >= nx)
            n = nx;
        if (ny != 0 && n >= ny)
            n = ny;
        if (nz != 0 && n >= nz)
            n = nz;
        const float ix = static_cast<float>(static_cast<long double>(dx) / n);
        const float iy = static_cast<float>(static_cast<long double>(dy) / n);
        const float iz = static_cast<float>(static_cast<long double>(dz) / n);
        float px = s.currentX;
        float py = s.currentY;
        float pz = s.currentZ;
        for (int64_t k = 1; k <= n; ++k) {
            px = px + ix;
            py = py + iy;
            pz = pz + iz;
            // A stair is written only where both its X/Y and its Z land on
            // another whole machine step than the last stair written.
            const bool xyMoved = std::trunc(px) != std::trunc(s.currentX) ||
                                 std::trunc(py) != std::trunc(s.currentY);
            const bool zMoved = std::trunc(pz) != std::trunc(s.currentZ);
            if (k == n || (xyMoved && zMoved)) {
                s.currentX = px;
                s.currentY = py;
                s.currentZ = pz;
                lines.push_back(positionLine(px, py));
                lines.push_back(zLine(pz));
                addCurrentPoint();
            }
        }
    }
    // The running sums may end a little short of the target.
    if (std::trunc(x) != std::trunc(s.currentX) || std::trunc(y) != std::trunc(s.currentY))
        lines.push_back(positionLine(x, y));
    // Likewise for Z: the machine must end at the height we believe it is at.
    if (std::trunc(z) != std::trunc(s.currentZ))
        lines.push_back(zLine(z));
    s.currentX = x;
    s.currentY = y;
    s.currentZ = z;
    currentSegment->addPoint(previewScale(x), previewScale(y), previewScale(z), kKindOwn);
}
