// The conversion run and the block reader: source lines in, PROFILER command
// lines and the source-to-command line map out. No user interface here: the
// caller sees progress, the highlighted line and every ignored word group
// through a ConversionObserver.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "engine/Extent.h"
#include "engine/Gcode.h"

class ConversionObserver {
  public:
    virtual ~ConversionObserver() = default;
    // The run is about to translate `lineCount` lines.
    virtual void progressStart(int lineCount) { (void)lineCount; }
    virtual void progress(int line) { (void)line; }
    virtual void progressEnd() {}
    // Line `line` (from 0) is being translated; -1 removes the highlight.
    virtual void highlight(int line) { (void)line; }
    // A word group the engine could not translate. `line` counts from 0.
    virtual void reportIgnored(int line, const std::string& group)
    {
        (void)line;
        (void)group;
    }
    // The same with the reason and whether part of the group was carried
    // out; by default it goes on to reportIgnored.
    virtual void reportGroup(int line, const std::string& group, const ReportInfo& info)
    {
        (void)info;
        reportIgnored(line, group);
    }
    // Line `line` holds codes accepted without effect on this machine
    // ("G40 G49", in the order they acted).
    virtual void acceptedWithoutEffect(int line, const std::string& codes)
    {
        (void)line;
        (void)codes;
    }
    // Line `line` holds the run's first move that takes the tool path
    // beyond the machine's travel on one axis (engine/Extent.h).
    virtual void travelExceeded(int line, const TravelExcess& excess)
    {
        (void)line;
        (void)excess;
    }
};

// Cleans one source line: upper case, no blanks, comments and block number cut.
std::string cleanSourceLine(std::string_view line);
// The same into `cleaned`, whose memory is reused from line to line. True
// when the cleaned line holds a control byte (isControlByte: not a tab): a
// damaged line that the run reports instead of translating.
bool cleanSourceLine(std::string_view line, std::string& cleaned);
// Cuts a cleaned block into word groups, each starting at a G or M word, and
// calls f(group) for each; the groups are views into the block. A block of
// two or more codes keeps the text in front of the first one in no group.
template <typename F> void forEachWordGroup(std::string_view block, F&& f);
// The same groups as a list.
std::vector<std::string> splitWordGroups(std::string_view block);
// Replaces every "," by "." in place.
void commaToPoint(std::string& text);

// Translates one cleaned block: appends to `output`, sets `lineMapEntry` to -1
// and calls report(group, info) (or report(group)) with the group as a
// std::string (without the marks of a comment) and the ReportInfo for every
// group that was rejected or only partly translated. A block of several
// codes acts in RS274NGC's order of execution (translateCodes).
template <typename Report>
void translateBlock(std::string_view cleaned, CommandLines& output, int32_t& lineMapEntry,
                    Report&& report);

// The whole run. `ofx`, `ofy`, `ofz` are the whole-number texts of steps per
// millimetre; the run stores them into machineSettings, writes the header,
// resets the translator and translates every line. `output` and `lineMap`
// are replaced. The viewed text must outlive the run.
void runConversion(std::span<const std::string_view> sourceLines, const std::string& ofx,
                   const std::string& ofy, const std::string& ofz, CommandLines& output,
                   std::vector<int32_t>& lineMap, ConversionObserver& observer);
void runConversion(const std::vector<std::string>& sourceLines, const std::string& ofx,
                   const std::string& ofy, const std::string& ofz, CommandLines& output,
                   std::vector<int32_t>& lineMap, ConversionObserver& observer);
// The same over the lines of a whole file's bytes, split as splitSourceViews
// splits them, without a list of the lines.
void runConversionOnText(std::string_view bytes, const std::string& ofx, const std::string& ofy,
                         const std::string& ofz, CommandLines& output,
                         std::vector<int32_t>& lineMap, ConversionObserver& observer);

// Splits raw file bytes into lines at CR LF, LF or a lone CR. A final line
// break adds no empty line. Bytes are kept as they are; the views point into
// `bytes`.
std::vector<std::string_view> splitSourceViews(std::string_view bytes);
// The number of lines splitSourceViews finds.
std::size_t countSourceLines(std::string_view bytes);
// The same lines as copies of their own.
std::vector<std::string> splitSourceText(std::string_view bytes);

// --- template definitions ---
template <typename F> void forEachWordGroup(std::string_view block, F&& f)
{
    const auto isCode = [](char c) { return c == 'G' || c == 'M'; };
    const std::size_t size = block.size();
    std::size_t i = 0;
    while (i < size && !isCode(block[i]))
        ++i;
    if (i + 1 >= size || block[i + 1] < '0' || block[i + 1] > '9') {
        f(block);
        return;
    }
    // Text before the first G or M stays with it only when it is the one
    // G/M word of the block.
    bool first = true;
    for (;;) {
        std::size_t next = i + 1;
        while (next < size && !isCode(block[next]))
            ++next;
        if (next == size) {
            f(first ? block : block.substr(i));
            return;
        }
        f(block.substr(i, next - i));
        first = false;
        i = next;
    }
}

template <typename Report>
void callReport(Report& report, std::string_view group, ReportInfo info)
{
    if constexpr (std::is_invocable_v<Report&, std::string, ReportInfo>)
        report(std::string(group), info);
    else
        report(std::string(group));
}

template <typename Report>
void translateBlock(std::string_view cleaned, CommandLines& output, int32_t& lineMapEntry,
                    Report&& report)
{
    // A decimal comma is read as a point.
    if (cleaned.find(',') != std::string_view::npos) {
        std::string pointed(cleaned);
        commaToPoint(pointed);
        translateBlock(std::string_view(pointed), output, lineMapEntry, report);
        return;
    }
    GroupOutcome outcome = GroupOutcome::Translated;
    if (!dispatchBlock(cleaned, output, outcome)) {
        using Sink = std::remove_reference_t<Report>;
        const LineReports reports{
            &report, [](void* context, std::string_view group, const ReportInfo& info) {
                callReport(*static_cast<Sink*>(context), group, info);
            }};
        if (!translateCodes(cleaned, output, reports))
            lineMapEntry = -1;
        return;
    }
    if (outcome != GroupOutcome::Translated) {
        lineMapEntry = -1;
        callReport(report, shownGroup(cleaned), groupReport(outcome));
    }
}
