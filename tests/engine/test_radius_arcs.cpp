// Arcs of the radius form (G02/G03 with R instead of centre offsets): the
// centre on the side that R's sign asks for, in the three planes, both
// senses, helical, incremental and in inches, the 0.001 mm tolerance, each
// rejection, and the same command lines as the offsets-form twin.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "tests/engine/ArcCheck.h"

namespace {

using namespace enginetest;

// The centre the standard puts an R arc around, worked out from the chord:
// a G02 arc with R > 0 (at most half a turn) has its centre to the right of
// the way from start to end, a G03 arc to the left; R < 0 swaps the sides.
void standardCentre(MeantArc& m, double r)
{
    const int a = kPlaneOrder[m.plane][0], b = kPlaneOrder[m.plane][1];
    const double d1 = m.end[a] - m.start[a], d2 = m.end[b] - m.start[b];
    const double chord = std::hypot(d1, d2);
    const double h = std::sqrt(std::fmax(0.0, r * r - chord * chord / 4));
    const double right = (m.cw == (r > 0)) ? 1.0 : -1.0;
    m.centre[0] = (m.start[a] + m.end[a]) / 2 + right * h * d2 / chord;
    m.centre[1] = (m.start[b] + m.end[b]) / 2 - right * h * d1 / chord;
}

struct RadiusCase {
    const char* name;
    const char* setup; // plane, units, distance mode
    Steps start;       // program coordinates
    const char* arc;
    int plane;
    bool cw;
    double r;
    Steps end; // program coordinates
};

class RadiusArc : public ::testing::TestWithParam<RadiusCase> {};

TEST_P(RadiusArc, FollowsTheCircleOnTheRightSide)
{
    const RadiusCase& c = GetParam();
    const ArcRun arc = runArc(c.setup, c.start, c.arc);
    const CommandLines& lines = arc.lines;
    const double perUnit = arc.perUnit;
    ASSERT_FALSE(lines.empty());
    ASSERT_NE(lines.front(), "error") << c.name;

    MeantArc m;
    m.plane = c.plane;
    m.cw = c.cw;
    m.start = c.start;
    m.end = c.end;
    standardCentre(m, c.r);
    const PathOnArc on = measureArc(arc.path, m);
    // Truncation to whole steps, the chord tolerance and, where Z moves with
    // X or Y, a stair's corner.
    const double step = 1.0 / perUnit; // one machine step in program units
    const double tolerance = (c.plane == 0 ? 2 : 3) * step;
    EXPECT_LE(on.radial, tolerance) << c.name;
    EXPECT_LE(on.linear, tolerance) << c.name;
    EXPECT_LE(on.turnedBack, tolerance / std::fabs(c.r)) << c.name;
    EXPECT_NEAR(on.turned, meantSweep(m), 0.01) << c.name;
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(on.last[axis], c.end[axis], step) << c.name << " axis " << axis;
}

INSTANTIATE_TEST_SUITE_P(
    Planes, RadiusArc,
    ::testing::Values(
        RadiusCase{"xy quarter cw", "G17", {0, 0, 0}, "G2X10Y10R10", 0, true, 10, {10, 10, 0}},
        RadiusCase{"xy quarter ccw", "G17", {0, 0, 0}, "G3X10Y10R10", 0, false, 10, {10, 10, 0}},
        RadiusCase{
            "xy three quarters cw", "G17", {0, 0, 0}, "G2X10Y10R-10", 0, true, -10, {10, 10, 0}},
        RadiusCase{
            "xy three quarters ccw", "G17", {0, 0, 0}, "G3X10Y10R-10", 0, false, -10, {10, 10, 0}},
        RadiusCase{"xy half cw", "G17", {0, 0, 0}, "G2X10Y0R5", 0, true, 5, {10, 0, 0}},
        RadiusCase{"xy half ccw", "G17", {0, 0, 0}, "G3X10Y0R5", 0, false, 5, {10, 0, 0}},
        RadiusCase{"xz quarter cw", "G18", {0, 0, 0}, "G2X10Z10R10", 1, true, 10, {10, 0, 10}},
        RadiusCase{"xz quarter ccw", "G18", {0, 0, 0}, "G3X10Z10R10", 1, false, 10, {10, 0, 10}},
        RadiusCase{
            "xz three quarters cw", "G18", {0, 0, 0}, "G2X10Z10R-10", 1, true, -10, {10, 0, 10}},
        RadiusCase{"xz half ccw", "G18", {0, 0, 0}, "G3X10Z0R5", 1, false, 5, {10, 0, 0}},
        RadiusCase{"yz quarter cw", "G19", {0, 0, 0}, "G2Y10Z10R10", 2, true, 10, {0, 10, 10}},
        RadiusCase{"yz quarter ccw", "G19", {0, 0, 0}, "G3Y10Z10R10", 2, false, 10, {0, 10, 10}},
        RadiusCase{
            "yz three quarters ccw", "G19", {0, 0, 0}, "G3Y10Z10R-10", 2, false, -10, {0, 10, 10}},
        RadiusCase{"yz half cw", "G19", {0, 0, 0}, "G2Y-10Z0R5", 2, true, 5, {0, -10, 0}},
        RadiusCase{"xy helix", "G17", {0, 0, 2}, "G2X10Y10Z-1R10", 0, true, 10, {10, 10, -1}},
        RadiusCase{"xz helix", "G18", {0, 5, 0}, "G3X10Z10Y3R-10", 1, false, -10, {10, 3, 10}},
        RadiusCase{
            "xy incremental", "G91", {20, 20, 0}, "G3X-10Y-10R10", 0, false, 10, {10, 10, 0}},
        RadiusCase{"yz incremental", "G19G91", {3, 4, 5}, "G2Y6Z-6R-6", 2, true, -6, {3, 10, -1}},
        RadiusCase{"xy inch", "G20", {0, 0, 0}, "G2X1Y1R1", 0, true, 1, {1, 1, 0}},
        RadiusCase{
            "xz inch three quarters", "G18G20", {0, 0, 0}, "G2X1Z1R-1", 1, true, -1, {1, 0, 1}},
        RadiusCase{"radius within 0.001 mm short of the half chord",
                   "G17",
                   {0, 0, 0},
                   "G2X10Y0R4.9991",
                   0,
                   true,
                   5,
                   {10, 0, 0}},
        RadiusCase{"inch radius within 0.001 mm short",
                   "G20",
                   {0, 0, 0},
                   "G3X1Y0R0.49997",
                   0,
                   false,
                   0.5,
                   {1, 0, 0}},
        // An offset of another plane is not a centre of this one.
        RadiusCase{"xy with K", "G17", {0, 0, 0}, "G2X10Y10K3R10", 0, true, 10, {10, 10, 0}}));

TEST(RadiusArc, OffsetsWinOverR)
{
    // Stored programs that carry both keep their output: R is not read.
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
        {"G2X10Y0I5", {"G17", "G2X10Y0I5R-3"}},
        {"G3X10Z0K5", {"G18", "G3X10Z0K5R7"}},
        {"G2Y10Z0J5", {"G19", "G2Y10Z0J5R1"}},
    };
    for (const auto& [offsets, withR] : cases) {
        startRun();
        run({withR[0]});
        const CommandLines expected = run({offsets});
        startRun();
        EXPECT_EQ(run(withR), expected) << withR[1];
    }
}

