// The extent of the recorded path and the travel check.
#include "engine/Extent.h"

#include <algorithm>
#include <limits>

#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

namespace {

// In the store's units (machine steps x 0.025; Z as the program counts it,
// up).
struct Box {
    float min[3];
    float max[3];
};

Box box;
bool boxEmpty = true;
// The travel of each axis in the store's units; 0 when not checked.
float travelLimit[3] = {0.0f, 0.0f, 0.0f};
bool checkingTravel = false;
TravelExcess found;


double toMm(double stored, float stepsPerMm)
{
    return stored / 0.025 / static_cast<double>(stepsPerMm);
}

float stepsPerMm(int axis)
{
    const MachineSettings& m = machineSettings;
    return axis == 0 ? m.stepsPerMmX : axis == 1 ? m.stepsPerMmY : m.stepsPerMmZ;
}

} // namespace

bool travelExcessPending = false;

void resetExtent()
{
    boxEmpty = true;
    const MachineSettings& m = machineSettings;
    const float travel[3] = {m.travelX, m.travelY, m.travelZ};
    bool any = false;
    for (int a = 0; a < 3; ++a) {
        travelLimit[a] = travel[a] > 0.0f ? previewScale(travel[a] * stepsPerMm(a)) : 0.0f;
        any = any || travelLimit[a] > 0.0f;
    }
    checkingTravel = any;
    travelExcessPending = false;
}

void extendExtent(const trajectoire& segment, bool straight)
{
    const std::vector<tpoint1>& points = segment.getPoints();
    if (points.empty())
        return;
    if (boxEmpty) {
        const tpoint1& p = points.front();
        box = Box{{p.x, p.y, p.z}, {p.x, p.y, p.z}};
        boxEmpty = false;
    }
    // In locals, so that the compiler keeps them in registers.
    Box b = box;
    const auto take = [&b](const tpoint1& p) {
        b.min[0] = std::min(b.min[0], p.x);
        b.max[0] = std::max(b.max[0], p.x);
        b.min[1] = std::min(b.min[1], p.y);
        b.max[1] = std::max(b.max[1], p.y);
        b.min[2] = std::min(b.min[2], p.z);
        b.max[2] = std::max(b.max[2], p.z);
    };
    if (straight) {
        take(points.front());
        take(points.back());
    } else {
        for (const tpoint1& p : points)
            take(p);
    }
    box = b;
    if (!checkingTravel)
        return;
    for (int a = 0; a < 3; ++a) {
        const float span = box.max[a] - box.min[a];
        if (travelLimit[a] > 0.0f && span > travelLimit[a]) {
            const MachineSettings& m = machineSettings;
            const float travel[3] = {m.travelX, m.travelY, m.travelZ};
            found.axis = static_cast<char>('X' + a);
            found.travel = travel[a];
            found.by = toMm(span, stepsPerMm(a)) - travel[a];
            checkingTravel = false;
            travelExcessPending = true;
            return;
        }
    }
}

ProgramExtent runExtent()
{
    ProgramExtent e;
    if (boxEmpty)
        return e;
    e.empty = false;
    e.minX = toMm(box.min[0], stepsPerMm(0));
    e.maxX = toMm(box.max[0], stepsPerMm(0));
    e.minY = toMm(box.min[1], stepsPerMm(1));
    e.maxY = toMm(box.max[1], stepsPerMm(1));
    e.minZ = toMm(box.min[2], stepsPerMm(2));
    e.maxZ = toMm(box.max[2], stepsPerMm(2));
    return e;
}

bool takeTravelExcess(TravelExcess& excess)
{
    if (!travelExcessPending)
        return false;
    travelExcessPending = false;
    excess = found;
    return true;
}
