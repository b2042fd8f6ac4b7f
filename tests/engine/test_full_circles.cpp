// Full circles: an arc of the offsets form that ends where it starts (the
// program repeats the start point, or leaves the plane's words out) turns
// once, in the three planes, both senses, helical and incremental.
#include <gtest/gtest.h>

#include "tests/engine/ArcCheck.h"

namespace {

using namespace enginetest;

struct CircleCase {
    const char* name;
    const char* setup; // plane, units, distance mode
    Steps start;       // program coordinates
    const char* arc;
    int plane;
    bool cw;
    double centre[2]; // along the plane's first and second axes (Z, X in G18)
    Steps end;
};

class FullCircle : public ::testing::TestWithParam<CircleCase> {};

TEST_P(FullCircle, TurnsOnce)
{
    const CircleCase& c = GetParam();
    const ArcRun arc = runArc(c.setup, c.start, c.arc);
    const CommandLines& lines = arc.lines;
    const double perUnit = arc.perUnit;
    ASSERT_NE(lines.front(), "error") << c.name;

    MeantArc m;
    m.plane = c.plane;
    m.cw = c.cw;
    m.start = c.start;
    m.end = c.end;
    m.centre[0] = c.centre[0];
    m.centre[1] = c.centre[1];
    m.fullTurn = true;
    const PathOnArc on = measureArc(arc.path, m);
    const double step = 1.0 / perUnit;
    const bool stepped = c.plane != 0 || c.start[2] != c.end[2];
    const double tolerance = (stepped ? 3 : 2) * step;
    EXPECT_LE(on.radial, tolerance) << c.name;
    EXPECT_LE(on.linear, tolerance) << c.name;
    EXPECT_NEAR(on.turned, c.cw ? -2 * M_PI : 2 * M_PI, 0.01) << c.name;
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(on.last[axis], c.end[axis], step) << c.name << " axis " << axis;
    // The circle is drawn in the preview too.
    EXPECT_GT(trajectoryStore->pointCount(), 20u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Planes, FullCircle,
    ::testing::Values(
        CircleCase{
            "xy cw, start repeated", "G17", {0, 0, 0}, "G2X0Y0I5J0", 0, true, {5, 0}, {0, 0, 0}},
        CircleCase{
            "xy ccw, start repeated", "G17", {3, 4, 0}, "G3X3Y4J-2", 0, false, {3, 2}, {3, 4, 0}},
        CircleCase{
            "xy plane words left out", "G17", {1, 1, 2}, "G2I-1J-1", 0, true, {0, 0}, {1, 1, 2}},
        CircleCase{"xy incremental X0 Y0",
                   "G91",
                   {20, 20, 0},
                   "G3X0Y0I5",
                   0,
                   false,
                   {25, 20},
                   {20, 20, 0}},
        CircleCase{"xy helix down", "G17", {0, 0, 0}, "G2I5Z-2", 0, true, {5, 0}, {0, 0, -2}},
        CircleCase{"xy helix up, incremental",
                   "G91",
                   {0, 0, -3},
                   "G3J4Z1.5",
                   0,
                   false,
                   {0, 4},
                   {0, 0, -1.5}},
        CircleCase{"xy inch", "G20", {0, 0, 0}, "G3I0.5", 0, false, {0.5, 0}, {0, 0, 0}},
        CircleCase{"xz cw", "G18", {0, 0, 0}, "G2X0Z0I5", 1, true, {0, 5}, {0, 0, 0}},
        CircleCase{
            "xz ccw, words left out", "G18", {2, 0, 1}, "G3K-3", 1, false, {-2, 2}, {2, 0, 1}},
        CircleCase{"xz helix", "G18", {0, 0, 0}, "G2K4Y3", 1, true, {4, 0}, {0, 3, 0}},
        CircleCase{"yz cw", "G19", {0, 0, 0}, "G2Y0Z0J5", 2, true, {5, 0}, {0, 0, 0}},
        CircleCase{"yz ccw, words left out", "G19", {0, 1, 1}, "G3K2", 2, false, {1, 3}, {0, 1, 1}},
        CircleCase{"yz helix, incremental",
                   "G19G91",
                   {0, 0, 0},
                   "G2J-3X-2",
                   2,
                   true,
                   {-3, 0},
                   {-2, 0, 0}}));

TEST(FullCircle, ModalLineWithoutOffsetsIsRefused)
{
    // Neither offsets nor R: no circle to follow; LinuxCNC refuses the block
    // too. Nothing moves.
    startRun();
    const CommandLines lines = run({"G2X10Y0I5F300", "Z-1"});
    EXPECT_EQ(lines.back(), "error");
    EXPECT_EQ(modalState.currentZ, -400.0f);
}

TEST(FullCircle, WholeCircleMustFitTheStepRange)
{
    // The far side of the circle would leave the controller's 32-bit range
    // even though the start and end points are well inside it.
    for (const char* plane : {"G17", "G18", "G19"}) {
        startRun();
        run({plane, "G1X0Y0Z0F100"});
        const std::size_t segments = trajectoryStore->segmentCount();
        EXPECT_EQ(dispatchWordGroup("G2I-30000000J-30000000K-30000000"), CommandLines{"error"})
            << plane;
        EXPECT_EQ(trajectoryStore->segmentCount(), segments);
        EXPECT_EQ(modalState.currentX, 0.0f);
    }
}

} // namespace
