// G02/G03: the half circle everybody checks first, the degenerate arcs, and
// the geometry of the chords in all three planes measured against the
// circle itself, in program coordinates and with the standard's sense of
// rotation (clockwise seen from +Z, +Y, +X).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tests/engine/EngineTestUtil.h"

namespace {

using enginetest::run;
using enginetest::startRun;

const CommandLines kFeed52 = {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;"};

CommandLines positionLines(const CommandLines& lines)
{
    CommandLines pa;
    for (std::string_view l : lines)
        if (l.starts_with("PA "))
            pa.push_back(l);
    return pa;
}

void readPosition(std::string_view line, int& x, int& y)
{
    const std::string text(line);
    ASSERT_EQ(std::sscanf(text.c_str(), "PA %d,%d;", &x, &y), 2) << line;
}

TEST(Arc, HalfCircleOfTheManual)
{
    for (bool cw : {true, false}) {
        startRun();
        CommandLines lines = run({cw ? "G2X10Y0I5J0" : "G3X10Y0I5J0"});
        ASSERT_EQ(CommandLines(lines.begin(), lines.begin() + 3), kFeed52);
        CommandLines pa = positionLines(lines);
        ASSERT_EQ(pa.size(), 32u);
        EXPECT_EQ(lines.size(), 35u);
        EXPECT_EQ(pa.front(), cw ? "PA 0,19;" : "PA 0,-19;");
        EXPECT_EQ(pa.back(), "PA 400,0;");
        for (std::string_view l : pa) {
            int x = 0, y = 0;
            readPosition(l, x, y);
            EXPECT_TRUE(cw ? y >= 0 : y <= 0) << l;
        }
        EXPECT_EQ(modalState.currentX, 400.0f);
        ASSERT_EQ(trajectoryStore->getSegments().size(), 1u);
        EXPECT_EQ(trajectoryStore->getSegments()[0].getKind(), kKindFeed);
        EXPECT_EQ(trajectoryStore->getSegments()[0].getPoints().size(), 33u);
    }
}

struct ArcCase {
    const char* name;
    std::vector<std::string> groups;
    CommandLines lines; // after the three feed lines of the first arc
    float precision = 0.25f;
};

class ArcLines : public ::testing::TestWithParam<ArcCase> {};

TEST_P(ArcLines, Written)
{
    startRun();
    machineSettings.arcPrecision = GetParam().precision;
    CommandLines lines = run(GetParam().groups);
    ASSERT_GE(lines.size(), 3u);
    ASSERT_EQ(CommandLines(lines.begin(), lines.begin() + 3), kFeed52);
    EXPECT_EQ(CommandLines(lines.begin() + 3, lines.end()), GetParam().lines) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Degenerate, ArcLines,
    ::testing::Values(
        ArcCase{
            "end on the start point turns once",
            {"G2X0Y0I5J0"},
            {"PA 127,186;", "PA 347,134;", "PA 379,-89;", "PA 181,-199;", "PA 7,-54;", "PA 0,0;"},
            35},
        ArcCase{"radius not above the precision", {"G2X10Y0I5"}, {"PA 400,0;", "PA 400,0;"}, 300},
        ArcCase{
            "precision far below the radius", {"G2X10Y0I5"}, {"PA 400,0;", "PA 400,0;"}, 1e-20f},
        ArcCase{
            "helix chords are staircases",
            {"G3X10Y0I5Z9.9"},
            {"PA 127,-186;", "@ZA -398;", "PA 347,-134;", "@ZA -396;", "PA 400,0;", "@ZA -396;"},
            35},
        ArcCase{"modal continuation",
                {"G2X0Y0I5", "Y10J5"},
                {"PA 0,0;", "PA 0,0;", "PA 0,400;", "PA 0,400;"},
                1e9f}));

TEST(Arc, WithoutCentreIsRefusedAndChangesNothing)
{
    // Neither an offset of the plane nor R: no circle to follow. Cut as a
    // chord it cut the corner; LinuxCNC refuses such a block.
    const std::vector<std::vector<std::string>> cases = {
        {"G2X0Y10"}, {"G3X5Y5K2"}, {"G18", "G2X10Z-1J5"}, {"G19", "G3Y10Z-1I5"}, {"G2X1Y0I5", "X4Y4"}};
    for (const auto& groups : cases) {
        startRun();
        run({"G1X1F100"});
        run(std::vector<std::string>(groups.begin(), groups.end() - 1));
        const ModalState before = modalState;
        EXPECT_EQ(dispatchWordGroup(groups.back()), CommandLines{"error"}) << groups.back();
        EXPECT_EQ(lastGroupReason(), ReportReason::ArcWithoutCentre) << groups.back();
        // A refused G2 or G3 leaves a mode that nothing continues; a refused
        // line of coordinates leaves the mode as it was.
        const bool code = groups.back()[0] == 'G';
        EXPECT_EQ(modalState.motionMode, code ? kMotionUntranslated : before.motionMode)
            << groups.back();
        EXPECT_EQ(modalState.currentX, before.currentX) << groups.back();
        EXPECT_EQ(modalState.currentY, before.currentY) << groups.back();
    }
}

TEST(Arc, UnknownPlaneFallsBackToItsMessage)
{
    for (bool cw : {true, false}) {
        startRun();
        modalState.plane = 3;
        CommandLines lines;
        ASSERT_TRUE(cw ? arcMoveCW("G2X10I5", lines) : arcMoveCCW("G3X10I5", lines));
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[3], cw ? "G02 dans ce cas non traite" : "G03 dans ce cas non trait?");
        EXPECT_EQ(modalState.currentX, 0.0f);
        EXPECT_TRUE(trajectoryStore->getSegments().empty());
        EXPECT_FALSE(currentSegment);
    }
}

TEST(Arc, OutOfStepRangeIsRejectedUnchanged)
{
    // Target, centre, and circles whose far side leaves the 32-bit range.
    const std::vector<std::pair<const char*, const char*>> cases = {{"G17", "G2X60000000"},
                                                                    {"G17", "G2I60000000"},
                                                                    {"G17", "G3I30000000"},
                                                                    {"G18", "G2K-30000000"},
                                                                    {"G19", "G3J30000000"}};
    for (const auto& [plane, group] : cases) {
        startRun();
        run({plane, "G1X1"});
        const ModalState before = modalState;
        EXPECT_EQ(run({group}), CommandLines{"error"}) << group;
        EXPECT_EQ(modalState.currentX, before.currentX);
        EXPECT_EQ(modalState.currentSpeed, before.currentSpeed);
        EXPECT_EQ(modalState.motionMode, kMotionUntranslated);
        EXPECT_EQ(trajectoryStore->getSegments().size(), 1u);
    }
}

// An offsets-form arc whose end point is off the circle of its start point
// is refused when the two radii differ by more than 0.05 mm and by more than
// a thousandth of the start radius. The groups start at the origin, tool at
// Z 0 (after the setup groups).
struct OffCircleCase {
    const char* name;
    std::vector<std::string> setup;
    const char* arc;
    bool accepted;
};

class OffCircle : public ::testing::TestWithParam<OffCircleCase> {};

TEST_P(OffCircle, RefusedBeyondBothBounds)
{
    const OffCircleCase& c = GetParam();
    startRun();
    run({"G0Z0"});
    run(c.setup);
    const ModalState before = modalState;
    const std::size_t segments = trajectoryStore->getSegments().size();
    const CommandLines lines = run({c.arc});
    if (c.accepted) {
        ASSERT_FALSE(lines.empty()) << c.name;
        EXPECT_NE(lines.front(), "error") << c.name;
        EXPECT_EQ(trajectoryStore->getSegments().size(), segments + 1) << c.name;
        return;
    }
    EXPECT_EQ(lines, CommandLines{"error"}) << c.name;
    EXPECT_EQ(modalState.currentX, before.currentX) << c.name;
    EXPECT_EQ(modalState.currentY, before.currentY) << c.name;
    EXPECT_EQ(modalState.currentZ, before.currentZ) << c.name;
    EXPECT_EQ(modalState.currentSpeed, before.currentSpeed) << c.name;
    EXPECT_EQ(modalState.motionMode, std::string(c.arc)[0] == 'G' ? kMotionUntranslated
                                                                   : before.motionMode)
        << c.name;
    EXPECT_EQ(trajectoryStore->getSegments().size(), segments) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Radii, OffCircle,
    ::testing::Values(
        OffCircleCase{"r 5, end 0.025 mm out", {}, "G2X10Y.5I5J0", true},
        OffCircleCase{"r 5, end 0.1 mm out", {}, "G2X10Y1I5J0", false},
        OffCircleCase{
            "the calibration program's arc, 1.4 mm out", {"G0X20Y-21"}, "G3X21Y-20I20J21", false},
        OffCircleCase{"r 100, 0.08 mm out: within a thousandth", {}, "G3X200Y4I100J0", true},
        OffCircleCase{"r 100, 0.12 mm out", {}, "G3X200Y5I100J0", false},
        OffCircleCase{"r 1, 0.044 mm out: within 0.05 mm", {}, "G2X2Y.3I1J0", true},
        OffCircleCase{"r 1, 0.077 mm out", {}, "G2X2Y.4I1J0", false},
        OffCircleCase{"the same words in millimetres", {}, "G2X2Y.08I1J0", true},
        OffCircleCase{"inch: 0.0032 in is 0.08 mm", {"G20"}, "G2X2Y.08I1J0", false},
        OffCircleCase{"inch: 0.00125 in is 0.03 mm", {"G20"}, "G2X2Y.05I1J0", true},
        OffCircleCase{"incremental, on the circle", {"G91"}, "G2X10Y.5I5J0", true},
        OffCircleCase{"incremental, off it", {"G91"}, "G2X10Y1I5J0", false},
        OffCircleCase{"XZ on the circle", {"G18"}, "G2X10Z.5I5K0", true},
        OffCircleCase{"XZ off it", {"G18"}, "G2X10Z1I5K0", false},
        OffCircleCase{"YZ on the circle", {"G19"}, "G3Y10Z.5J5K0", true},
        OffCircleCase{"YZ off it", {"G19"}, "G3Y10Z-1J5K0", false},
        OffCircleCase{"the plane's axes only: a helix", {}, "G2X10Y.5Z-8I5J0", true},
        OffCircleCase{"helix off its circle", {}, "G2X10Y1Z-8I5J0", false},
        OffCircleCase{"full circle", {}, "G2I5J0", true},
        OffCircleCase{"helical full circle", {}, "G3X0Y0Z-2I0J-5", true},
        OffCircleCase{"zero offsets, end elsewhere", {}, "G2X10I0J0", false},
        OffCircleCase{"modal continuation off the circle", {"G2X10I5"}, "X20Y1I5", false},
        OffCircleCase{"radius form is not checked this way", {}, "G2X10Y1R5.1", true},
        OffCircleCase{"no offsets and no radius: no centre", {}, "G2X10", false}));

TEST(Arc, ChordCountIsBoundedForATinyPrecision)
{
    startRun();
    machineSettings.arcPrecision = 1e-6f;
    CommandLines lines = run({"G2X10000Y0I5000"});
    EXPECT_LE(positionLines(lines).size(), 250001u);
    EXPECT_GT(positionLines(lines).size(), 1000u);
    EXPECT_EQ(lines.back(), "PA 400000,0;");
}

// ---- geometry -----------------------------------------------------------

struct Geometry {
    const char* name;
    const char* setup; // plane, units, distance mode
    const char* arc;
    double start[3];  // program units
    double centre[3]; // program units; the linear axis entry unused
    double end[3];
    int plane; // 0 XY, 1 XZ, 2 YZ
    bool cw;
};

// Axes of each plane in the standard's right-handed order.
constexpr int kAxes[3][3] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};

