// Finding and editing sections and keys in the text of a settings file.
#include "engine/IniFile.h"
#include "engine/IniText.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace {

using initext::isBlank;
using initext::trim;

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// One line of the text: [begin, end) without its line end, next = start of
// the following line (the text's size after the last one).
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

// Finds the line that starts at `pos`. Lines end at LF, CR LF or a lone CR.
// memchr keeps this fast on big files.
Line lineAt(const std::string& s, std::size_t pos)
{
    const char* base = s.data();
    const std::size_t size = s.size();
    const void* lf = std::memchr(base + pos, '\n', size - pos);
    std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - base) : size;
    const void* cr = std::memchr(base + pos, '\r', end - pos);
    if (cr) {
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(cr) - base);
        const bool crlf = at + 1 < size && base[at + 1] == '\n';
        return {pos, at, at + (crlf ? 2 : 1)};
    }
    return {pos, end, lf ? end + 1 : size};
}

// The section name of a header line "[name]", nullopt for any other line.
// The name runs to the last "]" of the line, as the Windows profile reader
// takes it.
std::optional<std::string_view> headerName(std::string_view line)
{
    const std::string_view t = trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const std::size_t close = t.rfind(']');
    if (close == std::string_view::npos || close == 0)
        return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// Header and key lines are found with memchr on "[" and "=" rather than line
// by line, so that a big file of blank or junk lines is scanned at memory speed.
struct Found {
    std::size_t begin; // start of the line
    std::size_t next;  // start of the following line
    std::string_view name;
};

// The first header line at or after `pos`, which is a line start.
std::optional<Found> nextHeader(const std::string& s, std::size_t pos)
{
    const char* d = s.data();
    const std::size_t size = s.size();
    while (pos < size) {
        const void* hit = std::memchr(d + pos, '[', size - pos);
        if (!hit)
            return std::nullopt;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - d);
        std::size_t begin = at;
        while (begin > pos && isBlank(d[begin - 1]))
            --begin;
        const bool atLineStart = begin == pos || d[begin - 1] == '\n' || d[begin - 1] == '\r';
        const Line line = lineAt(s, at);
        if (atLineStart) {
            if (const auto name = headerName(std::string_view(d + begin, line.end - begin)))
                return Found{begin, line.next, *name};
        }
        pos = line.next;
    }
    return std::nullopt;
}

// The first key line in [pos, end), `pos` being a line start.
std::optional<Found> nextKeyLine(const std::string& s, std::size_t pos, std::size_t end)
{
    const char* d = s.data();
    if (pos >= end)
        return std::nullopt;
    const void* hit = std::memchr(d + pos, '=', end - pos);
    if (!hit)
        return std::nullopt;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - d);
    // The line starts after the last line break before the "=" (searched
    // backwards: the key's own line is short, the text before it may not be).
    std::size_t begin = pos;
    if (const std::size_t lf = std::string_view(d + pos, at - pos).rfind('\n');
        lf != std::string_view::npos)
        begin = pos + lf + 1;
    if (const std::size_t cr = std::string_view(d + begin, at - begin).rfind('\r');
        cr != std::string_view::npos)
        begin += cr + 1;
    const Line line = lineAt(s, begin);
    return Found{begin, line.next, trim(std::string_view(d + begin, at - begin))};
}

std::size_t firstLineStart(const std::string& s)
{
    // A UTF-8 byte order mark written by some editors is not part of the first line's text.
    return s.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

} // namespace

