// Number texts of the settings file: either decimal separator on reading,
// the locale's on writing.
#include "engine/IniFile.h"
#include "engine/IniText.h"

#include <charconv>
#include <clocale>
#include <cmath>

namespace {

using initext::isBlank;
using initext::trim;

} // namespace

bool parseSettingsInteger(std::string_view text, int32_t& value)
{
    std::string_view t = trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty())
        return false;
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (ec != std::errc() || end != t.data() + t.size())
        return false;
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    if (magnitude > static_cast<unsigned long long>(limit))
        return false;
    value = static_cast<int32_t>(negative ? -static_cast<long long>(magnitude)
                                          : static_cast<long long>(magnitude));
    return true;
}

bool parseSettingsFloat(std::string_view text, float& value)
{
    const std::string_view t = trim(text);
    if (t.empty() || t.size() > 400)
        return false;
    const bool hasPoint = t.find('.') != std::string_view::npos;
    const bool hasComma = t.find(',') != std::string_view::npos;
    if (hasPoint && hasComma)
        return false;
    std::string s(t);
    if (hasComma)
        s[s.find(',')] = '.';
    std::size_t at = 0;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        at = 1;
    }
    // Digits or a point must follow: from_chars would also take "inf" and "nan".
    if (at >= s.size() || !((s[at] >= '0' && s[at] <= '9') || s[at] == '.'))
        return false;
    float result = 0.0f;
    const char* first = s.data() + at;
    const char* last = s.data() + s.size();
    const auto [end, ec] = std::from_chars(first, last, result, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(result))
        return false;
    value = negative ? -result : result;
    return true;
}

std::string formatSettingsFloat(float value)
{
    const lconv* conv = std::localeconv();
    return formatSettingsFloat(
        value, (conv && conv->decimal_point && *conv->decimal_point) ? conv->decimal_point : ".");
}

std::string formatSettingsFloat(float value, std::string_view separator)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, separator);
    return text;
}
