// The word dispatcher and the modal state.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "engine/Extent.h"
#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

ModalState modalState;
MachineSettings machineSettings;
std::unique_ptr<piece> trajectoryStore = std::make_unique<piece>();
std::unique_ptr<trajectoire> currentSegment;
bool keepToolPath = true;
ReportReason groupReason = ReportReason::None;
ReportReason groupNote = ReportReason::None;

namespace {

// The segment object of the last stored move, kept for the next one.
std::unique_ptr<trajectoire> spareSegment;

} // namespace

void beginSegment(int32_t kind)
{
    const ModalState& s = modalState;
    const float x = previewScale(s.currentX);
    const float y = previewScale(s.currentY);
    const float z = previewScale(s.currentZ);
    if (spareSegment) {
        currentSegment = std::move(spareSegment);
        currentSegment->restart(x, y, z, kind);
    } else {
        currentSegment = std::make_unique<trajectoire>(x, y, z, kind);
    }
}

void storeSegment(bool straight)
{
    trajectoryStore->addSegment(*currentSegment);
    extendExtent(*currentSegment, straight);
    spareSegment = std::move(currentSegment);
}

void storeMachineSegment()
{
    trajectoryStore->addMachineSegment(*currentSegment);
    spareSegment = std::move(currentSegment);
}

void resetTranslator()
{
    // Every run starts from the same state, whatever the last one left: the
    // feed, the cycle's words, G98/G99 and the distance mode included.
    modalState = ModalState{};
    // The tool starts 10 mm above the program's zero (machine Z counts down).
    modalState.currentZ =
        static_cast<float>(-10.0L * static_cast<long double>(machineSettings.stepsPerMmZ));
    modalState.currentSpeed = machineSettings.maxSpeedXY;
    trajectoryStore =
        keepToolPath ? std::make_unique<piece>() : std::make_unique<piece>(piece::Discarding{});
    resetExtent();
}

void noteFeedInForce()
{
    ModalState& s = modalState;
    if (!s.feedProgrammed && s.startFeed == StartFeedNote::None)
        s.startFeed = StartFeedNote::Pending;
}

void resetEngineForProgramStart()
{
    modalState = ModalState{};
    machineSettings = MachineSettings{};
    keepToolPath = true;
    trajectoryStore = std::make_unique<piece>();
    currentSegment.reset();
}

namespace {

// One look at the group gives everything the dispatcher decides on.
struct GroupScan {
    std::size_t firstM = std::string_view::npos;
    std::size_t firstG = std::string_view::npos;
    bool hasAxis = false;    // an X, Y or Z word
    bool hasComment = false; // the "(" left by the block reader
    // Parameters (#), expressions ([), polar coordinates (@ radius, ^
    // angle), negative feeds and over-long numbers are not translated:
    // reading them as 0 would send the tool to machine zero, and leaving a
    // polar word out would drill or cut every point of a pattern in one place.
    bool untranslatable = false;
    ReportReason refusal = ReportReason::None; // why, the first such word's
    bool hasFeed = false; // an F letter
    bool hasToolOrSpeed = false; // a T or an S letter
    // A word of an axis the machine does not have: the rotary axes A, B, C
    // and the secondary linear axes U, V, W (the letter and a number).
    bool otherAxis = false;
};

enum ByteClass : uint8_t {
    kOther,
    kNumber,
    kLetterM,
    kLetterG,
    kAxis,
    kComment,
    kUntranslatable,
    kFeed,
    kOtherAxis,
    kToolOrSpeed,
};

constexpr std::array<uint8_t, 256> makeByteClasses()
{
    std::array<uint8_t, 256> classes{};
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        classes[i] = isNumberChar(c)                                ? kNumber
                     : c == 'M'                                     ? kLetterM
                     : c == 'G'                                     ? kLetterG
                     : c == 'X' || c == 'Y' || c == 'Z'             ? kAxis
                     : c == '('                                     ? kComment
                     : c == '#' || c == '[' || c == '@' || c == '^' ? kUntranslatable
                     : c == 'F'                                     ? kFeed
                     : c == 'T' || c == 'S'                         ? kToolOrSpeed
                     : c == 'A' || c == 'B' || c == 'C' || c == 'U' || c == 'V' || c == 'W'
                         ? kOtherAxis
                         : kOther;
    }
    return classes;
}

constexpr std::array<uint8_t, 256> kByteClass = makeByteClasses();

void untranslatable(GroupScan& scan, ReportReason reason)
{
    if (!scan.untranslatable)
        scan.refusal = reason;
    scan.untranslatable = true;
}

