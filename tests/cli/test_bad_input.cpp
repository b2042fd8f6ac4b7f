// Hostile programs and settings files through the converter: each run must
// end by itself within its time bound, write only well-formed command lines,
// and name the file and line of everything it left out.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/bad_input/BadInput.h"
#include "tests/cli/CliHarness.h"

namespace {

using namespace clitest;
using namespace std::string_literals;

const char* const kDefaultHeader = "OF X: 40, Y:40, Z:40;";

// A program of `lines` blocks "G0X1" and "G0X2" by turns: about 10 bytes of
// command file per line.
std::string zigzag(int lines)
{
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += (i % 2 == 0) ? "G0X1\n" : "G0X2\n";
    return text;
}

struct InputCase {
    const char* name;
    std::function<std::string()> program;
    std::function<std::string()> settings; // the settings file's bytes
    std::vector<std::string> options;      // before the input file
    int exitCode;
    std::vector<std::string> commands; // must appear in this order (after the header)
    std::vector<int> reportedLines;    // lines named in the reports, in order
    const char* header = kDefaultHeader;
    int seconds = 60;     // time bound of the run
    bool refused = false; // not G-code text: status 1, nothing written
};

std::string noSettings()
{
    return "";
}

std::function<std::string()> text(std::string bytes)
{
    return [bytes] { return bytes; };
}

const std::string kArc = "G2X10I5F300\nG0X1\n";

std::vector<InputCase> inputCases()
{
    return {
        {"EmptyFile", text(""), noSettings, {}, 0, {}, {}},
        // Random bytes, and text with NUL bytes, are no G-code: refused
        // before anything is translated or written.
        {"BinaryFile",
         [] { return badinput::binaryBytes(64 * 1024); },
         noSettings,
         {},
         1,
         {},
         {},
         kDefaultHeader,
         60,
         true},
        {"SingleLineOf50MB",
         [] {
             std::string line = "G1X1";
             line.reserve(50u << 20);
             while (line.size() < (50u << 20))
                 line += "Y2";
             return line + "\n";
         },
         noSettings,
         {},
         0,
         {"PA 40,80;"},
         {1}}, // a feed move before any F: said once
        {"NulBytes",
         text("G1 X1\0Y2\n\0\0\nG0 \0X5\n"s),
         noSettings,
         {},
         1,
         {},
         {},
         kDefaultHeader,
         60,
         true},
        // A control byte in a line of text: that line is reported and left
        // out, the others are translated.
        {"ControlByteInALine",
         text("G1 X1\x01Y2\nG0 X5\n\x1bG0 X6\n"),
         noSettings,
         {},
         0,
         {"PA 200,0;"},
         {1, 3}},
        {"InvalidUtf8",
         text("G1 X1\xc3Y1\xff\nM\xff\xfe\n(\xe2\x82 comment)\nG0X2\n"),
         noSettings,
         {},
         0,
         {"PA 40,40;", "PA 80,40;"},
         {1, 2}},
        // Every blank line is an empty word group, reported as such; --quiet
        // keeps ten million reports out of the test log, --strict still
        // counts them.
        // A blank line is no report.
        {"TenMillionBlankLines",
         [] { return std::string(10'000'000, '\n'); },
         noSettings,
         {"--strict"},
         0,
         {},
         {}},
        // A number may have 27 characters; a longer one is refused.
        {"Numbers27And28Characters",
         text("G1X000000000000000000000000010\n"  // 27
              "G1X0000000000000000000000000010\n" // 28
              "G0Y-0000000000000000000000001\n"   // 27 with the sign
              "G0Y1.00000000000000000000000000\n" // 28
              ),
         noSettings,
         {},
         0,
         {"PA 400,0;", "PA 400,-40;"},
         {1, 2, 4}},
        // 53687088 mm is 2147483520 steps, the largest float below 2^31 at
        // 40 steps/mm; 53687090 mm rounds to 2^31 and is refused, in
        // absolute and incremental mode and on every axis.
        {"CoordinatesAtAndBeyond32BitSteps",
         text("G0X53687088\nG0X53687090\nG0X-53687088\nG0Y-53687090\nG0Z-53687088\n"
              "G0Z53687090\nG91\nG0X53687088\nG0X53687088\nG0X2\n"),
         noSettings,
         {},
         0,
         {"PA 2147483520,0;", "PA -2147483520,0;", "@ZA 2147483520;", "PA 0,0;",
          "PA 2147483520,0;"},
         {2, 4, 6, 10}},
        // A zero feed is sent as 0.1 mm/s and reported with its move still
        // made; a negative one has no meaning and is reported with its move.
        {"FeedZeroAndNegative",
         text("G1F0X1\nG1X2\nG1F-600X3\nG81X1Y1Z-1R1F0\nG80\n"),
         noSettings,
         {},
         0,
         {"PA 40,0;", "PA 80,0;", "PA 40,40;"},
         {1, 3, 4}},
        // A chord tolerance far below a step: the arc still ends where the
        // program says, in bounded time.
        {"Precision1e-30",
         text(kArc),
         text("[Machine]\nPrecision=1e-30\n"),
         {},
         0,
         {"PA 400,0;", "PA 40,0;"},
         {}},
        {"PrecisionNegativeAndZeroWithComma",
         text(kArc),
         text("[Machine]\nPrecision=-0,5\n"),
         {},
         0,
         {"PA 400,0;", "PA 40,0;"},
         {}},
        // Pitches the machine cannot have leave the axis at its factory
        // mechanics instead of dividing by zero.
        {"ZeroAndNegativePitches",
         text("G0X10Y10Z-1\n"),
         text("[Machine]\nPas de vis X=0\nPas de vis Y=-5\nPas de vis Z=-0\nPas par tour Z=-200\n"),
         {},
         0,
         {"PA 400,400;"},
         {}},
        {"BinarySettingsFile",
         text(kArc),
         [] { return badinput::binaryBytes(64 * 1024, 777); },
         {},
         0,
         {"PA 400,0;"},
         {}},
        {"SettingsFileOf100MB",
         text(kArc),
         [] {
             std::string bytes = "[Machine]\r\nVitesse maxi=20\r\n";
             const std::string filler = "; a comment line of a very large settings file\r\n";
             bytes.reserve((100u << 20) + filler.size());
             while (bytes.size() < (100u << 20))
                 bytes += filler;
             return bytes + "[Langue]\r\ncurrent=1\r\n";
         },
         {},
         0,
         {"PA 400,0;", "VS  20.00;"},
         {}},
    };
}

void PrintTo(const InputCase& c, std::ostream* out)
{
    *out << c.name;
}

class BadInput : public ::testing::TestWithParam<InputCase> {};

// Checks that every report on standard error reads "<file>:<line>: ignored
// ..." and returns the lines named. A warning about the settings file must
// name it.
std::vector<int> reportedLines(const std::string& err, const std::string& file,
                               const std::string& settings, bool& wellFormed)
{
    std::vector<int> lines;
    wellFormed = true;
    const std::string prefix = file + ":";
    const std::string warning = "tolvane-convert: settings file '" + settings + "': ";
    std::size_t start = 0;
    while (start < err.size()) {
        std::size_t end = err.find('\n', start);
        if (end == std::string::npos)
            end = err.size();
        const std::string line = err.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, warning.size(), warning) == 0)
            continue;
        std::size_t pos = prefix.size();
        if (line.compare(0, prefix.size(), prefix) != 0) {
            wellFormed = false;
            continue;
        }
        int n = 0;
        while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9')
            n = n * 10 + (line[pos++] - '0');
        if (line.compare(pos, 10, ": ignored ") != 0)
            wellFormed = false;
        lines.push_back(n);
    }
    return lines;
}

