// The same program gives the same, safe result: every run starts from the
// same state, a feed before any F is said, files and lines that are not
// G-code text are refused, the park follows the machine, and the extent and
// the travel come from the recorded path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Extent.h"
#include "engine/TextFile.h"
#include "tests/engine/EngineTestUtil.h"

namespace {

using enginetest::convert;
using enginetest::RunResult;

// A run that comes after another run in the same program, with the machine
// as the first one left it.
RunResult convertAgain(const std::vector<std::string>& source)
{
    return convert(source, "40", "40", "40", false);
}

const std::vector<std::string> kNoFeedProgram = {
    "G0 X1 Y1", "G1 Z-1", "X5", "G3 X6 Y2 I0.5 J0.5", "G0 Z5", "G81 X2 Y2 Z-2", "X3", "G80", "M30",
};

struct PreviousRun {
    const char* name;
    std::vector<std::string> program;
};

class SameStateEveryRun : public ::testing::TestWithParam<PreviousRun> {};

TEST_P(SameStateEveryRun, GivesTheFirstRunsBytes)
{
    const RunResult fresh = convert(kNoFeedProgram);
    convert(GetParam().program);
    const RunResult again = convertAgain(kNoFeedProgram);
    EXPECT_EQ(again.all, fresh.all) << GetParam().name;
    EXPECT_EQ(again.lineMap, fresh.lineMap) << GetParam().name;
    EXPECT_EQ(again.ignored, fresh.ignored) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SameStateEveryRun,
    ::testing::Values(PreviousRun{"ends at F600", {"G1 X1 F600"}},
                      PreviousRun{"F word alone", {"F50"}},
                      PreviousRun{"cycle with R, Q, P, L, G98",
                                  {"G98 G83 X1 Y1 Z-3 R2 Q1 P5 L2 F90"}},
                      PreviousRun{"cycle left in force", {"G99 G82 X1 Y1 Z-1 R1 P3 F30"}},
                      PreviousRun{"modes left set", {"G20 G91 G18 G1 X1 F5"}},
                      PreviousRun{"first F reported away", {"G1 X1", "G1 X2 F100"}}));

TEST(SameStateEveryRun, TheFirstFeedMoveRunsAtTheStartFeed)
{
    const RunResult r = convert({"G1 X1"});
    EXPECT_EQ(r.lines, (CommandLines{"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 40,0;"}));
}

struct StartFeedCase {
    const char* name;
    std::vector<std::string> program;
    int reportedLine; // -1: no report
};

class StartFeedReport : public ::testing::TestWithParam<StartFeedCase> {};

TEST_P(StartFeedReport, OnceAtTheFirstFeedMoveBeforeAnyF)
{
    const StartFeedCase& c = GetParam();
    const RunResult r = convert(c.program);
    int reports = 0;
    for (std::size_t k = 0; k < r.reasons.size(); ++k) {
        if (r.reasons[k].reason != ReportReason::StartFeed)
            continue;
        ++reports;
        EXPECT_EQ(r.ignored[k].first, c.reportedLine) << c.name;
        EXPECT_TRUE(r.reasons[k].partly) << c.name;
    }
    EXPECT_EQ(reports, c.reportedLine < 0 ? 0 : 1) << c.name;
    // Translated all the same, and marked as every reported line is.
    if (c.reportedLine >= 0) {
        EXPECT_FALSE(r.lines.empty()) << c.name;
        EXPECT_EQ(r.lineMap[static_cast<std::size_t>(c.reportedLine)], -1) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartFeedReport,
    ::testing::Values(StartFeedCase{"feed move", {"G0 X1", "G1 X2", "X3", "G1 X4"}, 1},
                      StartFeedCase{"arc", {"G2 X1 I0.5"}, 0},
                      StartFeedCase{"drilling cycle", {"G81 X1 Y1 Z-1 R1", "X2"}, 0},
                      StartFeedCase{"F on the move", {"G1 X1 F100", "X2"}, -1},
                      StartFeedCase{"F alone before", {"F100", "G1 X1"}, -1},
                      StartFeedCase{"F on a rapid before", {"G0 X1 F100", "G1 X2"}, -1},
                      StartFeedCase{"F on the cycle", {"G81 X1 Y1 Z-1 R1 F60"}, -1},
                      StartFeedCase{"rapids only", {"G0 X1", "G28"}, -1}));

struct TextCase {
    const char* name;
    std::string bytes;
    bool text;
};

class GcodeText : public ::testing::TestWithParam<TextCase> {};

TEST_P(GcodeText, TellsProgramsFromOtherFiles)
{
    EXPECT_EQ(looksLikeGcodeText(GetParam().bytes), GetParam().text) << GetParam().name;
}

std::string repeated(const std::string& piece, std::size_t times)
{
    std::string out;
    for (std::size_t k = 0; k < times; ++k)
        out += piece;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, GcodeText,
    ::testing::Values(
        TextCase{"program", "G0 X1\r\nG1\tY2 F100\n\f%\n", true}, TextCase{"empty file", "", true},
        TextCase{"DOS end-of-file mark", "G0 X1\r\n\x1A", true},
        TextCase{"a few stray control bytes", "G0 X1\x01\nG0 X2\x02\nG0 X3\x1B\n", true},
        TextCase{"NUL byte", std::string("G0 X1\n\0G0 X2\n", 13), false},
        TextCase{"UTF-16 text", std::string("G\0\x30\0\n\0", 6), false},
        TextCase{"control bytes, no NUL", repeated("G0\x01\x02\x03\x04X1\n", 100), false},
        TextCase{"one in sixteen", repeated("\x01G0X1234567890Y\n", 100), true},
        TextCase{"NUL after the first 64 KiB", repeated("G0 X1\n", 11000) + std::string(1, '\0'),
                 true}));

struct ControlLineCase {
    const char* name;
    std::string line;
    bool reported;
};

class ControlByteLine : public ::testing::TestWithParam<ControlLineCase> {};

TEST_P(ControlByteLine, IsReportedAndNotTranslated)
{
    const ControlLineCase& c = GetParam();
    const RunResult r = convert({c.line});
    if (c.reported) {
        ASSERT_EQ(r.reasons.size(), 1u) << c.name;
        EXPECT_EQ(r.reasons[0].reason, ReportReason::ControlByte) << c.name;
        EXPECT_TRUE(r.lines.empty()) << c.name;
        EXPECT_EQ(r.lineMap[0], -1) << c.name;
    } else {
        EXPECT_TRUE(r.reasons.empty()) << c.name;
        EXPECT_EQ(r.lines, CommandLines{"PA 40,0;"}) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ControlByteLine,
    ::testing::Values(ControlLineCase{"before a word", "G0 \x01X1", true},
                      ControlLineCase{"NUL before the code", std::string("\0G0X1", 5), true},
                      ControlLineCase{"escape at the end", "G0 X1\x1B", true},
                      ControlLineCase{"with a block number", "N10 G0\x7FX1", true},
                      ControlLineCase{"in a comment", "G0 X1 (a\x01b)", false},
                      ControlLineCase{"after a semicolon", "G0 X1 ;\x02", false},
                      ControlLineCase{"a tab", "G0\tX1", false}));

struct ParkCase {
    const char* name;
    std::string stepsPerMmY;
    float maxSpeedXY;
    CommandLines m30;
};

class Park : public ::testing::TestWithParam<ParkCase> {};

TEST_P(Park, FollowsTheMachine)
{
    const ParkCase& c = GetParam();
    resetEngineForProgramStart();
    machineSettings.maxSpeedXY = c.maxSpeedXY;
    const RunResult r = convert({"M30", "M2"}, "40", c.stepsPerMmY, "40", false);
    CommandLines m2{"@SS0;"};
    m2.append(CommandLines(c.m30.begin() + 1, c.m30.end()));
    CommandLines both = c.m30;
    both.append(m2);
    EXPECT_EQ(r.lines, both) << c.name;
    // Each park is drawn as a rapid to the unload position at the tool's
    // height, and kept out of the program's extent.
    ASSERT_EQ(trajectoryStore->segmentCount(), 2u) << c.name;
    for (std::size_t i = 0; i < 2; ++i) {
        const segmentView park = trajectoryStore->segment(i);
        EXPECT_TRUE(trajectoryStore->isMachineSegment(i)) << c.name;
        EXPECT_EQ(park.getKind(), kKindRapid) << c.name;
        ASSERT_EQ(park.getPoints().size(), 2u) << c.name;
        EXPECT_EQ(park.getPoints()[1].x, 0.0f) << c.name;
        EXPECT_EQ(park.getPoints()[1].y, previewScale(40.0f * std::stof(c.stepsPerMmY))) << c.name;
        EXPECT_EQ(park.getPoints()[1].z, park.getPoints()[0].z) << c.name;
    }
    EXPECT_TRUE(runExtent().empty) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Park,
    ::testing::Values(ParkCase{"factory machine", "40", 50.0f, {"@SS 0;", "VS 30.0", "PA 0,1600;"}},
                      ParkCase{"rapids of 30", "40", 30.0f, {"@SS 0;", "VS 30.0", "PA 0,1600;"}},
                      ParkCase{"80 steps per mm", "80", 50.0f, {"@SS 0;", "VS 30.0", "PA 0,3200;"}},
                      ParkCase{"66 steps per mm", "66", 50.0f, {"@SS 0;", "VS 30.0", "PA 0,2640;"}},
                      ParkCase{"rapids of 10", "40", 10.0f, {"@SS 0;", "VS  10.00;", "PA 0,1600;"}},
                      ParkCase{
                          "rapids of 5.5", "80", 5.5f, {"@SS 0;", "VS  5.50;", "PA 0,3200;"}}));

TEST(Extent, IsTheBoxOfTheRecordedPath)
{
    for (const bool keep : {true, false}) {
        resetEngineForProgramStart();
        keepToolPath = keep;
        convert({"G0 X-5 Y2", "G1 Z-3 F100", "G2 X5 Y2 I5 J0", "G0 Z5", "M30"}, "40", "40", "40",
                false);
        const ProgramExtent e = runExtent();
        ASSERT_FALSE(e.empty) << keep;
        EXPECT_NEAR(e.minX, -5.0, 1e-3) << keep;
        EXPECT_NEAR(e.maxX, 5.0, 1e-3) << keep;
        EXPECT_NEAR(e.minY, 0.0, 1e-3) << keep;
        EXPECT_NEAR(e.maxY, 7.0, 0.05) << keep; // the arc's top, within its chords
        EXPECT_NEAR(e.minZ, -3.0, 1e-3) << keep;
        EXPECT_NEAR(e.maxZ, 10.0, 1e-3) << keep; // the start height
    }
    convert({"G21", "(no move)"});
    EXPECT_TRUE(runExtent().empty);
}

struct TravelCase {
    const char* name;
    float travelX, travelY, travelZ;
    std::vector<std::string> program;
    int line; // -1: no report
    char axis;
    double by;
};

class Travel : public ::testing::TestWithParam<TravelCase> {};

struct TravelRecorder : enginetest::Recorder {
    std::vector<std::pair<int, TravelExcess>> excesses;
    void travelExceeded(int line, const TravelExcess& excess) override
    {
        excesses.emplace_back(line, excess);
    }
};

TEST_P(Travel, FirstMoveBeyondItIsReported)
{
    const TravelCase& c = GetParam();
    resetEngineForProgramStart();
    machineSettings.travelX = c.travelX;
    machineSettings.travelY = c.travelY;
    machineSettings.travelZ = c.travelZ;
    TravelRecorder rec;
    CommandLines out;
    std::vector<int32_t> map;
    runConversion(c.program, "40", "40", "40", out, map, rec);
    if (c.line < 0) {
        EXPECT_TRUE(rec.excesses.empty()) << c.name;
        return;
    }
    ASSERT_EQ(rec.excesses.size(), 1u) << c.name;
    EXPECT_EQ(rec.excesses[0].first, c.line) << c.name;
    EXPECT_EQ(rec.excesses[0].second.axis, c.axis) << c.name;
    EXPECT_NEAR(rec.excesses[0].second.by, c.by, 0.01) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Travel,
    ::testing::Values(
        TravelCase{"unknown travel", 0, 0, 0, {"G0 X1000 Z200"}, -1, 'X', 0},
        TravelCase{"within", 300, 200, 100, {"G0 X-100", "X199", "G1 Z-80 F100"}, -1, 'X', 0},
        TravelCase{"X span", 300, 200, 100, {"G0 X-100", "X150", "X250", "X-200"}, 2, 'X', 50},
        TravelCase{"Z climbs", 300, 200, 100, {"G0 Z50", "G1 Z-60 F50", "G0 Z300"}, 1, 'Z', 10},
        TravelCase{"Y by an arc", 0, 20, 0, {"G0 Y0", "G2 Y0 X0 J15"}, 1, 'Y', 10},
        TravelCase{"only the first", 10, 10, 0, {"G0 X20", "Y30"}, 0, 'X', 10}));

} // namespace

namespace {

// 2147483647 steps per revolution on a 5 mm lead: 429496729 steps per mm,
// so that nearly every coordinate is beyond the controller's range. Each
// refusal must say so, not call the code unknown.
TEST(HugeStepsPerMm, CoordinatesBeyondTheRangeAreReportedAsSuch)
{
    const std::vector<std::string> program = {
        "G0 X10 Y10", "G1 Z-1 F100", "X20", "G2 X10 I5", "G3 X-10 R10", "G81 X1 Y1 Z-1 R1",
        "X2",         "G80",         "G28", "G0 Z2 M3",  "G91 G0 X1",
    };
    RunResult r = convert(program, "429496729", "429496729", "429496729");
    ASSERT_FALSE(r.reasons.empty());
    // A hole of a cycle in force, beyond the range on the factory machine.
    const RunResult hole = convert({"G81 X1 Y1 Z-1 R1 F100", "X99999999"});
    r.reasons.insert(r.reasons.end(), hole.reasons.begin(), hole.reasons.end());
    r.ignored.insert(r.ignored.end(), hole.ignored.begin(), hole.ignored.end());
    for (std::size_t k = 0; k < r.reasons.size(); ++k)
        EXPECT_EQ(r.reasons[k].reason, ReportReason::OutOfRange)
            << r.ignored[k].second << ": " << reasonText(r.reasons[k].reason);
}

} // namespace
