// The word groups a conversion run could not translate, by source line: what
// the source list marks after a run, what the tooltips of the marked lines
// list, and what F8 / Shift+F8 walk through.
//
// A program of blank lines reports every line, so a run may record hundreds
// of thousands of groups: they are kept in a few flat arrays, and each group
// is kept cut to a tooltip's length (a rejected group can be a whole 50 MB
// line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ReportReason.h"

class ReportedLines {
  public:
    // Bytes of a group that are kept; a longer one is cut (never inside a
    // UTF-8 sequence) and marked as cut.
    static constexpr std::size_t kKeptBytes = 200;

    void clear();
    // A group reported on `line` (from 0). Lines come in the order of the
    // run; a line reported out of order is put in its place all the same.
    void add(int line, std::string_view group, ReportInfo info = {});

    // Every group reported, and the distinct lines they stand on.
    std::size_t groupCount() const { return groupEnds_.size(); }
    std::size_t lineCount() const { return lines_.size(); }
    bool contains(int line) const;

    struct Group {
        std::string_view text;
        bool cut;
        ReportInfo info;
    };
    // The groups of `line`, in the order they were reported.
    std::vector<Group> groupsOf(int line) const;

    // The reported line that comes after (before) `line`, -1 when none.
    int next(int line) const;
    int previous(int line) const;
    // The `index`-th reported line (from 0), and the index of a reported
    // line (-1 when `line` was not reported).
    int lineAt(std::size_t index) const { return lines_[index]; }
    int indexOf(int line) const;

  private:
    // Position of the first entry of lines_ that is not below `line`.
    std::size_t lowerBound(int line) const;

    std::vector<int32_t> lines_;       // distinct lines, ascending
    std::vector<uint32_t> firstGroup_; // per line: index of its first group
    std::string text_;                 // the groups' kept bytes, one after the other
    std::vector<uint64_t> groupEnds_;  // per group: end of its bytes in text_
    std::vector<bool> cut_;            // per group: was it cut
    std::vector<ReportInfo> infos_;    // per group: why, and whether partly
};
