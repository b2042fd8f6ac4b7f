// What the tests ask of the operating system beyond the C++ library, for
// Linux and for Windows. A function that returns a std::string returns ""
// when it did what was asked, else why that cannot be done on this system;
// the test then skips with that reason (GTEST_SKIP() << why).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testsys {

namespace fs = std::filesystem;

bool onWindows();
// True for root on Linux, whom file permissions do not stop; never on
// Windows.
bool runningAsRoot();

// A new empty folder in the system's temporary folder; its path in UTF-8,
// "" when none could be made.
std::string makeTempFolder(const std::string& prefix);

// A named pipe (FIFO).
std::string makeFifo(const std::string& path);
// A symbolic link `link` to `target`.
std::string makeSymlink(const std::string& target, const std::string& link);
// POSIX permission bits of a file.
std::string setMode(const std::string& path, unsigned mode);
std::string modeOf(const std::string& path, unsigned& mode);
// Marks a file read-only the system's way (mode 0444 on Linux, the
// read-only attribute on Windows), or writable again.
std::string setReadOnly(const std::string& path, bool readOnly);
// A device that takes an open and fails every write with "disk full".
std::string fullDevice(std::string& path);

// The file name of a program called `stem`: ".exe" added on Windows.
std::string programFileName(const std::string& stem);
// A program at `path` (named by programFileName) that, once started, writes
// the command line it got into recordFile(path) and ends: a shell script on
// Linux, a copy of tests/standin on Windows.
std::string makeRecordingProgram(const std::string& path);
std::string recordFile(const std::string& program);
// The words the recording program `program` received, its own name first,
// as it sees them: its argv on Linux, its command line split by Windows' own
// rules (CommandLineToArgvW) on Windows. `raw` gets the command line as
// written in the record.
std::string recordedWords(const std::string& program, std::vector<std::string>& words,
                          std::string& raw);
// A program found on the PATH and arguments with which it does nothing.
std::vector<std::string> idleCommandOnPath();

// The file held open by this process, the way the machine's driver holds
// the command file it reads: on Windows without letting any other program
// delete, rename or replace it; on Linux nothing stops a replacement.
class HeldOpen {
  public:
    explicit HeldOpen(const std::string& path);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    const std::string& why() const { return why_; }

  private:
    std::intptr_t handle_ = -1;
    std::string why_;
};
// True where a file held open cannot be replaced (Windows).
bool heldFilesResistReplacement();

// Takes the right to create files away from a folder for the scope; as root,
// whom permissions do not stop, the process also acts as the user "nobody".
class UnwritableFolder {
  public:
    explicit UnwritableFolder(const std::string& folder);
    ~UnwritableFolder();
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;
    const std::string& why() const { return why_; }

  private:
    std::string folder_;
    std::string why_;
    bool switched_ = false;
};

// A limit on the size of the files this process writes, which makes a write
// beyond it fail as on a full disk; lifted at the end of the scope.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::size_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    const std::string& why() const { return why_; }

  private:
    std::string why_;
    unsigned long long oldSoft_ = 0;
    void (*previousHandler_)(int) = nullptr;
    bool set_ = false;
};

// Moves the calling thread into a mount namespace of its own (once), with
// every mount private, so that the mounts below are seen by this thread and
// the processes it starts, and vanish with the process. Empty on success,
// else why it is not possible here.
std::string privateMountNamespace();

// A mount on `dir` for the life of the object: a tmpfs of `size` bytes, or
// `dir` itself bound read-only. ok() is false (and why() says why) when the
// system or the sandbox does not allow it.
class Mount {
  public:
    static Mount tmpfs(const fs::path& dir, std::size_t size);
    static Mount readOnlyBind(const fs::path& dir);

    Mount(Mount&& other) noexcept
        : dir_(std::move(other.dir_)), why_(std::move(other.why_)), mounted_(other.mounted_)
    {
        other.mounted_ = false;
    }
    Mount& operator=(Mount&&) = delete;
    ~Mount() { unmount(); }

    bool ok() const { return mounted_ && why_.empty(); }
    const std::string& why() const { return why_; }
    void unmount();

  private:
    explicit Mount(fs::path dir) : dir_(std::move(dir)), why_(privateMountNamespace()) {}

    fs::path dir_;
    std::string why_;
    bool mounted_ = false;
};

// Fills the file system of `dir` up to the last block.
void fillUp(const fs::path& dir);

// The user id of "nobody", -1 when there is none.
int nobodyUid();

// What the process holds: the blocks in use of the C library's heap (Linux;
// 0 where the library does not tell), and its pages (Linux: the size of its
// address space; Windows: its private committed bytes, the heap included).
struct MemoryHeld {
    std::size_t heap = 0;
    std::size_t pages = 0;
};
MemoryHeld memoryHeld();

} // namespace testsys
