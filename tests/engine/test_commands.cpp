// G28/G30, the M codes and G04: their fixed texts and where they leave the
// tool, from a tool at X10 Y5, 10 mm above the part.
#include <gtest/gtest.h>

#include "tests/engine/EngineTestUtil.h"

namespace {

using enginetest::run;
using enginetest::startRun;

struct CommandCase {
    const char* name;
    std::vector<std::string> groups; // after G0X10Y5
    CommandLines lines;
    float x, y, z; // position afterwards, machine steps
};

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, WriteLinesAndLeaveTheTool)
{
    const CommandCase& c = GetParam();
    startRun();
    run({"G0X10Y5"});
    EXPECT_EQ(run(c.groups), c.lines) << c.name;
    EXPECT_EQ(modalState.currentX, c.x) << c.name;
    EXPECT_EQ(modalState.currentY, c.y) << c.name;
    EXPECT_EQ(modalState.currentZ, c.z) << c.name;
}

const CommandLines kToolTen = {"T: 10 N:? H:? D:?;"};

INSTANTIATE_TEST_SUITE_P(
    Table, Commands,
    ::testing::Values(
        CommandCase{"G28 alone", {"G28"}, {"PA 400,200;", "@HM;"}, 0, 0, -400},
        CommandCase{"G30 alone", {"G30"}, {"PA 400,200;", "@HM;"}, 0, 0, -400},
        CommandCase{"G28 X only", {"G28X1"}, {"PA 40,200;", "@HM;"}, 0, 0, -400},
        CommandCase{"G28 Z only", {"G28Z10"}, {"@ZA -400;", "PA 400,200;", "@HM;"}, 0, 0, -400},
        CommandCase{"G28 Z and Y", {"G28Y5Z-1"}, {"PA 400,200;", "@ZA 40;", "@HM;"}, 0, 0, 40},
        CommandCase{"G91 G28 X0 Y0", {"G91", "G28X0Y0"}, {"PA 400,200;", "@HM;"}, 0, 0, -400},
        CommandCase{
            "G91 G28 Z", {"G91", "G28Z1"}, {"@ZA -440;", "PA 400,200;", "@HM;"}, 0, 0, -440},
        CommandCase{"a move after G28 starts at 0,0",
                    {"G28", "G0X1"},
                    {"PA 400,200;", "@HM;", "PA 40,0;"},
                    40,
                    0,
                    -400},
        CommandCase{"G28 keeps the motion mode",
                    {"G1X11", "G28", "X12"},
                    {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 440,200;", "PA 440,200;", "@HM;",
                     "PA 480,0;"},
                    480,
                    0,
                    -400},
        CommandCase{"M02", {"M2"}, {"@SS0;", "VS 30.0", "PA 0,1600;"}, 400, 200, -400},
        CommandCase{"M30", {"M30"}, {"@SS 0;", "VS 30.0", "PA 0,1600;"}, 400, 200, -400},
        CommandCase{"M05", {"M5"}, {"@SS 0;"}, 400, 200, -400},
        CommandCase{"M03 with S", {"M3S12000"}, {"@SS 1;", "RVS 12000;"}, 400, 200, -400},
        CommandCase{"M03 truncates S", {"M3S1500.7"}, {"@SS 1;", "RVS 1500;"}, 400, 200, -400},
        CommandCase{"S before M03", {"S1000M3"}, {"@SS 1;", "RVS 1000;"}, 400, 200, -400},
        CommandCase{"M03 alone", {"M3"}, {"@SS 1;"}, 400, 200, -400},
        CommandCase{"M06 T3", {"M6T3"}, {"T: 13 N:? H:? D:?;"}, 400, 200, -400},
        CommandCase{"M06 without T", {"M6"}, kToolTen, 400, 200, -400},
        CommandCase{"M06 without T after a number", {"5M6"}, kToolTen, 400, 200, -400},
        CommandCase{"G04 P2", {"G4P2"}, {"@WT 2;"}, 400, 200, -400},
        CommandCase{"G04 P1.5", {"G4P1.5"}, {"@WT 1;"}, 400, 200, -400},
        CommandCase{"G04 alone", {"G4"}, {"@WT 200;"}, 400, 200, -400},
        // T outside M06's group selects the tool of the next M06 without T.
        CommandCase{"T alone, then M06", {"T3", "M6"}, {"T: 13 N:? H:? D:?;"}, 400, 200, -400},
        CommandCase{"T in a move group",
                    {"G0X10T4", "M6"},
                    {"PA 400,200;", "T: 14 N:? H:? D:?;"},
                    400, 200, -400},
        CommandCase{"M06's own T selects it",
                    {"T3", "M6T5", "M6"},
                    {"T: 15 N:? H:? D:?;", "T: 15 N:? H:? D:?;"},
                    400, 200, -400},
        // S outside M03's group: sent at once while the spindle turns, after
        // the group's own lines; else by the next M03 without S.
        CommandCase{"S with the spindle on", {"M3", "S2000"}, {"@SS 1;", "RVS 2000;"}, 400, 200, -400},
        CommandCase{"S in a feed move",
                    {"M3S1000", "G1X20S2000"},
                    {"@SS 1;", "RVS 1000;", "VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 800,200;",
                     "RVS 2000;"},
                    800, 200, -400},
        CommandCase{"S while the spindle stands waits for M03",
                    {"S1500", "M5", "M3"},
                    {"@SS 0;", "@SS 1;", "RVS 1500;"},
                    400, 200, -400},
        CommandCase{"the waiting S is sent once",
                    {"S1500", "M3", "M5", "M3"},
                    {"@SS 1;", "RVS 1500;", "@SS 0;", "@SS 1;"},
                    400, 200, -400},
        CommandCase{"M30 stops the spindle",
                    {"M3", "M30", "S100"},
                    {"@SS 1;", "@SS 0;", "VS 30.0", "PA 0,1600;"},
                    400, 200, -400}));

