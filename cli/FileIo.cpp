#include "cli/FileIo.h"

#include "engine/PosixWrite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

std::string reason(int err)
{
    return std::strerror(err);
}

mode_t newFileMode()
{
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool sameExistingFile(const std::string& a, const std::string& b)
{
    if (a == "-" || b == "-")
        return false;
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

AtomicOutput::~AtomicOutput()
{
    discard();
}

bool AtomicOutput::open(const std::string& target, std::string& error)
{
    targetPath = target;
    buffer.reserve(kBufferSize);
    if (target == "-") {
        toStdout = true;
        fd = STDOUT_FILENO;
        return true;
    }

    struct stat info {};
    bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        error = reason(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        // A device, pipe or socket (/dev/null, a named pipe) is written in
        // place: renaming a file over it would replace the device itself.
        fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            error = reason(errno);
            return false;
        }
        direct = true;
        return true;
    }
    mode_t mode = exists ? (info.st_mode & 07777) : newFileMode();

    // Write through a symbolic link to the file it names, as an editor would.
    std::filesystem::path real(target);
    std::error_code ec;
    if (std::filesystem::is_symlink(real, ec)) {
        std::filesystem::path resolved = std::filesystem::weakly_canonical(real, ec);
        if (!ec)
            real = resolved;
    }

    std::filesystem::path dir = real.parent_path();
    std::string name = real.filename().string();
    std::string pattern =
        (dir.empty() ? std::string() : dir.string() + "/") + "." + name + ".XXXXXX";
    fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        error = reason(errno);
        return false;
    }
    tempPath = pattern;
    targetPath = real.string();
    ::fchmod(fd, mode);
    return true;
}

void AtomicOutput::flushBuffer()
{
    if (fd >= 0 && writeErrno == 0 && !buffer.empty())
        writeAll(fd, buffer.data(), buffer.size(), writeErrno);
    buffer.clear();
}

void AtomicOutput::write(std::string_view text)
{
    if (buffer.size() + text.size() > kBufferSize) {
        flushBuffer();
        if (text.size() > kBufferSize) {
            if (fd >= 0 && writeErrno == 0)
                writeAll(fd, text.data(), text.size(), writeErrno);
            return;
        }
    }
    buffer.append(text);
}

bool AtomicOutput::finish(std::string& error)
{
    flushBuffer();
    finished = true;
    if (direct) {
        if (::close(fd) != 0 && writeErrno == 0)
            writeErrno = errno;
        fd = -1;
    }
    if (toStdout || direct) {
        if (writeErrno != 0) {
            error = reason(writeErrno);
            return false;
        }
        return true;
    }
    if (writeErrno == 0 && ::fsync(fd) != 0)
        writeErrno = errno;
    if (::close(fd) != 0 && writeErrno == 0)
        writeErrno = errno;
    fd = -1;
    if (writeErrno != 0) {
        error = reason(writeErrno);
        return false;
    }
    return true;
}

bool AtomicOutput::commit(std::string& error)
{
    if (toStdout || direct)
        return true;
    if (!finished || tempPath.empty()) {
        error = "internal error: file not finished";
        return false;
    }
    if (::rename(tempPath.c_str(), targetPath.c_str()) != 0) {
        error = reason(errno);
        return false;
    }
    tempPath.clear();
    // Make the rename itself durable.
    std::filesystem::path dir = std::filesystem::path(targetPath).parent_path();
    int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void AtomicOutput::discard()
{
    if (toStdout)
        return;
    if (direct) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        return;
    }
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    if (!tempPath.empty()) {
        ::unlink(tempPath.c_str());
        tempPath.clear();
    }
}
