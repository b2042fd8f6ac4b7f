// Machine units and the number formats of the command file.
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

#include "tests/engine/EngineTestUtil.h"

namespace {

TEST(FormatFloat, PrintfBlankSignFiveWideTwoDecimals)
{
    const std::vector<std::pair<float, const char*>> cases = {
        {50.0f, " 50.00"},     {5.2f, " 5.20"},
        {1.6f, " 1.60"},       {123.456f, " 123.46"},
        {-1.5f, "-1.50"},      {0.0f, " 0.00"},
        {1234.5f, " 1234.50"}, {9.9f, " 9.90"},
        {39.9f, " 39.90"},     {0.005f, " 0.00"},
        {0.125f, " 0.12"},     {0.375f, " 0.38"},
        {-0.001f, "-0.00"},    {1e10f, " 10000000000.00"},
    };
    for (const auto& [v, text] : cases)
        EXPECT_EQ(formatFloat(v), text) << v;
}

TEST(FormatFloat, HeaderFormatHasNoBlankSign)
{
    EXPECT_EQ(formatHeaderFloat(50.0f), "50.00");
    EXPECT_EQ(formatHeaderFloat(5.0f), " 5.00");
    EXPECT_EQ(formatHeaderFloat(30.0f), "30.00");
}

TEST(FormatFloat, IgnoresTheProcessLocale)
{
    // The desktop program runs under the user's locale; the controller
    // needs a point whatever it is.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool haveComma =
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(formatFloat(9.9f), " 9.90");
    EXPECT_EQ(parseWordNumber("X1.5", 1), 1.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!haveComma)
        GTEST_SKIP() << "no comma locale installed";
}

TEST(FormatInt, PlainDecimal)
{
    EXPECT_EQ(formatInt(0), "0");
    EXPECT_EQ(formatInt(400), "400");
    EXPECT_EQ(formatInt(-400), "-400");
    EXPECT_EQ(formatInt(INT32_MIN), "-2147483648");
}

TEST(TruncSteps, TowardsZero)
{
    const std::vector<std::pair<float, int32_t>> cases = {
        {-400.7f, -400}, {399.99f, 399}, {-0.4f, 0},
        {-1.9f, -1},     {0.99f, 0},     {2147483520.0f, 2147483520},
    };
    for (const auto& [v, steps] : cases) {
        EXPECT_TRUE(fitsSteps(v));
        EXPECT_EQ(truncSteps(v), steps) << v;
    }
    EXPECT_FALSE(fitsSteps(2147483648.0f));
    EXPECT_FALSE(fitsSteps(-2147483904.0f));
    EXPECT_FALSE(fitsSteps(INFINITY));
    EXPECT_FALSE(fitsSteps(NAN));
}

TEST(VectorAngle, AxisConstantsAndQuadrants)
{
    EXPECT_EQ(vectorAngle(0, 0), 0.0);
    EXPECT_EQ(vectorAngle(-1, 0), 3.14159265);
    EXPECT_EQ(vectorAngle(1, 0), 0.0);
    EXPECT_EQ(vectorAngle(0, 1), 1.570796325);
    EXPECT_EQ(vectorAngle(0, -1), 1.5 * 3.14159265);
    EXPECT_EQ(vectorAngle(-1, -1), std::atan2(-1.0, -1.0) + 6.2831853);
    EXPECT_NEAR(vectorAngle(-1, -1), 3.92699, 1e-5);
    EXPECT_EQ(vectorAngle(1, 1), std::atan2(1.0, 1.0));
    EXPECT_EQ(vectorAngle(1, -1), std::atan2(-1.0, 1.0) + 6.2831853);
}

TEST(VectorLength, SumRoundedToFloat)
{
    EXPECT_EQ(vectorLength(3, 4), 5.0);
    EXPECT_EQ(vectorLength(200, 0), 200.0);
    // 1 + 1e-4^2 rounds to 1 in float before the root.
    EXPECT_EQ(vectorLength(1.0f, 1e-4f), 1.0);
}

TEST(CoordinateConversion, MillimetresInchesAndDirection)
{
    enginetest::startRun();
    EXPECT_EQ(convertX(10.5, false, 0), 420.0f);
    EXPECT_EQ(convertZ(1.5, false, 0), -60.0f);
    EXPECT_EQ(convertZ(-2, false, 0), 80.0f);
    modalState.unitFactor = 25.4f;
    EXPECT_EQ(convertX(1.0, false, 0), 1016.0f);
    EXPECT_EQ(convertX(2.0, true, 1016.0f), 3048.0f);
}

TEST(CoordinateConversion, WrittenPositions)
{
    struct Case {
        std::vector<std::string> source;
        CommandLines lines;
    };
    const std::vector<Case> cases = {
        {{"G0 X10.5"}, {"PA 420,0;"}},
        {{"G0 Z1.5"}, {"@ZA -60;"}},
        {{"G0 Z-2"}, {"@ZA 80;"}},
        {{"G20", "G0 X1.0"}, {"PA 1016,0;"}},
        {{"G91", "G0 X2", "G0 X2"}, {"PA 80,0;", "PA 160,0;"}},
        // -0.4 and -1.9 steps: truncated, never rounded.
        {{"G0 X-0.01"}, {"PA 0,0;"}},
        {{"G0 X-0.0475"}, {"PA -1,0;"}},
        {{"G0 X9.999"}, {"PA 399,0;"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(enginetest::convert(c.source).lines, c.lines) << c.source.back();
}

TEST(CoordinateConversion, ThreeMillimetrePitchUsesWholeStepsPerMillimetre)
{
    auto r = enginetest::convert({"G0 X10 Y10"}, "66", "40", "40");
    EXPECT_EQ(r.all.front(), "OF X: 66, Y:40, Z:40;");
    EXPECT_EQ(r.lines, CommandLines{"PA 660,400;"});
}

} // namespace
