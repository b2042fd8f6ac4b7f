// Cleaning a source line and cutting it into word groups.
#include <gtest/gtest.h>

#include "tests/engine/EngineTestUtil.h"

namespace {

struct CleanCase {
    const char* source;
    const char* cleaned;
};

class CleanSourceLine : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanSourceLine, Cleans)
{
    EXPECT_EQ(cleanSourceLine(GetParam().source), GetParam().cleaned) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CleanSourceLine,
    ::testing::Values(CleanCase{"n10 g01 x1.5 y2,5", "G01X1.5Y2,5"}, CleanCase{"%", "()"},
                      CleanCase{"G0 X1 % comment", "()"}, CleanCase{"G0X1(FAST)Y2", "G0X1(Y2"},
                      CleanCase{"(ONLY A COMMENT)", "()"}, CleanCase{"G1 X1 (end)", "G1X1()"},
                      // An unclosed comment runs to the end of the line; it never becomes a move.
                      CleanCase{"(SETZ", "()"}, CleanCase{"G0 X1 (set z", "G0X1()"},
                      // The ")" that closes is the first one after the "(".
                      CleanCase{"X1)G0(A)Y2", "X1)G0(Y2"},
                      // Only the first comment is cut.
                      CleanCase{"G0(A)X1(B)Y2", "G0(X1(B)Y2"},
                      // The block number goes with everything before it.
                      CleanCase{"N0010G1X5", "G1X5"}, CleanCase{"X9 N20 G0 X1", "G0X1"},
                      CleanCase{"N", ""}, CleanCase{"N12", ""},
                      // Tabs and other bytes stay; only blanks go.
                      CleanCase{"g0\tx1", "G0\tX1"}, CleanCase{"g0 x1 \xe9", "G0X1\xe9"},
                      // A ';' outside parentheses starts a comment to the end of the line.
                      CleanCase{"G1 Z1 F2540 ; Move to clearance level", "G1Z1F2540()"},
                      CleanCase{"; only a note", "()"}, CleanCase{"G0 X1 (a;b) Y2", "G0X1(Y2"},
                      CleanCase{"G0 X1 (a;b) Y2 ; N5 G1", "G0X1(Y2()"}, CleanCase{"", ""}));

struct SplitCase {
    const char* block;
    std::vector<std::string> groups;
};

class SplitWordGroups : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitWordGroups, Splits)
{
    EXPECT_EQ(splitWordGroups(GetParam().block), GetParam().groups) << GetParam().block;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitWordGroups,
    ::testing::Values(SplitCase{"G0X10Y20M3", {"G0X10Y20", "M3"}}, SplitCase{"X5G1Y2", {"X5G1Y2"}},
                      SplitCase{"X5G0Y1M3", {"G0Y1", "M3"}},
                      SplitCase{"G91G0X10", {"G91", "G0X10"}}, SplitCase{"X10Y5", {"X10Y5"}},
                      SplitCase{"", {""}}, SplitCase{"G17G90G0X0Y0", {"G17", "G90", "G0X0Y0"}},
                      // Only the first letter needs a digit after it.
                      SplitCase{"GX1M3", {"GX1M3"}}, SplitCase{"G1XM", {"G1X", "M"}},
                      SplitCase{"M", {"M"}}, SplitCase{"XG", {"XG"}}));

TEST(TranslateBlock, ReportsRejectedGroupAndKeepsTheOthers)
{
    enginetest::startRun();
    CommandLines out;
    int32_t entry = 7;
    std::vector<std::string> reported;
    translateBlock("G0X1M8", out, entry, [&](const std::string& g) { reported.push_back(g); });
    EXPECT_EQ(out, CommandLines{"PA 40,0;"});
    EXPECT_EQ(entry, -1);
    EXPECT_EQ(reported, std::vector<std::string>{"M8"});
}

TEST(TranslateBlock, CommaIsADecimalPoint)
{
    enginetest::startRun();
    CommandLines out;
    int32_t entry = 4;
    translateBlock(cleanSourceLine("n10 g01 x1.5 y2,5"), out, entry, [](const std::string&) {});
    EXPECT_EQ(entry, 4);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "PA 60,100;");
}

TEST(TranslateBlock, SemicolonCommentKeepsClearanceMove)
{
    // Read literally, the N of "clearance" would drop the move and the tool
    // would cross the part at cutting depth.
    auto r = enginetest::convert({"G1 Z1 F2540 ; Move to clearance level"});
    EXPECT_TRUE(r.ignored.empty());
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines.back(), "@ZA -40;");
}

struct SourceTextCase {
    std::string bytes;
    std::vector<std::string> lines;
};

TEST(SplitSourceText, LineEnds)
{
    const std::vector<SourceTextCase> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\n\n", {"a", ""}},
        {"\r\n", {""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitSourceText(c.bytes), c.lines) << testing::PrintToString(c.bytes);
        // The views must show the same lines without copying the bytes.
        const std::vector<std::string_view> views = splitSourceViews(c.bytes);
        EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), c.lines)
            << testing::PrintToString(c.bytes);
        for (std::string_view v : views) {
            EXPECT_GE(v.data(), c.bytes.data());
            EXPECT_LE(v.data() + v.size(), c.bytes.data() + c.bytes.size());
        }
    }
}

} // namespace
