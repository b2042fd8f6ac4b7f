// Drilling cycles (G73, G81, G82, G83), their modal repeat and G80.
//
// The PROFILER has no cycle command: each hole is written as a positioning
// move, an approach to the retract plane, the drilling itself (in one go,
// with a dwell at the bottom, or in pecks) and the return to the retract
// plane. G81 and G82 drill in one go (with the dwell of a P word); G83 and
// G73 in pecks of the depth Q, G83 clearing the chips at the retract plane
// after each peck, G73 only breaking them by a short rise.
//
// Under G99 a hole ends at the retract plane; under G98 at the height the
// tool had when the cycle mode began, when that is higher (clear of clamps),
// and the tool moves to the next hole there. While the cycle mode lasts, a
// cycle block without Z or R drills to the depth and from the plane of the
// previous block, as PCB drilling programs that repeat the cycle code on
// every hole expect. A peck cycle without Q pecks by the last Q of the run.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

namespace {

// Bounds that keep one word group to a finite amount of machine work. L
// counts holes, and the depth over Q the pecks of one hole: a real program
// drills a row of tens or hundreds of holes and a deep hole in tens of
// pecks. Larger values are almost always a mistyped word or one written for
// another control and are rejected (reported) instead of being turned into
// hours of motion.
constexpr float kMaxCycleRepeat = 1000.0f;
constexpr long double kMaxPecks = 1000.0L;

// Between pecks the tool comes back down (G83) or rises (G73) to 0.010 inch
// above the depth reached, in inch and millimetre programs alike.
constexpr long double kPeckClearanceMm = 0.254L;

float narrow(long double value)
{
    return static_cast<float>(value);
}

// F in program units per minute (millimetres, or inches under G20) to
// millimetres per second, cut down to a tenth: F100 gives 1.6 and F120 gives
// 2.0. The sixth is taken in extended precision here (the speed lines of the
// moves use a slightly smaller one).
float cycleFeed(double f)
{
    const long double mmPerMinute = static_cast<long double>(f) * modalState.unitFactor;
    long double tenths = std::trunc(mmPerMinute * (1.0L / 6.0L));
    if (tenths == 0) {
        // No speed at all: the slowest the speed lines carry.
        tenths = 1;
        noteAltered(ReportReason::SlowFeed);
    }
    float feed = narrow(tenths * 0.1L);
    if (feed > machineSettings.maxSpeedXY)
        feed = machineSettings.maxSpeedXY;
    return feed;
}

bool fitsInt32(double value)
{
    return std::isfinite(value) && value > -2147483649.0 && value < 2147483648.0;
}

std::string zUpSpeed(float speed)
{
    return "@ZU " + formatFloat(speed) + ";";
}

std::string zDownSpeed(float speed)
{
    return "@ZD " + formatFloat(speed) + ";";
}

// Records (hole, z): the hole is the current X and Y.
void record(trajectoire& segment, float z, int32_t kind)
{
    segment.addPoint(previewScale(modalState.currentX), previewScale(modalState.currentY),
                     previewScale(z), kind);
}

// Stores the piece drawn so far and goes on with a piece of another kind that
// starts at (hole, z).
void switchPiece(trajectoire& segment, float z, int32_t kind)
{
    trajectoryStore->addSegment(segment);
    segment.clearPoints();
    segment.setKind(kind);
    record(segment, z, kind);
}

// Number of repetitions drillHoles runs for the stored repeat count.
int32_t repetitions(float repeat)
{
    if (!(repeat >= 1.0f))
        return 0;
    return static_cast<int32_t>(std::fmin(repeat, kMaxCycleRepeat));
}

// Checks, before anything is written, that every hole of the row lands in
// the step range, following moveToHole's arithmetic.
bool holesFit(float x, float y, float repeat)
{
    const ModalState& m = modalState;
    float holeX = m.currentX;
    float holeY = m.currentY;
    const int32_t count = repetitions(repeat);
    for (int32_t k = 0; k < count; ++k) {
        holeY = m.absoluteMode ? y : holeY + y;
        holeX = m.absoluteMode ? x : holeX + x;
        if (!fitsSteps(holeX) || !fitsSteps(holeY))
            return refuse(ReportReason::OutOfRange);
        if (m.absoluteMode)
            break;
    }
    return true;
}

// The height each hole ends at. The comparison is made on whole machine
// steps, as the approach's: an initial level less than a step above the
// retract plane is the retract plane (machine Z counts downwards).
float clearLevel()
{
    const ModalState& m = modalState;
    if (m.retractToInitial && truncSteps(m.cycleInitialZ) < truncSteps(m.cycleRetractZ))
        return m.cycleInitialZ;
    return m.cycleRetractZ;
}

void drillInOneGo(CommandLines& lines, trajectoire& segment, float clear)
{
    const ModalState& m = modalState;
    lines.push_back(heightLine(m.cycleBottomZ));
    record(segment, m.cycleBottomZ, kKindFeed);
    switchPiece(segment, m.cycleBottomZ, kKindRapid);
    if (m.cycleDwell != 0)
        lines.push_back("@WT " + formatInt(m.cycleDwell) + ";");
    lines.push_back(heightLine(clear));
    record(segment, clear, kKindRapid);
}

// Each peck drills Q deeper. Between pecks G83 clears the chips at the
// retract plane and comes back down at full speed to just above the depth
// reached; G73 only rises by that clearance. Then the next peck feeds on.
// After the last one the tool leaves the hole to `clear`.
void drillInPecks(CommandLines& lines, trajectoire& segment, float clear)
{
    const ModalState& m = modalState;
    const float bottom = m.cycleBottomZ;
    const float retract = m.cycleRetractZ;
    const double peck = m.cyclePeck;
    const float clearance = narrow(kPeckClearanceMm * machineSettings.stepsPerMmZ);

    // The depth is summed in double precision; a sum that ends a hair short
    // of the bottom is the bottom, not one more, empty peck.
    double reached = retract;
    float depth = retract;
    for (int32_t count = 1;; ++count) {
        reached += peck;
        const bool last = !(reached < bottom - 0.01) || count > kMaxPecks;
        depth = last ? bottom : narrow(reached);
        lines.push_back(heightLine(depth));
        record(segment, depth, kKindFeed);
        if (last)
            break;
        switchPiece(segment, depth, kKindRapid);
        const float resume = narrow(static_cast<long double>(depth) - clearance);
        if (!m.cycleChipBreaking) {
            lines.push_back(heightLine(retract));
            record(segment, retract, kKindRapid);
            lines.push_back(zDownSpeed(machineSettings.maxSpeedZ));
        }
        lines.push_back(heightLine(resume));
        record(segment, resume, kKindRapid);
        switchPiece(segment, resume, kKindFeed);
        if (!m.cycleChipBreaking)
            lines.push_back(zDownSpeed(m.feedRate));
    }

    switchPiece(segment, depth, kKindRapid);
    lines.push_back(heightLine(clear));
    record(segment, clear, kKindRapid);
}

void runCycle(CommandLines& lines, float x, float y)
{
    beginSegment(kKindRapid);
    drillHoles(lines, *currentSegment, x, y);
    storeSegment();
}

} // namespace

