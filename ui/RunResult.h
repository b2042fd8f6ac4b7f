// What the status line says when a conversion run has ended. Each piece of
// news is a part of its own; the status line joins them with dashes, so a
// new piece (the program's extent, codes accepted without effect...) is one
// more part appended here.
#pragma once

#include <QStringList>

class ReportedLines;

struct RunResult {
    const ReportedLines& reports;
    bool emptyProgram = false; // no line holds anything but blanks
    // The codes accepted without effect on this machine ("G40", "M8").
    QStringList withoutEffect = {};
};

// The parts, in the order they are shown, in `language`.
QStringList runResultParts(int language, const RunResult& result);

// True when no line of `lines` holds anything but blanks (or there is none).
template <typename Lines> bool isEmptyProgram(const Lines& lines)
{
    for (const auto& line : lines)
        for (char c : line)
            if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v')
                return false;
    return true;
}
