// What the POSIX side of the platform layer shares: whole writes to a file
// descriptor and the texts of error numbers.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <unistd.h>

namespace posixfiles {

// Writes all `size` bytes: write() may take less than it was given, or be
// interrupted by a signal. On failure stores errno in `err` and returns false.
inline bool writeAll(int fd, const char* data, std::size_t size, int& err)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

inline std::string reason(int err)
{
    return std::strerror(err);
}

} // namespace posixfiles
