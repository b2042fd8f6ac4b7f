// Blanks around keys, values and numbers of the settings file, shared by the
// reader and the number conversions.
#pragma once

#include <string_view>

namespace initext {

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

inline std::string_view trim(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

} // namespace initext