TEST(RadiusArc, RejectedBeforeAnythingChanges)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"G17", "G2X2Y1R0F300"},           // zero radius
        {"G17", "G2X2Y1RF300"},            // R without a number
        {"G17", "G2X1Y1Z5R3F300"},         // end on the start point (Z alone moves)
        {"G91", "G3X0Y0R3F300"},           // incremental zero move
        {"G17", "G2X11Y1R4.998F300"},      // 0.002 mm short of half the chord
        {"G20", "G2X0.43937R0.19995F300"}, // 0.0013 mm short, in inches
        {"G18", "G3X11Z10R-4.99F300"},     // short, negative
        {"G17", "G2X11Y1R60000000F300"},   // circle far outside the step range
        {"G19", "G2Y11Z10R-60000000F300"},
        {"G17", "G2X60000000Y1R40000000F300"}, // target outside the step range
    };
    for (const auto& [setup, group] : cases) {
        startRun();
        run({"G1X1Y1Z0", setup});
        const ModalState before = modalState;
        const std::size_t segments = trajectoryStore->segmentCount();
        EXPECT_EQ(dispatchWordGroup(group), CommandLines{"error"}) << group;
        EXPECT_EQ(modalState.currentX, before.currentX) << group;
        EXPECT_EQ(modalState.currentY, before.currentY) << group;
        EXPECT_EQ(modalState.currentZ, before.currentZ) << group;
        EXPECT_EQ(modalState.feedRate, before.feedRate) << group;
        EXPECT_EQ(modalState.currentSpeed, before.currentSpeed) << group;
        EXPECT_EQ(modalState.motionMode, kMotionUntranslated) << group;
        EXPECT_EQ(trajectoryStore->segmentCount(), segments) << group;
    }
}

