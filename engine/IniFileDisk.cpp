// Reading the settings file whole and replacing it atomically.
#include "engine/IniFile.h"
#include "engine/platform/AtomicFile.h"
#include "engine/platform/InputFile.h"

#include <utility>

namespace {

// A settings file is a few kilobytes; anything beyond this is not one, and
// reading it would only tie up memory.
constexpr std::size_t kMaxFileSize = 256u * 1024u * 1024u;

} // namespace

bool readSettingsFileBytes(const std::string& path, std::string& bytes, bool& exists,
                           std::string* error)
{
    bytes.clear();
    exists = false;
    auto fail = [&](const std::string& reason) {
        if (error)
            *error = path + ": " + reason;
        bytes.clear();
        return false;
    };
    std::string reason;
    InputFile file;
    // A FIFO put in the file's place must not block the program.
    switch (file.open(path, true, reason)) {
    case InputFile::Opened::Missing:
        return true;
    case InputFile::Opened::Failed:
        exists = true;
        return fail(reason);
    case InputFile::Opened::Yes:
        break;
    }
    exists = true;
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;
    if (!file.status(kind, size, reason))
        return fail(reason);
    if (kind != FileKind::Regular)
        return fail(kind == FileKind::Folder ? "is a folder, not a file" : "is not a regular file");
    if (size > kMaxFileSize)
        return fail("file too large");
    bytes.reserve(static_cast<std::size_t>(size));
    char buffer[65536];
    for (;;) {
        std::size_t n = 0;
        if (!file.read(buffer, sizeof buffer, n, reason))
            return fail(reason);
        if (n == 0)
            break;
        if (bytes.size() + n > kMaxFileSize)
            return fail("file too large");
        bytes.append(buffer, n);
    }
    return true;
}

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    std::string error;
    if (!readSettingsFileBytes(path_, content_, exists_, &error))
        loadError_ = error;
}

bool IniFile::save(std::string* error)
{
    auto fail = [&](const std::string& target, const std::string& reason) {
        if (error)
            *error = target + ": " + reason;
        return false;
    };
    if (!loadError_.empty())
        return fail(path_, "could not be read, so it is left unchanged (" + loadError_ + ")");
    if (!modified_)
        return true;

    // A settings file that is a symbolic link is replaced where it points to,
    // so that the link itself survives.
    AtomicFile file;
    std::string reason;
    if (!file.create(path_, reason))
        return fail(file.target(),
                    file.targetRefused()
                        ? reason
                        : "cannot create a temporary file in its folder (" + reason + ")");
    if (!file.write(content_.data(), content_.size(), reason) || !file.finish(reason) ||
        !file.commit(reason))
        return fail(file.target(), reason);
    modified_ = false;
    exists_ = true;
    return true;
}
