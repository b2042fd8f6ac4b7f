// Files and folders for the settings tests: a fresh folder per test, whole
// files as bytes, and a folder the program may not write into. Paths are
// UTF-8 text on every system.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/platform/Paths.h"
#include "tests/support/TestSystem.h"

namespace settingsfiles {

class TempFolder {
  public:
    TempFolder() : path_(testsys::makeTempFolder("tolvane-settings-")) {}
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(pathFromUtf8(path_), ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return joinPath(path_, name); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(folder)))
        names.push_back(utf8FromPath(entry.path().filename()));
    return names;
}

// Takes write permission away from a folder for the scope; as root, whom
// permissions do not stop, also acts as the unprivileged user "nobody".
// why() says why that cannot be done on this system.
using ReadOnlyFolder = testsys::UnwritableFolder;

} // namespace settingsfiles
