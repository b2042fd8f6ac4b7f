// The platform layer (engine/platform): growing memory, file status, reading,
// atomic replacement and the executable's folder, on whichever system the
// tests run. Each behaviour here is one the engine or the converter relies
// on; where Linux and Windows rightly differ, the expectation says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "SettingsTestFiles.h"
#include "engine/IniFile.h"
#include "engine/Settings.h"
#include "engine/platform/AtomicFile.h"
#include "engine/platform/ExecutableFolder.h"
#include "engine/platform/FileStatus.h"
#include "engine/platform/GrowingBlocks.h"
#include "engine/platform/InputFile.h"
#include "engine/platform/Paths.h"
#include "tests/support/TestSystem.h"

namespace {

using namespace settingsfiles;

// ---- growing blocks

struct GrowCase {
    const char* name;
    std::size_t from;
    std::size_t to;
};

class GrowingBlocks : public ::testing::TestWithParam<GrowCase> {};

// Growing keeps every byte written so far, wherever the block moves (a
// remap, a copy into a new block), and the new room can be written to its
// last byte.
TEST_P(GrowingBlocks, KeepTheirBytesAndOfferTheNewRoom)
{
    const GrowCase& c = GetParam();
    auto pattern = [](std::size_t i) { return static_cast<char>((i * 131 + i / 4096) & 0xff); };
    char* block = static_cast<char*>(mapped::grow(nullptr, 0, c.from));
    for (std::size_t i = 0; i < c.from; ++i)
        block[i] = pattern(i);
    block = static_cast<char*>(mapped::grow(block, c.from, c.to));
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < c.from; ++i)
        wrong += block[i] != pattern(i);
    EXPECT_EQ(wrong, 0u);
    std::memset(block + c.from, 0x5a, c.to - c.from);
    EXPECT_EQ(block[c.to - 1], 0x5a);
    mapped::release(block, c.to);
}

INSTANTIATE_TEST_SUITE_P(Table, GrowingBlocks,
                         ::testing::Values(GrowCase{"SmallToSmall", 4096, 65536},
                                           // The size of a huge page is crossed: on Linux the block
                                           // moves to an aligned place of its own.
                                           GrowCase{"SmallToHuge", 65536, 3u << 20},
                                           GrowCase{"HugeToLarger", 3u << 20, 40u << 20},
                                           GrowCase{"OddSizes", 100003, 2097153}),
                         [](const ::testing::TestParamInfo<GrowCase>& info) {
                             return info.param.name;
                         });

// ---- file status

TEST(FileStatus, TellsKindsSizesAndIdentity)
{
    TempFolder dir;
    writeBytes(dir.file("a.nc"), "G0 X1\r\n");
    writeBytes(dir.file("b.nc"), "G0 X1\r\n");
    std::filesystem::create_directory(pathFromUtf8(dir.file("sub")));

    struct Case {
        std::string path;
        FileKind kind;
        std::uint64_t size;
    };
    const std::vector<Case> cases = {
        {dir.file("a.nc"), FileKind::Regular, 7},
        {dir.file("sub"), FileKind::Folder, 0},
        {dir.file("none.nc"), FileKind::Missing, 0},
        {joinPath(dir.file("none"), "a.nc"), FileKind::Missing, 0},
        // A file used as a folder on the way is no file there either.
        {joinPath(dir.file("a.nc"), "x"), FileKind::Missing, 0},
    };
    for (const Case& c : cases) {
        FileStatus st;
        std::string error;
        ASSERT_TRUE(fileStatus(c.path, st, &error)) << c.path << ": " << error;
        EXPECT_EQ(st.kind, c.kind) << c.path;
        if (c.kind == FileKind::Regular) {
            EXPECT_EQ(st.size, c.size) << c.path;
        }
    }

    FileStatus a, sameA, b;
    ASSERT_TRUE(fileStatus(dir.file("a.nc"), a));
    ASSERT_TRUE(fileStatus(joinPath(joinPath(dir.file("sub"), ".."), "a.nc"), sameA));
    ASSERT_TRUE(fileStatus(dir.file("b.nc"), b));
    EXPECT_TRUE(sameFile(a, sameA)) << "one file under two spellings";
    EXPECT_FALSE(sameFile(a, b)) << "two files with the same bytes";
}

