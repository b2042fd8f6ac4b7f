// The folders a settings file of the user's own needs: whether the folder of
// the program takes new files, the user's configuration folder, and creating
// that folder. Every path is UTF-8 text.
#pragma once

#include <string>

// True when files can be created in `folder` and renamed over each other
// there ("" is the current folder): the folder exists, the user the program
// runs as may create files in it, and it is not on a read-only disk. Linux
// asks the file system and creates nothing; Windows, whose permissions are
// lists of rules, tries: a file is created there and deleted at once.
bool folderIsWritable(const std::string& folder);

// The folder of Tolvane's settings in the user's configuration folder,
// without a trailing separator; "" when the system names none.
//   Linux: "$XDG_CONFIG_HOME/tolvane" when XDG_CONFIG_HOME holds an absolute
//   path (an empty or relative one is ignored), else "$HOME/.config/tolvane",
//   with the home folder of the user's account when HOME is not an absolute
//   path.
//   Windows: "%APPDATA%\Tolvane", the user's roaming application data, as the
//   shell knows it (the APPDATA variable only when the shell does not tell).
std::string userConfigFolder();

// The same place as people write it, for help texts: "~/.config/tolvane"
// style on Linux, "%APPDATA%\Tolvane" on Windows.
const char* userConfigFolderForHelp();

// Creates `folder` and the folders above it that are missing (on Linux each
// with mode 0700: the user's settings are nobody else's business). True when
// the folder exists afterwards; otherwise false, and `error` holds
// "<folder>: <reason>" for the first folder that could not be made ("exists
// and is not a folder" when a file stands in the way).
bool makeFolders(const std::string& folder, std::string* error);
