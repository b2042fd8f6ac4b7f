// A file written under a temporary name beside its target and put in the
// target's place in one step once it is complete and on the disk: a crash, a
// full disk or a write error never leaves a half-written file where a
// complete one was. Used for the settings file and the converter's results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes a temporary file that was not committed.
    ~AtomicFile() { discard(); }

    // Creates the temporary file in the target's folder. Where the target is
    // a symbolic link, the file it names is replaced and the link stays. The
    // finished file gets the target's permissions (a new file's when there is
    // no target). On Windows a read-only target is refused (that attribute is
    // how a Windows user protects a file), and so is a target another program
    // holds open, which could not be replaced. False with `error` set to the
    // reason.
    bool create(const std::string& target, std::string& error);
    // Writes all bytes.
    bool write(const char* data, std::size_t size, std::string& error);
    // Flushes the file to the disk and closes it.
    bool finish(std::string& error);
    // Puts the finished file in the target's place.
    bool commit(std::string& error);
    // Removes the temporary file; the target stays as it was.
    void discard();

    // The file that commit() replaces (the one a link names).
    const std::string& target() const { return target_; }
    // True when create() failed because of the target itself (read-only,
    // held open), not because of its folder.
    bool targetRefused() const { return targetRefused_; }

  private:
    std::string target_;
    std::string temp_;
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
    unsigned mode_ = 0;         // POSIX permissions of the result
    bool finished_ = false;
    bool targetRefused_ = false;
};
