// The word dispatcher: one word group to its handler, and the words that
// no handler reads (F, S, T, other axes).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "engine/Extent.h"
#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

ReportReason groupReason = ReportReason::None;
ReportReason groupNote = ReportReason::None;

namespace {

// One look at the group gives everything the dispatcher decides on.
struct GroupScan {
    std::size_t firstM = std::string_view::npos;
    std::size_t firstG = std::string_view::npos;
    bool hasAxis = false;    // an X, Y or Z word
    bool hasComment = false; // the "(" left by the block reader
    int codes = 0;           // G and M letters followed by a number
    // The group's code (an M wins over a G), read once.
    CodeWord code;
    bool codeKnown = false;
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

// The blanks the block reader keeps (it takes out spaces only).
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

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
            scan.codes += i + 1 < group.size() && isNumberChar(group[i + 1]) ? 1 : 0;
            break;
        case kLetterG:
            if (scan.firstG == std::string_view::npos)
                scan.firstG = i;
            scan.codes += i + 1 < group.size() && isNumberChar(group[i + 1]) ? 1 : 0;
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
            // negative speed ("VS -1.40;"), blanks between or not.
            if (std::size_t next = i + 1; next < group.size()) {
                while (next + 1 < group.size() && isBlank(group[next]))
                    ++next;
                if (group[next] == '-')
                    untranslatable(scan, ReportReason::NegativeFeed);
            }
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
    const std::size_t codePos =
        scan.firstM != std::string_view::npos ? scan.firstM : scan.firstG;
    if (codePos != std::string_view::npos)
        scan.codeKnown = readCodeWord(group, codePos, scan.code);
    return scan;
}


// Sets the motion mode for the handler; when the handler rejects the group
// the mode is what a refused motion code leaves.
template <typename Handler> bool withMotionMode(int32_t mode, CodeWord code, Handler&& handler)
{
    modalState.motionMode = mode;
    const bool translated = handler();
    if (!translated)
        enterUntranslatedMotion(code);
    return translated;
}

// A code accepted without effect on this machine (no coolant, no tool
// table, one feed mode...): noted for the run's summary.
bool withoutEffect(CodeWord code)
{
    noteWithoutEffect(code);
    return true;
}

bool hasAxisLetter(std::string_view text)
{
    return text.find_first_of("XYZ") != std::string_view::npos;
}

bool dispatchM(std::string_view group, CodeWord word, CommandLines& lines)
{
    if (word.tenths % 10 != 0)
        return false;
    switch (word.tenths / 10) {
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
        return classifyCode(word).kind == CodeKind::WithoutEffect && withoutEffect(word);
    }
}

// The codes not handled here: accepted without effect, or refused (a motion
// code among them leaving the untranslated mode).
bool otherG(std::string_view group, CodeWord word)
{
    if (classifyCode(word).kind == CodeKind::WithoutEffect) {
        // G53 (machine coordinates) alone changes nothing; moves in them are
        // not translated.
        return !(word.tenths == 530 && hasAxisLetter(group)) && withoutEffect(word);
    }
    if (isMotionGroup(word))
        enterUntranslatedMotion(word);
    return false;
}

bool dispatchG(std::string_view group, CodeWord word, CommandLines& lines)
{
    if (word.tenths % 10 != 0)
        return otherG(group, word);
    const long code = word.tenths / 10;
    switch (code) {
    case 0:
        return withMotionMode(kMotionRapid, word, [&] { return rapidMove(group, lines); });
    case 1:
        return withMotionMode(kMotionFeed, word, [&] { return feedMove(group, lines); });
    case 2:
        return withMotionMode(kMotionArcCW, word, [&] { return arcMoveCW(group, lines); });
    case 3:
        return withMotionMode(kMotionArcCCW, word, [&] { return arcMoveCCW(group, lines); });
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
        return withMotionMode(kMotionRapid, word, [&] {
            cancelDrillCycle(lines);
            return true;
        });
    case 73:
    case 81:
    case 82:
    case 83: {
        const bool continuesCycle = modalState.motionMode == kMotionDrill;
        return withMotionMode(kMotionDrill, word, [&] {
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
        return otherG(group, word);
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
        return refuse(ReportReason::ContinuesUntranslatedMotion);
    }
}

// Takes back what a part of a group appended to `lines` since `before` when
// it failed, so that a rejected part writes nothing.
bool settle(CommandLines& lines, std::size_t before, bool translated)
{
    if (!translated)
        lines.truncate(before);
    return translated;
}

bool isProgramEnd(CodeWord code)
{
    return code.letter == 'M' && (code.tenths == 20 || code.tenths == 300);
}

// The group without its code word ("X10G91" and "G91X10" give "X10").
std::string withoutCodeWord(std::string_view group, std::size_t codePos)
{
    std::size_t end = codePos + 1;
    while (end < group.size() && isNumberChar(group[end]))
        ++end;
    std::string rest(group.substr(0, codePos));
    rest.append(group.substr(end));
    return rest;
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
        if (scan.hasAxis)
            return outcomeOf(settle(lines, before, dispatchModal(group, lines)));
        // A comment, or a line of nothing at all, is no report.
        return outcomeOf(scan.hasComment ||
                         std::all_of(group.begin(), group.end(), [](char c) { return isBlank(c); }));
    }

    // An M word wins over a G word in the same group.
    const std::size_t codePos = hasM ? scan.firstM : scan.firstG;
    const CodeWord code = scan.code;
    const bool known = scan.codeKnown;
    const auto handleCode = [&] {
        return known && (hasM ? dispatchM(group, code, lines) : dispatchG(group, code, lines));
    };
    // Coordinates before or after the code letter, with no other code
    // letter among them, make a move of their own in the motion mode in
    // force, unless the code reads them ("X10 G91", "G43 Z15. H1"). An
    // unsupported G code keeps them (G52, G92, G55 would give them another
    // meaning).
    std::string moveText;
    const bool moveCode = code.letter == 'G' && code.tenths <= 30 && code.tenths % 10 == 0;
    if (scan.hasAxis && known && !moveCode) {
        const CodeClass kind = classifyCode(code);
        const bool keepsAxisWords =
            kind.takesAxisWords || (code.letter == 'G' && kind.kind == CodeKind::Unsupported);
        if (!keepsAxisWords)
            moveText = withoutCodeWord(group, codePos);
    }
    const bool ownMove =
        hasAxisLetter(moveText) && moveText.find_first_of("GM") == std::string::npos;
    if (!ownMove) // the usual group: one code and its words
        return outcomeOf(settle(lines, before, handleCode()));

    const auto handleMove = [&] {
        const std::size_t start = lines.size();
        return settle(lines, start, dispatchModal(moveText, lines));
    };
    const auto handleCodePart = [&] {
        const std::size_t start = lines.size();
        return settle(lines, start, handleCode());
    };
    bool codeDone = false;
    bool moveDone = false;
    if (isProgramEnd(code)) {
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
bool handlerReadsFeed(const GroupScan& scan)
{
    const bool hasM = scan.firstM != std::string_view::npos;
    const bool hasG = scan.firstG != std::string_view::npos;
    if (!hasM && !hasG) {
        const int32_t mode = modalState.motionMode;
        return scan.hasAxis && (mode == kMotionFeed || mode == kMotionArcCW ||
                                mode == kMotionArcCCW || mode == kMotionDrill);
    }
    const CodeWord word = scan.code;
    if (hasM || !scan.codeKnown || word.tenths % 10 != 0)
        return false;
    const long code = word.tenths / 10;
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
long mCodeOf(const GroupScan& scan)
{
    if (scan.firstM == std::string_view::npos || !scan.codeKnown || scan.code.tenths % 10 != 0)
        return -1;
    return scan.code.tenths / 10;
}

// The G code of a group without an M code, when it is one of the motion
// group.
bool motionCodeOf(const GroupScan& scan, CodeWord& code)
{
    code = scan.code;
    return scan.firstM == std::string_view::npos && scan.firstG != std::string_view::npos &&
           scan.codeKnown && isMotionGroup(code);
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
    const long mCode = mCodeOf(scan);
    bool taken = false;
    if (mCode != 6 && takeToolWord(group))
        taken = true;
    if (mCode != 3 && takeSpindleSpeedWord(group, lines))
        taken = true;
    return taken;
}

GroupOutcome dispatchScanned(std::string_view group, const GroupScan& scan, CommandLines& lines)
{
    if (scan.untranslatable) {
        groupReason = scan.refusal;
        if (CodeWord code; motionCodeOf(scan, code))
            enterUntranslatedMotion(code);
        return GroupOutcome::Rejected;
    }
    // Decided before the group runs: its code may change the motion mode.
    const bool feedLeftOver = scan.hasFeed && !handlerReadsFeed(scan);
    GroupOutcome outcome = dispatchCodeAndMove(group, scan, lines);
    // An F word sets the feed of the feed moves that follow, whatever else
    // the group does: "G20 F6", "G0 X0 Y0 F30", "F16 S3500 M3", "F250."
    // alone. It is read after the group's code, in the units that code may
    // just have set. The F of a code that is not translated ("G55 F100")
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

GroupOutcome dispatchWithScan(std::string_view group, const GroupScan& scan, CommandLines& lines)
{
    groupReason = ReportReason::None;
    groupNote = ReportReason::None;
    GroupOutcome outcome = dispatchScanned(group, scan, lines);
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

} // namespace

// A motion code that is not translated leaves a motion mode that nothing
// continues: coordinates alone are then reported, and do not move the tool
// in the mode that was in force before. A refused block of a translated
// code (G1 Z#2, a G81 without R) is one: where its move would have taken
// the tool is not known.
void enterUntranslatedMotion(CodeWord code)
{
    modalState.motionMode = kMotionUntranslated;
    modalState.untranslatedMotion = code;
}

GroupOutcome dispatchWordGroup(std::string_view group, CommandLines& lines)
{
    return dispatchWithScan(group, scanGroup(group), lines);
}

bool dispatchBlock(std::string_view block, CommandLines& lines, GroupOutcome& outcome)
{
    const GroupScan scan = scanGroup(block);
    if (scan.codes > 1)
        return false;
    outcome = dispatchWithScan(block, scan, lines);
    return true;
}

ReportReason lastGroupReason()
{
    return groupReason;
}

ReportInfo groupReport(GroupOutcome outcome)
{
    ReportInfo info{groupReason, outcome == GroupOutcome::Partly};
    if (groupReason == ReportReason::ContinuesUntranslatedMotion) {
        const std::string code = codeText(modalState.untranslatedMotion);
        code.copy(info.code.data(), info.code.size() - 1);
    }
    return info;
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
