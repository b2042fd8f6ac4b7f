// Which settings file the converter reads: --show-settings-path, --settings,
// and an installed converter whose folder it cannot write into, with and
// without a settings file of the user's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/platform/Paths.h"
#include "tests/bad_input/BadInput.h"
#include "tests/cli/CliHarness.h"
#include "tests/support/TestSystem.h"

namespace {

using namespace clitest;

struct PathCase {
    const char* name;
    std::vector<std::string> args; // "DIR" stands for the test folder
    int exitCode;
    std::string out; // "DIR" as above, "BUILD" for the converter's folder
};

void PrintTo(const PathCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string replaced(std::string text, const std::string& mark, const std::string& with)
{
    for (std::size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + with.size()))
        text.replace(at, mark.size(), with);
    return text;
}

class ShowSettingsPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(ShowSettingsPath, PrintsThePathAndExits)
{
    const PathCase& c = GetParam();
    TempDir dir;
    std::vector<std::string> args;
    for (const std::string& a : c.args)
        args.push_back(replaced(a, "DIR", utf8FromPath(dir.path())));
    const Outcome run = runConverter(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    // The converter names its own folder the system's way ("Z:\...\" under
    // Wine).
    const std::string build =
        joinPath(utf8FromPath(fs::path(TOLVANE_CONVERT).parent_path().make_preferred()), "");
    if (c.out == "HELP") {
        EXPECT_EQ(run.out.rfind("Usage: tolvane-convert", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("--show-settings-path"), std::string::npos);
        const char* userFolder =
            testsys::onWindows() ? "%APPDATA%\\Tolvane" : "default ~/.config/tolvane";
        EXPECT_NE(run.out.find(userFolder), std::string::npos) << run.out;
    } else {
        EXPECT_EQ(run.out,
                  replaced(replaced(c.out, "DIR", utf8FromPath(dir.path())), "BUILD/", build));
    }
    if (c.exitCode == 0) {
        EXPECT_EQ(run.err, "");
    }
    EXPECT_FALSE(fs::exists(dir / "p.Cbr")) << "nothing converted";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShowSettingsPath,
    ::testing::Values(
        // The build folder is writable: the file beside the converter.
        PathCase{"BesideTheConverter", {"--show-settings-path"}, 0, "BUILD/Tolvane.ini\n"},
        PathCase{"GivenFileEvenMissing",
                 {"--show-settings-path", "--settings", "DIR/none.ini"},
                 0,
                 "DIR/none.ini\n"},
        PathCase{"GivenFileBeforeTheOption",
                 {"--settings=DIR/mill.ini", "--show-settings-path", "DIR/p.nc"},
                 0,
                 "DIR/mill.ini\n"},
        PathCase{
            "SettingsFromStdinStillRefused", {"--show-settings-path", "--settings", "-"}, 2, ""},
        PathCase{"HelpWins", {"--show-settings-path", "--help"}, 0, "HELP"}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return info.param.name; });

// ---- an installed converter ----

enum class Blocker { ReadOnlyMount, NobodyInReadOnlyFolder };

struct InstalledCase {
    const char* name;
    Blocker blocker;
    bool userFile; // the user has a settings file of their own
    bool xdgSet;   // XDG_CONFIG_HOME names the configuration folder (else HOME/.config)
};

void PrintTo(const InstalledCase& c, std::ostream* out)
{
    *out << c.name;
}

class InstalledConverter : public ::testing::TestWithParam<InstalledCase> {};

// The converter copied into a folder of its own with the shipped settings
// file beside it, that folder made unwritable: the converter reads the
// user's file when there is one, the shipped file otherwise, and never
// writes either.
TEST_P(InstalledConverter, ReadsTheUsersFileWhenThereIsOne)
{
    const InstalledCase& c = GetParam();
    if (testsys::onWindows())
        GTEST_SKIP() << "the installed converter's folder is made unwritable with a read-only "
                        "mount or POSIX permission bits, and its user's folder is set through "
                        "HOME and XDG_CONFIG_HOME";
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    fs::copy_file(TOLVANE_CONVERT, bin / "tolvane-convert");
    const std::string shipped = "[Machine]\nPas de vis X=2,5\n";
    writeFile(bin / "Tolvane.ini", shipped);
    const fs::path home = dir / "home";
    const fs::path config = c.xdgSet ? dir / "config" : home / ".config";
    const fs::path userFile = config / "tolvane" / "Tolvane.ini";
    const std::string mine = "[Machine]\nPas de vis X=4\n";
    if (c.userFile) {
        fs::create_directories(userFile.parent_path());
        writeFile(userFile, mine);
    }
    const std::string input = dir.write("p.nc", "G0 X1\n");
    fs::permissions(dir / "p.nc", fs::perms::all, fs::perm_options::add);
    fs::create_directories(dir / "out");
    fs::permissions(dir / "out", fs::perms::all);

    std::vector<std::string> command = {"/usr/bin/env", "-u", "XDG_CONFIG_HOME",
                                        "HOME=" + home.string()};
    if (c.xdgSet)
        command.push_back("XDG_CONFIG_HOME=" + (dir / "config").string());
    std::optional<badinput::Mount> mount;
    if (c.blocker == Blocker::ReadOnlyMount) {
        mount.emplace(badinput::Mount::readOnlyBind(bin));
        if (!mount->ok())
            GTEST_SKIP() << "no read-only mount here: " << mount->why();
    } else {
        fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read |
                                 fs::perms::others_exec);
        if (testsys::runningAsRoot()) {
            if (badinput::nobodyUid() < 0 || !fs::exists("/usr/bin/setpriv"))
                GTEST_SKIP() << "no user 'nobody' or no setpriv to run as another user";
            command.insert(command.begin(), {"/usr/bin/setpriv", "--reuid=nobody",
                                             "--regid=nogroup", "--clear-groups"});
        }
    }
    command.push_back((bin / "tolvane-convert").string());

    std::vector<std::string> show = command;
    show.push_back("--show-settings-path");
    const Outcome where = runProgram(show);
    EXPECT_EQ(where.exitCode, 0) << where.err;
    const fs::path expected = c.userFile ? userFile : bin / "Tolvane.ini";
    EXPECT_EQ(where.out, expected.string() + "\n");

    std::vector<std::string> convert = command;
    convert.insert(convert.end(), {"-o", (dir / "out" / "p.Cbr").string(), input});
    const Outcome run = runProgram(convert);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(readFile(dir / "out" / "p.Cbr").find(c.userFile ? "PA 50,0;" : "PA 80,0;"),
              std::string::npos);

    mount.reset();
    EXPECT_EQ(readFile(bin / "Tolvane.ini"), shipped);
    EXPECT_EQ(fs::exists(userFile), c.userFile) << "the converter creates no settings file";
    if (c.userFile) {
        EXPECT_EQ(readFile(userFile), mine);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstalledConverter,
    ::testing::Values(
        InstalledCase{"ShippedFileReadOnlyMount", Blocker::ReadOnlyMount, false, true},
        InstalledCase{"UserFileReadOnlyMount", Blocker::ReadOnlyMount, true, true},
        InstalledCase{"UserFileUnderHome", Blocker::ReadOnlyMount, true, false},
        InstalledCase{"ShippedFileNoPermission", Blocker::NobodyInReadOnlyFolder, false, false},
        InstalledCase{"UserFileNoPermission", Blocker::NobodyInReadOnlyFolder, true, true}),
    [](const ::testing::TestParamInfo<InstalledCase>& info) { return info.param.name; });

} // namespace
