#include "engine/platform/WindowsFiles_windows.h"

#include <climits>

namespace winfiles {

std::wstring widen(std::string_view text)
{
    if (text.empty())
        return {};
    std::wstring wide;
    // One UTF-16 unit per byte at most; chunks keep each call within int.
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t piece = text.size() - done;
        if (piece > (std::size_t{1} << 30)) {
            piece = std::size_t{1} << 30;
            // Never cut a UTF-8 sequence: back up to the first byte of one.
            while (piece > 0 && (static_cast<unsigned char>(text[done + piece]) & 0xC0) == 0x80)
                --piece;
        }
        const int inBytes = static_cast<int>(piece);
        const int units =
            ::MultiByteToWideChar(CP_UTF8, 0, text.data() + done, inBytes, nullptr, 0);
        const std::size_t at = wide.size();
        wide.resize(at + static_cast<std::size_t>(units));
        ::MultiByteToWideChar(CP_UTF8, 0, text.data() + done, inBytes, wide.data() + at, units);
        done += piece;
    }
    return wide;
}

std::string narrow(std::wstring_view text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX) / 4)
        return {};
    const int units = static_cast<int>(text.size());
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), units, out.data(), bytes, nullptr, nullptr);
    return out;
}

bool isMissing(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return true;
    default:
        return false;
    }
}

std::string reason(DWORD error)
{
    if (isMissing(error))
        return "No such file or directory";
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return "Permission denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "the file is in use by another program";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "No space left on device";
    case ERROR_WRITE_PROTECT:
        return "Read-only file system";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return "Cannot allocate memory";
    case ERROR_FILENAME_EXCED_RANGE:
        return "File name too long";
    case ERROR_INVALID_NAME:
        return "Invalid file name";
    case ERROR_DIRECTORY:
        return "Not a directory";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return "Broken pipe";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return "File exists";
    case ERROR_NOT_READY:
        return "the drive is not ready";
    default:
        break;
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr) {
        std::wstring_view view(text, length);
        while (!view.empty() && (view.back() == L'\r' || view.back() == L'\n' ||
                                 view.back() == L' ' || view.back() == L'.'))
            view.remove_suffix(1);
        message = narrow(view);
    }
    if (text != nullptr)
        ::LocalFree(text);
    if (message.empty())
        message = "system error";
    return message + " (error " + std::to_string(error) + ")";
}

bool writeAll(HANDLE handle, const char* data, std::size_t size, DWORD& error)
{
    while (size > 0) {
        const DWORD piece = size > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(handle, data, piece, &written, nullptr)) {
            error = ::GetLastError();
            return false;
        }
        if (written == 0) {
            error = ERROR_WRITE_FAULT;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    if (cut == 0)
        return path.substr(0, 1);
    if (cut == 2 && path[1] == ':')
        return path.substr(0, 3);
    return path.substr(0, cut);
}

std::string fileNameOf(const std::string& path)
{
    const std::size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos)
        return path.substr(cut + 1);
    return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
}

} // namespace winfiles