GroupScan scanGroup(std::string_view group)
{
    GroupScan scan;
    std::size_t run = 0;
    for (std::size_t i = 0; i < group.size(); ++i) {
        const uint8_t kind = kByteClass[static_cast<unsigned char>(group[i])];
        if (kind == kNumber) {
            if (++run > kMaxNumberLength)
                untranslatable(scan, ReportReason::LongNumber);
            continue;
        }
        run = 0;
        switch (kind) {
        case kLetterM:
            if (scan.firstM == std::string_view::npos)
                scan.firstM = i;
            break;
        case kLetterG:
            if (scan.firstG == std::string_view::npos)
                scan.firstG = i;
            break;
        case kAxis:
            scan.hasAxis = true;
            break;
        case kComment:
            scan.hasComment = true;
            break;
        case kUntranslatable:
            untranslatable(scan, group[i] == '#' || group[i] == '[' ? ReportReason::Parameter
                                                                    : ReportReason::PolarCoordinate);
            break;
        case kFeed:
            scan.hasFeed = true;
            // A negative feed has no meaning: the machine would be sent a
            // negative speed ("VS -1.40;").
            if (i + 1 < group.size() && group[i + 1] == '-')
                untranslatable(scan, ReportReason::NegativeFeed);
            break;
        case kToolOrSpeed:
            scan.hasToolOrSpeed = true;
            break;
        case kOtherAxis:
            // Only as a word: the letters of "CALL" or "ABS" are none.
            if (i + 1 < group.size() && isNumberChar(group[i + 1]))
                scan.otherAxis = true;
            break;
        default:
            break;
        }
    }
    return scan;
}

// The G or M number after the letter at `pos`. Codes with a fractional part
// (G91.1, G38.2) are other codes than their integer part and are refused.
bool readCode(std::string_view group, std::size_t pos, long& code)
{
    double v = parseWordNumber(group, pos + 1);
    if (!std::isfinite(v) || std::trunc(v) != v || std::fabs(v) > 1e6)
        return false;
    code = static_cast<long>(v);
    return true;
}

// Sets the motion mode for the handler and puts it back when the handler
// rejects the group, so that a rejected group changes nothing.
template <typename Handler> bool withMotionMode(int32_t mode, Handler&& handler)
{
    int32_t saved = modalState.motionMode;
    modalState.motionMode = mode;
    const bool translated = handler();
    if (!translated)
        modalState.motionMode = saved;
    return translated;
}

bool dispatchM(std::string_view group, std::size_t pos, CommandLines& lines)
{
    long code = 0;
    if (!readCode(group, pos, code))
        return false;
    switch (code) {
    case 2:
        programEndM2(lines);
        return true;
    case 3:
        return spindleOn(group, lines);
    case 5:
        spindleOff(lines);
        return true;
    case 6:
        return toolChange(group, lines);
    case 30:
        programEndM30(lines);
        return true;
    default:
        return false;
    }
}

bool dispatchG(std::string_view group, std::size_t pos, CommandLines& lines)
{
    long code = 0;
    if (!readCode(group, pos, code))
        return false;
    switch (code) {
    case 0:
        return withMotionMode(kMotionRapid, [&] { return rapidMove(group, lines); });
    case 1:
        return withMotionMode(kMotionFeed, [&] { return feedMove(group, lines); });
    case 2:
        return withMotionMode(kMotionArcCW, [&] { return arcMoveCW(group, lines); });
    case 3:
        return withMotionMode(kMotionArcCCW, [&] { return arcMoveCCW(group, lines); });
    case 4:
        return dwell(group, lines);
    case 17:
        modalState.plane = 0;
        return true;
    case 18:
        modalState.plane = 1;
        return true;
    case 19:
        modalState.plane = 2;
        return true;
    case 20:
    case 70:
        modalState.unitFactor = 25.4f;
        return true;
    case 21:
    case 71:
        modalState.unitFactor = 1.0f;
        return true;
    case 28:
    case 30:
        return returnToReference(group, lines);
    case 80:
        return withMotionMode(kMotionRapid, [&] {
            cancelDrillCycle(lines);
            return true;
        });
    case 73:
    case 81:
    case 82:
    case 83: {
        const bool continuesCycle = modalState.motionMode == kMotionDrill;
        return withMotionMode(kMotionDrill, [&] {
            return drillCycle(group, lines, continuesCycle, static_cast<int32_t>(code));
        });
    }
    case 90:
        modalState.absoluteMode = true;
        return true;
    case 91:
        modalState.absoluteMode = false;
        return true;
    case 98:
        modalState.retractToInitial = true;
        return true;
    case 99:
        modalState.retractToInitial = false;
        return true;
    default:
        return false;
    }
}

