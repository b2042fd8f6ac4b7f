// What a name refers to on disk, found without opening it for reading: its
// kind, size, identity and times.
#pragma once

#include <cstdint>
#include <string>

enum class FileKind {
    Missing, // nothing of that name, or a folder on its way is missing
    Regular,
    Folder,
    Other, // a device, a named pipe, a socket
};

struct FileStatus {
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;
    // Two names with the same known identity are the same file. Unknown when
    // the system would not open the file to tell (Windows, a file another
    // program holds locked).
    bool identityKnown = false;
    std::uint64_t device = 0;
    std::uint64_t fileId = 0;
    // Last change of the contents, and of the contents or the file's record
    // (name, permissions), in nanoseconds since 1970-01-01 UTC.
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
};

// The status of `path`, following symbolic links. A missing file is no
// failure (kind Missing); false with `error` set to the reason when the
// system cannot tell (a folder on the way that may not be searched).
bool fileStatus(const std::string& path, FileStatus& status, std::string* error = nullptr);

// True when both are known to be the same existing file.
inline bool sameFile(const FileStatus& a, const FileStatus& b)
{
    return a.kind != FileKind::Missing && b.kind != FileKind::Missing && a.identityKnown &&
           b.identityKnown && a.device == b.device && a.fileId == b.fileId;
}