TEST_P(BadInput, EndsInTimeWithWellFormedLinesAndNamedReports)
{
    const InputCase& c = GetParam();
    TempDir dir;
    const std::string program = c.program();
    const std::string input = dir.write("p.nc", program);
    const std::string settings = dir.write("settings.ini", c.settings());
    const std::string out = dir.write("p.Cbr", "OLD\r\n");
    std::vector<std::string> args = {"--settings", settings, "-o", out};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(input);

    const auto started = std::chrono::steady_clock::now();
    const Outcome run = runConverter(args, "", "", c.seconds * badinput::kSlowBuildFactor);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    RecordProperty("seconds", std::to_string(seconds));
    std::printf("[ time     ] %s: %.2f s\n", c.name, seconds);

    ASSERT_FALSE(run.timedOut) << "no end within " << c.seconds * badinput::kSlowBuildFactor
                               << " s";
    ASSERT_EQ(run.signal, 0) << "killed by signal " << run.signal;
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.substr(0, 2000);
    if (c.refused) {
        EXPECT_EQ(run.err, "tolvane-convert: '" + input + "' is not a G-code text file\n");
        EXPECT_EQ(readFile(out), "OLD\r\n");
        EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"p.Cbr", "p.nc", "settings.ini"}));
        return;
    }

    std::vector<std::string> lines;
    ASSERT_TRUE(splitCrLf(readFile(out), lines)) << "every line ends with CR LF";
    ASSERT_TRUE(isHeader(lines));
    EXPECT_EQ(lines[0], c.header);
    for (std::size_t i = 4; i < lines.size(); ++i)
        ASSERT_TRUE(isCommandLine(lines[i])) << "line " << i + 1 << ": " << lines[i];
    auto from = lines.begin() + 4;
    for (const std::string& expected : c.commands) {
        from = std::find(from, lines.end(), expected);
        ASSERT_NE(from, lines.end()) << "missing, or out of order: " << expected;
        ++from;
    }
    if (c.commands.empty() && c.reportedLines.empty()) {
        EXPECT_EQ(lines.size(), 4u) << "the header only";
    }

    EXPECT_EQ(run.err.find('\0'), std::string::npos) << "no raw NUL on the terminal";
    bool wellFormed = true;
    const std::vector<int> named = reportedLines(run.err, input, settings, wellFormed);
    EXPECT_TRUE(wellFormed) << run.err.substr(0, 2000);
    const int count = static_cast<int>(countSourceLines(program));
    for (int n : named)
        EXPECT_TRUE(n >= 1 && n <= count) << "line " << n << " of " << count;
    if (c.reportedLines == std::vector<int>{-1})
        EXPECT_FALSE(named.empty()) << "some lines are reported";
    else
        EXPECT_EQ(named, c.reportedLines) << run.err.substr(0, 2000);
}

