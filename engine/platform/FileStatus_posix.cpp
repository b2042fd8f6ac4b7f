#include "engine/platform/FileStatus.h"

#include "engine/platform/PosixFiles_posix.h"

#include <sys/stat.h>

namespace {

std::int64_t nanoseconds(const timespec& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

} // namespace

bool fileStatus(const std::string& path, FileStatus& status, std::string* error)
{
    status = FileStatus{};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return true;
        if (error)
            *error = posixfiles::reason(errno);
        return false;
    }
    status.kind = S_ISREG(st.st_mode)   ? FileKind::Regular
                  : S_ISDIR(st.st_mode) ? FileKind::Folder
                                        : FileKind::Other;
    status.size = static_cast<std::uint64_t>(st.st_size);
    status.identityKnown = true;
    status.device = static_cast<std::uint64_t>(st.st_dev);
    status.fileId = static_cast<std::uint64_t>(st.st_ino);
    status.modifiedNs = nanoseconds(st.st_mtim);
    status.changedNs = nanoseconds(st.st_ctim);
    return true;
}
