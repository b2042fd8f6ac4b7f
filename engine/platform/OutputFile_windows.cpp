// Writing in place on Windows. A handle that is a console gets the text
// through WriteConsoleW, converted from UTF-8: the console then shows "é"
// whatever its code page, and nothing of the console's set-up is changed for
// the programs that run after the converter. Files and pipes get the bytes
// unchanged through WriteFile.
#include "engine/platform/OutputFile.h"

#include "engine/platform/WindowsFiles_windows.h"

namespace {

HANDLE asHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != 0;
}

bool writeConsole(HANDLE handle, std::string_view text, DWORD& error)
{
    const std::wstring wide = winfiles::widen(text);
    const wchar_t* p = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
        const DWORD piece = left > 8192 ? 8192 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteConsoleW(handle, p, piece, &written, nullptr) || written == 0) {
            error = ::GetLastError();
            return false;
        }
        p += written;
        left -= written;
    }
    return true;
}

bool writeTo(HANDLE handle, const char* data, std::size_t size, DWORD& error)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    if (isConsole(handle))
        return writeConsole(handle, std::string_view(data, size), error);
    return winfiles::writeAll(handle, data, size, error);
}

} // namespace

bool OutputFile::openInPlace(const std::string& path, std::string& error)
{
    close();
    HANDLE handle = ::CreateFileW(winfiles::widen(path).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = winfiles::reason(::GetLastError());
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    owned_ = true;
    return true;
}

void OutputFile::openStandardOutput()
{
    close();
    handle_ = reinterpret_cast<std::intptr_t>(::GetStdHandle(STD_OUTPUT_HANDLE));
    owned_ = false;
}

bool OutputFile::write(const char* data, std::size_t size, std::string& error)
{
    DWORD code = 0;
    if (writeTo(asHandle(handle_), data, size, code))
        return true;
    error = winfiles::reason(code);
    return false;
}

bool OutputFile::close(std::string& error)
{
    const bool owned = owned_;
    HANDLE handle = asHandle(handle_);
    handle_ = -1;
    owned_ = false;
    if (owned && !::CloseHandle(handle)) {
        error = winfiles::reason(::GetLastError());
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
    DWORD ignored = 0;
    writeTo(::GetStdHandle(STD_ERROR_HANDLE), text.data(), text.size(), ignored);
}
