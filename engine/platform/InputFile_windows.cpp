// Reading on Windows: CreateFileW sharing everything (an editor may save the
// file meanwhile), ReadFile on the handle. A folder opens with backup
// semantics so that status() can tell what it is.
#include "engine/platform/InputFile.h"

#include "engine/platform/WindowsFiles_windows.h"

namespace {

HANDLE asHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

InputFile::Opened InputFile::open(const std::string& path, bool, std::string& error)
{
    close();
    HANDLE handle = ::CreateFileW(winfiles::widen(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (winfiles::isMissing(code))
            return Opened::Missing;
        error = winfiles::reason(code);
        return Opened::Failed;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    owned_ = true;
    return Opened::Yes;
}

void InputFile::openStandardInput()
{
    close();
    handle_ = reinterpret_cast<std::intptr_t>(::GetStdHandle(STD_INPUT_HANDLE));
    owned_ = false;
}

bool InputFile::status(FileKind& kind, std::uint64_t& size, std::string& error) const
{
    HANDLE handle = asHandle(handle_);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        error = winfiles::reason(ERROR_INVALID_HANDLE);
        return false;
    }
    size = 0;
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        kind = FileKind::Other;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        error = winfiles::reason(::GetLastError());
        return false;
    }
    kind =
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder : FileKind::Regular;
    size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return true;
}

bool InputFile::read(char* into, std::size_t room, std::size_t& got, std::string& error)
{
    got = 0;
    HANDLE handle = asHandle(handle_);
    // Without standard input (a program started detached), there is nothing.
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return true;
    const DWORD piece = room > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(room);
    DWORD n = 0;
    if (!::ReadFile(handle, into, piece, &n, nullptr)) {
        const DWORD code = ::GetLastError();
        // The writing end of a pipe was closed: that is its end.
        if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF)
            return true;
        error = winfiles::reason(code);
        return false;
    }
    got = n;
    return true;
}

void InputFile::close()
{
    if (owned_)
        ::CloseHandle(asHandle(handle_));
    handle_ = -1;
    owned_ = false;
}
