// Whole programs through the converter: every real program of the test data
// and a set of hostile inputs must convert without a crash or a hang, into
// lines of the controller's vocabulary, with a line map and reports that
// agree with each other.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <set>

#include "tests/cli/CliHarness.h"

namespace {

using namespace clitest;

// The converter shows at most this many bytes of a group, each escaped to at
// most four characters.
const std::size_t kMaxReported = 200;

struct Converted {
    Outcome run;
    std::string source;
    std::vector<std::string> lines; // the command file
    std::vector<std::string> lineMap;
    std::string csv;
    std::string input;
};

Converted convertFile(const std::string& source, const TempDir& dir, int timeoutSeconds = 120)
{
    Converted c;
    c.source = source;
    c.input = dir.write("program.nc", source);
    std::string out = (dir / "program.Cbr").string();
    std::string map = (dir / "program.map").string();
    std::string csv = (dir / "program.csv").string();
    c.run = runConverter(
        {"--settings", dir.defaultSettings(), "--line-map", map, "--path", csv, "-o", out, c.input},
        "", "", timeoutSeconds);
    if (c.run.exitCode == 0) {
        EXPECT_TRUE(splitCrLf(readFile(out), c.lines)) << "a line does not end in CR LF";
        c.lineMap = splitLf(readFile(map));
        c.csv = readFile(csv);
    }
    return c;
}

bool parseInt(const std::string& text, long long& value)
{
    auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

// The checks every conversion must pass, whatever the program.
void checkConversion(const Converted& c)
{
    ASSERT_FALSE(c.run.timedOut) << "the converter hung";
    ASSERT_EQ(c.run.signal, 0) << "the converter crashed";
    ASSERT_EQ(c.run.exitCode, 0) << c.run.err.substr(0, 2000);

    // The command file: the header, then lines of the vocabulary only.
    ASSERT_TRUE(isHeader(c.lines));
    int bad = 0;
    for (std::size_t i = 4; i < c.lines.size() && bad < 5; ++i)
        if (!isCommandLine(c.lines[i])) {
            ADD_FAILURE() << "command line " << i + 1 << " is not a command: '"
                          << c.lines[i].substr(0, 200) << "'";
            ++bad;
        }

    // The line map: one entry per source line; the start of each line's
    // output never goes backwards; -1 only where a report was made.
    ASSERT_EQ(c.lineMap.size(), countSourceLines(c.source));
    std::set<long long> flagged;
    long long previous = 4;
    for (std::size_t i = 0; i < c.lineMap.size(); ++i) {
        long long entry = 0;
        ASSERT_TRUE(parseInt(c.lineMap[i], entry)) << "line map entry " << i + 1;
        if (entry == -1) {
            flagged.insert(static_cast<long long>(i) + 1);
            continue;
        }
        ASSERT_GE(entry, previous) << "line map entry " << i + 1;
        ASSERT_LE(entry, static_cast<long long>(c.lines.size())) << "line map entry " << i + 1;
        previous = entry;
    }

    // The reports name exactly the flagged lines, each report on one line of
    // bounded length.
    std::set<long long> reported;
    const std::string prefix = c.input + ":";
    for (const std::string& report : splitLf(c.run.err)) {
        ASSERT_EQ(report.compare(0, prefix.size(), prefix), 0) << report.substr(0, 300);
        std::size_t colon = report.find(": ignored \"", prefix.size());
        ASSERT_NE(colon, std::string::npos) << report.substr(0, 300);
        long long line = 0;
        ASSERT_TRUE(parseInt(report.substr(prefix.size(), colon - prefix.size()), line));
        EXPECT_LT(report.size(), c.input.size() + 4 * kMaxReported + 80) << "report too long";
        reported.insert(line);
    }
    EXPECT_EQ(reported, flagged);

    // The tool path: rows of five numbers, segments counted from 0 in order.
    std::vector<std::string> rows = splitLf(c.csv);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "segment,x,y,z,kind");
    long long segment = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::string& row = rows[i];
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = row.find(',', start)) != std::string::npos;
             start = comma + 1)
            fields.push_back(row.substr(start, comma - start));
        fields.push_back(row.substr(start));
        ASSERT_EQ(fields.size(), 5u) << "row " << i + 1 << ": " << row;
        long long index = 0;
        long long kind = 0;
        ASSERT_TRUE(parseInt(fields[0], index)) << row;
        ASSERT_TRUE(index == segment || index == segment + 1) << "row " << i + 1 << ": " << row;
        segment = index;
        for (int f = 1; f <= 3; ++f) {
            double v = 0;
            auto res = std::from_chars(fields[f].data(), fields[f].data() + fields[f].size(), v);
            ASSERT_TRUE(res.ec == std::errc() && std::isfinite(v)) << row;
        }
        ASSERT_TRUE(parseInt(fields[4], kind) && (kind == 0 || kind == 1)) << row;
    }
}

