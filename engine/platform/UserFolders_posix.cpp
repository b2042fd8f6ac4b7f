// The user's folders on Linux and other POSIX systems.
#include "engine/platform/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

bool isAbsolute(const char* path)
{
    return path != nullptr && path[0] == '/';
}

// "/home/ann/" and "/home/ann" name the same folder; "/" stays "/".
std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The home folder of the account the program runs as, from the user database.
std::string accountHome()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (found == nullptr || !isAbsolute(found->pw_dir))
        return {};
    return found->pw_dir;
}

} // namespace

bool folderIsWritable(const std::string& folder)
{
    const char* path = folder.empty() ? "." : folder.c_str();
    struct stat st {};
    if (::stat(path, &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    // AT_EACCESS: the effective user is the one that writes the files.
    if (::faccessat(AT_FDCWD, path, W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    // Root passes the permission check everywhere; a read-only mount still
    // refuses every new file.
    struct statvfs fs {};
    if (::statvfs(path, &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0)
        return false;
    return true;
}

std::string userConfigFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (isAbsolute(config)) {
        const std::string base = withoutTrailingSlashes(config);
        return (base == "/" ? std::string() : base) + "/tolvane";
    }
    const char* home = std::getenv("HOME");
    std::string base = isAbsolute(home) ? std::string(home) : accountHome();
    if (base.empty())
        return {};
    base = withoutTrailingSlashes(base);
    return (base == "/" ? std::string() : base) + "/.config/tolvane";
}

const char* userConfigFolderForHelp()
{
    return "$XDG_CONFIG_HOME/tolvane (default ~/.config/tolvane)";
}

bool makeFolders(const std::string& folder, std::string* error)
{
    auto fail = [&](const std::string& path, const std::string& reason) {
        if (error)
            *error = path + ": " + reason;
        return false;
    };
    if (folder.empty())
        return fail(folder, "no folder named");
    // Each folder from the top down: "/a/b/c" makes "/a", "/a/b", "/a/b/c".
    std::size_t end = folder[0] == '/' ? 1 : 0;
    while (end <= folder.size()) {
        std::size_t next = folder.find('/', end);
        if (next == std::string::npos)
            next = folder.size();
        const std::string part = folder.substr(0, next);
        end = next + 1;
        if (part.empty() || part.back() == '/')
            continue; // doubled slash
        if (::mkdir(part.c_str(), 0700) == 0)
            continue;
        const int err = errno;
        struct stat st {};
        if (::stat(part.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode))
                continue;
            return fail(part, "exists and is not a folder");
        }
        return fail(part, std::strerror(err));
    }
    return true;
}