INSTANTIATE_TEST_SUITE_P(Table, BadInput, ::testing::ValuesIn(inputCases()),
                         [](const ::testing::TestParamInfo<InputCase>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Values the machine cannot use are replaced by factory values; the user
// must hear which, with the settings file named, and the run still ends well.
TEST(BadInputSettings, UnusableValuesAreNamedWithTheSettingsFile)
{
    TempDir dir;
    const std::string input = dir.write("p.nc", "G0X10\n");
    const std::string settings =
        dir.write("settings.ini", "[Machine]\nPas de vis X=0\nPrecision=abc\n");
    const Outcome run =
        runConverter({"--settings", settings, "-o", (dir / "p.Cbr").string(), input});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string warning = "tolvane-convert: settings file '" + settings + "': ";
    EXPECT_NE(run.err.find(warning + "Pas de vis X"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(warning + "Precision"), std::string::npos) << run.err;
}

// ---- results that cannot be written

enum class Blocker {
    NobodyInReadOnlyFolder, // the converter runs as "nobody" beside a folder of mode 0555
    ReadOnlyMount,          // the folder is a read-only bind mount
    FullDisk,               // the folder is a small tmpfs, filled up
};

struct WriteCase {
    const char* name;
    Blocker blocker;
    const char* option; // "-o" or "--line-map": which result goes into the folder
    const char* what;   // how the message names it
    const char* reason;
};

void PrintTo(const WriteCase& c, std::ostream* out)
{
    *out << c.name;
}

class UnwritableResult : public ::testing::TestWithParam<WriteCase> {};

TEST_P(UnwritableResult, ExitOneNamingTheFileAndTheOldFileKept)
{
    const WriteCase& c = GetParam();
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const std::string input = dir.write("p.nc", zigzag(20000));
    const std::string settings = dir.write("settings.ini", "");
    const fs::path folder = dir / "results";
    fs::create_directory(folder);

    std::vector<badinput::Mount> mounts;
    std::vector<std::string> command;
    if (c.blocker == Blocker::FullDisk) {
        mounts.push_back(badinput::Mount::tmpfs(folder, 128 * 1024));
        if (!mounts.back().ok())
            GTEST_SKIP() << "no small file system here: " << mounts.back().why();
    }
    // The old results, then the blocker.
    const std::string old = "OLD COMMANDS\r\n" + std::string(8000, 'x');
    const fs::path target = folder / (c.option == std::string("-o") ? "p.Cbr" : "p.map");
    writeFile(target, old);
    std::vector<std::string> args = {"--settings", settings};
    if (c.option != std::string("-o"))
        args.insert(args.end(), {"-o", (dir / "p.Cbr").string()});
    args.insert(args.end(), {c.option, target.string(), input});
    switch (c.blocker) {
    case Blocker::NobodyInReadOnlyFolder:
        // Mode 0555 stops an ordinary user; root, whom permissions do not
        // stop, runs the converter as "nobody".
        if (testsys::onWindows())
            GTEST_SKIP() << "Windows files have no POSIX permission bits";
        if (testsys::runningAsRoot() &&
            (badinput::nobodyUid() < 0 || !fs::exists("/usr/bin/setpriv")))
            GTEST_SKIP() << "no user 'nobody' or no setpriv to run the converter as another user";
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
        if (testsys::runningAsRoot())
            command = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                       TOLVANE_CONVERT};
        break;
    case Blocker::ReadOnlyMount:
        mounts.push_back(badinput::Mount::readOnlyBind(folder));
        if (!mounts.back().ok())
            GTEST_SKIP() << "no read-only mount here: " << mounts.back().why();
        break;
    case Blocker::FullDisk:
        badinput::fillUp(folder);
        break;
    }
    const auto before = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> entries = before();

    Outcome run;
    if (command.empty()) {
        run = runConverter(args, "", "", 60 * badinput::kSlowBuildFactor);
    } else {
        command.insert(command.end(), args.begin(), args.end());
        run = runProgram(command, "", "", 60 * badinput::kSlowBuildFactor);
    }
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const std::string expected =
        "cannot write " + std::string(c.what) + " '" + target.string() + "': " + c.reason;
    EXPECT_NE(run.err.find(expected), std::string::npos) << run.err << "\nexpected: " << expected;
    EXPECT_EQ(readFile(target), old) << "the old file keeps its bytes";
    EXPECT_EQ(before(), entries) << "no temporary file left behind";
    if (c.option != std::string("-o")) {
        EXPECT_FALSE(fs::exists(dir / "p.Cbr")) << "all results or none";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnwritableResult,
    ::testing::Values(WriteCase{"FolderWithoutWritePermission", Blocker::NobodyInReadOnlyFolder,
                                "-o", "command file", "Permission denied"},
                      WriteCase{"ReadOnlyFileSystem", Blocker::ReadOnlyMount, "-o", "command file",
                                "Read-only file system"},
                      WriteCase{"FullDisk", Blocker::FullDisk, "-o", "command file",
                                "No space left on device"},
                      WriteCase{"FullDiskForTheLineMap", Blocker::FullDisk, "--line-map",
                                "line map", "No space left on device"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

} // namespace
