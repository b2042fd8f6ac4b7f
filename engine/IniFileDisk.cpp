// Reading the settings file whole and replacing it atomically.
#include "engine/IniFile.h"
#include "engine/PosixWrite.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// A settings file is a few kilobytes; anything beyond this is not one, and
// reading it would only tie up memory.
constexpr std::size_t kMaxFileSize = 256u * 1024u * 1024u;

std::string errnoText(int err)
{
    return std::strerror(err);
}

} // namespace

bool readSettingsFileBytes(const std::string& path, std::string& bytes, bool& exists,
                           std::string* error)
{
    bytes.clear();
    exists = false;
    auto fail = [&](const std::string& reason) {
        if (error)
            *error = path + ": " + reason;
        bytes.clear();
        return false;
    };
    // O_NONBLOCK: a FIFO put in the file's place must not block the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return true;
        exists = true;
        return fail(errnoText(errno));
    }
    exists = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(errnoText(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? "is a folder, not a file" : "is not a regular file");
    }
    if (static_cast<unsigned long long>(st.st_size) > kMaxFileSize) {
        ::close(fd);
        return fail("file too large");
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return fail(errnoText(err));
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
            ::close(fd);
            return fail("file too large");
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    std::string error;
    if (!readSettingsFileBytes(path_, content_, exists_, &error))
        loadError_ = error;
}

bool IniFile::save(std::string* error)
{
    auto fail = [&](const std::string& target, const std::string& reason) {
        if (error)
            *error = target + ": " + reason;
        return false;
    };
    if (!loadError_.empty())
        return fail(path_, "could not be read, so it is left unchanged (" + loadError_ + ")");
    if (!modified_)
        return true;

    // A settings file that is a symbolic link is replaced where it points to,
    // so that the link itself survives.
    std::string target = path_;
    struct stat lst {};
    if (::lstat(path_.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char* real = ::realpath(path_.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : dir) + "." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail(target,
                    "cannot create a temporary file in its folder (" + errnoText(errno) + ")");
    int err = 0;
    bool ok = writeAll(fd, content_.data(), content_.size(), err);
    if (ok && ::fchmod(fd, mode) != 0) {
        ok = false;
        err = errno;
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(target, errnoText(err));
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    modified_ = false;
    exists_ = true;
    return true;
}
