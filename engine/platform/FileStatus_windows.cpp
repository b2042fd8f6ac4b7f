// File status on Windows: the attributes, size and times come from the name
// alone (GetFileAttributesExW works on files other programs hold locked); the
// identity (volume serial number and file index) needs a handle, opened
// without any access right and sharing everything.
#include "engine/platform/FileStatus.h"

#include "engine/platform/WindowsFiles_windows.h"

namespace {

// FILETIME counts 100 ns from 1601-01-01 UTC; 11644473600 s lie before 1970.
std::int64_t unixNanoseconds(const FILETIME& t)
{
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return (static_cast<std::int64_t>(ticks) - 116444736000000000LL) * 100;
}

std::int64_t unixNanoseconds(const LARGE_INTEGER& t)
{
    return (t.QuadPart - 116444736000000000LL) * 100;
}

bool isDevice(const std::wstring& path)
{
    HANDLE handle =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const DWORD type = ::GetFileType(handle);
    ::CloseHandle(handle);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

} // namespace

bool fileStatus(const std::string& path, FileStatus& status, std::string* error)
{
    status = FileStatus{};
    const std::wstring wide = winfiles::widen(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD code = ::GetLastError();
        // Devices such as NUL and CON, and pipes, have no attributes (or
        // none that tell), but open.
        if (isDevice(wide)) {
            status.kind = FileKind::Other;
            return true;
        }
        if (winfiles::isMissing(code))
            return true;
        if (error)
            *error = winfiles::reason(code);
        return false;
    }
    status.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder
                  : (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)  ? FileKind::Other
                                                                     : FileKind::Regular;
    status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.modifiedNs = unixNanoseconds(data.ftLastWriteTime);
    status.changedNs = status.modifiedNs;

    HANDLE handle =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return true;
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        status.kind = FileKind::Other;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(handle, &info)) {
        status.identityKnown = true;
        status.device = info.dwVolumeSerialNumber;
        status.fileId =
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    // The change time also moves when the file is renamed or its attributes
    // change, as a Linux ctime does.
    FILE_BASIC_INFO basic{};
    if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        status.changedNs = unixNanoseconds(basic.ChangeTime);
    ::CloseHandle(handle);
    return true;
}
