// The number reader of the words: the C library's decimal conversion rules,
// without its locale and at the speed a million-line program needs.
#include <algorithm>
#include <charconv>
#include <cstdint>

#include "engine/Gcode.h"

namespace {

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Powers of ten that a double holds exactly.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// strtod in the "C" locale over the number of a word: the character at
// `begin` (white space, a sign or anything else), then number characters up
// to `end` or to the first other character: one optional sign, then the
// longest decimal prefix; 0 when there is none.
double decimalPrefix(const char* begin, const char* end)
{
    if (begin != end && isCSpace(*begin))
        ++begin; // only the first character can be white space
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    if (begin == end || !((*begin >= '0' && *begin <= '9') || *begin == '.'))
        return 0.0;

    // The usual word ("12.345") is a whole number of at most 53 bits over a
    // power of ten that a double holds exactly: one division, rounded as IEEE
    // rounds it, gives the very double the full conversion below gives.
    uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    const char* p = begin;
    for (; p != end && *p >= '0' && *p <= '9'; ++p, ++digits)
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
    if (p != end && *p == '.') {
        for (++p; p != end && *p >= '0' && *p <= '9'; ++p, ++digits, ++decimals)
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
    }
    if (digits == 0)
        return 0.0; // a lone "."
    if (digits <= 19 && mantissa <= (uint64_t{1} << 53) && decimals <= 22) {
        const double value = static_cast<double>(mantissa) / kPowersOfTen[decimals];
        return negative ? -value : value;
    }

    // from_chars stops at the first character that cannot continue the
    // number, which is where the word's number characters end as well.
    double value = 0.0;
    auto res = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (res.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

} // namespace

double parseWordNumber(std::string_view text, std::size_t position)
{
    while (position < text.size() && text[position] == ' ')
        ++position;
    if (position >= text.size())
        return 0.0;
    // A word's number is read from at most kMaxNumberLength characters.
    const std::size_t length = std::min(text.size() - position, kMaxNumberLength);
    return decimalPrefix(text.data() + position, text.data() + position + length);
}
