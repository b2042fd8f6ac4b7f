#include "cli/Formats.h"

#include <charconv>

#include "cli/FileIo.h"
#include "preview/Trajectoires.h"

namespace {

// Rows are gathered in a string and handed to the file in large pieces.
constexpr std::size_t kChunk = 1 << 16;

void appendInt(std::string& out, long long value)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

void flushIfFull(AtomicOutput& file, std::string& chunk)
{
    if (chunk.size() >= kChunk) {
        file.write(chunk);
        chunk.clear();
    }
}

} // namespace

void appendG9(std::string& out, float value)
{
    // to_chars with the general format and a precision is defined as printf's
    // %.<precision>g in the "C" locale, including "inf", "-inf" and "nan".
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value),
                             std::chars_format::general, 9);
    out.append(buf, res.ptr);
}

void writeCommandFile(AtomicOutput& file, const CommandLines& lines)
{
    // The list keeps its lines as the file has them, CR LF included.
    file.write(lines.fileText());
}

void writeLineMap(AtomicOutput& file, const std::vector<int32_t>& lineMap)
{
    std::string chunk;
    chunk.reserve(kChunk + 32);
    for (int32_t entry : lineMap) {
        appendInt(chunk, entry);
        chunk.push_back('\n');
        flushIfFull(file, chunk);
    }
    file.write(chunk);
}

void writePathCsv(AtomicOutput& file, const piece& store)
{
    std::string chunk = "segment,x,y,z,kind\n";
    chunk.reserve(kChunk + 128);
    long long index = 0;
    for (const auto& segment : store.getSegments()) {
        for (const tpoint1& point : segment.getPoints()) {
            appendInt(chunk, index);
            chunk.push_back(',');
            appendG9(chunk, point.x);
            chunk.push_back(',');
            appendG9(chunk, point.y);
            chunk.push_back(',');
            appendG9(chunk, point.z);
            chunk.push_back(',');
            appendInt(chunk, point.kind);
            chunk.push_back('\n');
            flushIfFull(file, chunk);
        }
        ++index;
    }
    file.write(chunk);
}

std::string ignoredReport(const std::string& input, int line, const std::string& group,
                          const ReportInfo& info)
{
    static const char hex[] = "0123456789abcdef";
    std::string text = input;
    text.push_back(':');
    appendInt(text, static_cast<long long>(line) + 1);
    text.append(": ignored \"");
    std::size_t shown = group.size() > kReportedGroupBytes ? kReportedGroupBytes : group.size();
    for (std::size_t i = 0; i < shown; ++i) {
        unsigned char c = static_cast<unsigned char>(group[i]);
        if (c == '"' || c == '\\') {
            text.push_back('\\');
            text.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7f) {
            text.append("\\x");
            text.push_back(hex[c >> 4]);
            text.push_back(hex[c & 15]);
        } else {
            text.push_back(static_cast<char>(c));
        }
    }
    if (shown < group.size()) {
        text.append("...\" (");
        appendInt(text, static_cast<long long>(group.size()));
        text.append(" bytes)");
    } else {
        text.push_back('"');
    }
    text.append(": ");
    text.append(reasonText(info));
    if (info.partly)
        text.append(" (the rest of the group was carried out)");
    text.push_back('\n');
    return text;
}
