// The conversion run and the block reader.
#include "engine/Conversion.h"

#include "engine/MappedArray.h"
#include "engine/TextFile.h"
#include "preview/Trajectoires.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Position of the first ";" that does not stand inside a parenthesised
// comment, or npos. An unclosed "(" hides everything after it.
std::size_t semicolonComment(const std::string& s)
{
    bool inComment = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (inComment) {
            if (c == ')')
                inComment = false;
        } else if (c == '(') {
            inComment = true;
        } else if (c == ';') {
            return i;
        }
    }
    return std::string::npos;
}

// What the cleaning does with each byte, looked up instead of tested: the
// loop over a million lines then has no branch to mispredict.
struct CleaningTables {
    char upper[256];
    uint8_t kept[256]; // 0 for a blank
    uint8_t more[256]; // kMore for the bytes that ask for more than the first
                       // pass, kControl for a control byte
};

constexpr uint8_t kMore = 1;
constexpr uint8_t kControl = 2;

constexpr bool isControlByteConst(unsigned char c)
{
    return c == 0x7F ||
           (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A);
}

bool holdsControlByte(const std::string& s)
{
    for (char c : s)
        if (isControlByte(static_cast<unsigned char>(c)))
            return true;
    return false;
}

constexpr CleaningTables makeCleaningTables()
{
    CleaningTables t{};
    for (int i = 0; i < 256; ++i) {
        char c = static_cast<char>(i);
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        t.upper[i] = c;
        t.kept[i] = c == ' ' ? 0 : 1;
        t.more[i] = c == '%' || c == ';' || c == '(' || c == 'N' ? kMore : 0;
        if (isControlByteConst(static_cast<unsigned char>(i)))
            t.more[i] = kControl;
    }
    return t;
}

constexpr CleaningTables kCleaning = makeCleaningTables();

} // namespace

bool cleanSourceLine(std::string_view line, std::string& s)
{
    // Upper case, without blanks (tabs and other bytes stay). Most lines hold
    // nothing else to clean: no comment, no block number, no "%".
    s.resize(line.size());
    char* const out = s.data();
    std::size_t kept = 0;
    uint8_t more = 0;
    for (char c : line) {
        const auto u = static_cast<unsigned char>(c);
        out[kept] = kCleaning.upper[u];
        kept += kCleaning.kept[u];
        more |= kCleaning.more[u];
    }
    s.resize(kept);
    if (!more)
        return false;
    if (!(more & kMore))
        return holdsControlByte(s);

    // A program start or end marker is a comment.
    if (s.find('%') != std::string::npos) {
        s = "()";
        return false;
    }

    // CAM programs end lines with "; comment": its letters must not act as
    // words (the N of "clearance" would cut the move away).
    if (std::size_t semi = semicolonComment(s); semi != std::string::npos) {
        s.erase(semi);
        s += "()";
    }

    // The first parenthesised comment is cut, its "(" kept as the mark of a
    // comment for the dispatcher. An unclosed comment runs to the end of the
    // line. Later comments go whole: their letters must not act as words
    // either ("(Z SAFE)" would move the tool, "(FEED)" set the feed to 0).
    if (std::size_t open = s.find('('); open != std::string::npos) {
        std::size_t close = s.find(')', open + 1);
        if (close == std::string::npos || close == s.size() - 1)
            s = s.substr(0, open + 1) + ")";
        else
            s = s.substr(0, open + 1) + s.substr(close + 1);
        for (std::size_t next = s.find('(', open + 1); next != std::string::npos;
             next = s.find('(', next)) {
            close = s.find(')', next + 1);
            s.erase(next, close == std::string::npos ? std::string::npos : close - next + 1);
        }
    }

    // The block number goes, with everything before it.
    if (std::size_t n = s.find('N'); n != std::string::npos) {
        std::size_t first = n + 1;
        while (first < s.size() && isDigit(s[first]))
            ++first;
        s.erase(0, first);
    }
    // Bytes of a comment went with it.
    return (more & kControl) != 0 && holdsControlByte(s);
}

