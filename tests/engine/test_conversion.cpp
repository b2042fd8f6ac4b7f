// The conversion run: header, line map, reports and the run's order of calls.
#include <gtest/gtest.h>

#include "preview/Trajectoires.h"
#include "tests/engine/EngineTestUtil.h"

namespace {

TEST(Conversion, EmptySourceGivesHeaderOnly)
{
    auto r = enginetest::convert({});
    EXPECT_EQ(r.all, (CommandLines{"OF X: 40, Y:40, Z:40;", "VS 50.00", "@ZU 30.00", "@ZD 30.00"}));
    EXPECT_TRUE(r.lineMap.empty());
}

TEST(Conversion, HeaderFollowsSettings)
{
    resetEngineForProgramStart();
    machineSettings.maxSpeedXY = 5.0f;
    machineSettings.maxSpeedZ = 12.5f;
    CommandLines out;
    std::vector<int32_t> map;
    ConversionObserver none;
    runConversion(std::vector<std::string>{}, "66", "40", "200", out, map, none);
    EXPECT_EQ(out, (CommandLines{"OF X: 66, Y:40, Z:200;", "VS  5.00", "@ZU 12.50", "@ZD 12.50"}));
    EXPECT_EQ(machineSettings.stepsPerMmX, 66.0f);
    EXPECT_EQ(machineSettings.stepsPerMmZ, 200.0f);
}

TEST(Conversion, LineMapWithCommentsReportsAndEmptyLines)
{
    // A bare S sets the spindle speed and is no report, nor is a blank line.
    auto r = enginetest::convert({"G0 X1", "(comment)", "G0 X2", "", "G0X3 M4", "S100", "G0 X4"});
    EXPECT_EQ(r.lineMap, (std::vector<int32_t>{4, 5, 5, 6, -1, 7, 7}));
    EXPECT_EQ(r.ignored, (std::vector<std::pair<int, std::string>>{{4, "M4"}}));
    EXPECT_EQ(r.lines, (CommandLines{"PA 40,0;", "PA 80,0;", "PA 120,0;", "PA 160,0;"}));
}

TEST(Conversion, ObserverSeesTheRunInOrder)
{
    struct Trace : ConversionObserver {
        std::vector<std::string> calls;
        void progressStart(int n) override { calls.push_back("start " + std::to_string(n)); }
        void progress(int i) override { calls.push_back("progress " + std::to_string(i)); }
        void progressEnd() override { calls.push_back("end"); }
        void highlight(int i) override { calls.push_back("highlight " + std::to_string(i)); }
        void reportIgnored(int i, const std::string& g) override
        {
            calls.push_back("report " + std::to_string(i) + " " + g);
        }
    } trace;
    resetEngineForProgramStart();
    CommandLines out;
    std::vector<int32_t> map;
    runConversion({"G0X1", "M4"}, "40", "40", "40", out, map, trace);
    EXPECT_EQ(trace.calls, (std::vector<std::string>{"start 2", "highlight 0", "highlight -1",
                                                     "progress 0", "highlight 1", "report 1 M4",
                                                     "highlight -1", "progress 1", "end"}));
}

TEST(Conversion, EachRunStartsWithAnEmptyStore)
{
    auto first = enginetest::convert({"G0 X1", "G0 X2"});
    EXPECT_EQ(trajectoryStore->getSegments().size(), 2u);
    auto second = enginetest::convert({"G0 X1"}, "40", "40", "40", false);
    EXPECT_EQ(trajectoryStore->getSegments().size(), 1u);
}

TEST(Conversion, BadBytesAndHugeLinesDoNotStopTheRun)
{
    std::string binary;
    for (int i = 0; i < 256; ++i)
        binary.push_back(static_cast<char>(i));
    std::string hugeLine(10'000'000, '9');
    std::string hugeMove = "G0 X" + std::string(5'000'000, '1');
    auto r = enginetest::convert({binary, std::string("G0\0X1", 5), hugeLine, hugeMove, "G0 X2"});
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines.back(), "PA 80,0;");
    EXPECT_EQ(r.lineMap[2], -1);
    EXPECT_EQ(r.lineMap[3], -1);
}

} // namespace
