#include "engine/platform/OutputFile.h"

#include "engine/platform/PosixFiles_posix.h"

#include <fcntl.h>

bool OutputFile::openInPlace(const std::string& path, std::string& error)
{
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = posixfiles::reason(errno);
        return false;
    }
    handle_ = fd;
    owned_ = true;
    return true;
}

void OutputFile::openStandardOutput()
{
    close();
    handle_ = STDOUT_FILENO;
    owned_ = false;
}

bool OutputFile::write(const char* data, std::size_t size, std::string& error)
{
    int err = EBADF;
    if (handle_ >= 0 && posixfiles::writeAll(static_cast<int>(handle_), data, size, err))
        return true;
    error = posixfiles::reason(err);
    return false;
}

bool OutputFile::close(std::string& error)
{
    const bool owned = owned_ && handle_ >= 0;
    const int fd = static_cast<int>(handle_);
    handle_ = -1;
    owned_ = false;
    if (owned && ::close(fd) != 0) {
        error = posixfiles::reason(errno);
        return false;
    }
    return true;
}

void OutputFile::close()
{
    std::string ignored;
    close(ignored);
}

void writeStandardError(std::string_view text)
{
    int ignored = 0;
    posixfiles::writeAll(STDERR_FILENO, text.data(), text.size(), ignored);
}
