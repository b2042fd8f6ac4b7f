// The user's folders on Windows.
//
// The settings of a user who may not write beside the executable (a
// Tolvane under C:\Program Files) go to %APPDATA%\Tolvane, the roaming
// application-data folder, which follows the user from computer to computer
// in a domain. The folder is asked of the shell (SHGetKnownFolderPath), which
// knows it even where the APPDATA variable was changed or removed; the
// variable is only the fall-back.
#include "engine/platform/UserFolders.h"

#include "engine/platform/WindowsFiles_windows.h"

#include <shlobj.h>

#include <atomic>

namespace {

const wchar_t* const kProgramFolder = L"Tolvane";

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring withSeparator(std::wstring folder)
{
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
        folder.push_back(L'\\');
    return folder;
}

} // namespace

// The folder's permissions (ACLs, a read-only share, a write-protected
// stick, a full disk) are best found by trying: a file created there and
// deleted again when it is closed.
bool folderIsWritable(const std::string& folder)
{
    const std::wstring wide = folder.empty() ? std::wstring(L".") : winfiles::widen(folder);
    if (!isFolder(wide))
        return false;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 10; ++attempt) {
        const std::wstring probe = withSeparator(wide) + L".tolvane-probe-" +
                                   std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(++counter);
        HANDLE handle =
            ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
            return true;
        }
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

std::string userConfigFolder()
{
    std::wstring base;
    wchar_t* known = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known)) && known)
        base = known;
    ::CoTaskMemFree(known);
    if (base.empty()) {
        const DWORD size = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
        if (size > 1) {
            std::wstring value(size, L'\0');
            const DWORD n = ::GetEnvironmentVariableW(L"APPDATA", value.data(), size);
            if (n > 0 && n < size) {
                value.resize(n);
                base = value;
            }
        }
    }
    if (base.empty())
        return {};
    return winfiles::narrow(withSeparator(base) + kProgramFolder);
}

const char* userConfigFolderForHelp()
{
    return "%APPDATA%\\Tolvane";
}

// Creates every missing level of `folder`, from the top down. The drive
// ("C:\") or the share ("\\server\share\") it starts with is never created.
bool makeFolders(const std::string& folder, std::string* error)
{
    const std::wstring wide = winfiles::widen(folder);
    auto fail = [&](const std::wstring& level, const std::string& reason) {
        if (error)
            *error = winfiles::narrow(level) + ": " + reason;
        return false;
    };
    if (wide.empty())
        return fail(wide, "no folder named");
    std::size_t start = 0;
    if (wide.size() >= 2 && wide[1] == L':') {
        start = 2;
    } else if (wide.size() >= 2 && (wide[0] == L'\\' || wide[0] == L'/') &&
               (wide[1] == L'\\' || wide[1] == L'/')) {
        // \\server\share: the first two names after the slashes.
        std::size_t names = 0;
        start = 2;
        while (start < wide.size() && names < 2) {
            const std::size_t next = wide.find_first_of(L"\\/", start);
            start = next == std::wstring::npos ? wide.size() : next + 1;
            ++names;
        }
    }
    std::size_t at = start;
    while (at <= wide.size()) {
        std::size_t next = wide.find_first_of(L"\\/", at);
        if (next == std::wstring::npos)
            next = wide.size();
        if (next > at) {
            const std::wstring level = wide.substr(0, next);
            // A level that exists is not created again: a folder the user
            // may not create in (C:\Users) would report a denial instead.
            if (!isFolder(level) && !::CreateDirectoryW(level.c_str(), nullptr)) {
                const DWORD code = ::GetLastError();
                if (code != ERROR_ALREADY_EXISTS)
                    return fail(level, winfiles::reason(code));
                if (!isFolder(level))
                    return fail(level, "exists and is not a folder");
            }
        }
        at = next + 1;
    }
    return true;
}
