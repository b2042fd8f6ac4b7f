// Reading a file, or standard input, from its start to its end, as raw bytes
// (no line-end translation by any C runtime).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/platform/FileStatus.h"

class InputFile {
  public:
    enum class Opened { Yes, Missing, Failed };

    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() { close(); }

    // Opens `path` for reading; a folder opens too (status() tells).
    // `dontWait`: a named pipe in the file's place opens at once instead of
    // waiting for a writer. Missing when the name or a folder on its way
    // does not exist; Failed with `error` set to the reason otherwise.
    Opened open(const std::string& path, bool dontWait, std::string& error);
    // Standard input; it is not closed.
    void openStandardInput();

    // The kind and size of what was opened.
    bool status(FileKind& kind, std::uint64_t& size, std::string& error) const;
    // Reads up to `room` bytes into `into`; `got` is 0 at the end. False with
    // `error` set on failure.
    bool read(char* into, std::size_t room, std::size_t& got, std::string& error);
    void close();

  private:
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
    bool owned_ = false;
};