// A group of coordinates alone continues the current motion.
bool dispatchModal(std::string_view group, CommandLines& lines)
{
    switch (modalState.motionMode) {
    case kMotionRapid:
        return rapidMove(group, lines);
    case kMotionFeed:
        return feedMove(group, lines);
    case kMotionArcCW:
        return arcMoveCW(group, lines);
    case kMotionArcCCW:
        return arcMoveCCW(group, lines);
    case kMotionDrill:
        return repeatDrillCycle(group, lines);
    default:
        return false;
    }
}

bool isModalMode(int32_t mode)
{
    return mode == kMotionRapid || mode == kMotionFeed || mode == kMotionArcCW ||
           mode == kMotionArcCCW || mode == kMotionDrill;
}

// Takes back what a part of a group appended to `lines` since `before` when
// it failed, so that a rejected part writes nothing.
bool settle(CommandLines& lines, std::size_t before, bool translated)
{
    if (!translated)
        lines.truncate(before);
    return translated;
}

// The codes whose handlers read the group's coordinates themselves, wherever
// they stand: the moves, the return to reference and the drilling cycles.
bool isMotionCode(std::string_view group, std::size_t codePos)
{
    if (group[codePos] != 'G')
        return false;
    long code = 0;
    if (!readCode(group, codePos, code))
        return false;
    return (code >= 0 && code <= 3) || code == 28 || code == 30 || code == 73 ||
           (code >= 81 && code <= 83);
}

bool isProgramEnd(std::string_view group, std::size_t codePos)
{
    long code = 0;
    return group[codePos] == 'M' && readCode(group, codePos, code) && (code == 2 || code == 30);
}

GroupOutcome outcomeOf(bool translated)
{
    return translated ? GroupOutcome::Translated : GroupOutcome::Rejected;
}

// The code and the coordinates of a group (the F word and other axes aside).
GroupOutcome dispatchCodeAndMove(std::string_view group, const GroupScan& scan, CommandLines& lines)
{
    const std::size_t before = lines.size();
    const bool hasM = scan.firstM != std::string_view::npos;
    const bool hasG = scan.firstG != std::string_view::npos;
    if (!hasM && !hasG) {
        if (scan.hasAxis && isModalMode(modalState.motionMode))
            return outcomeOf(settle(lines, before, dispatchModal(group, lines)));
        return outcomeOf(scan.hasComment);
    }

    // An M word wins over a G word in the same group.
    const std::size_t codePos = hasM ? scan.firstM : scan.firstG;
    const auto handleCode = [&] {
        return hasM ? dispatchM(group, codePos, lines) : dispatchG(group, codePos, lines);
    };
    // Coordinates in front of the code letter, with no other code letter
    // among them, make a move of their own unless the code's handler reads
    // them.
    const std::string_view leading = group.substr(0, codePos);
    const bool leadingMove = codePos != 0 &&
                             leading.find_first_of("XYZ") != std::string_view::npos &&
                             leading.find_first_of("GM") == std::string_view::npos &&
                             !isMotionCode(group, codePos) && isModalMode(modalState.motionMode);
    if (!leadingMove) // the usual group: one code and its words
        return outcomeOf(settle(lines, before, handleCode()));

    const auto handleMove = [&] {
        const std::size_t start = lines.size();
        return settle(lines, start, dispatchModal(leading, lines));
    };
    const auto handleCodePart = [&] {
        const std::size_t start = lines.size();
        return settle(lines, start, handleCode());
    };
    bool codeDone = false;
    bool moveDone = false;
    if (isProgramEnd(group, codePos)) {
        // The program ends after the block's motion.
        moveDone = handleMove();
        codeDone = handleCodePart();
    } else {
        // Modes, spindle, tool and dwell act before the block's motion.
        codeDone = handleCodePart();
        moveDone = handleMove();
    }
    if (codeDone && moveDone)
        return GroupOutcome::Translated;
    return codeDone || moveDone ? GroupOutcome::Partly : GroupOutcome::Rejected;
}

// Whether the handler of the group reads its F word itself: the feed move,
// the arcs and the drilling cycles, named by their code or continued by
// coordinates alone. The F of G93 (inverse time) or G95 (per revolution) is
// no feed per minute: those codes are not translated, and their F must not
// become one.
bool handlerReadsFeed(std::string_view group, const GroupScan& scan)
{
    const bool hasM = scan.firstM != std::string_view::npos;
    const bool hasG = scan.firstG != std::string_view::npos;
    if (!hasM && !hasG) {
        const int32_t mode = modalState.motionMode;
        return scan.hasAxis && (mode == kMotionFeed || mode == kMotionArcCW ||
                                mode == kMotionArcCCW || mode == kMotionDrill);
    }
    long code = 0;
    if (hasM || !readCode(group, scan.firstG, code))
        return false;
    return (code >= 1 && code <= 3) || code == 73 || (code >= 81 && code <= 83) || code == 93 ||
           code == 95;
}

