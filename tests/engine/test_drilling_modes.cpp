// G98/G99 (where a hole ends and the tool moves to the next one) and the
// Z and R that a cycle block keeps from the previous one while the cycle
// mode lasts. From a tool 5 mm above the part (machine Z -200), retract
// plane R1 (-40), depth Z-3 (120), default machine.
#include <gtest/gtest.h>

#include "tests/engine/EngineTestUtil.h"
#include "tests/engine/MachinePath.h"

namespace {

using enginetest::run;
using enginetest::startRun;

const std::string U30 = "@ZU  30.00;";
const std::string D30 = "@ZD  30.00;";
const std::string D16 = "@ZD  1.60;";

CommandLines join(std::initializer_list<CommandLines> parts)
{
    CommandLines all;
    for (const CommandLines& p : parts)
        all.append(p);
    return all;
}

// The hole at (x, y) from above the retract plane: position, approach,
// drilling at F100, and the way out to `out`.
CommandLines hole(const std::string& xy, const std::string& out)
{
    return {"PA " + xy + ";", D30, "@ZA -40;", D16, "@ZA 120;", "@ZA " + out + ";"};
}

struct ModeCase {
    const char* name;
    std::vector<std::string> groups; // after G0Z5
    CommandLines lines;
    float endZ;
};

class RetractMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(RetractMode, EndsHolesAtItsLevel)
{
    startRun();
    run({"G0Z5"});
    EXPECT_EQ(run(GetParam().groups), GetParam().lines) << GetParam().name;
    EXPECT_EQ(modalState.currentZ, GetParam().endZ) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, RetractMode,
    ::testing::Values(
        ModeCase{"G99 plain: the retract plane, as always",
                 {"G99", "G81X1Y2Z-3R1F100", "X5"},
                 join({{U30, D16}, hole("40,80", "-40"), {"PA 200,80;", "@ZA 120;", "@ZA -40;"}}),
                 -40},
        ModeCase{"G98 plain: the initial level, and the next hole approaches again",
                 {"G98", "G81X1Y2Z-3R1F100", "X5"},
                 join({{U30, D16}, hole("40,80", "-200"), hole("200,80", "-200")}),
                 -200},
        ModeCase{"G98 dwell",
                 {"G98", "G82X1Z-3R1P500F100"},
                 {U30, D16, "PA 40,0;", D30, "@ZA -40;", D16, "@ZA 120;", "@WT 500;", "@ZA -200;"},
                 -200},
        ModeCase{"G98 pecks clear the chips at the retract plane, the last leaves to the "
                 "initial level",
                 {"G98", "G83X1Z-3R1Q2F100"},
                 {U30, D16, "PA 40,0;", D30, "@ZA -40;", D16, "@ZA 40;", "@ZA -40;", D30, "@ZA 29;",
                  D16, "@ZA 120;", "@ZA -200;"},
                 -200},
        ModeCase{"G98 G73: short rises between pecks, the last leaves to the initial level",
                 {"G98", "G73X1Z-3R1Q2F100"},
                 {U30, D16, "PA 40,0;", D30, "@ZA -40;", D16, "@ZA 40;", "@ZA 29;", "@ZA 120;",
                  "@ZA -200;"},
                 -200},
        ModeCase{
            "G98 row: every hole of L ends at the initial level",
            {"G98", "G91", "G81X2Z-4R-4L3F100"},
            join({{U30, D16}, hole("80,0", "-200"), hole("160,0", "-200"), hole("240,0", "-200")}),
            -200},
        ModeCase{"G98 with the initial level below the retract plane: the plane",
                 {"G0Z0.5", "G98", "G81X1Z-3R1F100"},
                 {"@ZA -20;", U30, D16, "@ZA -40;", "PA 40,0;", "@ZA 120;", "@ZA -40;"},
                 -40},
        ModeCase{"G98 with the initial level less than a step above the plane: the plane",
                 {"G0Z1.0125", "G98", "G81X1Z-3R1F100"},
                 {"@ZA -40;", U30, D16, "PA 40,0;", "@ZA 120;", "@ZA -40;"},
                 -40},
        ModeCase{"G99 in the middle of a cycle: from the next hole on",
                 {"G98", "G81X1Z-3R1F100", "G99", "X5"},
                 join({{U30, D16}, hole("40,0", "-200"), hole("200,0", "-40")}),
                 -40},
        ModeCase{"G98 after G99 holes: the level of the cycle's first block",
                 {"G81X1Z-3R1F100", "G98", "X5"},
                 join({{U30, D16}, hole("40,0", "-40"), {"PA 200,0;", "@ZA 120;", "@ZA -200;"}}),
                 -200},
        ModeCase{"a new cycle mode takes a new initial level",
                 {"G98", "G81X1Z-3R1F100", "G80", "G0Z8", "G81X2Z-3R1"},
                 join({{U30, D16},
                       hole("40,0", "-200"),
                       {U30, D30, "@ZA -320;", U30, D16},
                       hole("80,0", "-320")}),
                 -320},
        ModeCase{"the cycle code again keeps the initial level",
                 {"G98", "G81X1Z-3R1F100", "G81X2"},
                 join({{U30, D16}, hole("40,0", "-200"), {U30, D16}, hole("80,0", "-200")}),
                 -200}));

TEST(RetractMode, StartOfARunIsG99)
{
    // A second run starts as the first one does, whatever the first left.
    auto first = enginetest::convert({"G98", "G0 Z5", "G81 X1 Z-3 R1 F100"});
    auto second = enginetest::convert({"G0 Z5", "G81 X1 Z-3 R1 F100"}, "40", "40", "40", false);
    ASSERT_FALSE(second.lines.empty());
    EXPECT_EQ(second.lines.back(), "@ZA -40;");
    EXPECT_EQ(first.lines.back(), "@ZA -200;");
    EXPECT_TRUE(first.ignored.empty());
}

TEST(RetractMode, ToolPathRecordsTheWayOut)
{
    startRun();
    run({"G0Z5", "G98", "G81X1Z-3R1F100"});
    const auto& last = trajectoryStore->getSegments().back().getPoints();
    ASSERT_FALSE(last.empty());
    // The store keeps Z negated: program millimetres here.
    EXPECT_FLOAT_EQ(last.back().z, 5.0f);
    EXPECT_EQ(last.back().kind, kKindRapid);
}

// ---- Z and R kept while the cycle mode lasts -------------------------------

struct StickyCase {
    const char* name;
    std::vector<std::string> shortened; // cycle blocks without Z or R
    std::vector<std::string> written;   // the same with the kept words written again
};

class CycleWords : public ::testing::TestWithParam<StickyCase> {};

TEST_P(CycleWords, AbsentZAndRAreThePreviousBlocks)
{
    const StickyCase& c = GetParam();
    startRun();
    const CommandLines shortened = run(c.shortened);
    const float z = modalState.currentZ;
    startRun();
    const CommandLines written = run(c.written);
    EXPECT_EQ(shortened, written) << c.name;
    EXPECT_EQ(z, modalState.currentZ) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, CycleWords,
    ::testing::Values(
        // The PCB drilling pattern: the cycle code on every hole.
        StickyCase{"absolute",
                   {"G0Z5", "G82X1Y1Z-2R1P5F100", "G82X2Y2", "G82X3Y3"},
                   {"G0Z5", "G82X1Y1Z-2R1P5F100", "G82X2Y2Z-2R1", "G82X3Y3Z-2R1"}},
        StickyCase{"absolute, one word new",
                   {"G0Z5", "G81X1Z-2R1F100", "G81X2Z-4", "G81X3R2", "G81X4"},
                   {"G0Z5", "G81X1Z-2R1F100", "G81X2Z-4R1", "G81X3Z-4R2", "G81X4Z-4R2"}},
        StickyCase{"carried over twice, modal repeats between",
                   {"G0Z5", "G81X1Z-2R1F100", "X2", "G81X3", "Y3", "G81X4"},
                   {"G0Z5", "G81X1Z-2R1F100", "X2", "G81X3Z-2R1", "Y3", "G81X4Z-2R1"}},
        StickyCase{"incremental, each in the distance mode it was read in",
                   {"G0Z5", "G91", "G81X1Z-8R-4F100", "G81X1", "G81X1"},
                   {"G0Z5", "G91", "G81X1Z-8R-4F100", "G81X1Z-8R-4", "G81X1Z-8R-4"}},
        StickyCase{"incremental under G98",
                   {"G0Z5", "G98", "G91", "G83X1Z-8R-4Q2F100", "G83X1", "G83Y1"},
                   {"G0Z5", "G98", "G91", "G83X1Z-8R-4Q2F100", "G83X1Z-8R-4", "G83Y1Z-8R-4"}},
        StickyCase{"read in G90, carried into G91",
                   {"G0Z5", "G81X1Z-2R1F100", "G91", "G81X1"},
                   {"G0Z5", "G81X1Z-2R1F100", "G90", "G81X2Z-2R1", "G91"}},
        StickyCase{"with G98",
                   {"G0Z5", "G98", "G82X1Z-2R1P5F100", "G82X2", "G82X3"},
                   {"G0Z5", "G98", "G82X1Z-2R1P5F100", "G82X2Z-2R1", "G82X3Z-2R1"}},
        // A new cycle mode starts from the current height again.
        StickyCase{"after G80",
                   {"G0Z5", "G81X1Z-2R1F100", "G80", "G81X2"},
                   {"G0Z5", "G81X1Z-2R1F100", "G80", "G81X2Z1R1"}},
        StickyCase{"after another motion code",
                   {"G0Z5", "G81X1Z-2R1F100", "G0X0", "G81X2"},
                   {"G0Z5", "G81X1Z-2R1F100", "G0X0", "G81X2Z1R1"}},
        // The last Q given to a peck cycle holds for the whole run (FreeCAD's
        // fanuc post writes it on the first hole only); P is not carried.
        StickyCase{"Q carried, P not",
                   {"G0Z5", "G82X1Z-2R1P5F100", "G83X2Q1", "G83X3"},
                   {"G0Z5", "G82X1Z-2R1P5F100", "G83X2Z-2R1Q1", "G83X3Z-2R1Q1"}},
        StickyCase{"Q carried past G80 and other cycles",
                   {"G0Z5", "G83X1Z-2R1Q0.5F100", "G80", "G81X2Z-2R1", "G80", "G73X3Z-3R1"},
                   {"G0Z5", "G83X1Z-2R1Q0.5F100", "G80", "G81X2Z-2R1", "G80", "G73X3Z-3R1Q0.5"}}));

TEST(CycleWords, HolesOfThePcbPatternAreDrilled)
{
    // Every hole reaches the depth, not only the first.
    startRun();
    const CommandLines lines = run({"G0Z5", "G82X1Y1Z-2R1P5F100", "G82X2Y1", "G82X3Y1", "G80"});
    const auto path = enginetest::machinePath(lines, {0, 0, -200});
    int bottoms = 0;
    for (const auto& p : path)
        bottoms += p[2] == 80 ? 1 : 0;
    EXPECT_EQ(bottoms, 3);
}

TEST(CycleWords, RejectedCycleBlockChangesNothing)
{
    // A rejected block neither carries its words nor records an initial
    // level; it ends the cycle mode: coordinates alone drill nothing.
    startRun();
    run({"G0Z5", "G98", "G81X1Z-2R1F100"});
    EXPECT_EQ(dispatchWordGroup("G81X2Z-3R60000000"), CommandLines{"error"});
    EXPECT_EQ(dispatchWordGroup("G81X60000000Z-4R2"), CommandLines{"error"});
    EXPECT_EQ(dispatchWordGroup("X3"), CommandLines{"error"});
    const CommandLines lines = run({"G81X3Z-2R1"});
    EXPECT_EQ(lines.back(), "@ZA -200;");
    EXPECT_EQ(lines[lines.size() - 2], "@ZA 80;");
    EXPECT_EQ(lines[lines.size() - 4], "@ZA -40;");
}

TEST(CycleWords, PeckDepthIsTheRunsOwn)
{
    // The last Q of one run does not reach into the next: a G83 without Q,
    // and none before in its run, is reported and nothing moves.
    const auto first = enginetest::convert({"G83 X1 Z-3 R1 Q1 F100"});
    EXPECT_TRUE(first.ignored.empty());
    const auto second =
        enginetest::convert({"G83 X1 Z-3 R1 F100", "G0 X5"}, "40", "40", "40", false);
    ASSERT_EQ(second.reasons.size(), 1u);
    EXPECT_EQ(second.reasons[0].reason, ReportReason::NoPeckDepth);
    EXPECT_EQ(second.lines, CommandLines{"PA 200,0;"});
}

// ---- incremental depth, and the way up to the retract plane ---------------

struct LevelCase {
    const char* name;
    std::vector<std::string> groups; // after G0Z5
    CommandLines lines;
};

class CycleLevels : public ::testing::TestWithParam<LevelCase> {};

// Besides the lines: the tool never moves over X or Y below the retract
// plane and always reaches the depth.
TEST_P(CycleLevels, DepthFromTheRetractPlaneAndNoMoveBelowIt)
{
    const LevelCase& c = GetParam();
    startRun();
    run({"G0Z5"});
    const CommandLines lines = run(c.groups);
    EXPECT_EQ(lines, c.lines) << c.name;
    const auto path = enginetest::machinePath(lines, enginetest::wholeCurrentSteps());
    const double retract = std::trunc(modalState.cycleRetractZ);
    bool deepest = false;
    for (std::size_t p = 1; p < path.size(); ++p) {
        const bool sideways = path[p][0] != path[p - 1][0] || path[p][1] != path[p - 1][1];
        EXPECT_FALSE(sideways && path[p][2] > retract) << c.name << ", move " << p;
        deepest = deepest || path[p][2] == std::trunc(modalState.cycleBottomZ);
    }
    EXPECT_TRUE(deepest) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, CycleLevels,
    ::testing::Values(LevelCase{"incremental: R from the tool, Z from R",
                                {"G91", "G81X1R-4Z-4F100"},
                                join({{U30, D16}, hole("40,0", "-40")})},
                      LevelCase{"incremental without R: Z from the tool's height",
                                {"G91", "G81X1Z-3F100"},
                                {U30, D16, "PA 40,0;", "@ZA -80;", "@ZA -200;"}},
                      LevelCase{"incremental, R kept: counted again from the new height",
                                {"G91", "G81X1R-4Z-4F100", "G81X1"},
                                join({{U30, D16},
                                      hole("40,0", "-40"),
                                      {U30, D16, "PA 80,0;", D30, "@ZA 120;", D16, "@ZA 280;",
                                       "@ZA 120;"}})},
                      LevelCase{"the inch bolt circle's cycle without its angle",
                                {"G20", "G0Z0", "G91", "G81R.1Z-.5L2F10"},
                                {"@ZA 0;", U30, "@ZD  4.20;", "@ZA -101;", "PA 0,0;", "@ZA 406;",
                                 "@ZA -101;", "PA 0,0;", "@ZA 406;", "@ZA -101;"}},
                      LevelCase{"absolute, tool in the part: up to R first",
                                {"G1Z-2F100", "G81X3Y1Z-3R1"},
                                {"VS  1.60;", "@ZU  1.60;", "@ZD  1.60;", "@ZA 80;", U30, D16,
                                 "@ZA -40;", "@VS  50.00;", "PA 120,40;", "@ZA 120;", "@ZA -40;"}},
                      LevelCase{"G98 from below R: the holes end at R",
                                {"G0Z-1", "G98", "G81X1Z-3R1F100", "X2"},
                                {"@ZA 40;", U30, D16, "@ZA -40;", "PA 40,0;", "@ZA 120;",
                                 "@ZA -40;", "PA 80,0;", "@ZA 120;", "@ZA -40;"}}));

// A modal repeat after a move that left the tool below the retract plane
// (here the return to reference, which keeps its intermediate height) goes up
// to the plane before it moves over the hole.
TEST(CycleLevels, ModalRepeatRaisesTheToolToo)
{
    startRun();
    run({"G0Z5", "G81X1Z-3R1F100", "G28Z-1"});
    EXPECT_EQ(run({"X2"}), (CommandLines{"@ZA -40;", "PA 80,0;", "@ZA 120;", "@ZA -40;"}));
}

TEST(CycleLevels, ToolPathShowsTheWayUp)
{
    startRun();
    run({"G0Z-1", "G81X2Z-3R1F100"});
    const auto& first = trajectoryStore->getSegments()[1].getPoints();
    ASSERT_GE(first.size(), 3u);
    // Program millimetres: from the tool's height straight up to R, then over.
    EXPECT_FLOAT_EQ(first[0].z, -1.0f);
    EXPECT_FLOAT_EQ(first[1].x, 0.0f);
    EXPECT_FLOAT_EQ(first[1].z, 1.0f);
    EXPECT_FLOAT_EQ(first[2].x, 2.0f);
    EXPECT_FLOAT_EQ(first[2].z, 1.0f);
    EXPECT_EQ(first[1].kind, kKindRapid);
}

} // namespace
