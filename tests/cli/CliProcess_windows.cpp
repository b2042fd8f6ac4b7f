// Starting the converter as a child process on Windows: CreateProcessW with a
// command line quoted the way CommandLineToArgvW splits it, the standard
// streams redirected to files, waited for until it ends or its time is up.
#include "tests/cli/CliHarness.h"

#include <windows.h>

#include <stdexcept>

#include "engine/platform/Paths.h"

namespace clitest {

namespace {

// One argument as CommandLineToArgvW reads it back: quoted when it holds a
// blank or a quote or is empty; backslashes doubled only before a quote.
std::wstring quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            out.append(2 * backslashes + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(2 * backslashes, L'\\');
    out.push_back(L'"');
    return out;
}

HANDLE inheritable(const std::wstring& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    HANDLE h = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open a standard stream of the child: error " +
                                 std::to_string(::GetLastError()));
    return h;
}

} // namespace

Outcome runProgram(const std::vector<std::string>& command, const std::string& stdinFile,
                   const std::string& workDir, int timeoutSeconds)
{
    TempDir streams;
    const fs::path outPath = streams / "stdout";
    const fs::path errPath = streams / "stderr";

    std::wstring line;
    for (const std::string& arg : command) {
        if (!line.empty())
            line.push_back(L' ');
        line += quoted(pathFromUtf8(arg).wstring());
    }
    const std::wstring application = pathFromUtf8(command.at(0)).wstring();
    const std::wstring folder = workDir.empty() ? std::wstring() : pathFromUtf8(workDir).wstring();

    HANDLE in = inheritable(stdinFile.empty() ? L"NUL" : pathFromUtf8(stdinFile).wstring(),
                            GENERIC_READ, OPEN_EXISTING);
    HANDLE out = inheritable(outPath.wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritable(errPath.wstring(), GENERIC_WRITE, CREATE_ALWAYS);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started =
        ::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                         nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    const DWORD startError = ::GetLastError();
    ::CloseHandle(in);
    ::CloseHandle(out);
    ::CloseHandle(err);
    if (!started)
        throw std::runtime_error("cannot start " + command[0] + ": error " +
                                 std::to_string(startError));

    Outcome run;
    const DWORD waited =
        ::WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutSeconds) * 1000);
    if (waited != WAIT_OBJECT_0) {
        run.timedOut = true;
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // An exception that ended the process (an access violation is
    // 0xC0000005) is its exit code; it stands for the signal of a crash.
    if (!run.timedOut && code >= 0xC0000000u)
        run.signal = static_cast<int>(code & 0x7fffffff);
    else if (!run.timedOut)
        run.exitCode = static_cast<int>(code);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

} // namespace clitest
