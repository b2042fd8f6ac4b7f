// Helpers for engine tests: run a program through the whole conversion, or
// translate single groups from a known state.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/Conversion.h"
#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

namespace enginetest {

struct RunResult {
    CommandLines lines; // without the four header lines
    CommandLines all;   // with them
    std::vector<int32_t> lineMap;
    std::vector<std::pair<int, std::string>> ignored;
    std::vector<ReportInfo> reasons; // one per entry of `ignored`
};

struct Recorder : ConversionObserver {
    std::vector<std::pair<int, std::string>> ignored;
    std::vector<ReportInfo> reasons;
    void reportGroup(int line, const std::string& group, const ReportInfo& info) override
    {
        ignored.emplace_back(line, group);
        reasons.push_back(info);
    }
};

// First run after program start with the default machine (40 steps/mm).
inline RunResult convert(const std::vector<std::string>& source, const std::string& ofx = "40",
                         const std::string& ofy = "40", const std::string& ofz = "40",
                         bool freshProgram = true)
{
    if (freshProgram)
        resetEngineForProgramStart();
    RunResult r;
    Recorder rec;
    runConversion(source, ofx, ofy, ofz, r.all, r.lineMap, rec);
    r.lines.assign(r.all.begin() + 4, r.all.end());
    r.ignored = rec.ignored;
    r.reasons = rec.reasons;
    return r;
}

// A fresh translator as at the start of a run, then the given groups.
inline void startRun()
{
    resetEngineForProgramStart();
    resetTranslator();
}

inline CommandLines run(const std::vector<std::string>& groups)
{
    CommandLines all;
    for (const std::string& g : groups)
        all.append(dispatchWordGroup(g));
    return all;
}

} // namespace enginetest
