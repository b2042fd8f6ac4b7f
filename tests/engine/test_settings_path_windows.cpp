// Where the settings file lives on Windows: beside a program whose folder
// takes new files (a portable Tolvane), otherwise in the user's roaming
// application data, created on the first write. Folder names hold letters
// beyond ASCII, as user names and Windows' own folders in many languages do.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "SettingsTestFiles.h"
#include "engine/Gcode.h"
#include "engine/Settings.h"
#include "engine/platform/UserFolders.h"

namespace {

using namespace settingsfiles;

// The program's folder and the user's folder, taken for the real ones for
// the scope.
class Places {
  public:
    Places()
    {
        overrideSettingsFilePath("");
        overrideExecutableFolder(program());
        overrideUserConfigFolder(user());
    }
    ~Places()
    {
        overrideUserConfigFolder("");
        overrideExecutableFolder("");
        overrideSettingsFilePath("");
        machineSettings = MachineSettings{};
    }
    Places(const Places&) = delete;
    Places& operator=(const Places&) = delete;

    std::string program() const { return temp_.file("Programmes\\Tolvane é"); }
    std::string user() const { return temp_.file("Données 零\\Roaming\\Tolvane"); }
    std::string programFile() const { return program() + "\\Tolvane.ini"; }
    std::string userFile() const { return user() + "\\Tolvane.ini"; }

  private:
    TempFolder temp_;
};

struct LocationCase {
    const char* name;
    bool programFolderExists; // a missing folder takes no files: an installed Tolvane
    std::optional<std::string> programFile;
    std::optional<std::string> userFile;
    SettingsLocation::Kind kind;
    bool readsUserFile;
    // After About/Affiche is set: the file written and its bytes.
    bool writesUserFile;
    std::string written;
};

void PrintTo(const LocationCase& c, std::ostream* out)
{
    *out << c.name;
}

class SettingsOnWindows : public ::testing::TestWithParam<LocationCase> {};

TEST_P(SettingsOnWindows, ReadAndWrittenInTheRightPlace)
{
    const LocationCase& c = GetParam();
    Places places;
    if (c.programFolderExists) {
        ASSERT_TRUE(makeFolders(places.program(), nullptr));
        if (c.programFile)
            writeBytes(places.programFile(), *c.programFile);
    }
    if (c.userFile) {
        ASSERT_TRUE(makeFolders(places.user(), nullptr));
        writeBytes(places.userFile(), *c.userFile);
    }

    const SettingsLocation where = settingsLocation();
    EXPECT_EQ(where.kind, c.kind);
    EXPECT_EQ(settingsFilePath(), c.readsUserFile ? places.userFile() : places.programFile());
    EXPECT_EQ(loadMachineSettings().ofx, c.readsUserFile ? "50" : c.programFile ? "80" : "40");

    std::string error;
    ASSERT_TRUE(setShowAboutAtStart(true, &error)) << error;
    const std::string target = c.writesUserFile ? places.userFile() : places.programFile();
    EXPECT_EQ(readBytes(target), c.written);
    EXPECT_EQ(settingsFilePath(), target) << "read from where it was written";
    if (!c.writesUserFile && !c.userFile) {
        EXPECT_FALSE(std::filesystem::exists(pathFromUtf8(places.user())))
            << "a portable Tolvane makes no folder of the user's";
    }
    if (c.writesUserFile && c.programFolderExists) {
        EXPECT_EQ(folderEntries(places.program()).size(), c.programFile ? 1u : 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsOnWindows,
    ::testing::Values(
        LocationCase{"PortableWithoutFile", true, std::nullopt, std::nullopt,
                     SettingsLocation::Kind::BesideProgram, false, false, "[About]\nAffiche=1\n"},
        LocationCase{"PortableKeepsItsFileAndIgnoresTheUsers", true,
                     "[Machine]\r\nPas de vis X=2,5\r\n[About]\r\nAffiche=0\r\n",
                     "[Machine]\r\nPas de vis X=4\r\n", SettingsLocation::Kind::BesideProgram,
                     false, false, "[Machine]\r\nPas de vis X=2,5\r\n[About]\r\nAffiche=1\r\n"},
        LocationCase{"InstalledFirstWriteMakesTheUsersFolders", false, std::nullopt, std::nullopt,
                     SettingsLocation::Kind::UserFileToCreate, false, true, "[About]\nAffiche=1\n"},
        LocationCase{"InstalledReadsAndWritesTheUsersFile", false, std::nullopt,
                     "[Machine]\r\nPas de vis X=4\r\n", SettingsLocation::Kind::UserFile, true,
                     true, "[Machine]\r\nPas de vis X=4\r\n[About]\r\nAffiche=1\r\n"}),
    [](const ::testing::TestParamInfo<LocationCase>& info) { return info.param.name; });

// A file where the user's folder should be: reported with the path and the
// reason, and nothing is written.
TEST(SettingsOnWindows, UserFolderBlockedByAFileIsReported)
{
    Places places;
    const std::string parent = places.user().substr(0, places.user().rfind('\\'));
    ASSERT_TRUE(makeFolders(parent, nullptr));
    writeBytes(places.user(), "not a folder");
    std::string error;
    EXPECT_FALSE(setShowAboutAtStart(true, &error));
    EXPECT_EQ(error, places.userFile() + ": cannot create its folder (" + places.user() +
                         ": exists and is not a folder)");
    EXPECT_EQ(readBytes(places.user()), "not a folder");
}

} // namespace
