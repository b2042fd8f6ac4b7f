// The Windows side of the tests' system calls. What Windows (or Wine, where
// these tests run) has no equivalent for says so, and the test skips.
#include "tests/support/TestSystem.h"

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

#include <cstdio>

#include <atomic>

#include "engine/platform/Paths.h"
#include "engine/platform/WindowsFiles_windows.h"

namespace testsys {

namespace {

std::wstring wide(const std::string& utf8)
{
    return pathFromUtf8(utf8).wstring();
}

} // namespace

bool onWindows()
{
    return true;
}

bool runningAsRoot()
{
    return false;
}

std::string makeTempFolder(const std::string& prefix)
{
    static std::atomic<unsigned> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = base / pathFromUtf8(prefix + std::to_string(::GetCurrentProcessId()) +
                                                 "-" + std::to_string(::GetTickCount64() % 100000) +
                                                 "-" + std::to_string(++counter));
        std::error_code ec;
        if (fs::create_directory(dir, ec) && !ec)
            return utf8FromPath(dir);
    }
    return {};
}

std::string makeFifo(const std::string&)
{
    return "Windows has no named pipes in the file system (FIFOs)";
}

std::string makeSymlink(const std::string&, const std::string&)
{
    return "symbolic links need an administrator's privilege on Windows";
}

std::string setMode(const std::string&, unsigned)
{
    return "Windows files have no POSIX permission bits";
}

std::string modeOf(const std::string&, unsigned&)
{
    return "Windows files have no POSIX permission bits";
}

std::string setReadOnly(const std::string& path, bool readOnly)
{
    const std::wstring name = wide(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "GetFileAttributesW failed";
    const DWORD wanted = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY)
                                  : (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (!::SetFileAttributesW(name.c_str(), wanted))
        return "SetFileAttributesW failed";
    return {};
}

std::string fullDevice(std::string&)
{
    return "Windows has no device that is always full";
}

std::string programFileName(const std::string& stem)
{
    return stem + ".exe";
}

std::string recordFile(const std::string& program)
{
    return program + ".cmdline";
}

std::string makeRecordingProgram(const std::string& path)
{
    // TOLVANE_STANDIN: the built tests/standin (tests/CMakeLists.txt).
    if (!::CopyFileW(wide(TOLVANE_STANDIN).c_str(), wide(path).c_str(), FALSE))
        return "CopyFileW of " TOLVANE_STANDIN " failed with error " +
               std::to_string(::GetLastError());
    return {};
}

std::string recordedWords(const std::string& program, std::vector<std::string>& words,
                          std::string& raw)
{
    words.clear();
    raw.clear();
    FILE* file = ::_wfopen(wide(recordFile(program)).c_str(), L"rb");
    if (file == nullptr)
        return "_wfopen of the record failed";
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        raw.append(buffer, n);
    std::fclose(file);
    const std::wstring line = winfiles::widen(raw);
    int count = 0;
    wchar_t** split = ::CommandLineToArgvW(line.c_str(), &count);
    if (split == nullptr)
        return "CommandLineToArgvW failed";
    for (int i = 0; i < count; ++i)
        words.push_back(winfiles::narrow(split[i]));
    ::LocalFree(split);
    return {};
}

std::vector<std::string> idleCommandOnPath()
{
    return {"cmd", "/c", "rem"};
}

HeldOpen::HeldOpen(const std::string& path)
{
    // Reading, and letting others only read: no writing, no deleting, no
    // renaming over it.
    HANDLE handle = ::CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        why_ = "CreateFileW failed with error " + std::to_string(::GetLastError());
    else
        handle_ = reinterpret_cast<std::intptr_t>(handle);
}

HeldOpen::~HeldOpen()
{
    if (handle_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool heldFilesResistReplacement()
{
    return true;
}

UnwritableFolder::UnwritableFolder(const std::string& folder) : folder_(folder)
{
    why_ = "the read-only attribute of a Windows folder does not stop new files in it; who "
           "may write there is in the folder's access list, which needs another user to test";
}

UnwritableFolder::~UnwritableFolder() = default;

FileSizeLimit::FileSizeLimit(std::size_t)
{
    why_ = "Windows has no limit on the size of the files a process writes";
}

FileSizeLimit::~FileSizeLimit() = default;

std::string privateMountNamespace()
{
    return "mount namespaces are a Linux feature";
}

Mount Mount::tmpfs(const fs::path& dir, std::size_t)
{
    return Mount(dir);
}

Mount Mount::readOnlyBind(const fs::path& dir)
{
    return Mount(dir);
}

void Mount::unmount()
{
    mounted_ = false;
}

void fillUp(const fs::path&)
{
}

int nobodyUid()
{
    return -1;
}

MemoryHeld memoryHeld()
{
    MemoryHeld held;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof counters))
        held.pages = counters.PrivateUsage;
    return held;
}

} // namespace testsys