TEST(RadiusArc, ReportedWithItsLineAndTheRestTranslated)
{
    auto r = convert({"G0 X0 Y0", "G2 X1 Y0 R0.4", "G1 X2 F100"});
    ASSERT_EQ(r.ignored.size(), 1u);
    EXPECT_EQ(r.ignored[0], (std::pair<int, std::string>{1, "G2X1Y0R0.4"}));
    EXPECT_EQ(r.lineMap[1], -1);
    EXPECT_EQ(r.lines.back(), "PA 80,0;");
}

// ---- the offsets-form twin --------------------------------------------------

class ArcGenerator {
  public:
    explicit ArcGenerator(uint32_t seed) : rng(seed) {}
    double uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); }
    int pick(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng); }

  private:
    std::mt19937 rng;
};

std::string number(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

std::string exactNumber(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

struct TwinRun {
    CommandLines lines;
    float x, y, z;
    std::vector<tpoint1> path;
};

TwinRun runFrom(const std::vector<std::string>& setup, float x, float y, float z,
                const std::string& group)
{
    startRun();
    run(setup);
    modalState.currentX = x;
    modalState.currentY = y;
    modalState.currentZ = z;
    TwinRun t;
    t.lines = run({group});
    t.x = modalState.currentX;
    t.y = modalState.currentY;
    t.z = modalState.currentZ;
    t.path.assign(trajectoryStore->allPoints().begin(), trajectoryStore->allPoints().end());
    return t;
}

TEST(RadiusArc, SameLinesAsItsOffsetsFormTwin)
{
    ArcGenerator gen(1105);
    const char* const planes[] = {"G17", "G18", "G19"};
    const char letters[3][2] = {{'X', 'Y'}, {'X', 'Z'}, {'Y', 'Z'}};
    const char offsets[3][2] = {{'I', 'J'}, {'I', 'K'}, {'J', 'K'}};
    int compared = 0, large = 0;
    for (int n = 0; n < 400; ++n) {
        const int plane = gen.pick(0, 2);
        const bool inch = gen.pick(0, 3) == 0;
        const bool incremental = gen.pick(0, 2) == 0;
        const bool cw = gen.pick(0, 1) == 0;
        const double scale = inch ? 0.1 : 3.0;
        const std::vector<std::string> setup = {planes[plane], inch ? "G20" : "G21",
                                                incremental ? "G91" : "G90"};
        const auto x0 = static_cast<float>(std::trunc(gen.uniform(-2000, 2000)) + 0.25);
        const auto y0 = static_cast<float>(std::trunc(gen.uniform(-2000, 2000)));
        const auto z0 = static_cast<float>(std::trunc(gen.uniform(-800, 800)) + 0.5);
        // The start in program units along the plane's two axes, as the
        // words see it.
        const double perUnit = 40.0 * (inch ? 25.4f : 1.0f);
        const double start[3] = {x0 / perUnit, y0 / perUnit, -z0 / perUnit};
        const int axes[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        double chordParts[2];
        std::string words = cw ? "G2" : "G3";
        for (int k = 0; k < 2; ++k) {
            const double move = gen.uniform(-10, 10) * scale;
            const double s0 = start[axes[plane][k]];
            const std::string text = number(incremental ? move : s0 + move);
            words += letters[plane][k] + text;
            chordParts[k] = incremental ? std::stod(text) : std::stod(text) - s0;
        }
        const double chord = std::hypot(chordParts[0], chordParts[1]);
        double r = chord / 2 * gen.uniform(1.0, 4.0);
        if (gen.pick(0, 9) == 0)
            r = chord / 2 * 1.000001; // half a turn
        if (gen.pick(0, 1) == 0)
            r = -r;
        if (gen.pick(0, 2) == 0) // a helix along the third axis
            words += std::string(1, "ZYX"[plane]) + number(gen.uniform(-3, 3) * scale);
        words += "F" + std::to_string(gen.pick(100, 900));
        char rText[64];
        std::snprintf(rText, sizeof rText, "%.6f", r);
        const std::string radiusGroup = words + "R" + rText;

        // The offsets the radius form finds, from the same state.
        startRun();
        run(setup);
        modalState.currentX = x0;
        modalState.currentY = y0;
        modalState.currentZ = z0;
        const bool rel = incremental;
        double v = 0;
        float tx = x0, ty = y0, tz = z0;
        if (findWord(radiusGroup, 'X', v))
            tx = convertX(v, rel, x0);
        if (findWord(radiusGroup, 'Y', v))
            ty = convertY(v, rel, y0);
        if (findWord(radiusGroup, 'Z', v))
            tz = convertZ(v, rel, z0);
        double o1 = 0, o2 = 0;
        if (!radiusArcOffsets(std::stod(rText), tx, ty, tz, cw, o1, o2))
            continue; // a chord rounded to nothing, or R rounded short of it
        const std::string i = exactNumber(o1), j = exactNumber(o2);
        if (i.find('e') != std::string::npos || j.find('e') != std::string::npos)
            continue; // the reader takes no exponent
        const std::string twinGroup = words + offsets[plane][0] + i + offsets[plane][1] + j;

        const TwinRun viaR = runFrom(setup, x0, y0, z0, radiusGroup);
        const TwinRun viaOffsets = runFrom(setup, x0, y0, z0, twinGroup);
        ASSERT_NE(viaR.lines.front(), "error") << radiusGroup;
        EXPECT_EQ(viaR.lines, viaOffsets.lines) << radiusGroup << " / " << twinGroup;
        EXPECT_EQ(viaR.x, viaOffsets.x);
        EXPECT_EQ(viaR.y, viaOffsets.y);
        EXPECT_EQ(viaR.z, viaOffsets.z);
        ASSERT_EQ(viaR.path.size(), viaOffsets.path.size()) << radiusGroup;
        for (std::size_t p = 0; p < viaR.path.size(); ++p)
            ASSERT_TRUE(viaR.path[p].x == viaOffsets.path[p].x &&
                        viaR.path[p].y == viaOffsets.path[p].y &&
                        viaR.path[p].z == viaOffsets.path[p].z)
                << radiusGroup;
        ++compared;
        large += r < 0 ? 1 : 0;
    }
    EXPECT_GT(compared, 350);
    EXPECT_GT(large, 150);
}

} // namespace
