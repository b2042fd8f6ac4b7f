#include "cli/ByteBuffer.h"

#include <cstdint>
#include <new>

#include "engine/platform/GrowingBlocks.h"
#include "engine/platform/InputFile.h"

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
        // On Linux remapped, not copied, when it grows; huge pages from 2 MB
        // on, the advice covering the whole block so that it can be remapped
        // again.
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
const char* const kNoMemory = "Cannot allocate memory";

bool ByteBuffer::readAll(InputFile& file, std::string& error)
{
    FileKind kind = FileKind::Other;
    std::uint64_t fileSize = 0;
    std::string unknown; // what cannot be told is found out by reading
    if (file.status(kind, fileSize, unknown)) {
        if (kind == FileKind::Folder) {
            error = "Is a directory";
            return false;
        }
        if (kind == FileKind::Regular && fileSize > kMaxBytes) {
            error = kTooLarge;
            return false;
        }
        // A regular file arrives in one read; one byte more shows its end.
        if (kind == FileKind::Regular && fileSize > 0 &&
            !grow(static_cast<std::size_t>(fileSize) + 1)) {
            error = kNoMemory;
            return false;
        }
    }
    for (;;) {
        if (size == capacity && !grow(size + (1 << 16))) {
            error = kNoMemory;
            return false;
        }
        std::size_t got = 0;
        if (!file.read(data + size, capacity - size, got, error))
            return false;
        if (got == 0)
            return true;
        size += got;
        if (size > kMaxBytes) {
            error = kTooLarge;
            return false;
        }
    }
}

bool ByteBuffer::readFile(const std::string& path, std::string& error)
{
    InputFile file;
    if (path == "-") {
        file.openStandardInput();
        return readAll(file, error);
    }
    switch (file.open(path, false, error)) {
    case InputFile::Opened::Missing:
        error = "No such file or directory";
        return false;
    case InputFile::Opened::Failed:
        return false;
    case InputFile::Opened::Yes:
        break;
    }
    return readAll(file, error);
}

void ByteBuffer::release()
{
    if (data != nullptr)
        mapped::release(data, capacity);
    data = nullptr;
    size = 0;
    capacity = 0;
}
