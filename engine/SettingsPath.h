// Where the settings file "Tolvane.ini" is read and written.
//
// A Tolvane whose folder it may write into (a build folder, a copy in the
// user's home, a portable install) keeps Tolvane.ini beside its executable,
// as it always has. An installed Tolvane (/usr/bin, C:\Program Files) cannot
// write there; its user's settings then live in the user's configuration
// folder (userConfigFolder(): ~/.config/tolvane, %APPDATA%\Tolvane): that
// file is read when it exists, and otherwise the file beside the executable,
// which the first change of a setting copies, byte for byte, into the user's
// file before changing it.
// Every value, text and About block comes from the one file that is read.
#pragma once

#include <string>

// Where the settings are read and written, decided afresh on each call from
// the folders and files as they are now. The only place that decides.
struct SettingsLocation {
    enum class Kind {
        Given,             // a file named by --settings or a test: read and written there
        BesideProgram,     // the executable's folder is writable: Tolvane.ini there
        UserFile,          // the user's own file exists: read and written there
        UserFileToCreate,  // read beside the executable; the first write makes the user's file
        NoPlaceForChanges, // the executable's folder is not writable and the user has no folder
    };
    Kind kind = Kind::BesideProgram;
    std::string readPath;  // the file read now
    std::string writePath; // the file changes go to
};
SettingsLocation settingsLocation();

// The settings file that is read now (settingsLocation().readPath).
std::string settingsFilePath();

// Every writer of the settings calls this first. It returns in `path` the
// file to read, change and save; when that is the user's own file and it does
// not exist yet, it creates its folders and the file itself as a copy of the
// file beside the executable (atomically: whole or not at all). When the file
// beside the executable does not exist either, nothing is copied and the
// write creates the user's file with just the keys it writes, as it would
// beside a writable executable. Returns false with "<path>: <reason>" in
// `error` when the file cannot be prepared; nothing is changed then.
bool prepareSettingsForWriting(std::string& path, std::string* error);

// A fixed settings file, read and written whatever the folders: the
// converter's --settings, and tests. Empty: back to the rules above.
void overrideSettingsFilePath(const std::string& path);

// Tests only: the folder taken as the executable's (with or without a
// trailing separator). Empty: the real one.
void overrideExecutableFolder(const std::string& folder);

// Tests only: the folder taken as the user's configuration folder, where the
// system offers no other way to move it (Windows asks the shell). Empty: the
// real one.
void overrideUserConfigFolder(const std::string& folder);
