// Telling a G-code text file from other files.
#include "engine/TextFile.h"

#include <cstring>

bool isControlByte(unsigned char c)
{
    if (c == 0x7F)
        return true;
    if (c >= 0x20)
        return false;
    return c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A;
}

bool looksLikeGcodeText(std::string_view bytes)
{
    const std::string_view head = bytes.substr(0, kTextCheckBytes);
    if (std::memchr(head.data(), 0, head.size()) != nullptr)
        return false;
    std::size_t controls = 0;
    for (char c : head)
        controls += isControlByte(static_cast<unsigned char>(c)) ? 1 : 0;
    return controls < 4 || controls * 16 <= head.size();
}
