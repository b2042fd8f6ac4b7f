#include "engine/platform/CommandLine.h"

#include "engine/platform/WindowsFiles_windows.h"

#include <shellapi.h>

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        if (argc <= 1 || argv == nullptr)
            return {};
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(winfiles::narrow(wide[i]));
    ::LocalFree(wide);
    return args;
}
