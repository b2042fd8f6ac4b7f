#include "engine/CommandLines.h"

#include <cstring>
#include <stdexcept>

CommandLines::CommandLines(std::initializer_list<std::string_view> lines)
{
    append(lines.begin(), lines.end());
}

std::string_view CommandLines::at(std::size_t i) const
{
    if (i >= size())
        throw std::out_of_range("CommandLines::at");
    return (*this)[i];
}

void CommandLines::append(const CommandLines& other)
{
    if (&other == this) {
        const CommandLines copy = other;
        append(copy);
        return;
    }
    const std::uint64_t base = text.size();
    text.append(other.text.data(), other.text.size());
    for (std::size_t i = 0; i < other.size(); ++i)
        ends.push_back(base + other.ends[i]);
}

void CommandLines::reserve(std::size_t lines, std::size_t bytes)
{
    ends.reserve(lines);
    text.reserve(bytes + lines * kEndBytes);
}

void CommandLines::truncate(std::size_t lines)
{
    if (lines >= size())
        return;
    text.truncate(lines == 0 ? 0 : static_cast<std::size_t>(ends[lines - 1]));
    ends.truncate(lines);
}

void CommandLines::clear()
{
    ends.clear();
    text.clear();
}

void CommandLines::release()
{
    ends.release();
    text.release();
}

bool operator==(const CommandLines& a, const CommandLines& b)
{
    if (a.size() != b.size() || a.text.size() != b.text.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a.ends[i] != b.ends[i])
            return false;
    return a.text.size() == 0 || std::memcmp(a.text.data(), b.text.data(), a.text.size()) == 0;
}
