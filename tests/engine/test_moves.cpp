// G00 and G01: speed lines, positions, staircases and the recorded path.
#include <gtest/gtest.h>

#include "preview/Trajectoires.h"
#include "tests/engine/EngineTestUtil.h"

namespace {

using enginetest::run;
using enginetest::startRun;

struct MoveCase {
    const char* name;
    std::vector<std::string> groups;
    CommandLines lines;
};

class Moves : public ::testing::TestWithParam<MoveCase> {};

TEST_P(Moves, WritesLines)
{
    startRun();
    EXPECT_EQ(run(GetParam().groups), GetParam().lines) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    DefaultMachine, Moves,
    ::testing::Values(
        MoveCase{"rapid", {"G0X10Y5"}, {"PA 400,200;"}},
        MoveCase{"feed without F uses 5.2",
                 {"G1X10", "G1Y1"},
                 {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 400,0;", "PA 400,40;"}},
        MoveCase{"F2400 limited on Z",
                 {"G1F2400X1"},
                 {"VS  39.90;", "@ZU  30.00;", "@ZD  30.00;", "PA 40,0;"}},
        MoveCase{"F2401", {"G1F2401X1"}, {"VS  40.00;", "@ZU  30.00;", "@ZD  30.00;", "PA 40,0;"}},
        MoveCase{"F6000 limited on XY",
                 {"G1F6000X1"},
                 {"VS  50.00;", "@ZU  30.00;", "@ZD  30.00;", "PA 40,0;"}},
        MoveCase{
            "F600 is 9.9", {"G1F600X1"}, {"VS  9.90;", "@ZU  9.90;", "@ZD  9.90;", "PA 40,0;"}},
        MoveCase{"F60 is 0.9", {"G1F60X1"}, {"VS  0.90;", "@ZU  0.90;", "@ZD  0.90;", "PA 40,0;"}},
        MoveCase{"F1000 is 16.6",
                 {"G1F1000X1"},
                 {"VS  16.60;", "@ZU  16.60;", "@ZD  16.60;", "PA 40,0;"}},
        MoveCase{"F1200 is 19.9",
                 {"G1F1200X1"},
                 {"VS  19.90;", "@ZU  19.90;", "@ZD  19.90;", "PA 40,0;"}},
        // A feed that comes out as no speed at all is the slowest the speed
        // lines carry, and the group is reported as partly translated.
        MoveCase{"F0 is 0.1, reported",
                 {"G1F0X1"},
                 {"error", "VS  0.10;", "@ZU  0.10;", "@ZD  0.10;", "PA 40,0;"}},
        MoveCase{"F3 is below a tenth: 0.1, reported",
                 {"G1F3X1"},
                 {"error", "VS  0.10;", "@ZU  0.10;", "@ZD  0.10;", "PA 40,0;"}},
        MoveCase{"inch F0.2 is below a tenth",
                 {"G20", "G1Z-0.1F0.2"},
                 {"error", "VS  0.10;", "@ZU  0.10;", "@ZD  0.10;", "@ZA 101;"}},
        // A Z word on the current whole step moves X and Y alone; the
        // fraction is kept: Z-1.06 is then one stair, a step down.
        MoveCase{"Z word that repeats the height",
                 {"G0Z-1", "G0X10Y10Z-1", "G1X1000Y700Z-1.01F600", "X20Z-1.02", "X30Z-1.06"},
                 {"@ZA 40;", "PA 400,400;", "VS  9.90;", "@ZU  9.90;", "@ZD  9.90;",
                  "PA 40000,28000;", "PA 800,28000;", "PA 1200,28000;", "@ZA 42;"}},
        MoveCase{"Z word of another step makes a staircase",
                 {"G0Z-1", "G1X0.05Z-1.05"},
                 {"@ZA 40;", "VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 1,0;", "@ZA 41;",
                  "PA 2,0;", "@ZA 42;"}},
        // Under G20/G70 F counts inches per minute: F10 is 254 mm/min.
        MoveCase{"inch F10 is 4.2",
                 {"G20", "G1F10X1"},
                 {"VS  4.20;", "@ZU  4.20;", "@ZD  4.20;", "PA 1016,0;"}},
        MoveCase{"inch F100 limited on Z",
                 {"G20", "G1F100X1"},
                 {"VS  42.30;", "@ZU  30.00;", "@ZD  30.00;", "PA 1016,0;"}},
        MoveCase{"G70 F200 limited on XY",
                 {"G70", "G1F200X1"},
                 {"VS  50.00;", "@ZU  30.00;", "@ZD  30.00;", "PA 1016,0;"}},
        // The inch factor is the float nearest 25.4, a little under it, so
        // a whole number of mm/s comes out a tenth short, as F600 does.
        MoveCase{"inch F30 is 12.6",
                 {"G20", "G1F30X1"},
                 {"VS  12.60;", "@ZU  12.60;", "@ZD  12.60;", "PA 1016,0;"}},
        MoveCase{"inch feed kept in mm/s for the next move",
                 {"G20", "G1F10X1", "G0X2", "G1X3"},
                 {"VS  4.20;", "@ZU  4.20;", "@ZD  4.20;", "PA 1016,0;", "VS  50.00;",
                  "@ZD  30.00;", "@ZU  30.00;", "PA 2032,0;", "VS  4.20;", "@ZU  4.20;",
                  "@ZD  4.20;", "PA 3048,0;"}},
        MoveCase{"millimetres again after G21",
                 {"G20", "G21", "G1F600X1"},
                 {"VS  9.90;", "@ZU  9.90;", "@ZD  9.90;", "PA 40,0;"}},
        MoveCase{"rapid after feed",
                 {"G1X1", "G0X2"},
                 {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 40,0;", "VS  50.00;", "@ZD  30.00;",
                  "@ZU  30.00;", "PA 80,0;"}},
        MoveCase{"feed after rapid writes the feed again",
                 {"G1X1", "G0X2", "G1X3"},
                 {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 40,0;", "VS  50.00;", "@ZD  30.00;",
                  "@ZU  30.00;", "PA 80,0;", "VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 120,0;"}},
        MoveCase{"F in G0 sets the next feed",
                 {"G0F100X1", "G1X2"},
                 {"PA 40,0;", "VS  1.60;", "@ZU  1.60;", "@ZD  1.60;", "PA 80,0;"}},
        MoveCase{"Z alone", {"G0Z-1"}, {"@ZA 40;"}},
        MoveCase{"no coordinates repeats the position",
                 {"G1F300"},
                 {"VS  4.90;", "@ZU  4.90;", "@ZD  4.90;", "PA 0,0;"}},
        MoveCase{"incremental", {"G91", "G0X1", "G0X1"}, {"PA 40,0;", "PA 80,0;"}},
        MoveCase{"Z with X goes down a staircase", {"G0Z5X0"}, {"PA 0,0;", "@ZA -200;"}}));

TEST(SteppedMove, FortyStairsOfTenByOne)
{
    startRun();
    modalState.currentZ = 0;
    CommandLines lines;
    currentSegment = std::make_unique<trajectoire>(0, 0, 0, kKindFeed);
    writeSteppedMove(lines, 400, 0, 40);
    ASSERT_EQ(lines.size(), 80u);
    EXPECT_EQ(lines[0], "PA 10,0;");
    EXPECT_EQ(lines[1], "@ZA 1;");
    EXPECT_EQ(lines[78], "PA 400,0;");
    EXPECT_EQ(lines[79], "@ZA 40;");
    // Start point, 40 stairs, and the target once more.
    EXPECT_EQ(currentSegment->getPoints().size(), 42u);
    currentSegment.reset();
}

TEST(SteppedMove, EndsAtTheTargetHeight)
{
    // Three stairs of 1/3 step in Z each end just short of the target Z;
    // the machine must still end at the height the translator believes.
    startRun();
    modalState.currentZ = 0;
    CommandLines lines;
    currentSegment = std::make_unique<trajectoire>(0, 0, 0, kKindFeed);
    writeSteppedMove(lines, 3, 0, 0.9999f);
    currentSegment.reset();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "@ZA 0;"); // trunc(0.9999) is 0: nothing to correct
    lines.clear();
    currentSegment = std::make_unique<trajectoire>(0, 0, 0, kKindFeed);
    modalState.currentX = 0;
    modalState.currentZ = 0;
    // N = 0 (less than one motor step in every axis) yet Z crosses a whole step.
    writeSteppedMove(lines, 0.5f, 0, 1.5f);
    currentSegment.reset();
    EXPECT_EQ(lines, (CommandLines{"PA 0,0;", "@ZA 1;"}));
    EXPECT_EQ(modalState.currentZ, 1.5f);
}

TEST(SteppedMove, ZCorrectionWhenRunningSumFallsShort)
{
    // 0.1 does not add up to a whole step: the last stair lands at 0.9999..
    // in Z, one whole step short of the target 1.
    startRun();
    modalState.currentZ = 0;
    CommandLines lines;
    currentSegment = std::make_unique<trajectoire>(0, 0, 0, kKindFeed);
    writeSteppedMove(lines, 10, 0, 1.0f);
    currentSegment.reset();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "@ZA 1;");
    EXPECT_EQ(modalState.currentZ, 1.0f);
}

TEST(MovesRecordPath, RapidAndFeedSegments)
{
    startRun();
    run({"G0X10Y5", "G1Z-1", "G1X20Z-2"});
    const auto& segs = trajectoryStore->getSegments();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0].getKind(), kKindRapid);
    ASSERT_EQ(segs[0].getPoints().size(), 2u);
    // Preview units: steps x 0.025, Z negated by the store.
    EXPECT_FLOAT_EQ(segs[0].getPoints()[0].z, 10.0f);
    EXPECT_FLOAT_EQ(segs[0].getPoints()[1].x, 10.0f);
    EXPECT_FLOAT_EQ(segs[0].getPoints()[1].y, 5.0f);
    EXPECT_EQ(segs[1].getKind(), kKindFeed);
    EXPECT_FLOAT_EQ(segs[1].getPoints()[1].z, -1.0f);
    // A staircase adds its stairs and then the end point twice.
    const auto& stairs = segs[2].getPoints();
    EXPECT_EQ(stairs.back().x, stairs[stairs.size() - 2].x);
    EXPECT_FLOAT_EQ(stairs.back().x, 20.0f);
    EXPECT_FLOAT_EQ(stairs.back().z, -2.0f);
    for (const auto& p : stairs)
        EXPECT_EQ(p.kind, kKindFeed);
}

