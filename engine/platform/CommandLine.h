// The program's command-line arguments as UTF-8 text.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name. On Linux they are the bytes of
// argv; on Windows argv is in the ANSI code page and loses letters it lacks,
// so the arguments are read again from the UTF-16 command line.
std::vector<std::string> commandLineArguments(int argc, char** argv);
