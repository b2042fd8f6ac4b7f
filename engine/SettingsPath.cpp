// Choosing the settings file, and making the user's own copy before the
// first change.
#include "engine/SettingsPath.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/IniFile.h"
#include "engine/platform/ExecutableFolder.h"
#include "engine/platform/Paths.h"
#include "engine/platform/UserFolders.h"

namespace {

const char* const kFileName = "Tolvane.ini";

std::string givenPath;
std::string givenExecutableFolder;
std::string givenUserFolder;

// "" when the system does not tell: the settings file is then looked for in
// the current folder.
std::string programFolder()
{
    return givenExecutableFolder.empty() ? executableFolder() : givenExecutableFolder;
}

std::string userFolder()
{
    return givenUserFolder.empty() ? userConfigFolder() : givenUserFolder;
}

// A name in the folder: a file, a folder, a link (even a broken one), anything.
bool somethingAt(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(pathFromUtf8(path), ec));
}

} // namespace

SettingsLocation settingsLocation()
{
    SettingsLocation where;
    if (!givenPath.empty()) {
        where.kind = SettingsLocation::Kind::Given;
        where.readPath = where.writePath = givenPath;
        return where;
    }
    const std::string folder = programFolder();
    const std::string besideProgram = joinPath(folder, kFileName);
    where.readPath = where.writePath = besideProgram;
    if (folderIsWritable(folder)) {
        where.kind = SettingsLocation::Kind::BesideProgram;
        return where;
    }
    const std::string user = userFolder();
    if (user.empty()) {
        where.kind = SettingsLocation::Kind::NoPlaceForChanges;
        return where;
    }
    where.writePath = joinPath(user, kFileName);
    // Whatever stands at the user's path is the user's file: an unreadable
    // file or a folder there is reported when read, instead of quietly
    // reading the file beside the executable.
    if (somethingAt(where.writePath)) {
        where.kind = SettingsLocation::Kind::UserFile;
        where.readPath = where.writePath;
    } else {
        where.kind = SettingsLocation::Kind::UserFileToCreate;
    }
    return where;
}

std::string settingsFilePath()
{
    return settingsLocation().readPath;
}

bool prepareSettingsForWriting(std::string& path, std::string* error)
{
    const SettingsLocation where = settingsLocation();
    path = where.writePath;
    auto fail = [&](const std::string& reason) {
        if (error)
            *error = path + ": " + reason;
        return false;
    };
    switch (where.kind) {
    case SettingsLocation::Kind::Given:
    case SettingsLocation::Kind::BesideProgram:
    case SettingsLocation::Kind::UserFile:
        return true;
    case SettingsLocation::Kind::NoPlaceForChanges:
        return fail("its folder is not writable, and the system names no folder of your own "
                    "for a settings file");
    case SettingsLocation::Kind::UserFileToCreate:
        break;
    }

    std::string why;
    if (!makeFolders(userFolder(), &why))
        return fail("cannot create its folder (" + why + ")");
    std::string bytes;
    bool exists = false;
    if (!readSettingsFileBytes(where.readPath, bytes, exists, &why))
        return fail("cannot copy the settings beside the program into it (" + why + ")");
    if (!exists)
        return true;
    IniFile copy(path);
    copy.replaceContent(std::move(bytes));
    return copy.save(error);
}

void overrideSettingsFilePath(const std::string& path)
{
    givenPath = path;
}

void overrideExecutableFolder(const std::string& folder)
{
    givenExecutableFolder = folder;
}

void overrideUserConfigFolder(const std::string& folder)
{
    givenUserFolder = folder;
}