TEST(FileStatus, DevicesAreNeitherFilesNorFolders)
{
    // The converter writes into a device in place instead of replacing it.
    const std::string device = testsys::onWindows() ? "NUL" : "/dev/null";
    FileStatus st;
    ASSERT_TRUE(fileStatus(device, st));
    EXPECT_EQ(st.kind, FileKind::Other);
}

// ---- reading

TEST(InputFile, ReadsEveryByteAsItIs)
{
    // Line ends, a NUL, and the Ctrl+Z that a text-mode read on Windows takes
    // for the end of the file.
    std::string bytes = "G0 X1\r\nG1 Y2\n\rM30";
    bytes += std::string("\0\x1a\xff tail", 8);
    for (int i = 0; i < 20000; ++i)
        bytes += "G1 X" + std::to_string(i) + "\r\n";
    TempFolder dir;
    writeBytes(dir.file("p.nc"), bytes);

    InputFile file;
    std::string error;
    ASSERT_EQ(file.open(dir.file("p.nc"), false, error), InputFile::Opened::Yes) << error;
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;
    ASSERT_TRUE(file.status(kind, size, error)) << error;
    EXPECT_EQ(kind, FileKind::Regular);
    EXPECT_EQ(size, bytes.size());
    std::string read;
    char buffer[4096];
    for (std::size_t got = 1; got != 0;) {
        ASSERT_TRUE(file.read(buffer, sizeof buffer, got, error)) << error;
        read.append(buffer, got);
    }
    EXPECT_EQ(read, bytes);
}

TEST(InputFile, MissingFilesAndFoldersAreToldApart)
{
    TempFolder dir;
    std::filesystem::create_directory(pathFromUtf8(dir.file("sub")));
    std::string error;
    InputFile file;
    EXPECT_EQ(file.open(dir.file("none.nc"), false, error), InputFile::Opened::Missing);
    EXPECT_EQ(file.open(joinPath(dir.file("none"), "p.nc"), false, error),
              InputFile::Opened::Missing);
    ASSERT_EQ(file.open(dir.file("sub"), false, error), InputFile::Opened::Yes) << error;
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;
    ASSERT_TRUE(file.status(kind, size, error)) << error;
    EXPECT_EQ(kind, FileKind::Folder);
}

// ---- atomic replacement

TEST(AtomicFile, WritesBytesUnchangedAndLeavesNothingBehind)
{
    static const char raw[] = "PA 1,2;\r\nLF only\n\x1a\0end";
    const std::string bytes(raw, sizeof raw - 1);
    TempFolder dir;
    for (const char* name : {"new.Cbr", "old.Cbr"}) {
        if (std::string(name) == "old.Cbr")
            writeBytes(dir.file(name), std::string(5000, 'o'));
        FileStatus before;
        ASSERT_TRUE(fileStatus(dir.file(name), before));
        AtomicFile file;
        std::string error;
        ASSERT_TRUE(file.create(dir.file(name), error)) << error;
        const std::string old = before.kind == FileKind::Missing ? "" : std::string(5000, 'o');
        EXPECT_EQ(readBytes(dir.file(name)), old) << "nothing changes before the commit";
        ASSERT_TRUE(file.write(bytes.data(), bytes.size(), error)) << error;
        ASSERT_TRUE(file.finish(error)) << error;
        ASSERT_TRUE(file.commit(error)) << error;
        EXPECT_EQ(readBytes(dir.file(name)), bytes) << name;
        // The settings file's cache sees a replaced file as another file.
        FileStatus after;
        ASSERT_TRUE(fileStatus(dir.file(name), after));
        EXPECT_FALSE(sameFile(before, after)) << name;
    }
    std::vector<std::string> names = folderEntries(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"new.Cbr", "old.Cbr"}));
}

