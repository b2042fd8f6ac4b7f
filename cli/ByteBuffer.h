// Large blocks of memory for the converter's inputs and results.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The raw bytes of a whole file, in memory of its own: anonymous pages that
// are never zero-filled before the read and that the kernel may back with
// huge pages, which spares tens of thousands of page faults on a big program.
class ByteBuffer {
  public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer() { release(); }

    // Reads the file (standard input for "-") to its end. Returns false and
    // sets `error` to the reason when it cannot.
    bool readFile(const std::string& path, std::string& error);
    // Reads an open descriptor to its end.
    bool readAll(int fd, std::string& error);

    std::string_view view() const { return {data, size}; }
    // Gives the memory back at once.
    void release();

  private:
    bool grow(std::size_t atLeast);

    char* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;
};
