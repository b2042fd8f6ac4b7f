// File names as UTF-8 text: joined the system's way, and handed to
// std::filesystem without losing their letters.
//
// Every path in the program is a std::string of UTF-8. On Windows a
// std::filesystem::path built from a plain std::string reads it in the ANSI
// code page, which mangles "é" or "ü"; these conversions go through char8_t,
// which means UTF-8 on every system (and passes the bytes unchanged on Linux,
// where a file name may be any bytes).
#pragma once

#include <filesystem>
#include <string>

// `name` inside `folder`, joined by the system's separator ("/" or "\");
// no second separator when `folder` ends in one.
std::string joinPath(const std::string& folder, const std::string& name);

inline std::filesystem::path pathFromUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