static std::string lowerCopy(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

// Bounds the memory a pathological file (millions of distinct sections or
// keys) can make the indexes take; what is beyond is found by scanning.
constexpr std::size_t kMaxIndexed = 4096;

void IniFile::indexSections() const
{
    sectionsIndexed_ = true;
    sectionsComplete_ = true;
    SectionIndex* open = nullptr;
    const std::size_t size = content_.size();
    std::size_t pos = firstLineStart(content_);
    while (const auto header = nextHeader(content_, pos)) {
        pos = header->next;
        if (open) {
            open->span.end = header->begin;
            open = nullptr;
        }
        std::string name = lowerCopy(header->name);
        if (sectionByName_.count(name))
            continue;
        if (sectionByName_.size() >= kMaxIndexed) {
            sectionsComplete_ = false;
            continue;
        }
        SectionIndex& entry = sections_.emplace_back();
        entry.span = {header->next, size, true};
        entry.indexedTo = header->next;
        entry.name = name;
        sectionByName_.emplace(std::move(name), &entry);
        open = &entry;
    }
}

IniFile::SectionIndex& IniFile::findSection(std::string_view section) const
{
    if (!sectionsIndexed_)
        indexSections();
    std::string name = lowerCopy(section);
    if (const auto hit = sectionByName_.find(name); hit != sectionByName_.end())
        return *hit->second;
    if (sectionsComplete_)
        return missing_;
    // Not among the indexed ones: scan for it and remember the answer.
    SectionIndex& entry = sections_.emplace_back();
    entry.name = name;
    entry.span.end = content_.size();
    std::size_t pos = firstLineStart(content_);
    while (const auto header = nextHeader(content_, pos)) {
        pos = header->next;
        if (entry.span.found) {
            entry.span.end = header->begin;
            break;
        }
        if (equalsNoCase(header->name, section)) {
            entry.span.found = true;
            entry.span.begin = header->next;
        }
    }
    entry.indexedTo = entry.span.begin;
    sectionByName_.emplace(std::move(name), &entry);
    return entry;
}

std::size_t IniFile::findKey(SectionIndex& index, std::string_view key) const
{
    const std::string wanted = lowerCopy(key);
    if (const auto hit = index.keys.find(wanted); hit != index.keys.end())
        return hit->second;
    std::size_t pos = index.indexedTo;
    while (const auto line = nextKeyLine(content_, pos, index.span.end)) {
        if (index.indexedTo == pos && index.keys.size() < kMaxIndexed) {
            index.keys.emplace(lowerCopy(line->name), line->begin);
            index.indexedTo = line->next;
        }
        if (equalsNoCase(line->name, key))
            return line->begin;
        pos = line->next;
    }
    if (index.indexedTo == pos)
        index.indexedTo = index.span.end;
    return std::string::npos;
}

void IniFile::replaceContent(std::string bytes)
{
    content_ = std::move(bytes);
    changed();
}

void IniFile::changed()
{
    modified_ = true;
    sections_.clear();
    sectionByName_.clear();
    sectionsIndexed_ = false;
}

bool IniFile::hasSection(std::string_view section) const
{
    return findSection(section).span.found;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    SectionIndex& index = findSection(section);
    if (!index.span.found)
        return std::nullopt;
    const std::size_t at = findKey(index, key);
    if (at == std::string::npos)
        return std::nullopt;
    const Line line = lineAt(content_, at);
    const std::string_view text(content_.data() + line.begin, line.end - line.begin);
    return std::string(trim(text.substr(text.find('=') + 1)));
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                const std::string& def) const
{
    auto v = value(section, key);
    return v ? std::move(*v) : def;
}

int32_t IniFile::readInteger(std::string_view section, std::string_view key, int32_t def) const
{
    const auto v = value(section, key);
    int32_t result = def;
    if (v && parseSettingsInteger(*v, result))
        return result;
    return def;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

float IniFile::readFloat(std::string_view section, std::string_view key, float def) const
{
    const auto v = value(section, key);
    float result = def;
    if (v && parseSettingsFloat(*v, result))
        return result;
    return def;
}

std::string_view IniFile::lineEnding() const
{
    const Line first = lineAt(content_, 0);
    if (first.next == first.end)
        return "\n";
    return std::string_view(content_).substr(first.end, first.next - first.end);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string clean(value);
    for (char& c : clean) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    SectionIndex& index = findSection(section);
    const Span span = index.span;
    std::size_t insertAt = content_.size();
    std::string insert;
    if (span.found) {
        const std::size_t at = findKey(index, key);
        if (at != std::string::npos) {
            // Keep the key as spelled and the blanks around "=", replace the value.
            const Line line = lineAt(content_, at);
            const std::string_view text(content_.data() + line.begin, line.end - line.begin);
            std::size_t valueBegin = text.find('=') + 1;
            while (valueBegin < text.size() && isBlank(text[valueBegin]))
                ++valueBegin;
            const std::size_t from = line.begin + valueBegin;
            if (content_.compare(from, line.end - from, clean) == 0)
                return;
            content_.replace(from, line.end - from, clean);
            changed();
            return;
        }
        // After the last non-blank line of the section, so that blank lines
        // separating it from the next header stay where they are.
        insertAt = span.begin;
        std::size_t last = span.end;
        while (last > span.begin && (isBlank(content_[last - 1]) || content_[last - 1] == '\n' ||
                                     content_[last - 1] == '\r'))
            --last;
        if (last > span.begin)
            insertAt = lineAt(content_, last).next;
    }
    // New lines end like the line they follow, or like the file's first line.
    std::string_view eol = lineEnding();
    const bool afterBreak =
        insertAt > 0 && (content_[insertAt - 1] == '\n' || content_[insertAt - 1] == '\r');
    if (afterBreak) {
        if (content_[insertAt - 1] == '\r')
            eol = "\r";
        else if (insertAt > 1 && content_[insertAt - 2] == '\r')
            eol = "\r\n";
        else
            eol = "\n";
    }
    if (!span.found)
        insert.append("[").append(section).append("]").append(eol);
    insert.append(key).append("=").append(clean).append(eol);
    if (insertAt > 0 && !afterBreak)
        insert.insert(0, eol);
    content_.insert(insertAt, insert);
    changed();
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int32_t value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniFile::writeFloat(std::string_view section, std::string_view key, float value)
{
    writeString(section, key, formatSettingsFloat(value));
}