std::string cleanSourceLine(std::string_view line)
{
    std::string cleaned;
    cleanSourceLine(line, cleaned);
    return cleaned;
}

std::vector<std::string> splitWordGroups(std::string_view block)
{
    std::vector<std::string> groups;
    forEachWordGroup(block, [&](std::string_view group) { groups.emplace_back(group); });
    return groups;
}

void commaToPoint(std::string& text)
{
    for (char& c : text)
        if (c == ',')
            c = '.';
}

namespace {

// Whole steps per millimetre from the hidden fields; a text that is not a
// whole number leaves the setting as it is.
void readStepsText(const std::string& text, float& target)
{
    long value = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec == std::errc() && res.ptr == text.data() + text.size())
        target = static_cast<float>(value);
}

// Walks the lines of raw file bytes: split at CR LF, LF or a lone CR, a final
// line break adding no empty line. The next line feed and the next carriage
// return are found with memchr, each again only once the walk has passed it:
// every byte is looked at at most twice, whatever mix of line ends the file
// has.
class LineSplitter {
  public:
    explicit LineSplitter(std::string_view bytes)
        : p(bytes.data()), end(bytes.data() + bytes.size()), nextLf(find(p, '\n')),
          nextCr(find(p, '\r'))
    {
    }

    bool next(std::string_view& line)
    {
        if (p >= end)
            return false;
        if (nextLf < p)
            nextLf = find(p, '\n');
        if (nextCr < p)
            nextCr = find(p, '\r');
        const char* stop = nextCr < nextLf ? nextCr : nextLf;
        line = std::string_view(p, static_cast<std::size_t>(stop - p));
        if (stop != end && *stop == '\r' && stop + 1 < end && stop[1] == '\n')
            ++stop;
        p = stop == end ? end : stop + 1;
        return true;
    }

  private:
    const char* find(const char* from, char c) const
    {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return found != nullptr ? static_cast<const char*>(found) : end;
    }

    const char* p;
    const char* end;
    const char* nextLf;
    const char* nextCr;
};

// The run over `lines` lines that nextLine() hands out one after the other.
template <typename NextLine>
void runLines(std::size_t lines, NextLine&& nextLine, const std::string& ofx,
              const std::string& ofy, const std::string& ofz, CommandLines& output,
              std::vector<int32_t>& lineMap, ConversionObserver& observer)
{
    lineMap.clear();
    output.clear();
    readStepsText(ofx, machineSettings.stepsPerMmX);
    readStepsText(ofy, machineSettings.stepsPerMmY);
    readStepsText(ofz, machineSettings.stepsPerMmZ);

    output.push_back("OF X: " + ofx + ", Y:" + ofy + ", Z:" + ofz + ";");
    output.push_back("VS " + formatHeaderFloat(machineSettings.maxSpeedXY));
    output.push_back("@ZU " + formatHeaderFloat(machineSettings.maxSpeedZ));
    output.push_back("@ZD " + formatHeaderFloat(machineSettings.maxSpeedZ));

    resetTranslator();

    const int count = static_cast<int>(lines);
    // Room for what a program usually gives per line: three command lines
    // of a dozen characters and four tool-path points. The room is address
    // space only until it is written, and taken in huge pages from the start
    // (page faults are dear); a program that needs more grows past it. The
    // room is only a hint: a system that will not promise that much address
    // space gets a run that grows as it goes.
    try {
        output.reserve(4 * lines + 64, 64 * lines + 1024);
        trajectoryStore->reserve(4 * lines + 64, lines + 64);
    } catch (const std::bad_alloc&) {
    }
    lineMap.reserve(lines);
    mapped::adviseHugePages(lineMap.data(), lineMap.capacity() * sizeof(int32_t));
    observer.progressStart(count);
    std::string cleaned;
    for (int i = 0; i < count; ++i) {
        lineMap.push_back(static_cast<int32_t>(output.size()));
        clearLineCodesWithoutEffect();
        const bool damaged = cleanSourceLine(nextLine(), cleaned);
        observer.highlight(i);
        if (damaged) {
            // A control byte in a line of text: the file is damaged there,
            // and none of the line is translated.
            lineMap.back() = -1;
            observer.reportGroup(i, shownGroup(cleaned),
                                 ReportInfo{ReportReason::ControlByte, false});
        } else {
            translateBlock(cleaned, output, lineMap.back(),
                           [&](const std::string& group, const ReportInfo& info) {
                               observer.reportGroup(i, group, info);
                           });
        }
        if (!lineCodesWithoutEffect().empty())
            observer.acceptedWithoutEffect(i, lineCodesWithoutEffect());
        if (modalState.startFeed == StartFeedNote::Pending) {
            // Translated, yet the user must know at which speed; the line
            // is marked as every reported line is.
            modalState.startFeed = StartFeedNote::Reported;
            lineMap.back() = -1;
            observer.reportGroup(i, shownGroup(cleaned), ReportInfo{ReportReason::StartFeed, true});
        }
        if (travelExcessPending) {
            TravelExcess excess;
            takeTravelExcess(excess);
            observer.travelExceeded(i, excess);
        }
        observer.highlight(-1);
        observer.progress(i);
    }
    observer.progressEnd();
}

} // namespace

