// The command list (one text with CR LF after every line, plus line ends) and
// the mapped arrays under it and the tool-path store.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/CommandLines.h"
#include "engine/LineEnds.h"
#include "engine/MappedArray.h"

namespace {

std::vector<std::string> asStrings(const CommandLines& lines)
{
    return std::vector<std::string>(lines.begin(), lines.end());
}

TEST(CommandLines, ReadsBackWhatWasAppended)
{
    CommandLines lines;
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(lines.fileText(), "");
    lines.push_back("PA 1,2;");
    lines.emplace_back(std::string("@ZA -40;"));
    lines.push_back("");
    lines.append({"VS 30.0", "@SS 0;"});
    EXPECT_EQ(asStrings(lines),
              (std::vector<std::string>{"PA 1,2;", "@ZA -40;", "", "VS 30.0", "@SS 0;"}));
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.front(), "PA 1,2;");
    EXPECT_EQ(lines.back(), "@SS 0;");
    EXPECT_EQ(lines.at(1), "@ZA -40;");
    EXPECT_THROW((void)lines.at(5), std::out_of_range);
    // The text is the command file: every line followed by CR LF.
    EXPECT_EQ(lines.fileText(), "PA 1,2;\r\n@ZA -40;\r\n\r\nVS 30.0\r\n@SS 0;\r\n");
    // Random access as a vector would give it.
    EXPECT_EQ(*(lines.begin() + 3), "VS 30.0");
    EXPECT_EQ(lines.end() - lines.begin(), 5);
    EXPECT_EQ(CommandLines(lines.begin() + 1, lines.begin() + 3), (CommandLines{"@ZA -40;", ""}));
}

TEST(CommandLines, TruncateTakesBackTheLastLines)
{
    // The dispatcher takes back what a rejected group had begun to write.
    const std::vector<std::tuple<std::size_t, std::vector<std::string>, std::string>> cases = {
        {0, {}, ""},
        {1, {"A"}, "A\r\n"},
        {2, {"A", "BB"}, "A\r\nBB\r\n"},
        {3, {"A", "BB", "CCC"}, "A\r\nBB\r\nCCC\r\n"},
        {9, {"A", "BB", "CCC"}, "A\r\nBB\r\nCCC\r\n"},
    };
    for (const auto& [keep, expected, text] : cases) {
        CommandLines lines{"A", "BB", "CCC"};
        lines.truncate(keep);
        EXPECT_EQ(asStrings(lines), expected) << keep;
        EXPECT_EQ(lines.fileText(), text) << keep;
        lines.push_back("D");
        EXPECT_EQ(lines.back(), "D") << keep;
    }
}

TEST(CommandLines, EqualityCopiesAndMoves)
{
    const CommandLines a{"PA 1,2;", "@ZA 3;"};
    CommandLines b = a;
    EXPECT_EQ(a, b);
    b.push_back("x");
    EXPECT_NE(a, b);
    // Same text, other line ends.
    EXPECT_NE((CommandLines{"AB", "C"}), (CommandLines{"A", "BC"}));
    CommandLines moved = std::move(b);
    EXPECT_EQ(moved.size(), 3u);
    EXPECT_TRUE(b.empty()); // NOLINT(bugprone-use-after-move): a moved-from list is empty
    moved = a;
    EXPECT_EQ(moved, a);
    // Appending a list to itself doubles it.
    moved.append(moved);
    EXPECT_EQ(asStrings(moved),
              (std::vector<std::string>{"PA 1,2;", "@ZA 3;", "PA 1,2;", "@ZA 3;"}));
    moved.clear();
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(moved.fileText(), "");
}

TEST(CommandLines, GrowsPastManyRemapsWithoutLosingALine)
{
    // 3 million lines cross the first mapping, the move into an aligned
    // huge-page block at 2 MB, and several remaps of both arrays.
    CommandLines lines;
    constexpr int kLines = 3'000'000;
    for (int i = 0; i < kLines; ++i)
        lines.push_back("PA " + std::to_string(i) + ";");
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLines));
    for (int i : {0, 1, 4095, 65535, 1'000'000, kLines - 1})
        EXPECT_EQ(lines[static_cast<std::size_t>(i)], "PA " + std::to_string(i) + ";") << i;
    const std::string_view text = lines.fileText();
    EXPECT_EQ(text.substr(0, 12), "PA 0;\r\nPA 1;");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(MappedArray, ReserveKeepsTheValuesAndReleaseEmpties)
{
    for (std::size_t reserved : {std::size_t{0}, std::size_t{10}, std::size_t{1} << 22}) {
        MappedArray<int> values;
        values.reserve(reserved);
        for (int i = 0; i < 300'000; ++i)
            values.push_back(i * 3);
        values.reserve(5'000'000); // grows a block that holds values
        EXPECT_EQ(values.size(), 300'000u) << reserved;
        EXPECT_EQ(values[0], 0) << reserved;
        EXPECT_EQ(values[299'999], 299'999 * 3) << reserved;
        MappedArray<int> copy = values;
        values.release();
        EXPECT_EQ(values.size(), 0u);
        EXPECT_EQ(copy[123'456], 123'456 * 3) << reserved;
    }
}

// Line ends keep their low bits and the places where the text passes a
// multiple of 2^Bits; with 4 bits those come every 16 bytes.
TEST(LineEnds, EndsPastTheLowBitsReadBackWhole)
{
    const std::vector<std::uint64_t> ends = {3, 15, 16, 16, 40, 40, 100, 1000, 1001};
    for (std::size_t keep = 0; keep <= ends.size(); ++keep) {
        LineEnds<4> list;
        for (std::uint64_t e : ends)
            list.push_back(e);
        for (std::size_t i = 0; i < ends.size(); ++i)
            ASSERT_EQ(list[i], ends[i]) << i;
        // Cut back, then go on with other ends: nothing of the old passings
        // may remain.
        list.truncate(keep);
        ASSERT_EQ(list.size(), keep);
        for (std::size_t i = 0; i < keep; ++i)
            EXPECT_EQ(list[i], ends[i]) << keep << " " << i;
        const std::uint64_t base = keep == 0 ? 0 : ends[keep - 1];
        list.push_back(base + 1);
        list.push_back(base + 70);
        EXPECT_EQ(list[keep], base + 1) << keep;
        EXPECT_EQ(list[keep + 1], base + 70) << keep;
    }
}

} // namespace
