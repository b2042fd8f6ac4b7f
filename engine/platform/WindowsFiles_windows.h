// What the Windows side of the platform layer shares: UTF-8 text converted to
// the UTF-16 of the wide-character API and back, whole writes to a handle,
// and error texts.
//
// Every path in the program is UTF-8; only these files see UTF-16. The
// common errors read as they do on Linux ("No such file or directory",
// "Permission denied"), so that a message means the same on both systems;
// the others take the system's own text.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace winfiles {

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring widen(std::string_view text);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string narrow(std::wstring_view text);

// The text of a GetLastError() code.
std::string reason(DWORD error);

// True for the errors that mean that the name or a folder on its way does
// not exist.
bool isMissing(DWORD error);

// Writes all `size` bytes; on failure stores GetLastError() in `error`.
bool writeAll(HANDLE handle, const char* data, std::size_t size, DWORD& error);

// The part of `path` before its last separator ("\" or "/"), with the
// separator when it is the root of a drive ("C:\"); "." when there is none.
std::string folderOf(const std::string& path);
std::string fileNameOf(const std::string& path);

} // namespace winfiles
