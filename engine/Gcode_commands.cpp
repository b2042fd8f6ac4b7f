// Return to reference (G28, G30), program end (M02, M30), spindle (M03,
// M05), tool change (M06) and dwell (G04).
#include <cmath>
#include <cstdint>
#include <memory>

#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

namespace {

// A word value truncated towards zero, when the result is a 32-bit integer.
bool truncatedInt(double value, int64_t& result)
{
    const double whole = std::trunc(value);
    if (!std::isfinite(whole) || whole <= -2147483649.0 || whole >= 2147483648.0)
        return false;
    result = static_cast<int64_t>(whole);
    return true;
}

// A word proper: the letter followed by a number ("S12000", "T3"), not the
// letter alone or inside another word.
bool findNumberWord(std::string_view group, char letter, double& value)
{
    const std::size_t pos = group.find(letter);
    if (pos == std::string_view::npos || pos + 1 >= group.size())
        return false;
    const char c = group[pos + 1];
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-'))
        return false;
    value = parseWordNumber(group, pos + 1);
    return true;
}

void writeSpindleSpeed(CommandLines& lines)
{
    lines.push_back("RVS " + formatInt(modalState.spindleSpeed) + ";");
    modalState.spindleSpeedPending = false;
}

void recordCurrentPosition()
{
    currentSegment->addPoint(previewScale(modalState.currentX), previewScale(modalState.currentY),
                             previewScale(modalState.currentZ), kKindOwn);
}

} // namespace

// The machine homes X and Y only; the translator then takes the tool to be at
// X 0, Y 0 at the height of the intermediate point. An X, Y or Z word gives
// an intermediate point that is reached first.
bool returnToReference(std::string_view group, CommandLines& lines)
{
    ModalState& m = modalState;
    const bool relative = !m.absoluteMode;
    float xi = m.currentX;
    float yi = m.currentY;
    float zi = m.currentZ;
    double value = 0.0;
    if (findWord(group, 'X', value))
        xi = convertX(value, relative, m.currentX);
    if (findWord(group, 'Y', value))
        yi = convertY(value, relative, m.currentY);
    const bool hasZ = findWord(group, 'Z', value);
    if (hasZ)
        zi = convertZ(value, relative, m.currentZ);
    if (!fitsSteps(xi) || !fitsSteps(yi) || !fitsSteps(zi))
        return refuse(ReportReason::OutOfRange);
    const bool hasXY = group.find_first_of("XY") != std::string_view::npos;
    if (hasZ && hasXY && !steppedMoveFits(xi, yi, zi))
        return refuse(ReportReason::TooManyStairs);

    // Drawn as a rapid move only when the speed in force is the rapid speed.
    beginSegment(m.currentSpeed == machineSettings.maxSpeedXY ? kKindRapid : kKindFeed);

    if (hasZ && hasXY) {
        writeSteppedMove(lines, xi, yi, zi);
    } else {
        if (hasZ) {
            lines.push_back(heightLine(zi));
            m.currentZ = zi;
        }
        lines.push_back(positionLine(xi, yi));
        m.currentX = xi;
        m.currentY = yi;
    }
    recordCurrentPosition();

    lines.emplace_back("@HM;");
    m.currentX = 0.0f;
    m.currentY = 0.0f;
    recordCurrentPosition();

    storeSegment();
    return true;
}

namespace {

// The table's unload position: X 0, Y 40 mm, reached at 30 mm/s, or at the
// machine's XY rapid speed when that is lower. On the factory machine (40
// steps per millimetre, rapids of 30 mm/s or more) the lines are the fixed
// "VS 30.0" and "PA 0,1600;" that command files have always ended with.
void writePark(CommandLines& lines)
{
    constexpr float kParkSpeed = 30.0f;
    constexpr long double kParkYmm = 40.0L;
    const float speed = machineSettings.maxSpeedXY;
    if (speed >= kParkSpeed)
        lines.emplace_back("VS 30.0");
    else
        lines.push_back("VS " + formatFloat(speed) + ";");
    float y = static_cast<float>(kParkYmm * static_cast<long double>(machineSettings.stepsPerMmY));
    if (!fitsSteps(y))
        y = 2147483520.0f; // the largest float position the controller takes
    lines.push_back(positionLine(0.0f, y));

    // Drawn as the rapid it is, at the height the tool stands: a program
    // that ends with the tool down shows its park move through the part.
    // The translator's position stays where the program left it.
    beginSegment(kKindRapid);
    currentSegment->addPoint(previewScale(0.0f), previewScale(y), previewScale(modalState.currentZ),
                             kKindOwn);
    storeMachineSegment();
}

} // namespace

