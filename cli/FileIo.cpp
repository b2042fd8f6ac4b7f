#include "cli/FileIo.h"

#include "engine/platform/FileStatus.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

} // namespace

bool sameExistingFile(const std::string& a, const std::string& b)
{
    if (a == "-" || b == "-")
        return false;
    FileStatus sa;
    FileStatus sb;
    return fileStatus(a, sa) && fileStatus(b, sb) && sameFile(sa, sb);
}

AtomicOutput::~AtomicOutput()
{
    discard();
}

bool AtomicOutput::open(const std::string& target, std::string& error)
{
    targetPath = target;
    buffer.reserve(kBufferSize);
    if (target == "-") {
        toStdout = true;
        inPlace.openStandardOutput();
        opened = true;
        return true;
    }

    FileStatus info;
    if (!fileStatus(target, info, &error))
        return false;
    if (info.kind == FileKind::Folder) {
        error = "Is a directory";
        return false;
    }
    if (info.kind == FileKind::Other) {
        // A device, pipe or socket (/dev/null, a named pipe) is written in
        // place: renaming a file over it would replace the device itself.
        if (!inPlace.openInPlace(target, error))
            return false;
        direct = true;
        opened = true;
        return true;
    }
    if (!file.create(target, error))
        return false;
    targetPath = file.target();
    opened = true;
    return true;
}

void AtomicOutput::writeOut(std::string_view text)
{
    if (!opened || !writeError.empty() || text.empty())
        return;
    if (toStdout || direct)
        inPlace.write(text.data(), text.size(), writeError);
    else
        file.write(text.data(), text.size(), writeError);
}

void AtomicOutput::flushBuffer()
{
    writeOut(buffer);
    buffer.clear();
}

void AtomicOutput::write(std::string_view text)
{
    if (buffer.size() + text.size() > kBufferSize) {
        flushBuffer();
        if (text.size() > kBufferSize) {
            writeOut(text);
            return;
        }
    }
    buffer.append(text);
}

bool AtomicOutput::finish(std::string& error)
{
    flushBuffer();
    finished = true;
    if (toStdout || direct) {
        std::string closeError;
        if (!inPlace.close(closeError) && writeError.empty())
            writeError = closeError;
    } else if (writeError.empty()) {
        file.finish(writeError);
    }
    if (!writeError.empty()) {
        error = writeError;
        return false;
    }
    return true;
}

bool AtomicOutput::commit(std::string& error)
{
    if (toStdout || direct)
        return true;
    if (!finished) {
        error = "internal error: file not finished";
        return false;
    }
    return file.commit(error);
}

void AtomicOutput::discard()
{
    inPlace.close();
    file.discard();
}
