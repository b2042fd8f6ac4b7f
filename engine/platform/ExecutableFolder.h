// The folder of the running program's own executable file, where the
// settings file lives.
#pragma once

#include <string>

// The folder as UTF-8 text, without a final separator (but "/" or "C:\" for
// the root); "" when the system does not tell.
std::string executableFolder();
