// The user's folders on Windows: where the per-user settings go, whether a
// folder may be written, and the making of a folder with all its parents.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SettingsTestFiles.h"
#include "engine/platform/UserFolders.h"

namespace {

using namespace settingsfiles;

TEST(UserFolders, ConfigFolderIsTolvaneInTheRoamingApplicationData)
{
    const std::string folder = userConfigFolder();
    ASSERT_GT(folder.size(), 8u);
    EXPECT_EQ(folder.substr(folder.size() - 8), "\\Tolvane");
    const std::filesystem::path parent = pathFromUtf8(folder).parent_path();
    EXPECT_TRUE(std::filesystem::is_directory(parent)) << utf8FromPath(parent);
}

TEST(UserFolders, WritableOnlyForAFolderThatTakesNewFiles)
{
    TempFolder dir;
    writeBytes(dir.file("a file"), "x");
    EXPECT_TRUE(folderIsWritable(dir.path()));
    EXPECT_FALSE(folderIsWritable(dir.file("none")));
    EXPECT_FALSE(folderIsWritable(dir.file("a file")));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"a file"})
        << "the probe leaves nothing behind";
}

TEST(UserFolders, MakeFoldersCreatesEveryMissingLevel)
{
    TempFolder dir;
    const std::string deep = dir.file("Réglages\\Fräse 零\\Tolvane");
    std::string error;
    ASSERT_TRUE(makeFolders(deep, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(pathFromUtf8(deep)));
    EXPECT_TRUE(folderIsWritable(deep));
    // Again: every level exists already, which is no failure. Forward
    // slashes work as well.
    ASSERT_TRUE(makeFolders(dir.file("Réglages/Fräse 零/Tolvane/"), &error)) << error;
}

TEST(UserFolders, MakeFoldersNamesTheLevelThatFails)
{
    TempFolder dir;
    writeBytes(dir.file("taken"), "a file, not a folder");
    std::string error;
    EXPECT_FALSE(makeFolders(dir.file("taken\\Tolvane"), &error));
    EXPECT_EQ(error, dir.file("taken") + ": exists and is not a folder");
}

} // namespace
