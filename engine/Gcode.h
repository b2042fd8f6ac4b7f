// The translation engine: the interpreter's modal state, the machine settings,
// the word dispatcher and one handler per G or M code.
//
// The engine is a set of free functions over two global records (modalState,
// machineSettings) and the global tool-path store (trajectoryStore). Every
// handler reads its word group and appends the command lines for the PROFILER
// controller to the run's list. A handler that cannot translate its group
// returns false; the dispatcher then takes back whatever it had appended, so
// a rejected group writes nothing.
//
// Number semantics matter here: positions are 32-bit floats in machine steps,
// products are formed in extended precision (long double) and narrowed when
// stored, and every coordinate is truncated towards zero when written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CommandLines.h"
#include "engine/ReportReason.h"

class piece;
class trajectoire;

// The one line that stands for a rejected word group in a group's own list
// (dispatchWordGroup without an output list).
inline constexpr const char* kErrorLine = "error";

struct MachineSettings {
    std::string editorPath = "c:\\windows\\notepad.exe";
    std::string driverPath = "C:\\Program Files\\Colinbus\\ColiDriveProfiler\\COLUSR.exe";
    float screwPitchX = 5.0f;
    float screwPitchY = 5.0f;
    float screwPitchZ = 5.0f;
    int32_t stepsPerRevX = 200;
    int32_t stepsPerRevY = 200;
    int32_t stepsPerRevZ = 200;
    float stepsPerMmX = 40.0f;
    float stepsPerMmY = 40.0f;
    float stepsPerMmZ = 40.0f;
    float maxSpeedXY = 50.0f;
    float maxSpeedZ = 30.0f;
    float arcPrecision = 0.25f;
    // The machine's travel in mm on each axis; 0 when not known (no check).
    float travelX = 0.0f;
    float travelY = 0.0f;
    float travelZ = 0.0f;
    int32_t language = 0;
};

// Motion modes kept in ModalState::motionMode.
enum MotionMode : int32_t {
    kMotionRapid = 0,
    kMotionFeed = 1,
    kMotionArcCW = 2,
    kMotionArcCCW = 3,
    kMotionDrill = 8,
};

// A Z or R word of a drilling-cycle block as it was read: the converted
// product in machine steps and the distance mode it was read in. While the
// cycle mode lasts, a later cycle block without the word drills as if it had
// been written again.
struct CycleWord {
    bool present = false;
    float steps = 0.0f;
    bool relative = false;
};

// The feed, in mm/s, of the feed moves of a run before its first F word: the
// speed the machine starts at.
inline constexpr float kStartFeed = 5.2f;

enum class StartFeedNote : uint8_t { None, Pending, Reported };

struct ModalState {
    int32_t motionMode = kMotionRapid;
    uint8_t plane = 0; // 0 XY (G17), 1 XZ (G18), 2 YZ (G19)
    float unitFactor = 1.0f;
    bool absoluteMode = true;
    float currentX = 0.0f; // machine steps
    float currentY = 0.0f;
    float currentZ = 0.0f; // machine Z counts downwards
    float currentSpeed = 30.0f;
    float feedRate = kStartFeed; // mm/s until the program's first F
    // An F word has set feedRate in this run.
    bool feedProgrammed = false;
    // A feed move before it ran at the start feed: the run reports its line
    // (Pending) once (Reported).
    StartFeedNote startFeed = StartFeedNote::None;
    float cycleR = 0.0f;
    float cycleRepeat = 0.0f;
    int32_t cycleDwell = 0;
    float cyclePeck = 0.0f; // depth of one peck in machine steps; 0: no pecks
    bool cycleChipBreaking = false; // G73: between pecks a short rise only
    float cycleBottomZ = 0.0f;
    float cycleRetractZ = 0.0f;
    // G98 (true): holes end at the height the tool had when the cycle mode
    // began, cycleInitialZ, when that is above the retract plane. G99
    // (false, the start state of a run): at the retract plane.
    bool retractToInitial = false;
    float cycleInitialZ = 0.0f;
    CycleWord cycleZWord; // the Z and R in force while the cycle mode lasts
    CycleWord cycleRWord;
    // The last Q given to a peck cycle in the run (machine steps, positive):
    // a G83 or G73 without Q pecks by it.
    bool hasPeckDepth = false;
    float peckDepth = 0.0f;
    // Tool and spindle words: the tool a T selected (for the next M06 without
    // T), the spindle speed an S set, whether it still has to be sent, and
    // whether the spindle turns (M03 until M05, M02, M30).
    bool hasSelectedTool = false;
    int32_t selectedTool = 0;
    bool spindleTurning = false;
    bool spindleSpeedPending = false;
    int32_t spindleSpeed = 0;
};

