// Coordinates written in front of a block's one code ("Z2 S10000 M3",
// "Z25. M9", "X10 G91"): the code acts first (for M2 and M30, which end the
// program, last), then the coordinates move the tool in the motion mode in
// force. In a block of several codes they are words of the line like any
// other (test_word_order).
#include <gtest/gtest.h>

#include "tests/engine/EngineTestUtil.h"

namespace {

using Reports = std::vector<std::pair<int, std::string>>;

struct LeadingCase {
    const char* name;
    std::vector<std::string> program; // after "G0 Z5" and "G0 X5"
    CommandLines lines;               // after their "@ZA -200;" and "PA 200,0;"
    std::vector<int32_t> lineMap;     // of the program's lines
    Reports reports;                  // lines counted from 0 in the program
};

class LeadingCoordinates : public ::testing::TestWithParam<LeadingCase> {};

TEST_P(LeadingCoordinates, Translated)
{
    const LeadingCase& c = GetParam();
    std::vector<std::string> source = {"G0 Z5", "G0 X5"};
    source.insert(source.end(), c.program.begin(), c.program.end());
    const auto r = enginetest::convert(source);
    ASSERT_GE(r.lines.size(), 2u);
    EXPECT_EQ(CommandLines(r.lines.begin() + 2, r.lines.end()), c.lines) << c.name;
    EXPECT_EQ(std::vector<int32_t>(r.lineMap.begin() + 2, r.lineMap.end()), c.lineMap) << c.name;
    Reports reports;
    for (const auto& [line, group] : r.ignored)
        reports.emplace_back(line - 2, group);
    EXPECT_EQ(reports, c.reports) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, LeadingCoordinates,
    ::testing::Values(
        // A supported code: the spindle starts, then the retract.
        LeadingCase{
            "spindle code", {"Z2 S10000 M03"}, {"@SS 1;", "RVS 10000;", "@ZA -80;"}, {6}, {}},
        // An unsupported code is reported, the retract is kept, and the
        // return home starts from its height.
        LeadingCase{"unsupported code",
                    {"Z25. M04", "G28 X0 Y0"},
                    {"@ZA -1000;", "PA 0,0;", "@HM;"},
                    {-1, 7},
                    {{0, "Z25.M04"}}},
        // A mode code takes effect first: X10 is then incremental.
        LeadingCase{"mode code", {"X10 G91", "X1"}, {"PA 600,0;", "PA 640,0;"}, {6, 7}, {}},
        LeadingCase{"units code", {"X1 G20"}, {"PA 1016,0;"}, {6}, {}},
        LeadingCase{"plane code", {"Z4 G18"}, {"@ZA -160;"}, {6}, {}},
        LeadingCase{"dwell", {"X1 G4 P100"}, {"@WT 100;", "PA 40,0;"}, {6}, {}},
        LeadingCase{"feed mode",
                    {"G1 X0 F100", "Z-1 M5"},
                    {"VS  1.60;", "@ZU  1.60;", "@ZD  1.60;", "PA 0,0;", "@SS 0;", "@ZA 40;"},
                    {6, 10},
                    {}},
        LeadingCase{"drilling mode repeats the cycle there",
                    {"G81 X1 Z-2 R1 F100", "X3 M3"},
                    {"@ZU  30.00;", "@ZD  1.60;", "PA 40,0;", "@ZD  30.00;", "@ZA -40;",
                     "@ZD  1.60;", "@ZA 80;", "@ZA -40;", "@SS 1;", "PA 120,0;", "@ZA 80;",
                     "@ZA -40;"},
                    {6, 14},
                    {}},
        // The program ends after the block's motion.
        LeadingCase{
            "M30", {"X1 Y2 M30"}, {"PA 40,80;", "@SS 0;", "VS 30.0", "PA 0,1600;"}, {6}, {}},
        LeadingCase{"M02", {"Z10 M2"}, {"@ZA -400;", "@SS0;", "VS 30.0", "PA 0,1600;"}, {6}, {}},
        // The motion codes read the whole group themselves, as always.
        LeadingCase{"motion code", {"X1 G0 Y2"}, {"PA 40,80;"}, {6}, {}},
        LeadingCase{"return to reference", {"Z9 G28"}, {"@ZA -360;", "PA 200,0;", "@HM;"}, {6}, {}},
        // One part refused: the group is reported, the other part is kept.
        LeadingCase{"code refused, move kept",
                    {"Z2 M3 S3000000000"},
                    {"@ZA -80;"},
                    {-1},
                    {{0, "Z2M3S3000000000"}}},
        LeadingCase{
            "move refused, code kept", {"X60000000 M5"}, {"@SS 0;"}, {-1}, {{0, "X60000000M5"}}},
        LeadingCase{
            "both refused", {"X60000000 M4", "M5"}, {"@SS 0;"}, {-1, 6}, {{0, "X60000000M4"}}},
        LeadingCase{"decimal comma", {"Z2,5 M5"}, {"@SS 0;", "@ZA -100;"}, {6}, {}},
        // Several codes: every word is the line's; the spindle stops first.
        LeadingCase{"several codes, coordinates in front",
                    {"X9 G0 Y1 M5"},
                    {"@SS 0;", "PA 360,40;"},
                    {6},
                    {}},
        LeadingCase{"several codes, other words in front",
                    {"S500 G0 Y1 M5"},
                    {"@SS 0;", "PA 200,40;"},
                    {6},
                    {}},
        // Coordinates after a code that is not a motion code move as well.
        LeadingCase{"coordinates after a mode code", {"G91 X1", "G17 Z1"}, {"PA 240,0;", "@ZA -240;"}, {6, 7}, {}}));

TEST(LeadingCoordinates, DispatcherTellsAPartlyTranslatedGroup)
{
    enginetest::startRun();
    CommandLines lines;
    EXPECT_EQ(dispatchWordGroup("Z2M4", lines), GroupOutcome::Partly);
    EXPECT_EQ(lines, CommandLines{"@ZA -80;"});
    EXPECT_EQ(dispatchWordGroup("Z3M48"), (CommandLines{"error", "@ZA -120;"}));
    EXPECT_EQ(dispatchWordGroup("Z4M5", lines), GroupOutcome::Translated);
    EXPECT_EQ(dispatchWordGroup("X60000000M4", lines), GroupOutcome::Rejected);
    EXPECT_EQ(lines, (CommandLines{"@ZA -80;", "@SS 0;", "@ZA -160;"}));
    // A G in front of the M word: not coordinates alone, the M code as always.
    EXPECT_EQ(dispatchWordGroup("GX1M5", lines), GroupOutcome::Translated);
    EXPECT_EQ(lines.back(), "@SS 0;");
    EXPECT_EQ(modalState.currentX, 0.0f);
}

} // namespace
