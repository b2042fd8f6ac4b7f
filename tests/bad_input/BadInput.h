// Hostile inputs made at run time, and small file systems for the
// bad-input tests of the converter and of the window: mounted in a mount
// namespace of the calling thread alone, so that a test that dies leaves no
// mount behind.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace badinput {

namespace fs = std::filesystem;

// Time bounds are set for an optimised build; a debug build and, much more,
// a sanitizer build run the same inputs several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
inline constexpr int kSlowBuildFactor = 8;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
inline constexpr int kSlowBuildFactor = 8;
#elif defined(NDEBUG)
inline constexpr int kSlowBuildFactor = 1;
#else
inline constexpr int kSlowBuildFactor = 4;
#endif
#elif defined(NDEBUG)
inline constexpr int kSlowBuildFactor = 1;
#else
inline constexpr int kSlowBuildFactor = 4;
#endif

// Pseudo-random bytes, the same on every run.
inline std::string binaryBytes(std::size_t size, uint32_t seed = 12345)
{
    std::string bytes(size, '\0');
    uint32_t x = seed;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xff);
    }
    return bytes;
}

// Moves the calling thread into a mount namespace of its own (once), with
// every mount private, so that the mounts below are seen by this thread and
// the processes it starts, and vanish with the process. Empty on success,
// else why it is not possible here.
inline std::string privateMountNamespace()
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

// A mount on `dir` for the life of the object: a tmpfs of `size` bytes, or
// `dir` itself bound read-only. ok() is false (and why() says why) when the
// sandbox does not allow it.
class Mount {
  public:
    static Mount tmpfs(const fs::path& dir, std::size_t size)
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

    static Mount readOnlyBind(const fs::path& dir)
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

    Mount(Mount&& other) noexcept
        : dir_(std::move(other.dir_)), why_(std::move(other.why_)), mounted_(other.mounted_)
    {
        other.mounted_ = false;
    }
    Mount& operator=(Mount&&) = delete;
    ~Mount() { unmount(); }

    bool ok() const { return mounted_ && why_.empty(); }
    const std::string& why() const { return why_; }
    void unmount()
    {
        if (mounted_)
            ::umount2(dir_.c_str(), MNT_DETACH);
        mounted_ = false;
    }

  private:
    explicit Mount(fs::path dir) : dir_(std::move(dir)), why_(privateMountNamespace()) {}

    fs::path dir_;
    std::string why_;
    bool mounted_ = false;
};

// Fills the file system of `dir` up to the last block.
inline void fillUp(const fs::path& dir)
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

// The user id of "nobody", -1 when there is none.
inline int nobodyUid()
{
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? static_cast<int>(nobody->pw_uid) : -1;
}

} // namespace badinput
