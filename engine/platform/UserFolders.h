// Folders of the user and whether the program may write in a folder.
#pragma once
#include <string>
bool folderIsWritable(const std::string& folder);
std::string userConfigFolder();
bool makeFolders(const std::string& folder, std::string* error);
