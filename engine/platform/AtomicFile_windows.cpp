// Atomic replacement on Windows: a new file beside the target (CREATE_NEW, a
// random name), FlushFileBuffers, then MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, which puts it in the
// target's place in one step and returns only once that is on the disk.
//
// Another program that holds the target open without letting others delete
// it (the machine's driver reading the command file, an editor with a lock)
// makes the replacement fail. Virus scanners and indexers hold new files
// open for a moment too, so the replacement is tried again for about a
// second before the failure is reported; the target is then untouched and
// the temporary file removed.
#include "engine/platform/AtomicFile.h"

#include "engine/platform/WindowsFiles_windows.h"

#include <atomic>

namespace {

HANDLE asHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// Six letters that differ from call to call and from process to process.
std::string randomSuffix()
{
    static std::atomic<std::uint64_t> counter{0};
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    std::uint64_t x = static_cast<std::uint64_t>(now.QuadPart) ^
                      (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32) ^
                      (++counter * 0x9E3779B97F4A7C15ULL);
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        suffix.push_back(letters[x % 36]);
    }
    return suffix;
}

bool isReadOnlyFile(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

const char* const kReadOnly = "the file is read-only";

// "<folder>\.<name>." beside the target; no folder for a bare file name.
std::string temporaryPrefix(const std::string& target)
{
    std::string folder;
    if (target.find_first_of("\\/:") != std::string::npos) {
        folder = winfiles::folderOf(target);
        if (folder.back() != '\\' && folder.back() != '/' && folder.back() != ':')
            folder += '\\';
    }
    return folder + "." + winfiles::fileNameOf(target) + ".";
}

bool mayPass(DWORD code)
{
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

// Whether another program holds the target open without letting others
// delete it, which would make the replacement fail. Found out before
// anything is written, so that a converter writing several results changes
// none of them; tried again for about a second, as the replacement is.
bool heldByAnotherProgram(const std::wstring& target)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        HANDLE handle = ::CreateFileW(target.c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
            return false;
        }
        if (!mayPass(::GetLastError()))
            return false;
        ::Sleep(50);
    }
    return true;
}

} // namespace

bool AtomicFile::create(const std::string& target, std::string& error)
{
    discard();
    targetRefused_ = false;
    target_ = target;
    const std::wstring wideTarget = winfiles::widen(target_);
    if (isReadOnlyFile(wideTarget)) {
        targetRefused_ = true;
        error = kReadOnly;
        return false;
    }
    if (heldByAnotherProgram(wideTarget)) {
        targetRefused_ = true;
        error = winfiles::reason(ERROR_SHARING_VIOLATION);
        return false;
    }
    const std::string prefix = temporaryPrefix(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = prefix + randomSuffix();
        HANDLE handle = ::CreateFileW(winfiles::widen(temp).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            temp_ = temp;
            handle_ = reinterpret_cast<std::intptr_t>(handle);
            return true;
        }
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            error = winfiles::reason(code);
            return false;
        }
    }
    error = winfiles::reason(ERROR_FILE_EXISTS);
    return false;
}

bool AtomicFile::write(const char* data, std::size_t size, std::string& error)
{
    DWORD code = ERROR_INVALID_HANDLE;
    if (handle_ != -1 && winfiles::writeAll(asHandle(handle_), data, size, code))
        return true;
    error = winfiles::reason(code);
    return false;
}

bool AtomicFile::finish(std::string& error)
{
    if (handle_ == -1) {
        error = winfiles::reason(ERROR_INVALID_HANDLE);
        return false;
    }
    HANDLE handle = asHandle(handle_);
    handle_ = -1;
    DWORD code = 0;
    if (!::FlushFileBuffers(handle))
        code = ::GetLastError();
    if (!::CloseHandle(handle) && code == 0)
        code = ::GetLastError();
    if (code != 0) {
        error = winfiles::reason(code);
        return false;
    }
    finished_ = true;
    return true;
}

bool AtomicFile::commit(std::string& error)
{
    if (!finished_ || temp_.empty()) {
        error = "internal error: file not finished";
        return false;
    }
    const std::wstring from = winfiles::widen(temp_);
    const std::wstring to = winfiles::widen(target_);
    DWORD code = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            temp_.clear();
            finished_ = false;
            return true;
        }
        code = ::GetLastError();
        if (isReadOnlyFile(to)) {
            error = kReadOnly;
            return false;
        }
        // Only a file held open can free itself by waiting.
        if (!mayPass(code) && code != ERROR_ACCESS_DENIED)
            break;
        ::Sleep(50);
    }
    // Replacing an existing file that is not read-only is denied when some
    // program holds it open.
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        code = ERROR_SHARING_VIOLATION;
    error = winfiles::reason(code);
    return false;
}

void AtomicFile::discard()
{
    if (handle_ != -1)
        ::CloseHandle(asHandle(handle_));
    handle_ = -1;
    if (!temp_.empty())
        ::DeleteFileW(winfiles::widen(temp_).c_str());
    temp_.clear();
    finished_ = false;
}
