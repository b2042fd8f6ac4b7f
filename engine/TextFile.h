// Whether a file's bytes are a G-code program at all: a CAM program is text;
// an executable, an image or a compressed file opened by mistake would
// otherwise give hundreds of reports and a command file that moves the
// machine.
#pragma once

#include <cstddef>
#include <string_view>

// How much of the beginning of a file is looked at.
inline constexpr std::size_t kTextCheckBytes = 64 * 1024;

// A control byte: below 0x20 or 0x7F, but for the tab, the line ends, the
// form feed, the vertical tab and the old end-of-file mark 0x1A.
bool isControlByte(unsigned char c);

// False when the first kTextCheckBytes of `bytes` hold a NUL byte, or more
// than one control byte in 16 (and at least 4 of them).
bool looksLikeGcodeText(std::string_view bytes);