TEST(FeedRate, EndsWithItsRun)
{
    auto first = enginetest::convert({"G1 F1200 X1"});
    (void)first;
    auto second = enginetest::convert({"G1 X1"}, "40", "40", "40", false);
    EXPECT_EQ(second.lines, (CommandLines{"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 40,0;"}));
}

TEST(FeedRate, ArcsReadInchFeedsToo)
{
    for (const char* arc : {"G2X1I.5F10", "G3X1I.5F10", "G2X1R.5F10"}) {
        startRun();
        run({"G20"});
        const CommandLines lines = run({arc});
        ASSERT_GE(lines.size(), 3u) << arc;
        EXPECT_EQ(lines[0], "VS  4.20;") << arc;
        EXPECT_EQ(lines[2], "@ZD  4.20;") << arc;
    }
}

TEST(FeedRate, AboveZMaximumIsRememberedAtZMaximum)
{
    startRun();
    run({"G1F2400X1"});
    EXPECT_EQ(modalState.feedRate, 30.0f);
    EXPECT_EQ(modalState.currentSpeed, 30.0f);
}

} // namespace

namespace {

TEST(StairLimit, MovesThatWouldTakeMinutesAreRefused)
{
    // 50 km down and sideways at once: refused before anything changes,
    // instead of writing billions of stairs.
    const std::vector<std::vector<std::string>> programs = {
        {"G0 X0 Z-50000000"},
        {"G1 X1000000 Z-1000000"},
        {"G28 X0 Z-50000000"},
        {"G18", "G2 X0 Z0 I2000000 K0"},
        {"G19", "G3 Y0 Z0 J0 K2000000 X1"},
    };
    for (const auto& p : programs) {
        auto r = enginetest::convert(p);
        ASSERT_EQ(r.ignored.size(), 1u) << p.back();
        EXPECT_TRUE(r.lines.empty()) << p.back();
    }
    // A long but real move still translates.
    auto r = enginetest::convert({"G1 X1000 Z-2 F300"});
    EXPECT_TRUE(r.ignored.empty());
    EXPECT_EQ(modalState.currentZ, 80.0f);
    EXPECT_EQ(modalState.currentX, 40000.0f);
}

} // namespace
