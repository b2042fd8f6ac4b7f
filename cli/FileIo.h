// Writing result files atomically.
#pragma once

#include <string>
#include <string_view>

#include "engine/platform/AtomicFile.h"
#include "engine/platform/OutputFile.h"

// True when both names refer to the same existing file.
bool sameExistingFile(const std::string& a, const std::string& b);

// A result file written whole or not at all. The text goes to a temporary
// file beside the target; commit() flushes it to disk and puts it in the
// target's place, so that a crash, a full disk or a write error never leaves
// a truncated file in place of an older complete one. "-" writes straight to
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
    // Puts the finished temporary file in the target's place.
    bool commit(std::string& error);
    // Removes the temporary file, leaving the target as it was.
    void discard();

    const std::string& target() const { return targetPath; }

  private:
    void flushBuffer();
    void writeOut(std::string_view text);

    std::string targetPath;
    std::string buffer;
    AtomicFile file;
    OutputFile inPlace;
    std::string writeError; // the first failure, empty while there is none
    bool toStdout = false;
    bool direct = false; // written in place: not a regular file
    bool opened = false;
    bool finished = false;
};
