// The words of a line mean the same in any order: the codes act in
// RS274NGC's order of execution. Codes accepted without effect, lines
// LinuxCNC refuses, and the motion mode a code that is not translated leaves.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/EngineTestUtil.h"

namespace {

using Reports = std::vector<std::pair<int, std::string>>;

std::string joined(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& w : words)
        line += (line.empty() ? "" : " ") + w;
    return line;
}

struct OrderCase {
    const char* name;
    std::vector<std::string> before; // lines in front of the permuted one
    std::vector<std::string> words;  // in their natural order
    std::vector<std::string> after;  // lines after it (show the modes it left)
    CommandLines lines;              // of the natural order, `before` included (empty: not checked)
};

class WordOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(WordOrder, EveryOrderGivesTheNaturalOrdersLines)
{
    const OrderCase& c = GetParam();
    const auto program = [&](const std::vector<std::string>& words) {
        std::vector<std::string> source = c.before;
        source.push_back(joined(words));
        source.insert(source.end(), c.after.begin(), c.after.end());
        return source;
    };
    const auto natural = enginetest::convert(program(c.words));
    if (!c.lines.empty()) {
        EXPECT_EQ(natural.lines, c.lines) << c.name;
    }
    EXPECT_TRUE(natural.ignored.empty()) << c.name;
    std::vector<std::string> words = c.words;
    std::sort(words.begin(), words.end());
    int orders = 0;
    do {
        const auto r = enginetest::convert(program(words));
        EXPECT_EQ(r.lines, natural.lines) << c.name << ": " << joined(words);
        EXPECT_EQ(r.lineMap, natural.lineMap) << c.name << ": " << joined(words);
        EXPECT_TRUE(r.ignored.empty()) << c.name << ": " << joined(words);
        ++orders;
    } while (std::next_permutation(words.begin(), words.end()));
    EXPECT_GT(orders, 1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WordOrder,
    ::testing::Values(
        // The 5 mm retract happens before the return home, at any order.
        OrderCase{"G28 G91 Z5 from Z-1",
                  {"G1 Z-1 F100"},
                  {"G28", "G91", "Z5"},
                  {},
                  {"VS  1.60;", "@ZU  1.60;", "@ZD  1.60;", "@ZA 40;", "@ZA -160;", "PA 0,0;",
                   "@HM;"}},
        // 10 mm incremental, and the feed kept for the next feed move.
        OrderCase{"G0 G91 X10 F300",
                  {},
                  {"G0", "G91", "X10", "F300"},
                  {"G1 X1"},
                  {"PA 400,0;", "VS  4.90;", "@ZU  4.90;", "@ZD  4.90;", "PA 440,0;"}},
        // F counts in the units the line sets.
        OrderCase{"G20 G1 X1 F10",
                  {},
                  {"G20", "G1", "X1", "F10"},
                  {},
                  {"VS  4.20;", "@ZU  4.20;", "@ZD  4.20;", "PA 1016,0;"}},
        // G99: the hole ends at R, not at the start height.
        OrderCase{"G99 G81 X1 Z-2 R1",
                  {"G0 Z5", "F100"},
                  {"G99", "G81", "X1", "Z-2", "R1"},
                  {},
                  {"@ZA -200;", "@ZU  30.00;", "@ZD  1.60;", "PA 40,0;", "@ZD  30.00;",
                   "@ZA -40;", "@ZD  1.60;", "@ZA 80;", "@ZA -40;"}},
        // The spindle starts before the move, as RS274NGC orders them.
        OrderCase{"G0 X1 M3 S1000", {}, {"G0", "X1", "M3", "S1000"}, {}, {"@SS 1;", "RVS 1000;", "PA 40,0;"}},
        OrderCase{"G17 G90 G2 arc",
                  {"G0 X1", "F100"},
                  {"G17", "G90", "G2", "X1", "I1"},
                  {},
                  {}}));

struct LineCase {
    const char* name;
    std::vector<std::string> source;
    CommandLines lines;
    Reports reports;
    std::vector<ReportReason> reasons;
    std::vector<std::string> withoutEffect; // the run's codes accepted without effect
};

class Lines : public ::testing::TestWithParam<LineCase> {};

TEST_P(Lines, Translated)
{
    const LineCase& c = GetParam();
    const auto r = enginetest::convert(c.source);
    EXPECT_EQ(r.lines, c.lines) << c.name;
    EXPECT_EQ(r.ignored, c.reports) << c.name;
    std::vector<ReportReason> reasons;
    for (const ReportInfo& info : r.reasons)
        reasons.push_back(info.reason);
    EXPECT_EQ(reasons, c.reasons) << c.name;
    EXPECT_EQ(codesWithoutEffect(), c.withoutEffect) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, Lines,
    ::testing::Values(
        LineCase{"codes of no effect",
                 {"G40 G49 G54 G94 G91.1 G61", "G61.1", "G64 P0.01 Q0.01", "M7", "M8", "M9",
                  "G53", "G43 H1", "G43"},
                 {},
                 {},
                 {},
                 {"G40", "G43", "G49", "G53", "G54", "G61", "G61.1", "G64", "G91.1", "G94", "M7",
                  "M8", "M9"}},
        // Their coordinates move in the motion mode in force.
        LineCase{"G43 with Z", {"G43 Z15. H1"}, {"@ZA -600;"}, {}, {}, {"G43"}},
        LineCase{"coordinates after a mode code", {"G91 X10", "G90 G54 Y1"}, {"PA 400,0;", "PA 400,40;"}, {}, {}, {"G54"}},
        LineCase{"M9 with a retract", {"Z25. M9"}, {"@ZA -1000;"}, {}, {}, {"M9"}},
        // Machine coordinates and other work offsets stay reported; a move
        // in machine coordinates is not made in the program's.
        LineCase{"G53 with coordinates",
                 {"G0 X5", "G53 G0 X0 Y0", "G55"},
                 {"PA 200,0;"},
                 {{1, "G53X0Y0"}, {2, "G55"}},
                 {ReportReason::UnsupportedCode, ReportReason::UnsupportedCode},
                 {}},
        // A blank line is no report; report texts lose the comment's mark.
        LineCase{"blank lines and comment marks",
                 {"", "\t", "G64 (smooth)", "G96 (css) S200"},
                 {},
                 {{3, "G96S200"}},
                 {ReportReason::UnsupportedCode},
                 {"G64"}},
        LineCase{"feed in front of several codes",
                 {"F100 G90 G1 X1"},
                 {"VS  1.60;", "@ZU  1.60;", "@ZD  1.60;", "PA 40,0;"},
                 {},
                 {},
                 {}},
        LineCase{"negative feed after a tab",
                 {"G1 F\t-90 X1"},
                 {},
                 {{0, "G1F\t-90X1"}},
                 {ReportReason::NegativeFeed},
                 {}}));

INSTANTIATE_TEST_SUITE_P(
    Refused, Lines,
    ::testing::Values(
        // LinuxCNC refuses these lines: nothing of them acts.
        LineCase{"two motion codes",
                 {"G0 G1 X1 F100", "M3 M5", "G90 G91 X1", "G28 G0 X1"},
                 {},
                 {{0, "G0G1X1F100"}, {1, "M3M5"}, {2, "G90G91X1"}, {3, "G28G0X1"}},
                 {ReportReason::TwoCodesOfOneGroup, ReportReason::TwoCodesOfOneGroup,
                  ReportReason::TwoCodesOfOneGroup, ReportReason::AxisWordsTwice},
                 {}},
        // After a motion code that is not translated, coordinates alone do
        // not move in the mode before it (a groove at cutting depth).
        LineCase{"continues G84",
                 {"G1 Z-1 F100", "G84 X20 Y20 Z-5 R2", "X40", "G80", "X1"},
                 {"VS  1.60;", "@ZU  1.60;", "@ZD  1.60;", "@ZA 40;", "@ZU  30.00;", "@ZD  30.00;",
                  "VS  50.00;", "@ZD  30.00;", "@ZU  30.00;", "PA 40,0;"},
                 {{1, "G84X20Y20Z-5R2"}, {2, "X40"}},
                 {ReportReason::UnsupportedCode, ReportReason::ContinuesUntranslatedMotion},
                 {}},
        LineCase{"continues a refused G73",
                 {"G0 Z5", "G73 X1 Z-2 R1 F100", "X2 M5", "G1 X3"},
                 {"@ZA -200;", "@SS 0;", "VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 120,0;"},
                 {{1, "G73X1Z-2R1F100"}, {2, "X2M5"}, {3, "G1X3"}},
                 {ReportReason::NoPeckDepth, ReportReason::ContinuesUntranslatedMotion,
                  ReportReason::StartFeed},
                 {}},
        // Nor after a refused G1: where it would have gone is not known.
        LineCase{"after a refused G1",
                 {"G0 Z5 F100", "G1 Z#2", "X1", "G1 X2"},
                 {"@ZA -200;", "VS  1.60;", "@ZU  1.60;", "@ZD  1.60;", "PA 80,0;"},
                 {{1, "G1Z#2"}, {2, "X1"}},
                 {ReportReason::Parameter, ReportReason::ContinuesUntranslatedMotion},
                 {}}));

TEST(Lines, ContinuationNamesTheCode)
{
    const auto r = enginetest::convert({"G38.2 Z-5 F10", "Z-6"});
    ASSERT_EQ(r.reasons.size(), 2u);
    EXPECT_STREQ(r.reasons[1].code.data(), "G38.2");
    EXPECT_EQ(reasonText(r.reasons[1]), "continues an untranslated motion code G38.2");
}

} // namespace
