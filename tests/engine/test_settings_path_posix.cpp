// Where the settings file lives: beside a program whose folder is writable,
// otherwise in the user's configuration folder, made on the first write as a
// copy of the file beside the program.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "SettingsPlaces_posix.h"
#include "SettingsTestFiles.h"
#include "engine/Gcode.h"
#include "engine/Settings.h"
#include "engine/platform/UserFolders.h"

namespace {

using settingsfiles::readBytes;
using settingsfiles::writeBytes;
using namespace settingsplaces;

// A file as people keep it: CR LF, a Windows-1252 byte, a key the program
// does not know, a comment and an About block of free text.
const std::string kProgramFile = "[Machine]\r\nPas de vis X=2,5\r\nInconnu = garde\r\n"
                                 "[Langue]\r\ncurrent=1\r\n[About]\r\nAffiche=0\r\n"
                                 "; r\xE9glages d'atelier\r\n[DE]\r\n0=Datei\r\n"
                                 "[AboutDE]\r\nFreier Text = kein Schl\xFC"
                                 "ssel\r\n";

std::string withAboutSwitchedOff(std::string bytes)
{
    bytes.replace(bytes.find("Affiche=0"), 9, "Affiche=1");
    return bytes;
}

bool isFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

class SettingsPathTest : public ::testing::Test {
  protected:
    void TearDown() override { machineSettings = MachineSettings{}; }
};

// ---- a program folder that is writable: nothing changes ----

TEST_F(SettingsPathTest, WritableProgramFolderKeepsTheFileBesideTheProgram)
{
    struct Case {
        const char* name;
        std::optional<std::string> programFile;
        bool userFileToo; // a user file exists as well and must be ignored
        std::string afterTick;
    };
    const std::vector<Case> cases = {
        {"no file yet", std::nullopt, false, "[About]\nAffiche=1\n"},
        {"the file of the program", kProgramFile, false, withAboutSwitchedOff(kProgramFile)},
        {"a user file is not looked at", kProgramFile, true, withAboutSwitchedOff(kProgramFile)},
    };
    for (const Case& c : cases) {
        Places places;
        if (c.programFile)
            writeBytes(places.programFile(), *c.programFile);
        const std::string userBytes = "[About]\nAffiche=0\n";
        if (c.userFileToo) {
            ASSERT_TRUE(makeFolders(places.userFolder(), nullptr));
            writeBytes(places.userFile(), userBytes);
        }
        EXPECT_EQ(settingsLocation().kind, SettingsLocation::Kind::BesideProgram) << c.name;
        EXPECT_EQ(settingsFilePath(), places.programFile()) << c.name;
        std::string path;
        std::string error;
        ASSERT_TRUE(prepareSettingsForWriting(path, &error)) << c.name << error;
        EXPECT_EQ(path, places.programFile()) << c.name;
        ASSERT_TRUE(setShowAboutAtStart(true, &error)) << c.name << error;
        EXPECT_EQ(readBytes(places.programFile()), c.afterTick) << c.name;
        if (c.userFileToo) {
            EXPECT_EQ(readBytes(places.userFile()), userBytes) << c.name;
        } else {
            EXPECT_FALSE(exists(places.userFolder())) << c.name;
        }
    }
}

// ---- a program folder that is not writable ----

class UnwritableProgramFolder : public SettingsPathTest,
                                public ::testing::WithParamInterface<Blocker> {
  protected:
    // Blocks the program folder; the configuration folder stays writable
    // for the user the test acts as.
    void block()
    {
        const std::string why = guard.block(GetParam(), {places.program()}, {places.config()});
        if (!why.empty())
            GTEST_SKIP() << why;
    }
    Places places;
    Unwritable guard; // released before the places go
};

TEST_P(UnwritableProgramFolder, FirstWriteCopiesTheProgramFileIntoTheUsersFile)
{
    writeBytes(places.programFile(), kProgramFile);
    block();
    if (IsSkipped())
        return;

    // Until the first write, everything comes from the file beside the program.
    EXPECT_EQ(settingsLocation().kind, SettingsLocation::Kind::UserFileToCreate);
    EXPECT_EQ(settingsFilePath(), places.programFile());
    EXPECT_EQ(loadMachineSettings().ofx, "80");
    EXPECT_EQ(lookupText(1, 0), "Datei");
    EXPECT_FALSE(exists(places.userFolder())) << "reading creates nothing";

    std::string error;
    ASSERT_TRUE(setShowAboutAtStart(true, &error)) << error;
    EXPECT_EQ(readBytes(places.userFile()), withAboutSwitchedOff(kProgramFile));
    EXPECT_EQ(modeOf(places.userFolder()), 0700);
    EXPECT_EQ(settingsFilePath(), places.userFile());
    EXPECT_EQ(settingsLocation().kind, SettingsLocation::Kind::UserFile);

    // The next write changes the user's file only.
    ASSERT_TRUE(setShowAboutAtStart(false, &error)) << error;
    EXPECT_EQ(readBytes(places.userFile()), kProgramFile);
    guard.release();
    EXPECT_EQ(readBytes(places.programFile()), kProgramFile) << "the shipped file is untouched";
    EXPECT_EQ(settingsfiles::folderEntries(places.program()).size(), 1u);
}

TEST_P(UnwritableProgramFolder, ExistingUserFileIsReadAndWritten)
{
    writeBytes(places.programFile(), kProgramFile);
    const std::string mine = "[Machine]\nPas de vis X=4\n[Langue]\ncurrent=1\n[DE]\n0=Meine Datei\n"
                             "[About]\nAffiche=0\n";
    ASSERT_TRUE(makeFolders(places.userFolder(), nullptr));
    writeBytes(places.userFile(), mine);
    block();
    if (IsSkipped())
        return;

    EXPECT_EQ(settingsFilePath(), places.userFile());
    bool aboutShown = false;
    EXPECT_EQ(loadMachineSettings([&] { aboutShown = true; }).ofx, "50");
    EXPECT_TRUE(aboutShown);
    EXPECT_EQ(lookupText(1, 0), "Meine Datei") << "texts come from the same file";
    std::string error;
    ASSERT_TRUE(setShowAboutAtStart(true, &error)) << error;
    EXPECT_EQ(readBytes(places.userFile()), withAboutSwitchedOff(mine));
    EXPECT_EQ(readBytes(places.programFile()), kProgramFile);
}

TEST_P(UnwritableProgramFolder, WithoutAnyFileTheWriteMakesTheUsersFileOfItsKeys)
{
    block();
    if (IsSkipped())
        return;
    bool aboutShown = false;
    EXPECT_EQ(loadMachineSettings([&] { aboutShown = true; }).ofx, "40");
    EXPECT_TRUE(aboutShown);
    std::string error;
    ASSERT_TRUE(setShowAboutAtStart(true, &error)) << error;
    EXPECT_EQ(readBytes(places.userFile()), "[About]\nAffiche=1\n");
    EXPECT_FALSE(exists(places.programFile()));
}

TEST_P(UnwritableProgramFolder, XdgConfigHomeSetOrNot)
{
    struct Case {
        const char* name;
        std::optional<std::string> xdg; // relative to the test folder when not absolute
        std::string userFile;           // relative to the test folder
    };
    const std::vector<Case> cases = {
        {"set", std::string("/config/"), "config/tolvane/Tolvane.ini"},
        {"unset", std::nullopt, "home/.config/tolvane/Tolvane.ini"},
        {"empty", std::string(""), "home/.config/tolvane/Tolvane.ini"},
        {"relative", std::string("config"), "home/.config/tolvane/Tolvane.ini"},
    };
    for (const Case& c : cases) {
        Places fresh; // one set of folders per case
        writeBytes(fresh.programFile(), kProgramFile);
        std::optional<std::string> xdg = c.xdg;
        if (xdg && !xdg->empty() && (*xdg)[0] == '/')
            *xdg = fresh.root() + *xdg;
        EnvVar setXdg("XDG_CONFIG_HOME", xdg);
        Unwritable g;
        const std::string why =
            g.block(GetParam(), {fresh.program()}, {fresh.config(), fresh.root() + "/home"});
        if (!why.empty())
            GTEST_SKIP() << why;
        const std::string expected = fresh.root() + "/" + c.userFile;
        std::string path;
        std::string error;
        ASSERT_TRUE(prepareSettingsForWriting(path, &error)) << c.name << ": " << error;
        EXPECT_EQ(path, expected) << c.name;
        EXPECT_EQ(readBytes(expected), kProgramFile) << c.name;
        EXPECT_EQ(settingsFilePath(), expected) << c.name;
        const std::string configFolder = expected.substr(0, expected.rfind("/tolvane/"));
        if (!c.xdg || (*c.xdg)[0] != '/') {
            EXPECT_EQ(modeOf(configFolder), 0700) << c.name << ": ~/.config made as well";
        }
    }
}

// Writes that cannot be made are reported with the path and the reason,
// and no file loses a byte.
TEST_P(UnwritableProgramFolder, FailuresAreReportedAndLoseNothing)
{
    const std::string mine = "[About]\r\nAffiche=0\r\n[AboutFR]\r\nmon texte\r\n";
    struct Case {
        const char* name;
        // Prepares the places; returns the folders to block beside the program's.
        std::function<std::vector<std::string>(Places&)> setUp;
        std::string message; // after "<user file>: "; "%r" is the system's reason
        std::optional<std::string> userFileAfter;
    };
    const std::vector<Case> cases = {
        {"the user's folder cannot be made",
         [](Places& p) { return std::vector<std::string>{p.config()}; },
         "cannot create its folder (CONFIG/tolvane: %r)", std::nullopt},
        {"the user's file cannot be replaced",
         [&](Places& p) {
             makeFolders(p.userFolder(), nullptr);
             writeBytes(p.userFile(), mine);
             return std::vector<std::string>{p.userFolder()};
         },
         "cannot create a temporary file in its folder (%r)", mine},
        {"the program's file cannot be read",
         [](Places& p) {
             ::unlink(p.programFile().c_str());
             ::mkdir(p.programFile().c_str(), 0755);
             return std::vector<std::string>{};
         },
         "cannot copy the settings beside the program into it (PROGRAM/Tolvane.ini: is a "
         "folder, not a file)",
         std::nullopt},
    };
    for (const Case& c : cases) {
        Places fresh; // one set of folders per case
        writeBytes(fresh.programFile(), kProgramFile);
        const std::vector<std::string> more = c.setUp(fresh);
        std::vector<std::string> folders = {fresh.program()};
        folders.insert(folders.end(), more.begin(), more.end());
        Unwritable g;
        const std::string why = g.block(GetParam(), folders, {fresh.config()});
        if (!why.empty())
            GTEST_SKIP() << why;
        const std::string programBytes = readBytes(fresh.programFile());

        std::string error;
        EXPECT_FALSE(setShowAboutAtStart(true, &error)) << c.name;
        std::string expected = fresh.userFile() + ": " + c.message;
        const auto put = [&](const std::string& mark, const std::string& text) {
            const std::size_t at = expected.find(mark);
            if (at != std::string::npos)
                expected.replace(at, mark.size(), text);
        };
        put("%r", blockerReason(GetParam()));
        put("CONFIG", fresh.config());
        put("PROGRAM", fresh.program());
        EXPECT_EQ(error, expected) << c.name;
        if (c.userFileAfter) {
            EXPECT_EQ(readBytes(fresh.userFile()), *c.userFileAfter) << c.name;
        } else {
            EXPECT_FALSE(exists(fresh.userFile())) << c.name;
        }
        EXPECT_EQ(readBytes(fresh.programFile()), programBytes) << c.name;
        if (isFolder(fresh.userFolder())) {
            EXPECT_EQ(settingsfiles::folderEntries(fresh.userFolder()).size(),
                      c.userFileAfter ? 1u : 0u)
                << c.name << ": no temporary file left";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Blockers, UnwritableProgramFolder,
                         ::testing::Values(Blocker::ReadOnlyMount, Blocker::NoWritePermission),
                         [](const ::testing::TestParamInfo<Blocker>& info) {
                             return std::string(blockerName(info.param));
                         });

// ---- the platform's folder functions ----

TEST(UserFolders, ConfigFolderFromTheEnvironment)
{
    const std::string account = [] {
        const passwd* me = ::getpwuid(::geteuid());
        return me ? std::string(me->pw_dir) : std::string();
    }();
    struct Case {
        std::optional<std::string> xdg;
        std::optional<std::string> home;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"/srv/cfg", "/home/ann", "/srv/cfg/tolvane"},
        {"/srv/cfg//", "/home/ann", "/srv/cfg/tolvane"},
        {"/", "/home/ann", "/tolvane"},
        {"", "/home/ann", "/home/ann/.config/tolvane"},
        {"cfg", "/home/ann", "/home/ann/.config/tolvane"},
        {std::nullopt, "/home/ann/", "/home/ann/.config/tolvane"},
        {std::nullopt, "/", "/.config/tolvane"},
        {std::nullopt, std::nullopt, account.empty() ? "" : account + "/.config/tolvane"},
        {std::nullopt, "home/ann", account.empty() ? "" : account + "/.config/tolvane"},
        {"", "", account.empty() ? "" : account + "/.config/tolvane"},
    };
    for (const Case& c : cases) {
        EnvVar xdg("XDG_CONFIG_HOME", c.xdg);
        EnvVar home("HOME", c.home);
        EXPECT_EQ(userConfigFolder(), c.expected) << "XDG_CONFIG_HOME=" << c.xdg.value_or("(unset)")
                                                  << " HOME=" << c.home.value_or("(unset)");
    }
}

TEST(UserFolders, MakeFoldersCreatesPrivateFoldersAndReportsWhatIsInTheWay)
{
    settingsfiles::TempFolder temp;
    ::chmod(temp.path().c_str(), 0751);
    writeBytes(temp.file("file"), "x");
    struct Case {
        std::string folder; // below the test folder
        bool ok;
        std::string error; // after the test folder
        std::vector<std::string> made;
    };
    const std::vector<Case> cases = {
        {"/a/b/c", true, "", {"/a", "/a/b", "/a/b/c"}},
        {"/a/b//d/", true, "", {"/a/b/d"}},
        {"/a", true, "", {}},
        {"/file/x", false, "/file: exists and is not a folder", {}},
        {"/file", false, "/file: exists and is not a folder", {}},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(makeFolders(temp.path() + c.folder, &error), c.ok) << c.folder;
        EXPECT_EQ(error, c.ok ? "" : temp.path() + c.error) << c.folder;
        for (const std::string& made : c.made)
            EXPECT_EQ(modeOf(temp.path() + made), 0700) << made;
    }
    EXPECT_EQ(modeOf(temp.path()), 0751) << "an existing folder keeps its mode";
    std::string error;
    EXPECT_FALSE(makeFolders("", &error));
}

TEST(UserFolders, FolderIsWritable)
{
    Places places;
    writeBytes(places.programFile(), "");
    EXPECT_TRUE(folderIsWritable(places.program()));
    EXPECT_FALSE(folderIsWritable(places.program() + "/missing"));
    EXPECT_FALSE(folderIsWritable(places.programFile())) << "a file is no folder";
    for (Blocker how : {Blocker::ReadOnlyMount, Blocker::NoWritePermission}) {
        Unwritable g;
        const std::string why = g.block(how, {places.program()}, {});
        if (!why.empty()) {
            std::cout << "[   NOTE   ] " << blockerName(how) << " not checked: " << why << "\n";
            continue;
        }
        EXPECT_FALSE(folderIsWritable(places.program())) << blockerName(how);
        g.release();
        EXPECT_TRUE(folderIsWritable(places.program())) << blockerName(how);
    }
}

} // namespace
