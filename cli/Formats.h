// The texts the converter writes besides the engine's own command lines: the
// line map, the tool-path CSV and the report of an ignored word group. None of
// them depends on the locale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Gcode.h"
#include "engine/ReportReason.h"

class AtomicOutput;
class piece;

// A float widened to double, as printf "%.9g" writes it in the "C" locale.
void appendG9(std::string& out, float value);

// Every command line followed by CR LF, the controller's line end.
void writeCommandFile(AtomicOutput& file, const CommandLines& lines);
// One integer per source line, each followed by "\n".
void writeLineMap(AtomicOutput& file, const std::vector<int32_t>& lineMap);
// "segment,x,y,z,kind" and one row per stored point, in store order.
void writePathCsv(AtomicOutput& file, const piece& store);

// `input:line: ignored "group": reason` with `line` counted from 1 and the
// reason in English; a group of which a part was carried out says so after
// the reason. Control bytes, quotes and backslashes in the group are escaped
// C-style so that a binary file cannot send terminal control sequences; a
// very long group is cut after its first bytes and its length is given
// instead. Everything before the reason's colon is what it always was.
std::string ignoredReport(const std::string& input, int line, const std::string& group,
                          const ReportInfo& info);

inline constexpr std::size_t kReportedGroupBytes = 200;