bool drillCycle(std::string_view group, CommandLines& lines, bool continuesCycle, int32_t code)
{
    ModalState& m = modalState;
    const bool absolute = m.absoluteMode;
    float x = absolute ? m.currentX : 0.0f;
    float y = absolute ? m.currentY : 0.0f;
    float repeat = 1.0f;
    int32_t dwellTime = 0;
    float peck = 0.0f;
    float feed = m.feedRate;
    // Without a Z or R word of its own (or one kept from the previous block
    // of the same cycle mode) the depth and the plane are the current height.
    CycleWord zWord = continuesCycle ? m.cycleZWord : CycleWord{};
    CycleWord rWord = continuesCycle ? m.cycleRWord : CycleWord{};

    double value = 0.0;
    if (findWord(group, 'L', value))
        repeat = static_cast<float>(std::trunc(value));
    if (findWord(group, 'P', value)) {
        if (!fitsInt32(std::trunc(value)))
            return refuse(ReportReason::ValueOutOfRange);
        dwellTime = static_cast<int32_t>(std::trunc(value));
    }
    // Q is the depth of one peck, in program units like Z, whatever its
    // sign; G81 and G82 have none.
    const bool pecking = code == 83 || code == 73;
    const bool hasQ = pecking && findWord(group, 'Q', value);
    if (hasQ)
        peck = std::fabs(stepsZ(value));
    else if (pecking && m.hasPeckDepth)
        peck = m.peckDepth;
    else if (pecking)
        return refuse(ReportReason::NoPeckDepth);
    if (pecking && !(peck > 0.0f && std::isfinite(peck)))
        return refuse(ReportReason::ValueOutOfRange);
    if (findWord(group, 'X', value))
        x = stepsX(value);
    if (findWord(group, 'Y', value))
        y = stepsY(value);
    if (findWord(group, 'Z', value))
        zWord = CycleWord{true, stepsZ(value), !absolute};
    if (findWord(group, 'R', value))
        rWord = CycleWord{true, stepsZ(value), !absolute};
    const bool hasFeed = findWord(group, 'F', value);
    if (hasFeed)
        feed = cycleFeed(value);
    else
        noteFeedInForce();

    // The R word before its distance mode: the current height in absolute
    // mode and 0 in incremental mode when there is none.
    const float r = rWord.present ? rWord.steps : absolute ? m.currentZ : 0.0f;
    // An incremental R counts from the tool's height, an incremental Z from
    // the retract plane: "R1 Z-3" drills 3 below a plane 1 above the tool.
    // Without either word the plane and the depth are the tool's height.
    const float retract = !rWord.present   ? m.currentZ
                          : rWord.relative ? m.currentZ + rWord.steps
                                           : rWord.steps;
    const float bottom = !zWord.present   ? m.currentZ
                         : zWord.relative ? retract + zWord.steps
                                          : zWord.steps;
    if (!(repeat <= kMaxCycleRepeat) ||
        (pecking && !((static_cast<long double>(bottom) - retract) / peck <= kMaxPecks)))
        return refuse(ReportReason::ValueOutOfRange);
    if (!fitsSteps(bottom) || !fitsSteps(retract) || !holesFit(x, y, repeat))
        return refuse(ReportReason::OutOfRange);

    if (!continuesCycle)
        m.cycleInitialZ = m.currentZ;
    m.cycleZWord = zWord;
    m.cycleRWord = rWord;
    m.cycleRepeat = repeat;
    m.cycleDwell = dwellTime;
    m.cyclePeck = peck;
    m.cycleChipBreaking = code == 73;
    if (hasQ) {
        m.peckDepth = peck;
        m.hasPeckDepth = true;
    }
    m.cycleR = r;
    m.cycleBottomZ = bottom;
    m.cycleRetractZ = retract;
    m.feedRate = feed;
    m.feedProgrammed = m.feedProgrammed || hasFeed;

    lines.push_back(zUpSpeed(machineSettings.maxSpeedZ));
    lines.push_back(zDownSpeed(m.feedRate));
    runCycle(lines, x, y);
    return true;
}

