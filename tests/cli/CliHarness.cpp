#include "tests/cli/CliHarness.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "engine/platform/Paths.h"
#include "tests/support/TestSystem.h"

namespace clitest {

TempDir::TempDir()
{
    const std::string made = testsys::makeTempFolder("tolvane-cli-");
    if (made.empty())
        throw std::runtime_error("cannot make a temporary folder");
    dir = pathFromUtf8(made);
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Give every entry back its write permission so that it can be removed.
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
}

fs::path TempDir::operator/(const std::string& name) const
{
    return dir / pathFromUtf8(name);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const
{
    fs::path path = *this / name;
    writeFile(path, bytes);
    return utf8FromPath(path);
}

std::string TempDir::defaultSettings() const
{
    return write("defaults.ini", "");
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + utf8FromPath(path));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + utf8FromPath(path));
}

Outcome runConverter(const std::vector<std::string>& args, const std::string& stdinFile,
                     const std::string& workDir, int timeoutSeconds)
{
    std::vector<std::string> command = {TOLVANE_CONVERT};
    command.insert(command.end(), args.begin(), args.end());
    return runProgram(command, stdinFile, workDir, timeoutSeconds);
}

bool splitCrLf(const std::string& text, std::vector<std::string>& lines)
{
    lines.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            return false;
        std::string line = text.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos)
            return false;
        lines.push_back(std::move(line));
        start = end + 2;
    }
    return true;
}

std::vector<std::string> splitLf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<missing line end>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::size_t countSourceLines(const std::string& bytes)
{
    std::size_t lines = 0;
    std::size_t i = 0;
    bool open = false; // characters seen since the last line end
    while (i < bytes.size()) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            ++lines;
            open = false;
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        } else {
            open = true;
            ++i;
        }
    }
    return lines + (open ? 1 : 0);
}

namespace {

// "%d" text of a signed 32-bit integer: no leading zeros, no "-0", no "+".
bool takeInt(const std::string& s, std::size_t& pos)
{
    std::size_t start = pos;
    if (pos < s.size() && s[pos] == '-')
        ++pos;
    std::size_t digits = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9')
        ++pos;
    if (pos == digits)
        return false;
    if (s[digits] == '0' && (pos - digits > 1 || digits != start))
        return false;
    int32_t value = 0;
    auto res = std::from_chars(s.data() + start, s.data() + pos, value);
    return res.ec == std::errc() && res.ptr == s.data() + pos;
}

bool takeFixed2(const std::string& s, std::size_t& pos)
{
    std::size_t digits = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9')
        ++pos;
    if (pos == digits || pos - digits > 39 || (s[digits] == '0' && pos - digits > 1))
        return false;
    if (pos + 3 > s.size() || s[pos] != '.' || !isdigit(static_cast<unsigned char>(s[pos + 1])) ||
        !isdigit(static_cast<unsigned char>(s[pos + 2])))
        return false;
    pos += 3;
    return true;
}

// "% 5.2f": a blank or a minus, then the digits; the sign and "d.dd" already
// fill the five characters, so there is never padding.
bool takeSpeed(const std::string& s, std::size_t& pos)
{
    if (pos >= s.size() || (s[pos] != ' ' && s[pos] != '-'))
        return false;
    ++pos;
    return takeFixed2(s, pos);
}

// "%5.2f": padded with blanks on the left to five characters.
bool takeHeaderSpeed(const std::string& s, std::size_t& pos)
{
    std::size_t start = pos;
    while (pos < s.size() && s[pos] == ' ')
        ++pos;
    std::size_t blanks = pos - start;
    std::size_t text = pos;
    if (pos < s.size() && s[pos] == '-')
        ++pos;
    if (!takeFixed2(s, pos))
        return false;
    std::size_t width = pos - text;
    return blanks == 0 ? width >= 5 : blanks + width == 5;
}

// A shape is literal text with the placeholders <int>, <speed> and <hspeed>.
bool matches(const std::string& line, std::string_view shape)
{
    std::size_t pos = 0;
    std::size_t i = 0;
    while (i < shape.size()) {
        bool ok = true;
        if (shape.compare(i, 5, "<int>") == 0) {
            ok = takeInt(line, pos);
            i += 5;
        } else if (shape.compare(i, 7, "<speed>") == 0) {
            ok = takeSpeed(line, pos);
            i += 7;
        } else if (shape.compare(i, 8, "<hspeed>") == 0) {
            ok = takeHeaderSpeed(line, pos);
            i += 8;
        } else {
            ok = pos < line.size() && line[pos] == shape[i];
            ++pos;
            ++i;
        }
        if (!ok)
            return false;
    }
    return pos == line.size();
}

constexpr std::string_view kCommandShapes[] = {
    "PA <int>,<int>;",
    "@ZA <int>;",
    "VS <speed>;",
    "@VS <speed>;",
    "@ZU <speed>;",
    "@ZD <speed>;",
    "@SS 1;",
    "@SS 0;",
    "@SS0;",
    "VS 30.0",
    "PA 0,1600;",
    "RVS <int>;",
    "T: <int> N:? H:? D:?;",
    "@WT <int>;",
    "@HM;",
    "G02 dans ce cas non traite",
    "G03 dans ce cas non trait?",
};

} // namespace

bool isCommandLine(const std::string& line)
{
    for (std::string_view shape : kCommandShapes)
        if (matches(line, shape))
            return true;
    return false;
}

bool isHeader(const std::vector<std::string>& lines)
{
    return lines.size() >= 4 && matches(lines[0], "OF X: <int>, Y:<int>, Z:<int>;") &&
           matches(lines[1], "VS <hspeed>") && matches(lines[2], "@ZU <hspeed>") &&
           matches(lines[3], "@ZD <hspeed>");
}

std::vector<std::string> entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(utf8FromPath(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace clitest
