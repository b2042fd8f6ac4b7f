// A block of several codes: its words are the line's, whatever their order.
// The codes act in RS274NGC's order of execution (F, S, T; M06; M03, M05;
// coolant; G04; plane; units; compensation; coordinate system; path mode;
// distance mode; retract mode; G28/G30; the motion; the program end), each
// with the words of the line it reads, so "G28 G91 Z5" retracts 5 mm as
// "G91 G28 Z5" does, and "G0 G91 X10" moves 10 mm.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/Gcode.h"

namespace {

bool isLetter(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isCommentMark(char c)
{
    return c == '(' || c == ')';
}

bool isCodeStart(std::string_view block, std::size_t i)
{
    return (block[i] == 'G' || block[i] == 'M') && i + 1 < block.size() &&
           isNumberChar(block[i + 1]);
}

// One word of the line: a letter and what follows it up to the next letter
// (its number, or the "#1" of a parameter); text in front of the first
// letter is a word of no letter.
struct Word {
    char letter;
    std::string_view text;
};

struct Code {
    CodeWord word;
    bool known;
    CodeClass kind;
    std::string_view text;  // the code word ("G91", "M3")
    std::string_view slice; // the code and the words after it up to the next code
};

// What a line is made of: its codes in the order written and its other words.
struct LineWords {
    std::vector<Code> codes;
    std::vector<Word> words;
};

void splitLine(std::string_view block, LineWords& line)
{
    line.codes.clear();
    line.words.clear();
    std::size_t i = 0;
    const std::size_t size = block.size();
    while (i < size) {
        if (isCommentMark(block[i])) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        if (isCodeStart(block, i)) {
            while (end < size && isNumberChar(block[end]))
                ++end;
            Code code{};
            code.known = readCodeWord(block, i, code.word);
            if (!code.known)
                code.word = CodeWord{block[i], -1};
            code.kind = classifyCode(code.word);
            code.text = block.substr(i, end - i);
            code.slice = code.text;
            line.codes.push_back(code);
        } else {
            while (end < size && !isLetter(block[end]) && !isCommentMark(block[end]))
                ++end;
            line.words.push_back(Word{isLetter(block[i]) ? block[i] : '\0', block.substr(i, end - i)});
        }
        i = end;
    }
    // Each code's slice runs to the next code: what the user reads as its group.
    for (std::size_t k = 0; k < line.codes.size(); ++k) {
        const char* from = line.codes[k].text.data();
        const char* to = k + 1 < line.codes.size() ? line.codes[k + 1].text.data()
                                                  : block.data() + block.size();
        line.codes[k].slice = std::string_view(from, static_cast<std::size_t>(to - from));
    }
}

bool is(const Code& code, char letter, int32_t tenths)
{
    return code.word.letter == letter && code.word.tenths == tenths;
}

bool isFeedReader(const Code& code)
{
    if (code.word.letter != 'G')
        return false;
    switch (code.word.tenths) {
    case 10:
    case 20:
    case 30:
    case 730:
    case 810:
    case 820:
    case 830:
        return true;
    default:
        return false;
    }
}

// Codes that read the words of the line besides their own code: G04 its P,
// M03 its S, M06 its T (the coordinates are the motion's).
bool readsOtherWords(const Code& code)
{
    return is(code, 'G', 40) || is(code, 'M', 30) || is(code, 'M', 60);
}

// The line keeps its coordinates from a separate move when a code reads them
// or could give them another meaning (G52, G92, G55 are not translated).
bool keepsAxisWords(const Code& code)
{
    return !code.known || code.kind.takesAxisWords ||
           (code.word.letter == 'G' && code.kind.kind == CodeKind::Unsupported);
}

// RS274NGC refuses two codes of one modal group on a line (G0 G1, M3 M5);
// a G80 beside another motion code gives way to it.
bool twoCodesOfOneGroup(const std::vector<Code>& codes)
{
    for (std::size_t a = 0; a < codes.size(); ++a) {
        if (codes[a].kind.group < 0 || is(codes[a], 'G', 800))
            continue;
        for (std::size_t b = a + 1; b < codes.size(); ++b)
            if (codes[b].kind.group == codes[a].kind.group && !is(codes[b], 'G', 800))
                return true;
    }
    return false;
}

// Who reads the F, S and T words of the line.
enum Reader : uint8_t { kNobody, kLeftOver, kCode, kContinuation };

struct Step {
    uint8_t rank;
    std::string text;
    std::string shown;
};

// Appends the words of the line to `text`: the coordinates when `axes`, the
// F, S and T words when `own` says so (in that order), and every other word
// when `others`.
void appendWords(std::string& text, const std::vector<Word>& words, bool axes, bool others,
                 const bool (&own)[3])
{
    for (const Word& w : words) {
        bool take = others;
        switch (w.letter) {
        case 'X':
        case 'Y':
        case 'Z':
            take = axes;
            break;
        case 'F':
            take = own[0];
            break;
        case 'S':
            take = own[1];
            break;
        case 'T':
            take = own[2];
            break;
        default:
            break;
        }
        if (take)
            text.append(w.text);
    }
}

void report(const LineReports& reports, std::string_view group, const ReportInfo& info)
{
    reports.report(reports.context, group, info);
}

} // namespace

std::string shownGroup(std::string_view group)
{
    std::string shown;
    shown.reserve(group.size());
    for (char c : group)
        if (!isCommentMark(c))
            shown.push_back(c);
    return shown;
}

bool translateCodes(std::string_view block, CommandLines& output, const LineReports& reports)
{
    static LineWords line;
    splitLine(block, line);
    const std::vector<Code>& codes = line.codes;
    const auto any = [&](auto&& test) { return std::any_of(codes.begin(), codes.end(), test); };
    const bool hasAxis = std::any_of(line.words.begin(), line.words.end(), [](const Word& w) {
        return w.letter == 'X' || w.letter == 'Y' || w.letter == 'Z';
    });

    // Lines LinuxCNC refuses: nothing of them acts.
    if (twoCodesOfOneGroup(codes)) {
        report(reports, shownGroup(block), ReportInfo{ReportReason::TwoCodesOfOneGroup, false});
        return false;
    }
    const bool reference = any([](const Code& c) { return is(c, 'G', 280) || is(c, 'G', 300); });
    const bool motion = any([](const Code& c) { return isMotionGroup(c.word); });
    if (hasAxis && reference && any([](const Code& c) {
            return isMotionGroup(c.word) && !is(c, 'G', 800);
        })) {
        report(reports, shownGroup(block), ReportInfo{ReportReason::AxisWordsTwice, false});
        return false;
    }

    // Coordinates of a line without a code that reads them move the tool in
    // the motion mode in force, as a line of coordinates alone would.
    const bool continuation = hasAxis && !any(keepsAxisWords);
    const int32_t mode = modalState.motionMode;
    const bool continuationReadsFeed =
        continuation && !motion &&
        (mode == kMotionFeed || mode == kMotionArcCW || mode == kMotionArcCCW ||
         mode == kMotionDrill);
    Reader readers[3] = {kLeftOver, kLeftOver, kLeftOver};
    // The F of G93 (inverse time) or G95 (per revolution) is no feed per
    // minute, the S of G96 no spindle speed: they stay with their reported code.
    if (any([](const Code& c) { return is(c, 'G', 930) || is(c, 'G', 950); }))
        readers[0] = kNobody;
    else if (any(isFeedReader))
        readers[0] = kCode;
    else if (continuationReadsFeed)
        readers[0] = kContinuation;
    if (any([](const Code& c) { return is(c, 'G', 960); }))
        readers[1] = kNobody;
    else if (any([](const Code& c) { return is(c, 'M', 30); }))
        readers[1] = kCode;
    if (any([](const Code& c) { return is(c, 'M', 60); }))
        readers[2] = kCode;

    // A move in machine coordinates (G53 G0 Z0) is not translated: made in
    // the program's coordinates it would go elsewhere.
    const bool machineMove = hasAxis && any([](const Code& c) { return is(c, 'G', 530); });
    // One G80 acts, and none beside another motion code.
    bool cancelled = any([](const Code& c) { return isMotionGroup(c.word) && !is(c, 'G', 800); });
    static std::vector<Step> steps;
    steps.clear();
    for (const Code& c : codes) {
        if (is(c, 'G', 800)) {
            if (cancelled)
                continue;
            cancelled = true;
        }
        if (machineMove && isMotionGroup(c.word)) {
            enterUntranslatedMotion(c.word);
            continue;
        }
        Step step{c.kind.rank, std::string(c.text), {}};
        if (c.kind.takesAxisWords || readsOtherWords(c)) {
            // The feed goes to the code that reads it, S to M03, T to M06.
            const bool own[3] = {readers[0] == kCode && isFeedReader(c),
                                 readers[1] == kCode && is(c, 'M', 30),
                                 readers[2] == kCode && is(c, 'M', 60)};
            appendWords(step.text, line.words, c.kind.takesAxisWords, true, own);
            step.shown = step.text;
        } else {
            step.shown = shownGroup(c.slice);
        }
        steps.push_back(std::move(step));
    }
    // F, S and T read by no code: set after the line's units, so that "G20 F6"
    // is 6 in/min whatever the order.
    Step leftOver{kRankLineWords, {}, {}};
    const bool leftOverOwn[3] = {readers[0] == kLeftOver, readers[1] == kLeftOver,
                                 readers[2] == kLeftOver};
    appendWords(leftOver.text, line.words, false, false, leftOverOwn);
    if (!leftOver.text.empty()) {
        leftOver.shown = leftOver.text;
        steps.push_back(std::move(leftOver));
    }
    if (continuation) {
        Step move{kRankMotion, {}, {}};
        const bool own[3] = {readers[0] == kContinuation, false, false};
        appendWords(move.text, line.words, true, true, own);
        move.shown = move.text;
        steps.push_back(std::move(move));
    }
    std::stable_sort(steps.begin(), steps.end(),
                     [](const Step& a, const Step& b) { return a.rank < b.rank; });

    bool translated = true;
    for (const Step& step : steps) {
        const GroupOutcome outcome = dispatchWordGroup(step.text, output);
        if (outcome != GroupOutcome::Translated) {
            translated = false;
            report(reports, step.shown, groupReport(outcome));
        }
    }
    return translated;
}