class ArcGeometry : public ::testing::TestWithParam<Geometry> {};

TEST_P(ArcGeometry, ChordsFollowTheCircle)
{
    const Geometry& g = GetParam();
    startRun();
    run({g.setup});
    const double mm = 40.0 * modalState.unitFactor; // steps per program unit
    modalState.currentX = static_cast<float>(g.start[0] * mm);
    modalState.currentY = static_cast<float>(g.start[1] * mm);
    modalState.currentZ = static_cast<float>(-g.start[2] * mm);
    CommandLines lines = run({g.arc});
    ASSERT_NE(lines.front(), "error");

    const int a = kAxes[g.plane][0], b = kAxes[g.plane][1], n = kAxes[g.plane][2];
    const double r = std::hypot(g.start[a] - g.centre[a], g.start[b] - g.centre[b]) * mm;
    auto angleOf = [&](const double p[3]) {
        return std::atan2(p[b] * mm - g.centre[b] * mm, p[a] * mm - g.centre[a] * mm);
    };
    double sweep = angleOf(g.end) - angleOf(g.start);
    if (g.cw && sweep > 0)
        sweep -= 2 * M_PI;
    if (!g.cw && sweep < 0)
        sweep += 2 * M_PI;

    // Recorded points back in program steps (the store negates Z).
    const auto& segs = trajectoryStore->getSegments();
    ASSERT_EQ(segs.size(), 1u);
    double last = angleOf(g.start), turned = 0, linear = g.start[n] * mm;
    double prev[3] = {g.start[0] * mm, g.start[1] * mm, g.start[2] * mm};
    for (const tpoint1& p : segs[0].getPoints()) {
        const double q[3] = {p.x / 0.025, p.y / 0.025, p.z / 0.025};
        const double u = q[a] - g.centre[a] * mm, v = q[b] - g.centre[b] * mm;
        EXPECT_LE(std::hypot(u, v), r + 1e-3) << g.name;
        EXPECT_GE(std::hypot(u, v), r - 0.25 - 1e-3) << g.name;
        // Chords never cut deeper into the circle than the precision.
        const double mu = (q[a] + prev[a]) / 2 - g.centre[a] * mm;
        const double mv = (q[b] + prev[b]) / 2 - g.centre[b] * mm;
        EXPECT_GE(std::hypot(mu, mv), r - 0.25 - 1e-3) << g.name;
        double d = std::remainder(std::atan2(v, u) - last, 2 * M_PI);
        EXPECT_TRUE(g.cw ? d <= 1e-6 : d >= -1e-6) << g.name << " turns back by " << d;
        turned += d;
        last = std::atan2(v, u);
        const double towards = (g.end[n] - g.start[n]) * (q[n] - linear);
        EXPECT_GE(towards, -1e-3) << g.name << " linear axis goes back";
        linear = q[n];
        std::copy(q, q + 3, prev);
    }
    EXPECT_NEAR(turned, sweep, 1e-3) << g.name;
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(prev[axis], g.end[axis] * mm, 1e-3) << g.name;
    EXPECT_FLOAT_EQ(modalState.currentX, static_cast<float>(g.end[0] * mm));
    EXPECT_FLOAT_EQ(modalState.currentY, static_cast<float>(g.end[1] * mm));
    EXPECT_FLOAT_EQ(modalState.currentZ, static_cast<float>(-g.end[2] * mm));
}

