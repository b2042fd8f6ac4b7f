// Atomic replacement on POSIX: mkstemp beside the target, fsync, rename over
// the target, fsync of the folder so that the rename itself is durable.
#include "engine/platform/AtomicFile.h"

#include "engine/platform/PosixFiles_posix.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace {

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool AtomicFile::create(const std::string& target, std::string& error)
{
    discard();
    targetRefused_ = false;
    target_ = target;
    // Write through a symbolic link to the file it names, as an editor would.
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
        if (!ec)
            target_ = resolved.string();
    }
    struct stat st {};
    mode_ = ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode();

    const std::size_t slash = target_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        error = posixfiles::reason(errno);
        return false;
    }
    temp_ = pattern;
    handle_ = fd;
    return true;
}

bool AtomicFile::write(const char* data, std::size_t size, std::string& error)
{
    int err = 0;
    if (handle_ < 0)
        err = EBADF;
    else if (posixfiles::writeAll(static_cast<int>(handle_), data, size, err))
        return true;
    error = posixfiles::reason(err);
    return false;
}

bool AtomicFile::finish(std::string& error)
{
    if (handle_ < 0) {
        error = posixfiles::reason(EBADF);
        return false;
    }
    const int fd = static_cast<int>(handle_);
    handle_ = -1;
    // The permissions are copied as well as the file system allows: a file
    // system without them (a FAT memory stick) must not make the save fail.
    (void)::fchmod(fd, mode_);
    int err = 0;
    if (::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0) {
        error = posixfiles::reason(err);
        return false;
    }
    finished_ = true;
    return true;
}

bool AtomicFile::commit(std::string& error)
{
    if (!finished_ || temp_.empty()) {
        error = "internal error: file not finished";
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = posixfiles::reason(errno);
        return false;
    }
    temp_.clear();
    finished_ = false;
    // Make the rename itself durable.
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : target_.substr(0, slash);
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void AtomicFile::discard()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
    handle_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
    finished_ = false;
}
