// G73/G81/G82/G83, the modal repeat and G80, from a tool 10 mm above the part
// (machine Z -400) with the default machine.
#include <gtest/gtest.h>

#include "tests/engine/EngineTestUtil.h"

namespace {

using enginetest::run;
using enginetest::startRun;

const std::string U30 = "@ZU  30.00;";
const std::string D30 = "@ZD  30.00;";
const std::string D52 = "@ZD  5.20;";
const std::string D2 = "@ZD  2.00;";

struct DrillCase {
    const char* name;
    std::vector<std::string> groups;
    CommandLines lines;
};

class Drilling : public ::testing::TestWithParam<DrillCase> {};

TEST_P(Drilling, WritesLines)
{
    startRun();
    EXPECT_EQ(run(GetParam().groups), GetParam().lines) << GetParam().name;
}

// A G83 peck but the last: down to the depth, out to the retract plane, back
// down at full speed to 0.254 mm (10.16 steps) above the depth, then the feed
// again. The last peck is its depth alone: the tool then leaves the hole.
CommandLines peck(const std::string& depth, const std::string& retract, const std::string& resume,
                  const std::string& feed)
{
    return {"@ZA " + depth + ";", "@ZA " + retract + ";", D30, "@ZA " + resume + ";", feed};
}

CommandLines join(std::initializer_list<CommandLines> parts)
{
    CommandLines all;
    for (const CommandLines& p : parts)
        all.append(p);
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, Drilling,
    ::testing::Values(
        // Q is the depth of one peck: 11 mm in 2 mm pecks is six of them.
        DrillCase{"Q is the depth of one peck",
                  {"G0Z5", "G83X10Y10Z-10R1Q2F120"},
                  join({{"@ZA -200;", U30, D2, "PA 400,400;", D30, "@ZA -40;", D2},
                        peck("40", "-40", "29", D2),
                        peck("120", "-40", "109", D2),
                        peck("200", "-40", "189", D2),
                        peck("280", "-40", "269", D2),
                        peck("360", "-40", "349", D2),
                        {"@ZA 400;", "@ZA -40;"}})},
        DrillCase{"Q less than a millimetre",
                  {"G83Z-2R0Q0.5"},
                  join({{U30, D52, "PA 0,0;", D30, "@ZA 0;", D52},
                        peck("20", "0", "9", D52),
                        peck("40", "0", "29", D52),
                        peck("60", "0", "49", D52),
                        {"@ZA 80;", "@ZA 0;"}})},
        DrillCase{"negative Q is its magnitude: the depth in one peck",
                  {"G83Z-2R0Q-2"},
                  {U30, D52, "PA 0,0;", D30, "@ZA 0;", D52, "@ZA 80;", "@ZA 0;"}},
        DrillCase{"fractional Q ends with a shorter peck",
                  {"G83Z-3R0Q1.3"},
                  join({{U30, D52, "PA 0,0;", D30, "@ZA 0;", D52},
                        peck("52", "0", "41", D52),
                        peck("104", "0", "93", D52),
                        {"@ZA 120;", "@ZA 0;"}})},
        DrillCase{"inch Q is inches; the clearance is 0.254 mm still",
                  {"G20", "G83Z-.1R.05Q.05F10"},
                  join({{U30, "@ZD  4.20;", "PA 0,0;", D30, "@ZA -50;", "@ZD  4.20;"},
                        peck("0", "-50", "-10", "@ZD  4.20;"),
                        peck("50", "-50", "40", "@ZD  4.20;"),
                        {"@ZA 101;", "@ZA -50;"}})},
        DrillCase{"retract plane below the depth: one peck",
                  {"G83Z1R-1Q0.5"},
                  {U30, D52, "PA 0,0;", D30, "@ZA 40;", D52, "@ZA -40;", "@ZA 40;"}},
        // G73 breaks the chip: between pecks the tool rises 0.254 mm only.
        DrillCase{"G73 rises by the clearance between pecks",
                  {"G0Z5", "G73X1Z-3R1Q1.5F120"},
                  {"@ZA -200;", U30, D2, "PA 40,0;", D30, "@ZA -40;", D2, "@ZA 20;", "@ZA 9;",
                   "@ZA 80;", "@ZA 69;", "@ZA 120;", "@ZA -40;"}},
        DrillCase{"G73 modal repeat and the last Q",
                  {"G73X1Z-1R1Q1", "X2", "G73X3"},
                  {U30, D52, "PA 40,0;", D30, "@ZA -40;", D52, "@ZA 0;", "@ZA -10;", "@ZA 40;",
                   "@ZA -40;", "PA 80,0;", "@ZA 0;", "@ZA -10;", "@ZA 40;", "@ZA -40;", U30, D52,
                   "PA 120,0;", "@ZA 0;", "@ZA -10;", "@ZA 40;", "@ZA -40;"}},
        // G81 and G82 drill in one go whatever Q says.
        DrillCase{"Q of G81 is no peck", {"G81Z-3R1Q1"}, {U30, D52, "PA 0,0;", D30, "@ZA -40;", D52, "@ZA 120;", "@ZA -40;"}},
        // A feed that would be no speed at all is the slowest the lines carry.
        DrillCase{"F3 in a cycle is 0.1, reported",
                  {"G81Z-3R1F3"},
                  {"error", U30, "@ZD  0.10;", "PA 0,0;", D30, "@ZA -40;", "@ZD  0.10;", "@ZA 120;",
                   "@ZA -40;"}},
        DrillCase{"plain cycle",
                  {"G81X1Y2Z-3R1F100"},
                  {U30, "@ZD  1.60;", "PA 40,80;", D30, "@ZA -40;", "@ZD  1.60;", "@ZA 120;",
                   "@ZA -40;"}},
        DrillCase{"feed limited to the XY maximum only",
                  {"G81Z-3R1F6000"},
                  {U30, "@ZD  50.00;", "PA 0,0;", D30, "@ZA -40;", "@ZD  50.00;", "@ZA 120;",
                   "@ZA -40;"}},
        DrillCase{"below the retract plane: up to it first, then over the hole",
                  {"G0Z-1", "G81X2Z-3R1"},
                  {"@ZA 40;", U30, D52, "@ZA -40;", "PA 80,0;", "@ZA 120;", "@ZA -40;"}},
        DrillCase{"half a step above the plane counts as on it",
                  {"G0Z1.0125", "G81Z-3R1"},
                  {"@ZA -40;", U30, D52, "PA 0,0;", "@ZA 120;", "@ZA -40;"}},
        DrillCase{"dwell between depth and retract",
                  {"G82Z-3R1P500"},
                  {U30, D52, "PA 0,0;", D30, "@ZA -40;", D52, "@ZA 120;", "@WT 500;", "@ZA -40;"}},
        DrillCase{"no dwell in a peck cycle",
                  {"G83Z-3R1Q5P500"},
                  {U30, D52, "PA 0,0;", D30, "@ZA -40;", D52, "@ZA 120;", "@ZA -40;"}},
        DrillCase{"incremental without words drills where it is",
                  {"G91", "G81"},
                  {U30, D52, "PA 0,0;", "@ZA -400;", "@ZA -400;"}},
        DrillCase{"L0 drills nothing", {"G81X1Z-3R1L0"}, {U30, D52}},
        DrillCase{"XY speed restored before positioning",
                  {"G1X1", "G81Z-3R-1"},
                  {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 40,0;", U30, D52, "@VS  50.00;",
                   "PA 40,0;", D30, "@ZA 40;", D52, "@ZA 120;", "@ZA 40;"}},
        DrillCase{"modal repeat, cancel, then a rapid",
                  {"G81X1Y1Z-3R1F100", "X5", "G80", "X6"},
                  {U30, "@ZD  1.60;", "PA 40,40;", D30, "@ZA -40;", "@ZD  1.60;", "@ZA 120;",
                   "@ZA -40;", "PA 200,40;", "@ZA 120;", "@ZA -40;", U30, D30, "PA 240,40;"}},
        DrillCase{"absolute row drills the same hole",
                  {"G81X10Z-1R1L2"},
                  {U30, D52, "PA 400,0;", D30, "@ZA -40;", D52, "@ZA 40;", "@ZA -40;", "PA 400,0;",
                   "@ZA 40;", "@ZA -40;"}},
        DrillCase{"incremental row moves by X each time, the depth counted from R",
                  {"G91", "G81X10Y-1Z-0.5R0.5L3"},
                  {U30, D52, "@ZA -420;", "PA 400,-40;", "@ZA -400;", "@ZA -420;", "PA 800,-80;",
                   "@ZA -400;", "@ZA -420;", "PA 1200,-120;", "@ZA -400;", "@ZA -420;"}},
        DrillCase{
            "inch F is inches per minute",
            {"G20", "G81Z-.1R.05F10"},
            {U30, "@ZD  4.20;", "PA 0,0;", D30, "@ZA -50;", "@ZD  4.20;", "@ZA 101;", "@ZA -50;"}},
        DrillCase{"inch F limited to the XY maximum",
                  {"G70", "G81Z-.1R.05F200"},
                  {U30, "@ZD  50.00;", "PA 0,0;", D30, "@ZA -50;", "@ZD  50.00;", "@ZA 101;",
                   "@ZA -50;"}},
        DrillCase{
            "millimetre F again after G21",
            {"G20", "G21", "G81Z-3R1F100"},
            {U30, "@ZD  1.60;", "PA 0,0;", D30, "@ZA -40;", "@ZD  1.60;", "@ZA 120;", "@ZA -40;"}},
        DrillCase{"incremental modal repeat",
                  {"G91", "G81X1Z-1", "Y1"},
                  {U30, D52, "PA 40,0;", "@ZA -360;", "@ZA -400;", "PA 40,40;", "@ZA -360;",
                   "@ZA -400;"}}));

TEST(Drilling, StoreHoldsRapidAndFeedPieces)
{
    startRun();
    run({"G82X1Z-3R1P5"});
    const auto& segs = trajectoryStore->getSegments();
    ASSERT_EQ(segs.size(), 3u);
    // Positioning and approach, the drilling, then the way out.
    const std::vector<std::vector<std::pair<float, int32_t>>> expected = {
        {{10, 0}, {10, 0}, {1, 0}}, {{1, 1}, {-3, 1}}, {{-3, 0}, {1, 0}}};
    for (std::size_t s = 0; s < segs.size(); ++s) {
        ASSERT_EQ(segs[s].getPoints().size(), expected[s].size()) << s;
        for (std::size_t p = 0; p < expected[s].size(); ++p) {
            // The store keeps Z negated: program millimetres here.
            EXPECT_FLOAT_EQ(segs[s].getPoints()[p].z, expected[s][p].first) << s << "," << p;
            EXPECT_EQ(segs[s].getPoints()[p].kind, expected[s][p].second) << s << "," << p;
        }
    }
    EXPECT_FLOAT_EQ(segs[0].getPoints()[1].x, 1.0f);
    EXPECT_EQ(modalState.currentZ, -40.0f);
    EXPECT_FALSE(currentSegment);
}

TEST(Drilling, PeckStoreDropsTheLastFeedPiece)
{
    startRun();
    run({"G83Z-2R0Q2"});
    for (const auto& t : trajectoryStore->getSegments())
        EXPECT_GE(t.getPoints().size(), 2u) << "one-point piece stored";
    EXPECT_EQ(trajectoryStore->getSegments().back().getPoints().back().z, 0.0f);
}

TEST(Drilling, RejectedGroupChangesNothing)
{
    // Too many pecks or holes, a peck cycle without Q (none before in the
    // run) or with Q0, a dwell beyond 32 bits, a depth, retract plane or hole
    // outside the step range, a row that runs out of it.
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"G90", "G83Z-3R1Q0.003"},  {"G90", "G81Z-3R1L1001"},   {"G90", "G82Z-3R1P3000000000"},
        {"G90", "G83Z-3R1"},        {"G90", "G73Z-3R1Q0"},
        {"G90", "G81Z-60000000R1"}, {"G90", "G81Z-3R60000000"}, {"G90", "G81X60000000Z-3"},
        {"G91", "G81X30000000L2"}};
    for (const auto& [mode, group] : cases) {
        startRun();
        run({"G91", "G81X30000000Z-1R1F100", mode});
        const ModalState before = modalState;
        const std::size_t segments = trajectoryStore->getSegments().size();
        EXPECT_EQ(dispatchWordGroup(group), CommandLines{"error"}) << group;
        EXPECT_EQ(modalState.currentX, before.currentX) << group;
        EXPECT_EQ(modalState.currentZ, before.currentZ) << group;
        EXPECT_EQ(modalState.feedRate, before.feedRate) << group;
        EXPECT_EQ(modalState.cycleRepeat, before.cycleRepeat) << group;
        EXPECT_EQ(modalState.cyclePeck, before.cyclePeck) << group;
        EXPECT_EQ(modalState.cycleBottomZ, before.cycleBottomZ) << group;
        EXPECT_EQ(modalState.cycleRetractZ, before.cycleRetractZ) << group;
        // Its coordinates alone will drill nothing (test_word_order).
        EXPECT_EQ(modalState.motionMode, kMotionUntranslated) << group;
        EXPECT_EQ(trajectoryStore->getSegments().size(), segments) << group;
    }
}

TEST(Drilling, PeckSmallerThanTheFloatSpacingEnds)
{
    // At a billion steps floats are 64 apart: a share of 0.64 step cannot
    // move the depth, which then goes straight to the bottom.
    startRun();
    modalState.currentZ = 1.0e9f;
    modalState.cycleRetractZ = 1.0e9f;
    modalState.cycleBottomZ = 1.0e9f + 64.0f;
    modalState.cyclePeck = 0.5f;
    modalState.cycleRepeat = 1;
    CommandLines lines;
    ASSERT_TRUE(repeatDrillCycle("X0", lines));
    EXPECT_EQ(lines.back(), "@ZA 1000000000;");
    EXPECT_EQ(lines[lines.size() - 2], "@ZA 1000000064;");
    // A stored peck depth far too small for the hole is still a finite loop.
    modalState.cyclePeck = 1e-9f;
    lines.clear();
    ASSERT_TRUE(repeatDrillCycle("X0", lines));
    EXPECT_LE(lines.size(), 5003u);
}

} // namespace
