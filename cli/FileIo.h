// Writing result files atomically.
#pragma once

#include <string>
#include <string_view>

// True when both names refer to the same existing file (same device and inode).
bool sameExistingFile(const std::string& a, const std::string& b);

// A result file written whole or not at all. The text goes to a temporary
// file beside the target; commit() flushes it to disk and renames it over the
// target, so that a crash, a full disk or a write error never leaves a
// truncated file in place of an older complete one. "-" writes straight to
// standard output instead, and a target that is not a regular file (a device
// such as /dev/null, a named pipe) is written in place. Without commit() the
// temporary file is removed.
class AtomicOutput {
  public:
    AtomicOutput() = default;
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;
    ~AtomicOutput();

    // Creates the temporary file. Returns false and sets `error` on failure.
    bool open(const std::string& target, std::string& error);
    // Buffered; the first failure is remembered and reported by finish().
    void write(std::string_view text);
    // Flushes, syncs and closes the temporary file (or flushes standard output).
    bool finish(std::string& error);
    // Renames the finished temporary file over the target.
    bool commit(std::string& error);
    // Removes the temporary file, leaving the target as it was.
    void discard();

    const std::string& target() const { return targetPath; }

  private:
    void flushBuffer();

    std::string targetPath;
    std::string tempPath;
    std::string buffer;
    int fd = -1;
    int writeErrno = 0;
    bool toStdout = false;
    bool direct = false; // written in place: not a regular file
    bool finished = false;
};
