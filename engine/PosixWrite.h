// Writing a whole buffer to a file descriptor: write() may take less than it
// was given, or be interrupted by a signal, and both the settings file and the
// converter's results must reach the disk complete or be reported as failed.
#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

// Writes all `size` bytes; on failure stores errno in `err` and returns false.
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
