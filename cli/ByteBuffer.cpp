#include "cli/ByteBuffer.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "engine/MappedArray.h"

namespace {

std::size_t roundUp(std::size_t value, std::size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

} // namespace

bool ByteBuffer::grow(std::size_t atLeast)
{
    std::size_t wanted = roundUp(atLeast < 2 * capacity ? 2 * capacity : atLeast, 1 << 16);
    try {
        // Remapped, not copied, when it grows; huge pages from 2 MB on, the
        // advice covering the whole block so that it can be remapped again.
        data = static_cast<char*>(mapped::grow(data, capacity, wanted));
    } catch (const std::bad_alloc&) {
        return false;
    }
    capacity = wanted;
    return true;
}

// No G-code program comes near this; /dev/zero or an endless pipe would
// otherwise fill the memory until the system kills the converter.
constexpr std::size_t kMaxBytes = std::size_t(2) << 30;
const char* const kTooLarge = "larger than 2 GiB, not a program";

bool ByteBuffer::readAll(int fd, std::string& error)
{
    struct stat info {};
    if (::fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = std::strerror(EISDIR);
            return false;
        }
        if (S_ISREG(info.st_mode) && static_cast<unsigned long long>(info.st_size) > kMaxBytes) {
            error = kTooLarge;
            return false;
        }
        // A regular file arrives in one read; one byte more shows its end.
        if (S_ISREG(info.st_mode) && info.st_size > 0 &&
            !grow(static_cast<std::size_t>(info.st_size) + 1)) {
            error = std::strerror(ENOMEM);
            return false;
        }
    }
    for (;;) {
        if (size == capacity && !grow(size + (1 << 16))) {
            error = std::strerror(ENOMEM);
            return false;
        }
        ssize_t got = ::read(fd, data + size, capacity - size);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            return false;
        }
        if (got == 0)
            return true;
        size += static_cast<std::size_t>(got);
        if (size > kMaxBytes) {
            error = kTooLarge;
            return false;
        }
    }
}

bool ByteBuffer::readFile(const std::string& path, std::string& error)
{
    if (path == "-")
        return readAll(STDIN_FILENO, error);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = readAll(fd, error);
    ::close(fd);
    return ok;
}

void ByteBuffer::release()
{
    if (data != nullptr)
        mapped::release(data, capacity);
    data = nullptr;
    size = 0;
    capacity = 0;
}
