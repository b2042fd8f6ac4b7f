// Files and folders for the settings tests: a fresh folder per test, whole
// files as bytes, and a folder the program may not write into.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace settingsfiles {

class TempFolder {
  public:
    TempFolder()
    {
        std::string pattern = ::testing::TempDir() + "tolvane-settings-XXXXXX";
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// Takes write permission away from a folder for the scope; as root, whom
// permissions do not stop, also acts as the unprivileged user "nobody".
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const std::string& folder) : folder_(folder)
    {
        ::chmod(folder_.c_str(), 0555);
        if (::geteuid() == 0) {
            if (const passwd* nobody = ::getpwnam("nobody"))
                switched_ = ::seteuid(nobody->pw_uid) == 0;
        }
    }
    ~ReadOnlyFolder()
    {
        if (switched_ && ::seteuid(0) != 0)
            std::abort();
        ::chmod(folder_.c_str(), 0700);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  private:
    std::string folder_;
    bool switched_ = false;
};

} // namespace settingsfiles