// ---- the real programs of the test data, and the bundled sample ----

std::vector<std::string> programs()
{
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(TOLVANE_TEST_DATA) / "corpus"))
        if (e.is_regular_file())
            found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    found.push_back((fs::path(TOLVANE_TEST_DATA) / "../../resources/samples/plate.nc").string());
    return found;
}

class RealPrograms : public ::testing::TestWithParam<std::string> {};

TEST_P(RealPrograms, ConvertIntoTheCommandVocabulary)
{
    TempDir dir;
    Converted c = convertFile(readFile(GetParam()), dir);
    checkConversion(c);
    EXPECT_GT(c.lines.size(), 4u) << "a real program moves the machine";
}

INSTANTIATE_TEST_SUITE_P(Data, RealPrograms, ::testing::ValuesIn(programs()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name + "_" + std::to_string(info.index);
                         });

TEST(SampleProgram, ShowsArcsDrillingCyclesAndTheSpindle)
{
    TempDir dir;
    Converted c = convertFile(
        readFile(fs::path(TOLVANE_TEST_DATA) / "../../resources/samples/plate.nc"), dir);
    checkConversion(c);
    EXPECT_EQ(c.run.err, "") << "the sample uses only supported codes";
    auto has = [&](const std::string& start) {
        return std::any_of(c.lines.begin(), c.lines.end(), [&](const std::string& l) {
            return l.compare(0, start.size(), start) == 0;
        });
    };
    // Tool, spindle, the four corner holes and the centre hole, program end.
    for (const char* line :
         {"T: 11 N:? H:? D:?;", "@SS 1;", "RVS 12000;", "PA 320,320;", "PA 2880,320;",
          "PA 2880,1680;", "PA 320,1680;", "PA 1600,1000;", "@SS 0;", "PA 0,1600;"})
        EXPECT_TRUE(has(line)) << line;
    // The chords of the arcs: far more lines than source lines.
    EXPECT_GT(c.lines.size(), 2 * c.lineMap.size());
}

// What `scripts/run.sh` writes without a display, and what a fresh clone is
// checked against: the sample with the shipped settings, byte for byte.
TEST(SampleProgram, MatchesItsRecordedCommandFile)
{
    TempDir dir;
    const fs::path resources = fs::path(TOLVANE_TEST_DATA) / "../../resources";
    const std::string out = (dir / "plate.Cbr").string();
    const Outcome run = runConverter({"--settings", (resources / "Tolvane.ini").string(), "-o", out,
                                      (resources / "samples/plate.nc").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(out), readFile(fs::path(TOLVANE_TEST_DATA) / "expected/plate.Cbr"));
}

// ---- hostile input ----

std::string repeat(const std::string& text, std::size_t bytes)
{
    std::string out;
    out.reserve(bytes + text.size());
    while (out.size() < bytes)
        out += text;
    return out;
}

std::string randomBytes(std::size_t size, uint32_t seed)
{
    std::string out(size, '\0');
    for (char& ch : out) {
        seed = seed * 1664525u + 1013904223u;
        ch = static_cast<char>(seed >> 24);
    }
    return out;
}

struct Hostile {
    const char* name;
    std::function<std::string()> make;
    // The command lines after the header; unchecked when empty.
    std::vector<std::string> body;
    // The source lines that must be reported (from 1); unchecked when empty.
    std::set<long long> reported;
    // Not G-code text: refused, nothing written.
    bool refused = false;
};

class HostileInput : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileInput, IsSurvivedReportedAndTheRestTranslated)
{
    const Hostile& h = GetParam();
    TempDir dir;
    Converted c = convertFile(h.make(), dir);
    if (h.refused) {
        EXPECT_EQ(c.run.exitCode, 1);
        EXPECT_EQ(c.run.err, "tolvane-convert: '" + c.input + "' is not a G-code text file\n");
        EXPECT_FALSE(fs::exists(dir / "program.Cbr"));
        EXPECT_FALSE(fs::exists(dir / "program.map"));
        return;
    }
    checkConversion(c);
    if (!h.body.empty()) {
        std::vector<std::string> body(c.lines.begin() + std::min<std::size_t>(4, c.lines.size()),
                                      c.lines.end());
        EXPECT_EQ(body, h.body);
    }
    if (!h.reported.empty()) {
        std::set<long long> flagged;
        for (std::size_t i = 0; i < c.lineMap.size(); ++i)
            if (c.lineMap[i] == "-1")
                flagged.insert(static_cast<long long>(i) + 1);
        EXPECT_EQ(flagged, h.reported);
    }
}