INSTANTIATE_TEST_SUITE_P(
    Planes, ArcGeometry,
    ::testing::Values(
        Geometry{"xy quarter cw", "G17", "G2X5Y5I5", {0, 0, 0}, {5, 0, 0}, {5, 5, 0}, 0, true},
        Geometry{
            "xy three quarters ccw", "G17", "G3X5Y5I5", {0, 0, 0}, {5, 0, 0}, {5, 5, 0}, 0, false},
        Geometry{
            "xy helix", "G17", "G2X30Y10Z-2J-10", {20, 20, 1}, {20, 10, 0}, {30, 10, -2}, 0, true},
        Geometry{"xy incremental",
                 "G91",
                 "G3X-10Y-10J-10",
                 {20, 20, 1},
                 {20, 10, 0},
                 {10, 10, 1},
                 0,
                 false},
        Geometry{"xy inch", "G20", "G2X1Y1I1", {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, 0, true},
        Geometry{
            "xy small radius", "G17", "G3X1Y0I0.5", {0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}, 0, false},
        Geometry{"xz cw", "G18", "G2X10Z0I5", {0, 0, 0}, {5, 0, 0}, {10, 0, 0}, 1, true},
        Geometry{
            "xz ccw helix", "G18", "G3X5Z-5Y3K-5", {0, 0, 0}, {0, 0, -5}, {5, 3, -5}, 1, false},
        Geometry{"yz cw", "G19", "G2Y10Z0J5", {0, 0, 0}, {0, 5, 0}, {0, 10, 0}, 2, true},
        Geometry{
            "yz ccw helix", "G19", "G3Y5Z5X-4K5", {0, 0, 0}, {0, 0, 5}, {-4, 5, 5}, 2, false}));

} // namespace