TEST(Commands, ToolAndSpindleSpeedAreTheRunsOwn)
{
    const auto first = enginetest::convert({"T3", "S1000"});
    EXPECT_TRUE(first.ignored.empty());
    const auto second = enginetest::convert({"M6", "M3"}, "40", "40", "40", false);
    EXPECT_EQ(second.lines, (CommandLines{"T: 10 N:? H:? D:?;", "@SS 1;"}));
}

TEST(Commands, ReturnToReferenceRecordsItsPathAtTheSpeedInForce)
{
    for (bool afterFeed : {false, true}) {
        startRun();
        run({afterFeed ? "G1X10Y5" : "G0X10Y5", "G28Z5"});
        const auto t = trajectoryStore->getSegments().back();
        EXPECT_EQ(t.getKind(), afterFeed ? kKindFeed : kKindRapid);
        ASSERT_EQ(t.getPoints().size(), 3u);
        EXPECT_FLOAT_EQ(t.getPoints()[1].x, 10.0f);
        EXPECT_FLOAT_EQ(t.getPoints()[1].z, 5.0f);
        EXPECT_FLOAT_EQ(t.getPoints()[2].x, 0.0f);
        EXPECT_FLOAT_EQ(t.getPoints()[2].y, 0.0f);
        EXPECT_FLOAT_EQ(t.getPoints()[2].z, 5.0f);
    }
}

TEST(Commands, ValuesBeyondThirtyTwoBitsAreRejected)
{
    for (const char* group :
         {"M3S3000000000", "M6T2147483640", "G4P-3000000000", "G28X60000000", "G28Z-60000000"}) {
        startRun();
        run({"G0X10Y5"});
        EXPECT_EQ(dispatchWordGroup(group), CommandLines{"error"}) << group;
        EXPECT_EQ(modalState.currentX, 400.0f) << group;
        EXPECT_EQ(trajectoryStore->getSegments().size(), 1u) << group;
    }
}

TEST(Commands, ProgramWithArcsAndACycleMapsItsLines)
{
    auto r = enginetest::convert({"G21 G90 G17", "G0 X0 Y0 Z5", "M3 S10000", "G2 X10 Y0 I5 F600",
                                  "G81 X20 Y0 Z-2 R1 F120", "X30", "G80", "G28", "M30"});
    EXPECT_TRUE(r.ignored.empty());
    ASSERT_EQ(r.lineMap.size(), 9u);
    // Header 4, modes 0, stepped rapid 2, spindle 2, arc 3 + 32, cycle 9
    // (speed back to the rapid one, approach), repeat 3, G80 2, G28 2.
    const std::vector<int32_t> map = {4, 4, 6, 8, 43, 52, 55, 57, 59};
    EXPECT_EQ(r.lineMap, map);
    EXPECT_EQ(r.all[r.lineMap[4]], "@ZU  30.00;");
    EXPECT_EQ(r.all[r.lineMap[4] + 1], "@ZD  2.00;");
    EXPECT_EQ(r.all.back(), "PA 0,1600;");
}

} // namespace
