// The executable's folder on Linux: the link /proc/self/exe names the file
// the program was started from, whatever link or relative name started it.
#include "engine/platform/ExecutableFolder.h"

#include <string>
#include <unistd.h>
#include <vector>

std::string executableFolder()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n <= 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            const std::string exe(buffer.data(), static_cast<std::size_t>(n));
            const std::size_t slash = exe.rfind('/');
            if (slash == std::string::npos)
                return {};
            return slash == 0 ? std::string("/") : exe.substr(0, slash);
        }
        if (buffer.size() >= (std::size_t{1} << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}
