// What differs from one system to the other under the converter: a result
// file that is read-only or held open by another program, names with letters
// beyond ASCII (program, results, settings, the converter's own folder), and
// CR LF text through standard input and output. The same tests run on Linux
// and under Wine; where the systems rightly differ, each expectation says why.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/platform/Paths.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/TestSystem.h"

namespace {

using namespace clitest;

const std::string kOld = "OLD COMMAND FILE\r\n";

// ---- protected targets

enum class Protection { ReadOnly, HeldOpen };

struct ProtectedCase {
    const char* name;
    Protection protection;
    const char* option; // "-o" or "--line-map": which result is protected
    const char* what;   // how the message names it
    const char* windowsReason;
};

class ProtectedTarget : public ::testing::TestWithParam<ProtectedCase> {};

// Linux replaces a file by renaming over it, which the folder's permission
// decides: a read-only file is replaced (and stays read-only), and a program
// that holds the old file open keeps reading the old one. Windows protects a
// read-only file from being replaced, and a file another program holds open
// cannot be replaced: the converter reports it and nothing changes.
TEST_P(ProtectedTarget, IsReplacedOnLinuxAndReportedUntouchedOnWindows)
{
    const ProtectedCase& c = GetParam();
    TempDir dir;
    const std::string input = dir.write("p.nc", "G0 X1\n");
    const std::string settings = dir.defaultSettings();
    const std::string target = dir.write(c.option == std::string("-o") ? "p.Cbr" : "p.map", kOld);
    std::vector<std::string> args = {"--settings", settings, c.option, target, input};
    const std::vector<std::string> before = entries(dir.path());

    Outcome run;
    if (c.protection == Protection::ReadOnly) {
        ASSERT_EQ(testsys::setReadOnly(target, true), "");
        run = runConverter(args);
    } else {
        testsys::HeldOpen held(target);
        ASSERT_EQ(held.why(), "");
        run = runConverter(args);
    }
    const bool refused = c.protection == Protection::ReadOnly
                             ? testsys::onWindows()
                             : testsys::heldFilesResistReplacement();
    if (refused) {
        EXPECT_EQ(run.exitCode, 1) << run.err;
        const std::string expected =
            "cannot write " + std::string(c.what) + " '" + target + "': " + c.windowsReason;
        EXPECT_NE(run.err.find(expected), std::string::npos)
            << run.err << "\nexpected: " << expected;
        EXPECT_EQ(readFile(pathFromUtf8(target)), kOld);
        EXPECT_EQ(entries(dir.path()), before) << "nothing created, no temporary file left";
    } else {
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(readFile(pathFromUtf8(target)), kOld);
        if (c.protection == Protection::ReadOnly) {
            unsigned mode = 0;
            ASSERT_EQ(testsys::modeOf(target, mode), "");
            EXPECT_EQ(mode & 0777, 0444u) << "the new file is read-only as the old one was";
        }
    }
    testsys::setReadOnly(target, false);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProtectedTarget,
    ::testing::Values(ProtectedCase{"ReadOnlyCommandFile", Protection::ReadOnly, "-o",
                                    "command file", "the file is read-only"},
                      ProtectedCase{"ReadOnlyLineMap", Protection::ReadOnly, "--line-map",
                                    "line map", "the file is read-only"},
                      ProtectedCase{"CommandFileHeldOpen", Protection::HeldOpen, "-o",
                                    "command file", "the file is in use by another program"},
                      ProtectedCase{"LineMapHeldOpen", Protection::HeldOpen, "--line-map",
                                    "line map", "the file is in use by another program"}),
    [](const ::testing::TestParamInfo<ProtectedCase>& info) { return info.param.name; });

// ---- names beyond ASCII

struct NameCase {
    const char* name;
    const char* folder;  // UTF-8
    const char* program; // UTF-8, with its extension
    const char* output;  // the default command file's name
};

class NonAsciiNames : public ::testing::TestWithParam<NameCase> {};

// The arguments, the files opened, the files written and the names in the
// messages keep every letter: on Windows the converter reads its arguments
// as UTF-16 and opens files by their UTF-16 names.
TEST_P(NonAsciiNames, ProgramResultsAndSettingsKeepTheirLetters)
{
    const NameCase& c = GetParam();
    TempDir dir;
    const fs::path folder = dir / c.folder;
    fs::create_directory(folder);
    const std::string base = utf8FromPath(folder);
    const std::string input = joinPath(base, c.program);
    const std::string settings = joinPath(base, "réglages ü.ini");
    const std::string map = joinPath(base, "carte é.map");
    const std::string csv = joinPath(base, "trajet ß.csv");
    writeFile(pathFromUtf8(input), "G0 X10\nG55\n");
    writeFile(pathFromUtf8(settings), "[Machine]\r\nPas de vis X=3\r\n");

    Outcome run = runConverter({"--settings", settings, "--line-map", map, "--path", csv, input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, input + ":2: ignored \"G55\": unsupported code\n");
    const fs::path output = folder / pathFromUtf8(c.output);
    ASSERT_TRUE(fs::exists(output)) << c.output;
    EXPECT_EQ(readFile(output), "OF X: 66, Y:40, Z:40;\r\nVS 50.00\r\n@ZU 30.00\r\n@ZD 30.00\r\n"
                                "PA 660,0;\r\n");
    EXPECT_EQ(readFile(pathFromUtf8(map)), "4\n-1\n");
    EXPECT_EQ(readFile(pathFromUtf8(csv)).substr(0, 19), "segment,x,y,z,kind\n");
    std::vector<std::string> expected = {"carte é.map", c.output, c.program, "réglages ü.ini",
                                         "trajet ß.csv"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries(folder), expected) << "nothing else, no name mangled";
}

INSTANTIATE_TEST_SUITE_P(
    Table, NonAsciiNames,
    ::testing::Values(
        // Letters of the Western code page, which a Windows ANSI build keeps.
        NameCase{"WesternLetters", "Pièces à fraiser", "plaque ébauche.nc", "plaque ébauche.Cbr"},
        // Letters outside it, which an ANSI build turns into "?".
        NameCase{"CyrillicAndChinese", "Детали 零件", "деталь 零件.iso", "деталь 零件.Cbr"},
        // Outside the 16-bit range: surrogate pairs in UTF-16.
        NameCase{"BeyondSixteenBits", "Outils 🛠", "engrenage ⚙ 𝔊.ngc", "engrenage ⚙ 𝔊.Cbr"}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return info.param.name; });

// The settings file beside the executable, found from the executable's own
// path, also in a folder whose name has letters beyond ASCII.
TEST(NonAsciiNames, SettingsBesideAConverterInSuchAFolder)
{
    TempDir dir;
    const fs::path folder = dir / "Programme Fräse 零";
    fs::create_directory(folder);
    const fs::path converter = folder / pathFromUtf8(TOLVANE_CONVERT).filename();
    fs::copy_file(pathFromUtf8(TOLVANE_CONVERT), converter);
    fs::permissions(converter, fs::perms::owner_exec, fs::perm_options::add);
    const std::string ini = joinPath(utf8FromPath(folder), "Tolvane.ini");
    writeFile(pathFromUtf8(ini), "[Machine]\r\nPas de vis X=3\r\nPrecision=abc\r\n");
    const std::string input = dir.write("p.nc", "G0 X10\n");

    Outcome run = runProgram({utf8FromPath(converter), "-o", "-", input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, 23), "OF X: 66, Y:40, Z:40;\r\n");
    // The warning names the file it read; the system may spell the folder
    // with either separator.
    std::string err = run.err;
    std::string expected = "settings file '" + ini + "': Precision";
    std::replace(err.begin(), err.end(), '\\', '/');
    std::replace(expected.begin(), expected.end(), '\\', '/');
    EXPECT_NE(err.find(expected), std::string::npos) << run.err;
}

// ---- CR LF through the standard streams

struct StreamCase {
    const char* name;
    const char* lineEnd;
};

class StandardStreams : public ::testing::TestWithParam<StreamCase> {};

// A program read from standard input keeps its line ends as the file had
// them, and the command file written to standard output has exactly one
// CR LF per line: no C runtime may add a CR before each LF on the way.
TEST_P(StandardStreams, CommandFileBytesUnchangedWhateverTheProgramsLineEnds)
{
    const std::string eol = GetParam().lineEnd;
    TempDir dir;
    const std::string input =
        dir.write("p.nc", "G0 X1 Y2" + eol + "(comment)" + eol + "G1 X3 F600" + eol + "G55" + eol);
    const std::string map = utf8FromPath(dir / "p.map");
    Outcome run =
        runConverter({"--settings", dir.defaultSettings(), "--line-map", map, "-"}, input);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "OF X: 40, Y:40, Z:40;\r\nVS 50.00\r\n@ZU 30.00\r\n@ZD 30.00\r\n"
                       "PA 40,80;\r\nVS  9.90;\r\n@ZU  9.90;\r\n@ZD  9.90;\r\nPA 120,80;\r\n");
    EXPECT_EQ(run.err, "<stdin>:4: ignored \"G55\": unsupported code\n");
    EXPECT_EQ(readFile(dir / "p.map"), "4\n5\n5\n-1\n");
}

INSTANTIATE_TEST_SUITE_P(Table, StandardStreams,
                         ::testing::Values(StreamCase{"Lf", "\n"}, StreamCase{"CrLf", "\r\n"},
                                           StreamCase{"Cr", "\r"}),
                         [](const ::testing::TestParamInfo<StreamCase>& info) {
                             return info.param.name;
                         });

} // namespace
