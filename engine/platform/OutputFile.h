// Writing in place: to standard output, or into an existing file that is not
// a regular one (a device such as /dev/null or NUL, a named pipe), which must
// be written into, never replaced. Bytes go out as they are: no C runtime
// turns "\n" into CR LF on the way (the command file has its own CR LF).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { close(); }

    // Opens an existing `path` for writing without truncating or replacing it.
    bool openInPlace(const std::string& path, std::string& error);
    // Standard output; it is not closed. On a Windows console the bytes are
    // shown as UTF-8 text whatever the console's code page.
    void openStandardOutput();
    // Writes all bytes.
    bool write(const char* data, std::size_t size, std::string& error);
    // Closes a file opened in place; false with `error` when the system
    // reports a failure then.
    bool close(std::string& error);
    void close();

  private:
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows HANDLE
    bool owned_ = false;
};

// Writes `text` to standard error at once, unbuffered; on a Windows console
// as UTF-8 text whatever the console's code page. Failures are ignored: there
// is nowhere left to report them.
void writeStandardError(std::string_view text);
