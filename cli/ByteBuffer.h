// Large blocks of memory for the converter's inputs and results.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class InputFile;

// The raw bytes of a whole file, in memory of its own: pages taken from the
// system that are never zero-filled before the read and that Linux may back
// with huge pages, which spares tens of thousands of page faults on a big
// program.
class ByteBuffer {
  public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer() { release(); }

    // Reads the file (standard input for "-") to its end. Returns false and
    // sets `error` to the reason when it cannot.
    bool readFile(const std::string& path, std::string& error);
    // Reads an open file to its end.
    bool readAll(InputFile& file, std::string& error);

    std::string_view view() const { return {data, size}; }
    // Gives the memory back at once.
    void release();

  private:
    bool grow(std::size_t atLeast);

    char* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;
};
