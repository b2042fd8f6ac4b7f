// The program's extent, the box its tool path fills, and the machine's
// travel: both taken from the moves as the run records them, at no cost
// beyond a comparison per recorded point, also when the run keeps no tool
// path.
#pragma once

class trajectoire;

// Millimetres, in the program's own axes (Z up).
struct ProgramExtent {
    bool empty = true; // no move recorded
    double minX = 0.0, maxX = 0.0;
    double minY = 0.0, maxY = 0.0;
    double minZ = 0.0, maxZ = 0.0;
};

// The first move of a run whose path, together with everything before it,
// spans more of an axis than the machine's travel (machineSettings.travelX,
// travelY, travelZ; 0 when unknown). Where the machine's zero lies is the
// operator's choice: a span longer than the travel cannot fit anywhere.
struct TravelExcess {
    char axis = 'X';
    double travel = 0.0; // mm
    double by = 0.0;     // mm beyond the travel
};

// The start of a run: nothing recorded, nothing reported.
void resetExtent();
// Takes the points of a recorded move into the extent. Of a straight move
// (a staircase included: its stairs stay in the box of its two ends, but
// for the rounding of a sum of floats)
// only the first and the last point count, which spares a pass over the
// stairs of every move.
void extendExtent(const trajectoire& segment, bool straight);
// The extent of the moves recorded since resetExtent.
ProgramExtent runExtent();
// The excess of the run's first move that leaves the travel, once: true and
// `excess` filled the first time after that move, false otherwise.
bool takeTravelExcess(TravelExcess& excess);
// Whether takeTravelExcess has something to give: a test cheap enough for
// every line of a run.
extern bool travelExcessPending;
