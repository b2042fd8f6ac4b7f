#include "engine/platform/CommandLine.h"

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    if (argc <= 1 || argv == nullptr)
        return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}