extern ModalState modalState;
extern MachineSettings machineSettings;

// The tool-path store of the last run (never null) and the segment that the
// running motion handler is building.
extern std::unique_ptr<piece> trajectoryStore;
extern std::unique_ptr<trajectoire> currentSegment;

// Whether the runs keep the tool path in trajectoryStore (on by default: the
// preview draws it). The converter turns it off when it writes no tool-path
// file: a million-line program's path is some 70 MB that nobody would read.
extern bool keepToolPath;

// Starts currentSegment at the current position with the given kind.
void beginSegment(int32_t kind);
// Adds currentSegment to the store and ends it. Its memory is kept for the
// next move: a million moves would otherwise cost two heap blocks each.
// `straight`: a straight move or staircase, all of whose points lie in the
// box of its first and last (engine/Extent.h).
void storeSegment(bool straight = false);
// Adds currentSegment to the store as a move of the machine's own (the
// park at the program's end): drawn, but no part of the program's extent
// nor of its travel check.
void storeMachineSegment();

// Start state of a conversion run, the same for every run whatever the last
// one left (its feed, its cycle words); replaces the tool-path store.
void resetTranslator();

// Puts every global of the engine back to its program-start value (tests).
void resetEngineForProgramStart();

// ---- why a group is reported (Gcode_dispatch.cpp) ----
// The reason the group being dispatched is not (wholly) translated: None
// when the dispatch starts; a handler that refuses its group, or a part of
// it, says why through refuse().
extern ReportReason groupReason;
// Notes why the group cannot be translated and returns false, so that a
// handler can `return refuse(ReportReason::OutOfRange);`.
inline bool refuse(ReportReason reason)
{
    groupReason = reason;
    return false;
}
// A feed move, arc or cycle runs at the feed in force: before the run's
// first F word that is the start feed, which the run reports once
// (ModalState::startFeed).
void noteFeedInForce();

// Why part of a group that is translated is carried out otherwise than
// written (a feed too slow for the speed lines, sent as the slowest they
// carry): the group is then reported as partly translated. None when the
// dispatch starts; only a translated group's note counts.
extern ReportReason groupNote;
inline void noteAltered(ReportReason reason)
{
    groupNote = reason;
}

// ---- dispatch (Gcode_dispatch.cpp) ----
// What became of one word group.
enum class GroupOutcome : uint8_t {
    Translated, // its lines were appended
    Rejected,   // nothing was appended and nothing changed: report the group
    Partly,     // lines were appended, yet part of the group was not
                // translated: report the group as well
};
// Translates one word group: appends its command lines to `lines`. A rejected
// group leaves `lines` as it was.
//
// A group whose code is not a motion code keeps the coordinates written in
// front of the code letter ("Z2 S10000 M3", "Z25. M9", "X10 G91"): the code
// is handled first, then those coordinates move the tool in the motion mode
// then in force (for M2 and M30, which end the program, the coordinates come
// first). The group is Partly translated when only one of the two could be.
GroupOutcome dispatchWordGroup(std::string_view group, CommandLines& lines);
// Why the last group given to dispatchWordGroup was rejected or only partly
// translated (UnsupportedCode when no handler said more); None after a
// translated group.
ReportReason lastGroupReason();
// The same with a list of the group's own: the single line "error" when the
// group is rejected, "error" followed by the lines written when it was partly
// translated.
CommandLines dispatchWordGroup(std::string_view group);

// Reads the number (Gcode_numbers.cpp) that starts at `position` with the C library's decimal
// conversion rules (longest valid prefix, 0 when there is none).
double parseWordNumber(std::string_view text, std::size_t position);

// Longest run of number characters ("+-0123456789.") a word may hold.
inline constexpr std::size_t kMaxNumberLength = 27;

// The characters of a word's number: digits, signs and the point.
constexpr bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// ---- machine units and formatting (Gcode_format.cpp) ----
std::string formatInt(int32_t value);
std::string formatFloat(float value);       // C "% 5.2f"
std::string formatHeaderFloat(float value); // C "%5.2f"
// Truncates a position in machine steps towards zero; the caller has checked
// that it fits the controller's signed 32-bit range.
int32_t truncSteps(float value);
bool fitsSteps(float value);
double vectorLength(float a, float b);

// The two move commands of the controller: "PA x,y;" (X and Y together) and
// "@ZA z;" (Z alone), positions truncated to whole machine steps.
LineText positionLine(float x, float y);
LineText heightLine(float z);
double vectorAngle(double x, double y);

// Coordinate conversion of one word value: value x axis factor, narrowed to
// float; in incremental mode added to `current`.
float convertX(double value, bool relative, float current);
float convertY(double value, bool relative, float current);
float convertZ(double value, bool relative, float current);
// The raw products without the distance mode.
float stepsX(double value);
float stepsY(double value);
float stepsZ(double value);