// Both program ends stop the spindle and send the table to its unload
// position; M02's spindle-off line has no blank.
void programEndM2(CommandLines& lines)
{
    lines.emplace_back("@SS0;");
    writePark(lines);
    modalState.spindleTurning = false;
}

void programEndM30(CommandLines& lines)
{
    lines.emplace_back("@SS 0;");
    writePark(lines);
    modalState.spindleTurning = false;
}

// M03's own S sets the speed; without one, a speed an S set while the
// spindle stood is sent now.
bool spindleOn(std::string_view group, CommandLines& lines)
{
    ModalState& m = modalState;
    double value = 0.0;
    int64_t speed = 0;
    const bool hasS = findWord(group, 'S', value);
    if (hasS && !truncatedInt(value, speed))
        return refuse(ReportReason::ValueOutOfRange);
    lines.push_back("@SS 1;");
    m.spindleTurning = true;
    if (hasS) {
        m.spindleSpeed = static_cast<int32_t>(speed);
        writeSpindleSpeed(lines);
    } else if (m.spindleSpeedPending) {
        writeSpindleSpeed(lines);
    }
    return true;
}

void spindleOff(CommandLines& lines)
{
    lines.push_back("@SS 0;");
    modalState.spindleTurning = false;
}

// The tool line names tool T + 10: T3 is written as tool 13. A change
// without a T word changes to the tool a T of an earlier group selected,
// and to tool 0 when there was none in the run.
bool toolChange(std::string_view group, CommandLines& lines)
{
    ModalState& m = modalState;
    double value = 0.0;
    int64_t tool = m.hasSelectedTool ? m.selectedTool : 0;
    if (findWord(group, 'T', value) && !truncatedInt(value, tool))
        return refuse(ReportReason::ValueOutOfRange);
    if (tool + 10 > INT32_MAX)
        return refuse(ReportReason::ValueOutOfRange);
    m.selectedTool = static_cast<int32_t>(tool);
    m.hasSelectedTool = true;
    lines.push_back("T: " + formatInt(static_cast<int32_t>(tool + 10)) + " N:? H:? D:?;");
    return true;
}

bool takeToolWord(std::string_view group)
{
    double value = 0.0;
    int64_t tool = 0;
    if (!findNumberWord(group, 'T', value) || !truncatedInt(value, tool) || tool + 10 > INT32_MAX)
        return false;
    modalState.selectedTool = static_cast<int32_t>(tool);
    modalState.hasSelectedTool = true;
    return true;
}

bool takeSpindleSpeedWord(std::string_view group, CommandLines& lines)
{
    ModalState& m = modalState;
    double value = 0.0;
    int64_t speed = 0;
    if (!findNumberWord(group, 'S', value) || !truncatedInt(value, speed))
        return false;
    m.spindleSpeed = static_cast<int32_t>(speed);
    m.spindleSpeedPending = true;
    if (m.spindleTurning)
        writeSpindleSpeed(lines);
    return true;
}

// P is written as it stands, in the controller's own time unit.
bool dwell(std::string_view group, CommandLines& lines)
{
    double value = 0.0;
    if (!findWord(group, 'P', value)) {
        lines.push_back("@WT 200;");
        return true;
    }
    int64_t time = 0;
    if (!truncatedInt(value, time))
        return refuse(ReportReason::ValueOutOfRange);
    lines.push_back("@WT " + formatInt(static_cast<int32_t>(time)) + ";");
    return true;
}
