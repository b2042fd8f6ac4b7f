#include "engine/platform/SystemError.h"

#include <windows.h>

#include <cerrno>
#include <system_error>

void clearSystemError()
{
    errno = 0;
    ::SetLastError(ERROR_SUCCESS);
}

int lastSystemError()
{
    if (errno != 0)
        return errno;
    auto code = [](std::errc e) { return static_cast<int>(e); };
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
        return code(std::errc::permission_denied);
    case ERROR_WRITE_PROTECT:
        return code(std::errc::read_only_file_system);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return code(std::errc::no_space_on_device);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return code(std::errc::device_or_resource_busy);
    case ERROR_FILENAME_EXCED_RANGE:
        return code(std::errc::filename_too_long);
    case ERROR_TOO_MANY_OPEN_FILES:
        return code(std::errc::too_many_files_open);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return code(std::errc::not_enough_memory);
    case ERROR_DIRECTORY:
        return code(std::errc::not_a_directory);
    default:
        return 0;
    }
}
