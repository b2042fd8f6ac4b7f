// File errors: what cannot be read or written is named with its reason, the
// exit status is 1, and no file is left half written or replaced.
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

#include "engine/platform/Paths.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/TestSystem.h"

namespace {

using namespace clitest;

const char* const kOldCommands = "OLD COMMAND FILE\r\n";

struct FailCase {
    const char* name;
    // "IN" the program, "OUT" an existing command file, "DIR" the folder.
    std::vector<std::string> args;
    const char* named;  // the file the message must name ("DIR/" prefix allowed)
    const char* reason; // part of the message
};

class FileErrors : public ::testing::TestWithParam<FailCase> {};

TEST_P(FileErrors, ExitOneNamingTheFileAndKeepEverythingElse)
{
    const FailCase& c = GetParam();
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    std::string out = dir.write("old.Cbr", kOldCommands);
    dir.write("settings.ini", "");
    fs::create_directory(dir / "sub.d");
    auto expand = [&](std::string a) {
        if (a == "IN")
            return input;
        if (a == "OUT")
            return out;
        if (a.compare(0, 4, "DIR/") == 0)
            return utf8FromPath(dir / a.substr(4));
        return a;
    };
    std::vector<std::string> args;
    for (const std::string& a : c.args)
        args.push_back(expand(a));
    std::vector<std::string> before = entries(dir.path());

    Outcome run = runConverter(args);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("'" + expand(c.named) + "'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_EQ(readFile(out), kOldCommands);
    EXPECT_EQ(readFile(input), "G0 X1\n");
    EXPECT_EQ(entries(dir.path()), before) << "nothing created, nothing left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileErrors,
    ::testing::Values(FailCase{"MissingInput",
                               {"--settings", "DIR/settings.ini", "-o", "OUT", "DIR/none.nc"},
                               "DIR/none.nc",
                               "No such file or directory"},
                      FailCase{"InputIsAFolder",
                               {"--settings", "DIR/settings.ini", "-o", "OUT", "DIR/sub.d"},
                               "DIR/sub.d",
                               "Is a directory"},
                      FailCase{"MissingSettings",
                               {"--settings", "DIR/none.ini", "-o", "OUT", "IN"},
                               "DIR/none.ini",
                               "No such file or directory"},
                      FailCase{"OutputInMissingFolder",
                               {"--settings", "DIR/settings.ini", "-o", "DIR/nowhere/p.Cbr", "IN"},
                               "DIR/nowhere/p.Cbr",
                               "No such file or directory"},
                      FailCase{"OutputIsAFolder",
                               {"--settings", "DIR/settings.ini", "-o", "DIR/sub.d", "IN"},
                               "DIR/sub.d",
                               "Is a directory"},
                      // The command file could be written, but the line map cannot: the
                      // old command file must survive and no temporary file may remain.
                      FailCase{"LineMapUnwritable",
                               {"--settings", "DIR/settings.ini", "-o", "OUT", "--line-map",
                                "DIR/nowhere/p.map", "IN"},
                               "DIR/nowhere/p.map",
                               "No such file or directory"},
                      FailCase{"PathUnwritable",
                               {"--settings", "DIR/settings.ini", "-o", "OUT", "--path",
                                "DIR/sub.d", "IN"},
                               "DIR/sub.d",
                               "Is a directory"}),
    [](const ::testing::TestParamInfo<FailCase>& info) { return info.param.name; });

TEST(ConverterFiles, FullDiskIsAFailureNotASuccess)
{
    // /dev/full accepts the open and fails every write with ENOSPC.
    std::string full;
    if (const std::string why = testsys::fullDevice(full); !why.empty())
        GTEST_SKIP() << why;
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    Outcome run = runProgram({"/bin/sh", "-c", "exec \"$0\" \"$@\" > " + full, TOLVANE_CONVERT,
                              "--settings", dir.defaultSettings(), "-o", "-", input});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("standard output: No space left on device"), std::string::npos)
        << run.err;
}

TEST(ConverterFiles, ReplacesAnExistingCommandFileWhole)
{
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    std::string out = dir.write("p.Cbr", std::string(100000, 'x'));
    const bool modes = testsys::setMode(out, 0640).empty();
    Outcome run = runConverter({"--settings", dir.defaultSettings(), input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(dir / "p.Cbr"),
              "OF X: 40, Y:40, Z:40;\r\nVS 50.00\r\n@ZU 30.00\r\n@ZD 30.00\r\nPA 40,0;\r\n");
    if (modes) {
        unsigned mode = 0;
        ASSERT_EQ(testsys::modeOf(out, mode), "");
        EXPECT_EQ(mode & 0777, 0640u) << "the file keeps its permissions";
    }
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"defaults.ini", "p.Cbr", "p.nc"}));
}