// A group of F, S and T words and nothing else (but the marks of a comment).
bool onlyLeftOverWords(std::string_view group)
{
    std::size_t i = 0;
    while (i < group.size()) {
        const char c = group[i++];
        if (c == '(' || c == ')')
            continue;
        if (c != 'F' && c != 'S' && c != 'T')
            return false;
        if (i >= group.size() || !isNumberChar(group[i]))
            return false;
        while (i < group.size() && isNumberChar(group[i]))
            ++i;
    }
    return true;
}

// The M code that a group's handler runs (an M word wins over a G word), or
// -1 when the group has none.
long mCodeOf(std::string_view group, const GroupScan& scan)
{
    long code = -1;
    if (scan.firstM == std::string_view::npos || !readCode(group, scan.firstM, code))
        return -1;
    return code;
}

// The T and S words of a group whose handler does not read them (all but
// M06's T and M03's S) select the tool and set the spindle speed. Those of
// a group that is not translated are not taken ("G96 S200" is no spindle
// speed), unless the group has no code at all ("S12000" alone).
bool takeToolAndSpeed(std::string_view group, const GroupScan& scan, GroupOutcome outcome,
                      CommandLines& lines)
{
    const bool hasCode =
        scan.firstM != std::string_view::npos || scan.firstG != std::string_view::npos;
    if (outcome == GroupOutcome::Rejected && hasCode)
        return false;
    const long mCode = mCodeOf(group, scan);
    bool taken = false;
    if (mCode != 6 && takeToolWord(group))
        taken = true;
    if (mCode != 3 && takeSpindleSpeedWord(group, lines))
        taken = true;
    return taken;
}

GroupOutcome dispatchScanned(std::string_view group, CommandLines& lines)
{
    const GroupScan scan = scanGroup(group);
    if (scan.untranslatable) {
        groupReason = scan.refusal;
        return GroupOutcome::Rejected;
    }
    // Decided before the group runs: its code may change the motion mode.
    const bool feedLeftOver = scan.hasFeed && !handlerReadsFeed(group, scan);
    GroupOutcome outcome = dispatchCodeAndMove(group, scan, lines);
    // An F word sets the feed of the feed moves that follow, whatever else
    // the group does: "G20 F6", "G0 X0 Y0 F30", "F16 S3500 M3", "F250."
    // alone. It is read after the group's code, in the units that code may
    // just have set. The F of a code that is not translated ("G94 F100")
    // still takes effect, and the group is reported for its code.
    bool tookWords = feedLeftOver && takeFeedWord(group);
    if (scan.hasToolOrSpeed && takeToolAndSpeed(group, scan, outcome, lines))
        tookWords = true;
    if (tookWords && outcome == GroupOutcome::Rejected)
        outcome = onlyLeftOverWords(group) ? GroupOutcome::Translated : GroupOutcome::Partly;
    // The machine has X, Y and Z only: a rotation or a U, V, W move is left
    // out, and the user is told, while the group's X, Y, Z still move.
    if (scan.otherAxis && outcome == GroupOutcome::Translated) {
        outcome = GroupOutcome::Partly;
        groupReason = ReportReason::OtherAxis;
    }
    return outcome;
}

} // namespace

GroupOutcome dispatchWordGroup(std::string_view group, CommandLines& lines)
{
    groupReason = ReportReason::None;
    groupNote = ReportReason::None;
    GroupOutcome outcome = dispatchScanned(group, lines);
    if (outcome == GroupOutcome::Translated && groupNote != ReportReason::None) {
        outcome = GroupOutcome::Partly;
        groupReason = groupNote;
    }
    if (outcome == GroupOutcome::Translated)
        groupReason = ReportReason::None;
    else if (groupReason == ReportReason::None)
        groupReason = ReportReason::UnsupportedCode;
    return outcome;
}

ReportReason lastGroupReason()
{
    return groupReason;
}

CommandLines dispatchWordGroup(std::string_view group)
{
    CommandLines lines;
    switch (dispatchWordGroup(group, lines)) {
    case GroupOutcome::Translated:
        return lines;
    case GroupOutcome::Rejected:
        return CommandLines{kErrorLine};
    case GroupOutcome::Partly:
        break;
    }
    CommandLines marked{kErrorLine};
    marked.append(lines);
    return marked;
}
