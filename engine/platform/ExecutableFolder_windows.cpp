// The executable's folder on Windows: GetModuleFileNameW of the program
// itself, converted to UTF-8.
#include "engine/platform/ExecutableFolder.h"

#include "engine/platform/WindowsFiles_windows.h"

#include <string>

std::string executableFolder()
{
    // A path may be longer than MAX_PATH; the call cuts it to the room given
    // and says so by filling the room.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    const std::string exe = winfiles::narrow(buffer);
    if (exe.find_first_of("\\/") == std::string::npos)
        return {};
    return winfiles::folderOf(exe);
}