// A device or a named pipe is written in place: renaming a file over it
// would replace, say, /dev/null for the whole system.
TEST(ConverterFiles, WritesIntoANamedPipeWithoutReplacingIt)
{
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    fs::path fifo = dir / "pipe.Cbr";
    if (const std::string why = testsys::makeFifo(utf8FromPath(fifo)); !why.empty())
        GTEST_SKIP() << why;
    std::string received;
    std::thread reader([&] { received = readFile(fifo); });
    Outcome run =
        runConverter({"--settings", dir.defaultSettings(), "-o", utf8FromPath(fifo), input});
    reader.join();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_NE(received.find("PA 40,0;\r\n"), std::string::npos);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"defaults.ini", "p.nc", "pipe.Cbr"}));
}

TEST(ConverterFiles, WritesThroughASymbolicLink)
{
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    std::string real = dir.write("real.Cbr", "old");
    if (const std::string why = testsys::makeSymlink(real, utf8FromPath(dir / "link.Cbr"));
        !why.empty())
        GTEST_SKIP() << why;
    Outcome run = runConverter(
        {"--settings", dir.defaultSettings(), "-o", utf8FromPath(dir / "link.Cbr"), input});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.Cbr"));
    EXPECT_NE(readFile(dir / "real.Cbr").find("PA 40,0;"), std::string::npos);
}

struct SameFileCase {
    const char* name;
    const char* inputName;
    std::vector<std::string> args; // before the input
};

class OverwritesInput : public ::testing::TestWithParam<SameFileCase> {};

// A program named *.Cbr would be its own default command file; writing any
// result over the program would destroy it.
TEST_P(OverwritesInput, IsRefusedAndTheProgramKept)
{
    TempDir dir;
    const std::string program = "G0 X1\n";
    std::string input = dir.write(GetParam().inputName, program);
    std::vector<std::string> args = {"--settings", dir.defaultSettings()};
    for (const std::string& a : GetParam().args)
        args.push_back(a == "IN" ? input : a);
    args.push_back(GetParam().inputName);
    Outcome run = runConverter(args, "", dir.path().string());
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("overwrite the input"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(input), program);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OverwritesInput,
    ::testing::Values(SameFileCase{"DefaultName", "part.Cbr", {}},
                      SameFileCase{"SameNameOtherSpelling", "part.nc", {"-o", "./part.nc"}},
                      SameFileCase{"AbsoluteName", "part.nc", {"-o", "IN"}},
                      SameFileCase{"LineMap", "part.nc", {"--line-map", "part.nc"}},
                      SameFileCase{"Path", "part.nc", {"--path", "IN"}}),
    [](const ::testing::TestParamInfo<SameFileCase>& info) { return info.param.name; });

TEST(ConverterFiles, TwoResultsWithTheSameNameAreAUsageError)
{
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    Outcome run = runConverter({"--settings", dir.defaultSettings(), "--line-map", "out.txt",
                                "--path", "./out.txt", input},
                               "", dir.path().string());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

TEST(ConverterFiles, DefaultSettingsBesideTheExecutableAreOptional)
{
    // Without --settings the converter reads Tolvane.ini beside itself; the
    // run works whether or not the build placed one there.
    TempDir dir;
    std::string input = dir.write("p.nc", "G0 X1\n");
    Outcome run = runConverter({"-o", "-", input});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.compare(0, 5, "OF X:"), 0);
}

} // namespace
