#include "cli/ByteBuffer.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t value, std::size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

} // namespace

void adviseHugePages(const void* begin, std::size_t bytes)
{
    auto first = reinterpret_cast<std::uintptr_t>(begin);
    std::uintptr_t from = roundUp(first, kHugePage);
    std::uintptr_t to = (first + bytes) / kHugePage * kHugePage;
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

bool ByteBuffer::grow(std::size_t atLeast)
{
    std::size_t wanted = roundUp(atLeast < 2 * capacity ? 2 * capacity : atLeast, 1 << 16);
    void* block;
    if (data == nullptr)
        block = ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    else
        block = ::mremap(data, capacity, wanted, MREMAP_MAYMOVE);
    if (block == MAP_FAILED)
        return false;
    data = static_cast<char*>(block);
    capacity = wanted;
    adviseHugePages(data, capacity);
    return true;
}

bool ByteBuffer::readAll(int fd, std::string& error)
{
    struct stat info {};
    if (::fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = std::strerror(EISDIR);
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
        ::munmap(data, capacity);
    data = nullptr;
    size = 0;
    capacity = 0;
}
