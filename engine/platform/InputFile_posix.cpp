#include "engine/platform/InputFile.h"

#include "engine/platform/PosixFiles_posix.h"

#include <fcntl.h>
#include <sys/stat.h>

InputFile::Opened InputFile::open(const std::string& path, bool dontWait, std::string& error)
{
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (dontWait ? O_NONBLOCK : 0));
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Opened::Missing;
        error = posixfiles::reason(errno);
        return Opened::Failed;
    }
    handle_ = fd;
    owned_ = true;
    return Opened::Yes;
}

void InputFile::openStandardInput()
{
    close();
    handle_ = STDIN_FILENO;
    owned_ = false;
}

bool InputFile::status(FileKind& kind, std::uint64_t& size, std::string& error) const
{
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) {
        error = posixfiles::reason(errno);
        return false;
    }
    kind = S_ISREG(st.st_mode)   ? FileKind::Regular
           : S_ISDIR(st.st_mode) ? FileKind::Folder
                                 : FileKind::Other;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool InputFile::read(char* into, std::size_t room, std::size_t& got, std::string& error)
{
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), into, room);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return true;
        }
        if (errno != EINTR) {
            error = posixfiles::reason(errno);
            return false;
        }
    }
}

void InputFile::close()
{
    if (owned_ && handle_ >= 0)
        ::close(static_cast<int>(handle_));
    handle_ = -1;
    owned_ = false;
}