const std::size_t kTenMegabytes = 10u << 20;

INSTANTIATE_TEST_SUITE_P(
    Table, HostileInput,
    ::testing::Values(
        Hostile{"BinaryFile", [] { return randomBytes(256u << 10, 12345u); }, {}, {}, true},
        Hostile{"BinaryThenProgram",
                [] { return randomBytes(4096, 99u) + "\nG0 X1 Y1\n"; },
                {},
                {},
                true},
        Hostile{"NulBytes",
                [] {
                    static const char bytes[] = "G0 X1\0Y2\n\0\0\0\nG0\0X3\n";
                    return std::string(bytes, sizeof bytes - 1);
                },
                {},
                {},
                true},
        // Number runs of 27 characters are read; 28 and more reject the group.
        Hostile{"LongNumbers",
                [] {
                    return "G0 X" + std::string(26, '0') + "1\nG0 X" + std::string(27, '0') +
                           "2\nG0 X1234567890123456789012345678\nG0 Y3\n";
                },
                {"PA 40,0;", "PA 40,120;"},
                {2, 3}},
        // Outside the controller's 32-bit steps: rejected, position unchanged.
        Hostile{"HugeCoordinates",
                [] {
                    return std::string("G0 X99999999999 Y1\nG0 Z-99999999999\n"
                                       "G1 X-60000000 F100\nG91 G0 X1\nG90 G0 X53687088\n");
                },
                // No speed lines: the rejected feed move changed no speed.
                {"PA 40,0;", "PA 2147483520,0;"},
                {1, 2, 3}},
        Hostile{"TenMegabyteComment",
                [] { return "G0 X1 (" + std::string(kTenMegabytes, 'A') + ")Y2\nG0 X3\n"; },
                {"PA 40,80;", "PA 120,80;"},
                {}},
        Hostile{"TenMegabyteNumber",
                [] { return "G0 X" + std::string(kTenMegabytes, '1') + "\nG0 X3 Y1\n"; },
                {"PA 120,40;"},
                {1}},
        Hostile{"TenMegabyteWord",
                [] { return repeat("X", kTenMegabytes) + "\nG0 X3 Y1\n"; },
                {"PA 0,0;", "PA 120,40;"},
                {}},
        Hostile{"TenMegabyteUnclosedComment",
                [] { return "G0 X1 (" + repeat("G1X1", kTenMegabytes) + "\nG0 X3\n"; },
                {"PA 40,0;", "PA 120,0;"},
                {}}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return info.param.name; });

// A ten-megabyte line of moves: a million codes of one modal group on one
// line, refused whole as LinuxCNC refuses it, and in time.
TEST(HostileInput, TenMegabyteLineOfMoves)
{
    const std::size_t groups = kTenMegabytes / 6 + 1;
    std::string line;
    for (std::size_t i = 0; i < groups; ++i)
        line += i % 2 ? "G0X1Y1" : "G0X2Y2";
    TempDir dir;
    // Minutes in an unoptimised build on a busy machine, a second otherwise.
    Converted c = convertFile(line + "\nG80 G0 G80 X3\n", dir, 900);
    checkConversion(c);
    EXPECT_NE(c.run.err.find(" bytes): two codes of one modal group on the line\n"), std::string::npos);
    ASSERT_EQ(c.lines.size(), 5u);
    EXPECT_EQ(c.lines.back(), "PA 120,0;");
}

} // namespace