// Finds the first occurrence of `letter`; when present stores its value.
bool findWord(std::string_view group, char letter, double& value);

// Position of the preview: machine steps x 0.025.
inline float previewScale(float steps)
{
    return static_cast<float>(static_cast<long double>(steps) * 0.025);
}

// ---- straight moves (Gcode_moves.cpp) ----
bool rapidMove(std::string_view group, CommandLines& lines);
bool feedMove(std::string_view group, CommandLines& lines);
void writeFeedSpeed(CommandLines& lines, std::string_view group);
// An F word is the letter followed by a number ("F250.", "F-5"); "F#1" and
// the F of a word like "ENDIF" are none. Stores its value when present.
bool findFeedWord(std::string_view group, double& value);
// For a group whose handler does not read F: sets feedRate from the group's
// F word exactly as a feed move's speed lines would (the same conversion and
// limits), and writes nothing. The next feed move then writes the speed
// lines, as currentSpeed still holds the speed the machine was last given.
// False, and nothing changed, when the group holds no F word.
bool takeFeedWord(std::string_view group);
void writeSteppedMove(CommandLines& lines, float x, float y, float z);

// Stairs are counted in motor steps. A move of more stairs than this (50 m
// at 40 steps per millimetre) is refused: it can only come from a damaged or
// mistyped program, and would take minutes and gigabytes to write out.
inline constexpr int64_t kMaxStairs = 2'000'000;
// Motor steps that `delta` machine steps take on axis 0 (X), 1 (Y) or 2 (Z).
int64_t motorSteps(int axis, float delta);
// Number of stairs writeSteppedMove would take from the current position.
int64_t stairCount(float x, float y, float z);
bool steppedMoveFits(float x, float y, float z);

// ---- arcs (Gcode_arcs.cpp) ----
bool arcMoveCW(std::string_view group, CommandLines& lines);
bool arcMoveCCW(std::string_view group, CommandLines& lines);
// The plane routines: `clockwise` in the frame (first axis right, second
// up) of machine steps; `fullCircle` makes an end point equal to the start
// point a whole turn (the offsets form), else a zero sweep.
void arcXY(CommandLines& lines, float x, float y, float z, float i, float j, bool clockwise,
           bool fullCircle);
void arcXZ(CommandLines& lines, float x, float y, float z, float i, float k, bool clockwise,
           bool fullCircle);
void arcYZ(CommandLines& lines, float x, float y, float z, float j, float k, bool clockwise,
           bool fullCircle);
// The centre offsets, in program units along the plane's two axes, of the
// radius-form arc of radius `radius` (program units, R < 0 for more than half
// a turn) from the current position to the target (machine steps) as G02
// (`clockwise`) or G03 turns it. False when the arc has no such circle.
bool radiusArcOffsets(double radius, float x, float y, float z, bool clockwise, double& o1,
                      double& o2);

// ---- drilling cycles (Gcode_drilling.cpp) ----
// `continuesCycle`: the motion mode before this group was already the
// drilling mode (no G80 or other motion code since the last cycle block), so
// an absent Z or R word keeps the previous block's.
// `code`: the cycle's G number, 73, 81, 82 or 83.
bool drillCycle(std::string_view group, CommandLines& lines, bool continuesCycle = false,
                int32_t code = 81);
bool repeatDrillCycle(std::string_view group, CommandLines& lines);
void cancelDrillCycle(CommandLines& lines);
void drillHoles(CommandLines& lines, trajectoire& segment, float x, float y);
void moveToHole(CommandLines& lines, trajectoire& segment, float x, float y);

// ---- return to reference, program, spindle, tool, dwell (Gcode_commands.cpp) ----
bool returnToReference(std::string_view group, CommandLines& lines);
void programEndM2(CommandLines& lines);
void programEndM30(CommandLines& lines);
bool spindleOn(std::string_view group, CommandLines& lines);
void spindleOff(CommandLines& lines);
bool toolChange(std::string_view group, CommandLines& lines);
// For a group other than M06's: a T word selects the tool that the next M06
// without T changes to. False, and nothing changed, when the group holds no
// T word (or one beyond the tool line's range).
bool takeToolWord(std::string_view group);
// For a group other than M03's: an S word sets the spindle speed. While the
// spindle turns (after M03, before M05, M02, M30) "RVS n;" is appended to
// `lines` at once, after the group's own lines; otherwise the next M03
// without S sends it. False, and nothing changed, when the group holds no S
// word (or one beyond 32 bits).
bool takeSpindleSpeedWord(std::string_view group, CommandLines& lines);
bool dwell(std::string_view group, CommandLines& lines);
