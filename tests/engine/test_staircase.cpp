// Staircases: a move that changes Z together with X or Y, replayed as the
// controller moves, must stay within two steps of the programmed line, also
// when one of X and Y moves far fewer steps than the other two (a nearly
// axis-parallel 3D move).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/EngineTestUtil.h"
#include "tests/engine/MachinePath.h"

namespace {

using enginetest::distanceToSegment;
using enginetest::machinePath;
using enginetest::Steps;

struct StairCase {
    const char* name;
    Steps from; // machine steps
    Steps to;
    int64_t stairs; // X/Y together count once: min(max(Nx, Ny), Nz), else the non-zero one
};

class Staircase : public ::testing::TestWithParam<StairCase> {};

TEST_P(Staircase, StaysWithinTwoStepsOfTheLine)
{
    const StairCase& c = GetParam();
    enginetest::startRun();
    modalState.currentX = static_cast<float>(c.from[0]);
    modalState.currentY = static_cast<float>(c.from[1]);
    modalState.currentZ = static_cast<float>(c.from[2]);
    const auto x = static_cast<float>(c.to[0]);
    const auto y = static_cast<float>(c.to[1]);
    const auto z = static_cast<float>(c.to[2]);
    EXPECT_EQ(stairCount(x, y, z), c.stairs) << c.name;

    CommandLines lines;
    beginSegment(kKindFeed);
    writeSteppedMove(lines, x, y, z);
    currentSegment.reset();

    const Steps start = {std::trunc(c.from[0]), std::trunc(c.from[1]), std::trunc(c.from[2])};
    const std::vector<Steps> path = machinePath(lines, start);
    double worst = 0;
    for (const Steps& p : path)
        worst = std::max(worst, distanceToSegment(p, c.from, c.to));
    EXPECT_LE(worst, 2.0) << c.name;
    const Steps end = {std::trunc(c.to[0]), std::trunc(c.to[1]), std::trunc(c.to[2])};
    EXPECT_EQ(path.back(), end) << c.name;
    EXPECT_EQ(modalState.currentX, x);
    EXPECT_EQ(modalState.currentZ, z);
    // Every stair but the last moves both X/Y and Z: the stairs are never
    // coarser than the written lines show.
    EXPECT_LE(lines.size(), static_cast<std::size_t>(2 * c.stairs + 2)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Moves, Staircase,
                         ::testing::Values(
                             // One step of X with many of Y and Z: one stair before, now forty.
                             StairCase{"one X step, rising", {0, 0, 0}, {1, 400, -40}, 40},
                             StairCase{"one X step, falling", {0, 0, 0}, {1, 400, 40}, 40},
                             StairCase{"one Y step, rising", {100, 50, 200}, {-300, 51, 150}, 50},
                             StairCase{"one Y step, falling, off the whole steps",
                                       {10.5f, -3.25f, -7.75f},
                                       {-389.5f, -4.5f, 52.6f},
                                       60},
                             StairCase{"X and Y diagonal, fewer Z", {0, 0, 0}, {100, 100, 10}, 10},
                             StairCase{"Z steeper than X/Y", {0, 0, 0}, {10, 3, 200}, 10},
                             StairCase{"less than a step of Z", {0, 0, 0.2f}, {50, 7, 0.9f}, 50},
                             StairCase{"Z alone", {0, 0, 0}, {0, 0, 30}, 30},
                             StairCase{"X alone with Z", {0, 0, 0}, {400, 0, 40}, 40},
                             StairCase{"long shallow ramp", {0, 0, 0}, {4000, 37, -3}, 3},
                             // Metre-long ramps in every direction: stair k
                             // is the start plus k increments, never a sum
                             // that drifts off the line.
                             StairCase{"1 m, +X +Y, down", {400, 400, -400}, {40400, 28400, 0}, 400},
                             StairCase{"1 m, -X +Y, up", {40000, 400, 40}, {0, 30400, -4000}, 4040},
                             StairCase{"1 m, -X -Y, down", {40000.3f, 30000.7f, -2.5f},
                                       {0.3f, 0.7f, 17000.5f}, 17003},
                             StairCase{"1 m, +X -Y, up", {-20000, 20000, 100}, {20000, -1000, 0}, 100},
                             StairCase{"1 m along Y, down", {5, -20000, 0}, {5, 20000, 40}, 40},
                             StairCase{"1 m along X, up", {20000, 5, 0}, {-20000, 5, -39999}, 39999},
                             StairCase{"1 m Z, little X/Y", {0, 0, -20000}, {30, -17, 20000}, 30}));

TEST(Staircase, OtherStepsPerMillimetreOnZ)
{
    // A 3 mm screw on Z: 66 steps per millimetre, 200 motor steps per turn,
    // so 0.99 machine step per motor step. The stairs are still within two
    // steps of the line, in machine steps of each axis.
    enginetest::startRun();
    machineSettings.screwPitchZ = 3.0f;
    machineSettings.stepsPerMmZ = 66.0f;
    modalState.currentX = 0;
    modalState.currentY = 0;
    modalState.currentZ = 0;
    CommandLines lines;
    beginSegment(kKindFeed);
    writeSteppedMove(lines, 1, 300, 66);
    currentSegment.reset();
    double worst = 0;
    for (const Steps& p : machinePath(lines, {0, 0, 0}))
        worst = std::max(worst, distanceToSegment(p, {0, 0, 0}, {1, 300, 66}));
    EXPECT_LE(worst, 2.0);
    EXPECT_GE(lines.size(), 100u);
}

TEST(Staircase, NearlyAxisParallelMoveOfAProgram)
{
    // G1 from (0, 0, 0) to X 0.025 Y 10 Z -1: one step of X, 400 of Y, 40 of
    // Z. The whole move was one stair: all of Y at the old height, then all
    // of Z, gouging the slope by a millimetre.
    enginetest::startRun();
    enginetest::run({"G0X0Y0Z0"});
    const CommandLines lines = enginetest::run({"G1X0.025Y10Z-1"});
    const std::vector<Steps> path = machinePath(lines, {0, 0, 0});
    ASSERT_EQ(path.back(), (Steps{1, 400, 40}));
    double worst = 0;
    for (const Steps& p : path)
        worst = std::max(worst, distanceToSegment(p, {0, 0, 0}, {1, 400, 40}));
    EXPECT_LE(worst, 2.0);
    EXPECT_EQ(lines[3], "PA 0,10;");
    EXPECT_EQ(lines[4], "@ZA 1;");
}

} // namespace
