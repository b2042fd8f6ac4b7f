// The folders a settings file of the user's own needs: whether the folder of
// the program takes new files, the user's configuration folder, and creating
// that folder.
#pragma once

#include <string>

// True when files can be created in `folder` and renamed over each other
// there ("" is the current folder): the folder exists, the effective user
// may write into it and enter it, and it is not on a read-only file system.
// Nothing is created to find out.
bool folderIsWritable(const std::string& folder);

// The folder of Tolvane's settings in the user's configuration folder:
// "$XDG_CONFIG_HOME/tolvane" when XDG_CONFIG_HOME holds an absolute path
// (an empty or relative one is ignored), else "$HOME/.config/tolvane", with
// the home folder of the user's account when HOME is not an absolute path.
// "" when no home folder is known. Without a trailing slash.
std::string userConfigFolder();

// Creates `folder` and the folders above it that are missing, each with mode
// 0700 (the user's settings are nobody else's business). True when the folder
// exists afterwards; otherwise false, and `error` holds "<folder>: <reason>"
// for the first folder that could not be made.
bool makeFolders(const std::string& folder, std::string* error);
