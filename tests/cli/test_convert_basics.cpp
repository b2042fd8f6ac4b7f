// The converter end to end: the command file, its name, the line map, the
// tool-path CSV, the reports of ignored groups and the exit status.
#include <cstdio>
#include <gtest/gtest.h>

#include "engine/Conversion.h"
#include "engine/Gcode.h"
#include "preview/Trajectoires.h"
#include "tests/cli/CliHarness.h"

namespace {

using namespace clitest;

const char* const kExample = "G21 G90\nG0 X10 Y5\nG1 Z-1 F600\nX20\nM30\n";

TEST(Converter, TranslatesTheSmallExampleLineForLine)
{
    TempDir dir;
    std::string input = dir.write("example.nc", kExample);
    Outcome run = runConverter(
        {"--settings", dir.defaultSettings(), "--line-map", (dir / "example.map").string(), input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");

    std::vector<std::string> lines;
    ASSERT_TRUE(splitCrLf(readFile(dir / "example.Cbr"), lines)) << "every line ends in CR LF";
    const std::vector<std::string> expected = {
        "OF X: 40, Y:40, Z:40;",
        "VS 50.00",
        "@ZU 30.00",
        "@ZD 30.00",
        "PA 400,200;",
        "VS  9.90;",
        "@ZU  9.90;",
        "@ZD  9.90;",
        "@ZA 40;",
        "PA 800,200;",
        "@SS 0;",
        "VS 30.0",
        "PA 0,1600;",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(splitLf(readFile(dir / "example.map")),
              (std::vector<std::string>{"4", "4", "5", "9", "10"}));
}

TEST(Converter, CommandFileUsesCrLfWhateverTheSourceLineEnds)
{
    // LF, CR LF and lone CR sources give the same bytes.
    TempDir dir;
    std::string settings = dir.defaultSettings();
    std::string reference;
    for (const char* eol : {"\n", "\r\n", "\r"}) {
        std::string source = std::string("G0 X1") + eol + "G1 X2 F100" + eol + "G0 Z1";
        std::string input = dir.write("eol.nc", source);
        Outcome run = runConverter({"--settings", settings, input});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::string bytes = readFile(dir / "eol.Cbr");
        std::vector<std::string> lines;
        EXPECT_TRUE(splitCrLf(bytes, lines));
        if (reference.empty())
            reference = bytes;
        EXPECT_EQ(bytes, reference);
    }
}

struct NameCase {
    const char* input;    // relative to the temporary folder
    const char* expected; // the command file it gets by default
};

class DefaultOutputName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DefaultOutputName, ReplacesOnlyTheFileNamesExtension)
{
    TempDir dir;
    fs::path input = dir / GetParam().input;
    fs::create_directories(input.parent_path());
    writeFile(input, "G0 X1\n");
    // Given as a relative name, as a user types it.
    Outcome run = runConverter({"--settings", dir.defaultSettings(), GetParam().input}, "",
                               dir.path().string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir / GetParam().expected)) << GetParam().expected;
    EXPECT_EQ(readFile(input), "G0 X1\n") << "the source stays as it was";
}

INSTANTIATE_TEST_SUITE_P(Table, DefaultOutputName,
                         ::testing::Values(NameCase{"part.nc", "part.Cbr"},
                                           NameCase{"part.iso", "part.Cbr"},
                                           NameCase{"part.v2.ngc", "part.v2.Cbr"},
                                           NameCase{"job.d/part", "job.d/part.Cbr"},
                                           NameCase{"job.d/part.tap", "job.d/part.Cbr"},
                                           NameCase{"noext", "noext.Cbr"}));

TEST(Converter, DashWritesTheCommandFileToStandardOutput)
{
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1 Y2\n");
    Outcome run = runConverter({"--settings", dir.defaultSettings(), "-o", "-", input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "OF X: 40, Y:40, Z:40;\r\nVS 50.00\r\n@ZU 30.00\r\n@ZD 30.00\r\n"
                       "PA 40,80;\r\n");
    EXPECT_FALSE(fs::exists(dir / "p.Cbr"));
}

TEST(Converter, ReadsTheProgramFromStandardInput)
{
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1 Y2\nG55\n");
    Outcome run = runConverter({"--settings", dir.defaultSettings(), "-"}, input);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("PA 40,80;\r\n"), std::string::npos);
    EXPECT_EQ(run.err, "<stdin>:2: ignored \"G55\": unsupported code\n");
}

TEST(Converter, OutputOptionSpellings)
{
    TempDir dir;
    std::string settings = dir.defaultSettings();
    std::string input = dir.write("p.nc", "G0 X1\n");
    for (std::vector<std::string> form :
         {std::vector<std::string>{"-o", (dir / "a.Cbr").string()},
          std::vector<std::string>{"-o" + (dir / "b.Cbr").string()},
          std::vector<std::string>{"--output", (dir / "c.Cbr").string()},
          std::vector<std::string>{"--output=" + (dir / "d.Cbr").string()}}) {
        form.insert(form.end(), {"--settings", settings, input});
        Outcome run = runConverter(form);
        EXPECT_EQ(run.exitCode, 0) << form[0] << run.err;
    }
    for (const char* name : {"a.Cbr", "b.Cbr", "c.Cbr", "d.Cbr"})
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    EXPECT_FALSE(fs::exists(dir / "p.Cbr"));
}

TEST(Converter, SettingsFileDecidesStepsPerMillimetre)
{
    // 200 steps on a 3 mm screw: 66 whole steps per millimetre on X.
    TempDir dir;
    std::string settings = dir.write("m.ini", "[Machine]\r\nPas de vis X=3\r\nVitesse maxi=5\r\n");
    std::string input = dir.write("p.nc", "G0 X10 Y1\n");
    Outcome run = runConverter({"--settings", settings, "-o", "-", input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> lines;
    ASSERT_TRUE(splitCrLf(run.out, lines));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "OF X: 66, Y:40, Z:40;");
    EXPECT_EQ(lines[1], "VS  5.00");
    EXPECT_EQ(lines[4], "PA 660,40;");
}

TEST(Converter, LineMapHasOneEntryPerSourceLine)
{
    TempDir dir;
    // Line 3 is a comment, line 4 holds an ignored group beside a move, line
    // 5 is empty (as a comment), and the last line has no line break.
    std::string input = dir.write("p.nc", "G0 X1\r\nG1 X2 F60\r\n(note)\r\nG0 X3 M4\r\n\r\nG0 Y1");
    std::string map = (dir / "p.map").string();
    Outcome run =
        runConverter({"--settings", dir.defaultSettings(), "-q", "--line-map", map, input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // 4 header lines; G0 X1: 1 line; G1 with F: 3 speed lines + 1; the
    // comment: none; G0 X3 with M4: rapid speeds again + 1 line, and -1.
    EXPECT_EQ(splitLf(readFile(map)), (std::vector<std::string>{"4", "5", "9", "-1", "13", "13"}));
}

// The CSV must list the store exactly: compare with an independent run of the
// engine in this process, formatted with printf.
TEST(Converter, PathCsvListsEveryStoredPointWithPrintfG9)
{
    const std::string source = "G21 G90\nG0 X10.123 Y-5.5\nG1 Z-1.37 F600\nG1 X20.001 Z-2\n"
                               "G0 Z5\nG1 X0.0001 Y123456.7\nG91 G1 X-0.025 Y0.0125\nG90\n"
                               "G20 G0 X1.3 Y-2.7 Z0.1\n";
    TempDir dir;
    std::string input = dir.write("p.nc", source);
    std::string csvPath = (dir / "p.csv").string();
    Outcome run = runConverter({"--settings", dir.defaultSettings(), "--path", csvPath, input});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    resetEngineForProgramStart();
    CommandLines commands;
    std::vector<int32_t> lineMap;
    ConversionObserver quiet;
    runConversion(splitSourceText(source), "40", "40", "40", commands, lineMap, quiet);
    std::string expected = "segment,x,y,z,kind\n";
    char buf[128];
    int index = 0;
    for (const auto& segment : trajectoryStore->getSegments()) {
        for (const tpoint1& p : segment.getPoints()) {
            std::snprintf(buf, sizeof buf, "%d,%.9g,%.9g,%.9g,%d\n", index, double(p.x),
                          double(p.y), double(p.z), int(p.kind));
            expected += buf;
        }
        ++index;
    }
    ASSERT_GT(index, 5);
    EXPECT_EQ(readFile(csvPath), expected);
}

struct ReportCase {
    const char* name;
    std::vector<std::string> flags;
    const char* source;
    int exitCode;
    const char* err; // "%s" stands for the input path
};

class IgnoredGroups : public ::testing::TestWithParam<ReportCase> {};

TEST_P(IgnoredGroups, ReportsAndExitStatus)
{
    const ReportCase& c = GetParam();
    TempDir dir;
    std::string input = dir.write("p.nc", c.source);
    std::vector<std::string> args = c.flags;
    args.insert(args.end(), {"--settings", dir.defaultSettings(), input});
    Outcome run = runConverter(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    std::string err = c.err;
    for (std::size_t at; (at = err.find("%s")) != std::string::npos;)
        err.replace(at, 2, input);
    EXPECT_EQ(run.err, err);
    // The translation is written whatever the reports.
    EXPECT_NE(readFile(dir / "p.Cbr").find("PA 40,0;\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IgnoredGroups,
    ::testing::Values(
        ReportCase{"Clean", {}, "G0 X1\n", 0, ""},
        ReportCase{"CleanStrict", {"--strict"}, "G0 X1\n(comment)\n%\n", 0, ""},
        ReportCase{"EachGroupWithItsLine",
                   {},
                   "G55\nG0 X1 M4\n\ng41 (comp)\nG0 X1\n",
                   0,
                   "%s:1: ignored \"G55\": unsupported code\n"
                   "%s:2: ignored \"M4\": unsupported code\n"
                   "%s:4: ignored \"G41\": unsupported code\n"},
        ReportCase{"Quiet", {"-q"}, "G55\nG0 X1\n", 0, ""},
        ReportCase{"QuietLongForm", {"--quiet"}, "G55\nG0 X1\n", 0, ""},
        ReportCase{"Strict", {"--strict"}, "G0 X1\nG41\n", 3,
                   "%s:2: ignored \"G41\": unsupported code\n"},
        ReportCase{"StrictQuiet", {"--strict", "-q"}, "G0 X1 G42\n", 3, ""},
        // Accepted without effect: no report, named by --verbose.
        ReportCase{"WithoutEffect", {"--strict"}, "G0 X1\nG40 G49 M8\nG54\n", 0, ""},
        ReportCase{"WithoutEffectVerbose", {"-v"}, "G0 X1\nG40 G49 M8\n\nG54\n", 0,
                   "%s:2: no effect on this machine: M8 G40 G49\n"
                   "%s:4: no effect on this machine: G54\n"
                   "tolvane-convert: '%s': extent X 0.000 to 1.000, Y 0.000 to 0.000, Z 10.000 "
                   "to 10.000 mm\n"},
        // The move in front of M4 is made; the group is still reported.
        ReportCase{
            "PartlyTranslatedGroup", {"--strict"}, "G0 X5\nX1 M4\n", 3,
            "%s:2: ignored \"X1M4\": unsupported code (the rest of the group was carried out)\n"},
        ReportCase{"TwoCodesOfOneGroup", {}, "G0 X1\nX7 G90 G91 M5\n", 0,
                   "%s:2: ignored \"X7G90G91M5\": two codes of one modal group on the line\n"},
        ReportCase{"ControlBytesEscaped",
                   {},
                   "G0 X1\nQ\x1b[2J\"\\\x7f\n",
                   0,
                   "%s:2: ignored \"Q\\x1b[2J\\\"\\\\\\x7f\": control byte in the line\n"}),
    [](const ::testing::TestParamInfo<ReportCase>& info) { return info.param.name; });

struct UsageCase {
    const char* name;
    std::vector<std::string> args; // "IN" stands for an existing input file
    const char* message;           // expected in standard error
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, ExitTwoWithAMessageAndWriteNothing)
{
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args)
        args.push_back(a == "IN" ? input : a);
    Outcome run = runConverter(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(dir / "p.Cbr"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrors,
    ::testing::Values(
        UsageCase{"NoInput", {}, "no input file"},
        UsageCase{"OnlyOptions", {"-q", "--strict"}, "no input file"},
        UsageCase{"TwoInputs", {"IN", "IN"}, "only one input file"},
        UsageCase{"EmptyInputName", {""}, "input file name is empty"},
        UsageCase{"UnknownLong", {"--bogus", "IN"}, "unknown option '--bogus'"},
        UsageCase{"UnknownShort", {"-x", "IN"}, "unknown option '-x'"},
        UsageCase{"OutputWithoutName", {"IN", "-o"}, "needs a file name"},
        UsageCase{"EmptyOutputName", {"--output=", "IN"}, "needs a file name"},
        UsageCase{"LineMapWithoutName", {"IN", "--line-map"}, "needs a file name"},
        UsageCase{"OutputTwice", {"-o", "a", "-o", "b", "IN"}, "given twice"},
        UsageCase{"TwoResultsOnStdout", {"-o", "-", "--path", "-", "IN"}, "standard output"},
        UsageCase{"SettingsFromStdin", {"--settings", "-", "IN"}, "settings"}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return info.param.name; });

TEST(Converter, HelpDescribesEveryOption)
{
    Outcome run = runConverter({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    for (const char* word : {"Usage: tolvane-convert", "-o, --output", "--settings", "--line-map",
                             "--path", "-q", "--strict", "ignored", "Exit status", ".Cbr"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    EXPECT_EQ(runConverter({"-h"}).out, run.out);
}

TEST(Converter, DoubleDashEndsTheOptions)
{
    TempDir dir;
    dir.write("-q.nc", "G0 X1\n");
    Outcome run = runConverter({"--settings", dir.defaultSettings(), "-o", "-", "--", "-q.nc"}, "",
                               dir.path().string());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("PA 40,0;"), std::string::npos);
}

} // namespace