TEST(AtomicFile, WithoutCommitTheTargetStaysAndTheTemporaryFileGoes)
{
    TempFolder dir;
    writeBytes(dir.file("p.Cbr"), "OLD\r\n");
    for (bool finished : {false, true}) {
        AtomicFile file;
        std::string error;
        ASSERT_TRUE(file.create(dir.file("p.Cbr"), error)) << error;
        ASSERT_TRUE(file.write("NEW\r\n", 5, error)) << error;
        if (finished) {
            ASSERT_TRUE(file.finish(error)) << error;
        }
        EXPECT_EQ(folderEntries(dir.path()).size(), 2u) << "the temporary file beside the target";
    }
    EXPECT_EQ(readBytes(dir.file("p.Cbr")), "OLD\r\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"p.Cbr"});
}

TEST(AtomicFile, FolderThatDoesNotExistIsNamedAsMissing)
{
    TempFolder dir;
    AtomicFile file;
    std::string error;
    EXPECT_FALSE(file.create(joinPath(dir.file("none"), "p.Cbr"), error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(file.targetRefused());
}

struct ProtectedCase {
    const char* name;
    bool readOnly; // else held open by this process
    const char* windowsReason;
};

class ProtectedSettingsFile : public ::testing::TestWithParam<ProtectedCase> {};

// A settings file marked read-only, or held open by another program, is not
// replaced on Windows: the save reports it with the path and the file keeps
// its bytes. On Linux the replacement is the folder's business and succeeds
// (a read-only file stays read-only).
TEST_P(ProtectedSettingsFile, SaveSucceedsOnLinuxAndIsRefusedOnWindows)
{
    const ProtectedCase& c = GetParam();
    TempFolder dir;
    const std::string path = dir.file("Tolvane.ini");
    const std::string original = "[Machine]\r\nPas de vis X=5\r\n[AboutFR]\r\ntexte\r\n";
    writeBytes(path, original);
    IniFile ini(path);
    ini.writeInteger("Machine", "Pas par tour X", 400);
    std::string error;
    bool saved = false;
    if (c.readOnly) {
        ASSERT_EQ(testsys::setReadOnly(path, true), "");
        saved = ini.save(&error);
    } else {
        testsys::HeldOpen held(path);
        ASSERT_EQ(held.why(), "");
        saved = ini.save(&error);
    }
    const bool refused = c.readOnly ? testsys::onWindows() : testsys::heldFilesResistReplacement();
    if (refused) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(error, path + ": " + c.windowsReason);
        EXPECT_EQ(readBytes(path), original);
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"Tolvane.ini"});
    } else {
        EXPECT_TRUE(saved) << error;
        EXPECT_EQ(readBytes(path), "[Machine]\r\nPas de vis X=5\r\nPas par tour X=400\r\n"
                                   "[AboutFR]\r\ntexte\r\n");
    }
    testsys::setReadOnly(path, false);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProtectedSettingsFile,
    ::testing::Values(ProtectedCase{"ReadOnly", true, "the file is read-only"},
                      ProtectedCase{"HeldOpen", false, "the file is in use by another program"}),
    [](const ::testing::TestParamInfo<ProtectedCase>& info) { return info.param.name; });

// ---- names beyond ASCII, the executable's folder

TEST(SettingsPath, FolderAndFileNamesBeyondAsciiAreReadAndWritten)
{
    TempFolder dir;
    const std::string folder = dir.file("Réglages Fräse 零 🛠");
    std::filesystem::create_directory(pathFromUtf8(folder));
    const std::string path = joinPath(folder, "Tolvane ü.ini");
    writeBytes(path, "[Machine]\r\nPas de vis Z=2\r\nPas par tour Z=400\r\n");
    overrideSettingsFilePath(path);
    const StepsPerMmTexts texts = loadMachineSettings();
    EXPECT_EQ(texts.ofz, "200");
    std::string error;
    EXPECT_TRUE(setShowAboutAtStart(true, &error)) << error;
    overrideSettingsFilePath("");
    EXPECT_EQ(readBytes(path), "[Machine]\r\nPas de vis Z=2\r\nPas par tour Z=400\r\n"
                               "[About]\r\nAffiche=1\r\n");
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"Tolvane ü.ini"});
}

TEST(ExecutableFolder, IsTheFolderOfThisTestProgram)
{
    const std::string folder = executableFolder();
    ASSERT_FALSE(folder.empty());
    const std::string name = testsys::onWindows() ? "engine_tests.exe" : "engine_tests";
    FileStatus st;
    ASSERT_TRUE(fileStatus(joinPath(folder, name), st));
    EXPECT_EQ(st.kind, FileKind::Regular) << joinPath(folder, name);
    // No separator at the end: joinPath adds exactly one.
    EXPECT_NE(folder.back(), '/');
    EXPECT_NE(folder.back(), '\\');
}

} // namespace