void runConversion(std::span<const std::string_view> sourceLines, const std::string& ofx,
                   const std::string& ofy, const std::string& ofz, CommandLines& output,
                   std::vector<int32_t>& lineMap, ConversionObserver& observer)
{
    std::size_t next = 0;
    runLines(
        sourceLines.size(), [&] { return sourceLines[next++]; }, ofx, ofy, ofz, output, lineMap,
        observer);
}

void runConversionOnText(std::string_view bytes, const std::string& ofx, const std::string& ofy,
                         const std::string& ofz, CommandLines& output,
                         std::vector<int32_t>& lineMap, ConversionObserver& observer)
{
    LineSplitter splitter(bytes);
    runLines(
        countSourceLines(bytes),
        [&] {
            std::string_view line;
            splitter.next(line);
            return line;
        },
        ofx, ofy, ofz, output, lineMap, observer);
}

void runConversion(const std::vector<std::string>& sourceLines, const std::string& ofx,
                   const std::string& ofy, const std::string& ofz, CommandLines& output,
                   std::vector<int32_t>& lineMap, ConversionObserver& observer)
{
    const std::vector<std::string_view> views(sourceLines.begin(), sourceLines.end());
    runConversion(std::span<const std::string_view>(views), ofx, ofy, ofz, output, lineMap,
                  observer);
}

std::size_t countSourceLines(std::string_view bytes)
{
    // Without a carriage return, every line but an unterminated last one
    // ends at a line feed.
    if (std::memchr(bytes.data(), '\r', bytes.size()) == nullptr) {
        const auto feeds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        return feeds + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
    }
    LineSplitter splitter(bytes);
    std::size_t count = 0;
    std::string_view line;
    while (splitter.next(line))
        ++count;
    return count;
}

std::vector<std::string_view> splitSourceViews(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    // One quick count spares the list its growing copies.
    lines.reserve(countSourceLines(bytes));
    mapped::adviseHugePages(lines.data(), lines.capacity() * sizeof(std::string_view));
    LineSplitter splitter(bytes);
    std::string_view line;
    while (splitter.next(line))
        lines.push_back(line);
    return lines;
}

std::vector<std::string> splitSourceText(std::string_view bytes)
{
    const std::vector<std::string_view> views = splitSourceViews(bytes);
    return std::vector<std::string>(views.begin(), views.end());
}
