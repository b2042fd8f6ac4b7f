// The dispatcher's rules, the number reader and the groups it refuses.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/EngineTestUtil.h"

namespace {

using enginetest::run;
using enginetest::startRun;

struct NumberCase {
    const char* text;
    std::size_t pos;
    double value;
};

TEST(ParseWordNumber, CLibraryRules)
{
    const std::vector<NumberCase> cases = {
        {"X-12.5Y3", 1, -12.5}, {"GX", 1, 0.0},   {"X1.2.3", 1, 1.2},  {"X--5", 1, 0.0},
        {"X+5", 1, 5.0},        {"X+-5", 1, 0.0}, {"X-+5", 1, 0.0},    {"X.5", 1, 0.5},
        {"X5.", 1, 5.0},        {"X.", 1, 0.0},   {"X", 1, 0.0},       {"X\t7", 1, 7.0},
        {"XA12", 1, 0.0},       {"X  3", 1, 3.0}, {"X00012", 1, 12.0}, {"X-0", 1, -0.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseWordNumber(c.text, c.pos), c.value) << c.text;
}

TEST(ParseWordNumber, ReadsAtMostTheLongestAcceptedNumber)
{
    std::string digits27(27, '9');
    EXPECT_EQ(parseWordNumber("X" + digits27, 1), 999999999999999999999999999.0);
}

struct RejectCase {
    const char* group;
};

class Rejected : public ::testing::TestWithParam<RejectCase> {};

TEST_P(Rejected, GivesErrorAndChangesNothing)
{
    startRun();
    run({"G1X1Y2"});
    ModalState before = modalState;
    std::size_t segments = trajectoryStore->getSegments().size();
    EXPECT_EQ(dispatchWordGroup(GetParam().group), CommandLines{"error"}) << GetParam().group;
    EXPECT_EQ(modalState.motionMode, before.motionMode);
    EXPECT_EQ(modalState.currentX, before.currentX);
    EXPECT_EQ(modalState.currentY, before.currentY);
    EXPECT_EQ(modalState.currentZ, before.currentZ);
    EXPECT_EQ(modalState.currentSpeed, before.currentSpeed);
    EXPECT_EQ(modalState.feedRate, before.feedRate);
    EXPECT_EQ(modalState.absoluteMode, before.absoluteMode);
    EXPECT_EQ(trajectoryStore->getSegments().size(), segments);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Rejected,
    ::testing::Values(RejectCase{"F200"}, RejectCase{"T1"}, RejectCase{""}, RejectCase{"S1000"},
                      RejectCase{"G-1"}, RejectCase{"G100"}, RejectCase{"G40"}, RejectCase{"G43"},
                      RejectCase{"G54"}, RejectCase{"G64"}, RejectCase{"G94"}, RejectCase{"M8"},
                      RejectCase{"M99"},
                      // Codes with a fractional part are other codes.
                      RejectCase{"G91.1"}, RejectCase{"G38.2X5"}, RejectCase{"G1.9X5"},
                      RejectCase{"M3.5"},
                      // Parameters and expressions are not evaluated.
                      RejectCase{"G0X#1"}, RejectCase{"G1X[1+2]"}, RejectCase{"X#5"},
                      // Polar coordinates: radius @, angle ^, alone or together.
                      RejectCase{"G0@1.5^0Z0"}, RejectCase{"G81R.1Z-.5^60L6F10"},
                      RejectCase{"G1@2F100"}, RejectCase{"X1^45"}, RejectCase{"^30"},
                      // A 28-character number is refused before anything changes.
                      RejectCase{"G0X1234567890123456789012345678"},
                      RejectCase{"G0X1Y-123456789012345678901234567"},
                      // Coordinates beyond the controller's signed 32-bit step range.
                      RejectCase{"G0X60000000"}, RejectCase{"G1X-60000000F100"},
                      RejectCase{"G0Z60000000"}, RejectCase{"X60000000"},
                      RejectCase{"G0X999999999999999999999999"}));

TEST(Dispatch, PolarWordsAreReportedWithTheirGroup)
{
    // A bolt circle: left without its angle, the cycle would drill all six
    // holes in one place. The mode words of the line still take effect.
    auto r = enginetest::convert(
        {"G20 G17 G90", "G0 X1.5 Y0 Z0", "G91 G81 R.1 Z-.5 ^60 L6 F10", "G0 @1 ^90", "M2"});
    ASSERT_EQ(r.ignored.size(), 2u);
    EXPECT_EQ(r.ignored[0], (std::pair<int, std::string>{2, "G81R.1Z-.5^60L6F10"}));
    EXPECT_EQ(r.ignored[1], (std::pair<int, std::string>{3, "G0@1^90"}));
    EXPECT_FALSE(modalState.absoluteMode);
    // The two lines are marked and write nothing: no hole, no move.
    ASSERT_EQ(r.lineMap.size(), 5u);
    EXPECT_EQ(r.lineMap[2], -1);
    EXPECT_EQ(r.lineMap[3], -1);
    const auto end = std::find(r.all.begin(), r.all.end(), "@SS0;");
    EXPECT_EQ(end - r.all.begin(), r.lineMap[4]) << "the end comes right after G0";
}

TEST(Dispatch, WholeCodesWrittenWithPointOrZerosStayValid)
{
    for (const char* g : {"G01X1", "G1.0X1", "G001X1", "G1.X1"}) {
        startRun();
        CommandLines lines = dispatchWordGroup(g);
        ASSERT_FALSE(lines.empty()) << g;
        EXPECT_EQ(lines.back(), "PA 40,0;") << g;
        EXPECT_EQ(modalState.motionMode, kMotionFeed) << g;
    }
}

TEST(Dispatch, G91Point1DoesNotSwitchToIncremental)
{
    auto r = enginetest::convert({"G90 G91.1", "G0 X1", "G0 X1"});
    EXPECT_EQ(r.lines, (CommandLines{"PA 40,0;", "PA 40,0;"}));
    ASSERT_EQ(r.ignored.size(), 1u);
    EXPECT_EQ(r.ignored[0].second, "G91.1");
}

TEST(Dispatch, ModeWordsGiveNoLinesAndSetState)
{
    struct Case {
        const char* group;
        uint8_t plane;
        float unit;
        bool absolute;
    };
    const std::vector<Case> cases = {
        {"G17", 0, 1.0f, true},  {"G18", 1, 1.0f, true},  {"G19", 2, 1.0f, true},
        {"G20", 0, 25.4f, true}, {"G70", 0, 25.4f, true}, {"G21", 0, 1.0f, true},
        {"G71", 0, 1.0f, true},  {"G90", 0, 1.0f, true},  {"G91", 0, 1.0f, false},
    };
    for (const auto& c : cases) {
        startRun();
        EXPECT_TRUE(dispatchWordGroup(c.group).empty()) << c.group;
        EXPECT_EQ(modalState.plane, c.plane) << c.group;
        EXPECT_EQ(modalState.unitFactor, c.unit) << c.group;
        EXPECT_EQ(modalState.absoluteMode, c.absolute) << c.group;
    }
}

TEST(Dispatch, CommentGroupGivesNothing)
{
    startRun();
    EXPECT_TRUE(dispatchWordGroup("(").empty());
    EXPECT_TRUE(dispatchWordGroup("()").empty());
}

TEST(Dispatch, ModalContinuationFollowsMotionMode)
{
    startRun();
    EXPECT_EQ(run({"G0X10", "Y5"}), (CommandLines{"PA 400,0;", "PA 400,200;"}));
    EXPECT_EQ(modalState.motionMode, kMotionRapid);
}

TEST(Dispatch, MWinsOverG)
{
    startRun();
    // GXM5 reaches the M handler; the G is not looked at.
    CommandLines lines = dispatchWordGroup("GXM5");
    EXPECT_NE(lines, CommandLines{"error"});
    EXPECT_EQ(modalState.motionMode, kMotionRapid);
}

TEST(Dispatch, RejectedMoveKeepsPreviousMotionMode)
{
    startRun();
    run({"G1X1"});
    EXPECT_EQ(dispatchWordGroup("G0X60000000"), CommandLines{"error"});
    EXPECT_EQ(modalState.motionMode, kMotionFeed);
}

TEST(ResetTranslator, StartState)
{
    resetEngineForProgramStart();
    machineSettings.stepsPerMmZ = 40.0f;
    machineSettings.maxSpeedXY = 45.0f;
    modalState.feedRate = 3.3f;
    modalState.cycleRetractZ = 12.0f;
    modalState.currentX = 5;
    modalState.unitFactor = 25.4f;
    modalState.absoluteMode = false;
    modalState.plane = 2;
    modalState.motionMode = kMotionDrill;
    trajectoryStore->addSegment(trajectoire(1, 2, 3, 0));
    resetTranslator();
    EXPECT_EQ(modalState.currentZ, -400.0f);
    EXPECT_EQ(modalState.currentX, 0.0f);
    EXPECT_EQ(modalState.currentSpeed, 45.0f);
    EXPECT_EQ(modalState.unitFactor, 1.0f);
    EXPECT_TRUE(modalState.absoluteMode);
    EXPECT_EQ(modalState.plane, 0);
    EXPECT_EQ(modalState.motionMode, kMotionRapid);
    EXPECT_TRUE(trajectoryStore->getSegments().empty());
    // The programmed feed and the cycle survive a run.
    EXPECT_EQ(modalState.feedRate, 3.3f);
    EXPECT_EQ(modalState.cycleRetractZ, 12.0f);
}

} // namespace
