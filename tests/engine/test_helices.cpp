// Helical XY arcs (G02/G03 in G17 with a Z word) are written chord by chord
// as staircases: replayed as the controller moves, every corner stays within
// two steps of the helix, rising or falling, steep or shallow. Flat XY arcs
// keep the controller's plain "PA" chords, byte for byte.
#include <gtest/gtest.h>

#include "tests/engine/ArcCheck.h"

namespace {

using namespace enginetest;

struct HelixCase {
    const char* name;
    const char* setup;
    Steps start; // program coordinates
    const char* arc;
    bool cw;
    double centre[2];
    Steps end;
    bool fullTurn;
};

class Helix : public ::testing::TestWithParam<HelixCase> {};

TEST_P(Helix, EveryStairWithinTwoStepsOfTheHelix)
{
    const HelixCase& c = GetParam();
    const ArcRun arc = runArc(c.setup, c.start, c.arc);
    const CommandLines& lines = arc.lines;
    const double perUnit = arc.perUnit;
    ASSERT_NE(lines.front(), "error") << c.name;

    MeantArc m;
    m.cw = c.cw;
    m.start = c.start;
    m.end = c.end;
    m.centre[0] = c.centre[0];
    m.centre[1] = c.centre[1];
    m.fullTurn = c.fullTurn;
    const std::vector<Steps>& path = arc.path;
    // Each corner within two steps of the helix, besides the truncation to
    // whole steps; with it, within three.
    EXPECT_LE(worstDistanceFromArc(path, m, perUnit), 2.0) << c.name;
    const PathOnArc on = measureArc(path, m);
    const double step = 1.0 / perUnit;
    EXPECT_LE(on.radial, 3 * step) << c.name;
    EXPECT_LE(on.linear, 3 * step) << c.name;
    EXPECT_NEAR(on.turned, meantSweep(m), 0.01) << c.name;
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(on.last[axis], c.end[axis], step) << c.name << " axis " << axis;
    // Z never goes back along the way by more than the step that a stair's
    // running sum may pass its chord's end by.
    const double down = c.start[2] > c.end[2] ? 1 : -1; // machine Z counts downwards
    for (std::size_t k = 1; k < path.size(); ++k)
        EXPECT_GE((path[k][2] - path[k - 1][2]) * down, -1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Program, Helix,
    ::testing::Values(
        // A ramp entry: a full turn down 3 mm on a 2 mm radius.
        HelixCase{
            "steep, falling", "G17", {0, 0, 0}, "G2X0Y0I2Z-3", true, {2, 0}, {0, 0, -3}, true},
        HelixCase{
            "steep, rising", "G17", {0, 0, -3}, "G3X4Y0I2Z0", false, {2, 0}, {4, 0, 0}, false},
        HelixCase{"shallow, falling",
                  "G17",
                  {0, 0, 1},
                  "G3X20Y20J20Z0.7",
                  false,
                  {0, 20},
                  {20, 20, 0.7},
                  false},
        HelixCase{"shallow, rising",
                  "G17",
                  {10, 0, 0},
                  "G2X-10Y0I-10Z0.2",
                  true,
                  {0, 0},
                  {-10, 0, 0.2},
                  false},
        HelixCase{"thread, incremental",
                  "G91",
                  {5, 5, 0},
                  "G3X0Y0I-1Z-1",
                  false,
                  {4, 5},
                  {5, 5, -1},
                  true},
        HelixCase{"inch",
                  "G20",
                  {0, 0, 0},
                  "G2X0.2Y0I0.1Z-0.05",
                  true,
                  {0.1, 0},
                  {0.2, 0, -0.05},
                  false}));

TEST(Helix, MovesXYAndZTogetherInStairs)
{
    // The drop of a whole chord before its move across is gone: no two
    // height lines in a row are more than a step apart.
    startRun();
    run({"G0X0Y0Z0"});
    const CommandLines lines = run({"G2X0Y0I2Z-3F300"});
    long lastZ = 0;
    int heights = 0;
    for (std::string_view l : lines) {
        long z = 0;
        if (std::sscanf(std::string(l).c_str(), "@ZA %ld;", &z) == 1) {
            EXPECT_LE(std::labs(z - lastZ), 2) << l;
            lastZ = z;
            ++heights;
        }
    }
    EXPECT_EQ(lastZ, 120);
    EXPECT_GE(heights, 100);
}

TEST(Helix, FlatArcsKeepTheirChords)
{
    // The lines this program always gave: only the helices changed.
    startRun();
    machineSettings.arcPrecision = 35;
    const CommandLines lines = run(
        {"G0X0Y0Z0", "G2X10Y0I5F300", "G3X0Y10I-5J5", "G91", "G2X5Y5J5", "G20", "G3X0.1Y0I0.05"});
    const CommandLines expected = {
        "PA 0,0;",      "@ZA 0;",       "VS  4.90;",   "@ZU  4.90;",  "@ZD  4.90;",  "PA 127,186;",
        "PA 347,134;",  "PA 400,0;",    "PA 476,261;", "PA 295,466;", "PA 26,423;",  "PA 0,400;",
        "PA -186,527;", "PA -134,747;", "PA 89,779;",  "PA 200,600;", "PA 291,569;", "PA 301,600;"};
    EXPECT_EQ(lines, expected);
}

TEST(Helix, StairLimitCoversTheWholeHelix)
{
    // Tens of kilometres of helix: refused before anything is written.
    startRun();
    run({"G1X0Y0Z0F100"});
    EXPECT_EQ(dispatchWordGroup("G2X0Y0I20000Z-60000"), CommandLines{"error"});
    EXPECT_EQ(modalState.currentZ, 0.0f);
    // The same circle flat is a plain arc and is cut.
    EXPECT_NE(dispatchWordGroup("G2X0Y0I200"), CommandLines{"error"});
}

} // namespace
