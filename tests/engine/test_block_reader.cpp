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
                      // Later comments go whole: their letters are no words.
                      CleanCase{"G0(A)X1(B)Y2", "G0(X1Y2"},
                      CleanCase{"G0 X1 (a) (b z3 f9)", "G0X1("},
                      CleanCase{"G0 X1 (a) y2 (b z3", "G0X1(Y2"},
                      // The block number goes with everything before it.
                      CleanCase{"N0010G1X5", "G1X5"}, CleanCase{"X9 N20 G0 X1", "G0X1"},
                      CleanCase{"N", ""}, CleanCase{"N12", ""},
                      // Tabs and other bytes stay; only blanks go.
                      CleanCase{"g0\tx1", "G0\tX1"}, CleanCase{"g0 x1 \xe9", "G0X1\xe9"},
                      // A ';' outside parentheses starts a comment to the end of the line.
                      CleanCase{"G1 Z1 F2540 ; Move to clearance level", "G1Z1F2540()"},
                      CleanCase{"; only a note", "()"}, CleanCase{"G0 X1 (a;b) Y2", "G0X1(Y2"},
                      CleanCase{"G0 X1 (a;b) Y2 ; N5 G1", "G0X1(Y2"}, CleanCase{"", ""}));

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
    translateBlock("G0X1M4", out, entry, [&](const std::string& g) { reported.push_back(g); });
    EXPECT_EQ(out, CommandLines{"PA 40,0;"});
    EXPECT_EQ(entry, -1);
    EXPECT_EQ(reported, std::vector<std::string>{"M4"});
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
        {"\n", {""}},
        {"\r\r", {"", ""}},
        {"a\n\rb\r\n\nc", {"a", "", "b", "", "c"}},
        {"a\r\n\r", {"a", ""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitSourceText(c.bytes), c.lines) << testing::PrintToString(c.bytes);
        EXPECT_EQ(countSourceLines(c.bytes), c.lines.size()) << testing::PrintToString(c.bytes);
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

// The converter runs over the file's bytes without a list of lines; it must
// give what the run over the split lines gives, rejected groups, line map and
// tool path included, whatever the line ends.
TEST(RunConversionOnText, SameAsTheRunOverSplitLines)
{
    const std::vector<std::string> programs = {
        "",
        "G0 X1\n",
        "G0 X1",
        "%\r\nG21 G90\r\nG0 X1 Y2 Z3\r\nG1 X4 Z-1 F300\r\n(comment)\r\nG2 X8 I2\r\nM30\r\n",
        "G0 X1\rG1 Y2 F120\rG7 X1\r\rZ-2\n#1=5\nG1 X#1\r\nG0 X,5\n\r",
        std::string("G0 X1\n\0\nG1 X2\n", 14),
    };
    for (const std::string& program : programs) {
        const auto runOnce = [&](bool onText) {
            resetEngineForProgramStart();
            enginetest::Recorder recorder;
            CommandLines out;
            std::vector<int32_t> lineMap;
            if (onText) {
                runConversionOnText(program, "40", "40", "40", out, lineMap, recorder);
            } else {
                const std::vector<std::string_view> lines = splitSourceViews(program);
                runConversion(std::span<const std::string_view>(lines), "40", "40", "40", out,
                              lineMap, recorder);
            }
            std::vector<tpoint1> points(trajectoryStore->allPoints().begin(),
                                        trajectoryStore->allPoints().end());
            return std::make_tuple(std::move(out), lineMap, recorder.ignored,
                                   trajectoryStore->segmentCount(), std::move(points));
        };
        const auto onLines = runOnce(false);
        const auto onText = runOnce(true);
        const std::string name = testing::PrintToString(program);
        EXPECT_EQ(std::get<0>(onText), std::get<0>(onLines)) << name;
        EXPECT_EQ(std::get<1>(onText), std::get<1>(onLines)) << name;
        EXPECT_EQ(std::get<2>(onText), std::get<2>(onLines)) << name;
        EXPECT_EQ(std::get<3>(onText), std::get<3>(onLines)) << name;
        ASSERT_EQ(std::get<4>(onText).size(), std::get<4>(onLines).size()) << name;
        for (std::size_t i = 0; i < std::get<4>(onText).size(); ++i) {
            const tpoint1& a = std::get<4>(onText)[i];
            const tpoint1& b = std::get<4>(onLines)[i];
            EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z && a.kind == b.kind) << name;
        }
    }
}

// The converter without a tool-path file keeps no tool path: the commands and
// the line map must not change for it.
TEST(RunConversion, WithoutToolPathSameCommands)
{
    const std::string program = "G0 X1 Y1\nG1 X5 Z-1 F300\nG2 X9 I2\nG81 X3 Y3 Z-2 R1\nG80\n"
                                "G28 X0 Z0\nM30\n";
    const auto runOnce = [&](bool keep) {
        resetEngineForProgramStart();
        keepToolPath = keep;
        CommandLines out;
        std::vector<int32_t> lineMap;
        ConversionObserver quiet;
        runConversionOnText(program, "40", "40", "40", out, lineMap, quiet);
        const std::size_t segments = trajectoryStore->segmentCount();
        keepToolPath = true;
        return std::make_tuple(std::move(out), lineMap, segments);
    };
    const auto kept = runOnce(true);
    const auto discarded = runOnce(false);
    EXPECT_EQ(std::get<0>(discarded), std::get<0>(kept));
    EXPECT_EQ(std::get<1>(discarded), std::get<1>(kept));
    EXPECT_GT(std::get<2>(kept), 5u);
    EXPECT_EQ(std::get<2>(discarded), 0u);
    EXPECT_EQ(trajectoryStore->pointCount(), 0u);
}

} // namespace
