#include "engine/platform/Paths.h"

std::string joinPath(const std::string& folder, const std::string& name)
{
    // "C:" alone names the drive's current folder, not its root: nothing is
    // added there either.
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/' ||
        (folder.size() == 2 && folder[1] == ':'))
        return folder + name;
    return folder + "\\" + name;
}
