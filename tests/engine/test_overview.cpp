// The small worked example every Tolvane developer knows by heart: a rapid
// move, a plunge at F600 and a modal feed move, with the default machine.
#include <gtest/gtest.h>

#include "engine/Conversion.h"
#include "preview/Trajectoires.h"

namespace {

struct Collect : ConversionObserver {
    std::vector<std::pair<int, std::string>> ignored;
    void reportIgnored(int line, const std::string& group) override
    {
        ignored.emplace_back(line, group);
    }
};

TEST(Overview, SmallProgramLineForLine)
{
    resetEngineForProgramStart();
    std::vector<std::string> source = {"G21 G90", "G0 X10 Y5", "G1 Z-1 F600", "X20", "M30"};
    CommandLines out;
    std::vector<int32_t> map;
    Collect obs;
    runConversion(source, "40", "40", "40", out, map, obs);
    CommandLines expected = {"OF X: 40, Y:40, Z:40;",
                             "VS 50.00",
                             "@ZU 30.00",
                             "@ZD 30.00",
                             "PA 400,200;",
                             "VS  9.90;",
                             "@ZU  9.90;",
                             "@ZD  9.90;",
                             "@ZA 40;",
                             "PA 800,200;",
                             "@SS 0;",
                             "VS 30.0",
                             "PA 0,1600;"};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(map, (std::vector<int32_t>{4, 4, 5, 9, 10}));
    EXPECT_TRUE(obs.ignored.empty());
}

} // namespace
