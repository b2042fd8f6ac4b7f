// The word dispatcher, the modal state and the number reader.
#include <charconv>
#include <cmath>

#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

ModalState modalState;
MachineSettings machineSettings;
std::unique_ptr<piece> trajectoryStore = std::make_unique<piece>();
std::unique_ptr<trajectoire> currentSegment;

void resetTranslator()
{
    modalState.motionMode = kMotionRapid;
    modalState.plane = 0;
    modalState.currentX = 0.0f;
    modalState.currentY = 0.0f;
    // The tool starts 10 mm above the program's zero (machine Z counts down).
    modalState.currentZ =
        static_cast<float>(-10.0L * static_cast<long double>(machineSettings.stepsPerMmZ));
    modalState.currentSpeed = machineSettings.maxSpeedXY;
    modalState.unitFactor = 1.0f;
    modalState.absoluteMode = true;
    trajectoryStore = std::make_unique<piece>();
}

void resetEngineForProgramStart()
{
    modalState = ModalState{};
    machineSettings = MachineSettings{};
    trajectoryStore = std::make_unique<piece>();
    currentSegment.reset();
}

namespace {

bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtod in the "C" locale over a buffer of at most one arbitrary character
// followed by number characters: leading white space, one optional sign, then
// the longest decimal prefix; 0 when there is none.
double decimalPrefix(const char* begin, const char* end)
{
    while (begin != end && isCSpace(*begin))
        ++begin;
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    if (begin == end || !((*begin >= '0' && *begin <= '9') || *begin == '.'))
        return 0.0;
    double value = 0.0;
    auto res = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (res.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

} // namespace

double parseWordNumber(std::string_view text, std::size_t position)
{
    while (position < text.size() && text[position] == ' ')
        ++position;
    if (position >= text.size())
        return 0.0;
    char buffer[kMaxNumberLength + 1];
    std::size_t n = 0;
    buffer[n++] = text[position++];
    while (position < text.size() && n < kMaxNumberLength && isNumberChar(text[position]))
        buffer[n++] = text[position++];
    return decimalPrefix(buffer, buffer + n);
}

namespace {

CommandLines errorLines()
{
    return CommandLines{kErrorLine};
}

bool isError(const CommandLines& lines)
{
    return !lines.empty() && lines.front() == kErrorLine;
}

// Parameters (#), expressions ([) and over-long numbers are not translated:
// reading them as 0 would send the tool to machine zero.
bool hasUntranslatableText(const std::string& group)
{
    if (group.find_first_of("#[") != std::string::npos)
        return true;
    std::size_t run = 0;
    for (char c : group) {
        run = isNumberChar(c) ? run + 1 : 0;
        if (run > kMaxNumberLength)
            return true;
    }
    return false;
}

// The G or M number after the letter at `pos`. Codes with a fractional part
// (G91.1, G38.2) are other codes than their integer part and are refused.
bool readCode(const std::string& group, std::size_t pos, long& code)
{
    double v = parseWordNumber(group, pos + 1);
    if (!std::isfinite(v) || std::trunc(v) != v || std::fabs(v) > 1e6)
        return false;
    code = static_cast<long>(v);
    return true;
}

// Sets the motion mode for the handler and puts it back when the handler
// rejects the group, so that a rejected group changes nothing.
template <typename Handler> CommandLines withMotionMode(int32_t mode, Handler&& handler)
{
    int32_t saved = modalState.motionMode;
    modalState.motionMode = mode;
    CommandLines lines = handler();
    if (isError(lines))
        modalState.motionMode = saved;
    return lines;
}

CommandLines dispatchM(const std::string& group, std::size_t pos)
{
    long code = 0;
    if (!readCode(group, pos, code))
        return errorLines();
    switch (code) {
    case 2:
        return programEndM2();
    case 3:
        return spindleOn(group);
    case 5:
        return spindleOff(group);
    case 6:
        return toolChange(group);
    case 30:
        return programEndM30();
    default:
        return errorLines();
    }
}

CommandLines noLines()
{
    return {};
}

CommandLines dispatchG(const std::string& group, std::size_t pos)
{
    long code = 0;
    if (!readCode(group, pos, code))
        return errorLines();
    switch (code) {
    case 0:
        return withMotionMode(kMotionRapid, [&] { return rapidMove(group); });
    case 1:
        return withMotionMode(kMotionFeed, [&] { return feedMove(group); });
    case 2:
        return withMotionMode(kMotionArcCW, [&] { return arcMoveCW(group); });
    case 3:
        return withMotionMode(kMotionArcCCW, [&] { return arcMoveCCW(group); });
    case 4:
        return dwell(group);
    case 17:
        modalState.plane = 0;
        return noLines();
    case 18:
        modalState.plane = 1;
        return noLines();
    case 19:
        modalState.plane = 2;
        return noLines();
    case 20:
    case 70:
        modalState.unitFactor = 25.4f;
        return noLines();
    case 21:
    case 71:
        modalState.unitFactor = 1.0f;
        return noLines();
    case 28:
    case 30:
        return returnToReference(group);
    case 80:
        return withMotionMode(kMotionRapid, [] { return cancelDrillCycle(); });
    case 81:
    case 82:
    case 83:
        return withMotionMode(kMotionDrill, [&] { return drillCycle(group); });
    case 90:
        modalState.absoluteMode = true;
        return noLines();
    case 91:
        modalState.absoluteMode = false;
        return noLines();
    default:
        return errorLines();
    }
}

// A group of coordinates alone continues the current motion.
CommandLines dispatchModal(const std::string& group)
{
    switch (modalState.motionMode) {
    case kMotionRapid:
        return rapidMove(group);
    case kMotionFeed:
        return feedMove(group);
    case kMotionArcCW:
        return arcMoveCW(group);
    case kMotionArcCCW:
        return arcMoveCCW(group);
    case kMotionDrill:
        return repeatDrillCycle(group);
    default:
        return errorLines();
    }
}

bool isModalMode(int32_t mode)
{
    return mode == kMotionRapid || mode == kMotionFeed || mode == kMotionArcCW ||
           mode == kMotionArcCCW || mode == kMotionDrill;
}

} // namespace

CommandLines dispatchWordGroup(std::string group)
{
    if (hasUntranslatableText(group))
        return errorLines();
    if (std::size_t m = group.find('M'); m != std::string::npos)
        return dispatchM(group, m);
    if (std::size_t g = group.find('G'); g != std::string::npos)
        return dispatchG(group, g);
    if (group.find_first_of("XYZ") != std::string::npos && isModalMode(modalState.motionMode))
        return dispatchModal(group);
    if (group.find('(') != std::string::npos)
        return noLines();
    return errorLines();
}
