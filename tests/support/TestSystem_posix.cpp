#include "tests/support/TestSystem.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsys {

namespace {

std::string failed(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool onWindows()
{
    return false;
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

std::string makeTempFolder(const std::string& prefix)
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

std::string makeFifo(const std::string& path)
{
    return ::mkfifo(path.c_str(), 0600) == 0 ? std::string() : failed("mkfifo");
}

std::string makeSymlink(const std::string& target, const std::string& link)
{
    return ::symlink(target.c_str(), link.c_str()) == 0 ? std::string() : failed("symlink");
}

std::string setMode(const std::string& path, unsigned mode)
{
    return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0 ? std::string() : failed("chmod");
}

std::string modeOf(const std::string& path, unsigned& mode)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return failed("stat");
    mode = st.st_mode & 07777;
    return {};
}

std::string setReadOnly(const std::string& path, bool readOnly)
{
    return setMode(path, readOnly ? 0444 : 0644);
}

std::string fullDevice(std::string& path)
{
    path = "/dev/full";
    return fs::exists(path) ? std::string() : std::string("no /dev/full here");
}

std::string programFileName(const std::string& stem)
{
    return stem;
}

std::string recordFile(const std::string& program)
{
    return program + ".cmdline";
}

std::string makeRecordingProgram(const std::string& path)
{
    // Each word ends with a NUL byte, the one byte no argument can hold.
    const std::string script = "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > \"$0.cmdline.part\" &&\n"
                               "mv \"$0.cmdline.part\" \"$0.cmdline\"\n";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return failed("fopen");
    const bool written = std::fwrite(script.data(), 1, script.size(), file) == script.size();
    if (std::fclose(file) != 0 || !written)
        return failed("writing the script");
    if (::chmod(path.c_str(), 0755) != 0)
        return failed("chmod");
    return {};
}

std::string recordedWords(const std::string& program, std::vector<std::string>& words,
                          std::string& raw)
{
    words.clear();
    raw.clear();
    FILE* file = std::fopen(recordFile(program).c_str(), "rb");
    if (file == nullptr)
        return failed("fopen");
    char buffer[4096];
    std::size_t n;
    std::string bytes;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    std::fclose(file);
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        words.push_back(bytes.substr(start, end - start));
    for (const std::string& word : words)
        raw += (raw.empty() ? "" : " ") + word;
    return {};
}

std::vector<std::string> idleCommandOnPath()
{
    return {"sh", "-c", ":"};
}

HeldOpen::HeldOpen(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        why_ = failed("open");
    else
        handle_ = fd;
}

HeldOpen::~HeldOpen()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

bool heldFilesResistReplacement()
{
    return false;
}

UnwritableFolder::UnwritableFolder(const std::string& folder) : folder_(folder)
{
    ::chmod(folder_.c_str(), 0555);
    if (::geteuid() == 0) {
        if (const passwd* nobody = ::getpwnam("nobody"))
            switched_ = ::seteuid(nobody->pw_uid) == 0;
        if (!switched_)
            why_ = "running as root, and no user 'nobody' to act as";
    }
}

UnwritableFolder::~UnwritableFolder()
{
    if (switched_ && ::seteuid(0) != 0)
        std::abort();
    ::chmod(folder_.c_str(), 0700);
}

FileSizeLimit::FileSizeLimit(std::size_t bytes)
{
    rlimit old{};
    if (::getrlimit(RLIMIT_FSIZE, &old) != 0) {
        why_ = failed("getrlimit");
        return;
    }
    // Without this the kernel ends the process with SIGXFSZ instead of
    // failing the write.
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) {
        why_ = failed("setrlimit");
        std::signal(SIGXFSZ, previousHandler_);
        return;
    }
    oldSoft_ = old.rlim_cur;
    set_ = true;
}

FileSizeLimit::~FileSizeLimit()
{
    if (set_) {
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(oldSoft_);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previousHandler_);
    }
}

std::string privateMountNamespace()
{
    static std::string why = [] {
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("making mounts private: ") + std::strerror(errno);
        return std::string();
    }();
    return why;
}

Mount Mount::tmpfs(const fs::path& dir, std::size_t size)
{
    Mount m(dir);
    if (!m.why_.empty())
        return m;
    const std::string options = "size=" + std::to_string(size) + ",mode=0755";
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0)
        m.why_ = std::string("mount tmpfs: ") + std::strerror(errno);
    else
        m.mounted_ = true;
    return m;
}

Mount Mount::readOnlyBind(const fs::path& dir)
{
    Mount m(dir);
    if (!m.why_.empty())
        return m;
    if (::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        m.why_ = std::string("bind mount: ") + std::strerror(errno);
        return m;
    }
    m.mounted_ = true;
    if (::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        m.why_ = std::string("read-only remount: ") + std::strerror(errno);
    return m;
}

void Mount::unmount()
{
    if (mounted_)
        ::umount2(dir_.c_str(), MNT_DETACH);
    mounted_ = false;
}

void fillUp(const fs::path& dir)
{
    const int fd = ::open((dir / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

int nobodyUid()
{
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? static_cast<int>(nobody->pw_uid) : -1;
}

MemoryHeld memoryHeld()
{
    MemoryHeld held;
    const struct mallinfo2 info = ::mallinfo2();
    held.heap = info.uordblks + info.hblkhd;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        unsigned long pages = 0;
        if (std::fscanf(f, "%lu", &pages) == 1)
            held.pages = pages * 4096ul;
        std::fclose(f);
    }
    return held;
}

} // namespace testsys