bool repeatDrillCycle(std::string_view group, CommandLines& lines)
{
    ModalState& m = modalState;
    float x = m.absoluteMode ? m.currentX : 0.0f;
    float y = m.absoluteMode ? m.currentY : 0.0f;
    double value = 0.0;
    if (findWord(group, 'X', value))
        x = stepsX(value);
    if (findWord(group, 'Y', value))
        y = stepsY(value);
    const bool hasFeed = findWord(group, 'F', value);
    const float feed = hasFeed ? cycleFeed(value) : m.feedRate;
    if (!holesFit(x, y, m.cycleRepeat))
        return refuse(ReportReason::OutOfRange);
    if (!hasFeed)
        noteFeedInForce();

    // A new F drills this hole and the next ones at that feed, with the
    // speed lines a cycle block writes.
    if (hasFeed) {
        m.feedRate = feed;
        m.feedProgrammed = true;
        lines.push_back(zUpSpeed(machineSettings.maxSpeedZ));
        lines.push_back(zDownSpeed(m.feedRate));
    }
    runCycle(lines, x, y);
    return true;
}

void cancelDrillCycle(CommandLines& lines)
{
    lines.push_back(zUpSpeed(machineSettings.maxSpeedZ));
    lines.push_back(zDownSpeed(machineSettings.maxSpeedZ));
}

// Each repetition moves by (x, y) in incremental mode, so a row of holes is
// evenly spaced; in absolute mode every repetition drills the same hole.
void drillHoles(CommandLines& lines, trajectoire& segment, float x, float y)
{
    ModalState& m = modalState;
    const int32_t count = repetitions(m.cycleRepeat);
    // A tool below the retract plane (in the part, or in a hole) first goes
    // straight up to it: moving to the hole at its height would drag it
    // through the part. Every cycle block sets the Z-up speed to the rapid
    // one, and nothing in a cycle mode changes it.
    if (count > 0 && truncSteps(m.currentZ) > truncSteps(m.cycleRetractZ)) {
        m.currentZ = m.cycleRetractZ;
        lines.push_back(heightLine(m.currentZ));
        record(segment, m.currentZ, kKindRapid);
    }
    for (int32_t k = 0; k < count; ++k) {
        moveToHole(lines, segment, x, y);

        // Approach only from above the retract plane (machine Z grows
        // downwards); a tool on it drills from where it is.
        if (truncSteps(m.currentZ) < truncSteps(m.cycleRetractZ)) {
            lines.push_back(zDownSpeed(machineSettings.maxSpeedZ));
            lines.push_back(heightLine(m.cycleRetractZ));
            lines.push_back(zDownSpeed(m.feedRate));
            record(segment, m.cycleRetractZ, kKindRapid);
        }
        switchPiece(segment, m.cycleRetractZ, kKindFeed);

        const float clear = clearLevel();
        if (m.cyclePeck == 0.0f)
            drillInOneGo(lines, segment, clear);
        else
            drillInPecks(lines, segment, clear);
        m.currentZ = clear;
    }
}

void moveToHole(CommandLines& lines, trajectoire& segment, float x, float y)
{
    ModalState& m = modalState;
    m.currentY = m.absoluteMode ? y : m.currentY + y;
    m.currentX = m.absoluteMode ? x : m.currentX + x;
    if (m.currentSpeed != machineSettings.maxSpeedXY) {
        m.currentSpeed = machineSettings.maxSpeedXY;
        lines.push_back("@VS " + formatFloat(machineSettings.maxSpeedXY) + ";");
    }
    lines.push_back(positionLine(m.currentX, m.currentY));
    record(segment, m.currentZ, kKindRapid);
}
