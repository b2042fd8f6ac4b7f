// The dispatcher's rules, the number reader and the groups it refuses.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/EngineTestUtil.h"

namespace {

using enginetest::run;
using enginetest::startRun;

struct NumberCase {
    const char* text;
    std::size_t pos;
    double value;
};

TEST(ParseWordNumber, CLibraryRules)
{
    const std::vector<NumberCase> cases = {
        {"X-12.5Y3", 1, -12.5}, {"GX", 1, 0.0},   {"X1.2.3", 1, 1.2},  {"X--5", 1, 0.0},
        {"X+5", 1, 5.0},        {"X+-5", 1, 0.0}, {"X-+5", 1, 0.0},    {"X.5", 1, 0.5},
        {"X5.", 1, 5.0},        {"X.", 1, 0.0},   {"X", 1, 0.0},       {"X\t7", 1, 7.0},
        {"XA12", 1, 0.0},       {"X  3", 1, 3.0}, {"X00012", 1, 12.0}, {"X-0", 1, -0.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseWordNumber(c.text, c.pos), c.value) << c.text;
}

TEST(ParseWordNumber, ReadsAtMostTheLongestAcceptedNumber)
{
    std::string digits27(27, '9');
    EXPECT_EQ(parseWordNumber("X" + digits27, 1), 999999999999999999999999999.0);
}

struct RejectCase {
    const char* group;
};

class Rejected : public ::testing::TestWithParam<RejectCase> {};

TEST_P(Rejected, GivesErrorAndChangesNothing)
{
    startRun();
    run({"G1X1Y2"});
    ModalState before = modalState;
    std::size_t segments = trajectoryStore->getSegments().size();
    EXPECT_EQ(dispatchWordGroup(GetParam().group), CommandLines{"error"}) << GetParam().group;
    // The motion mode is the one a refused motion code leaves (test_word_order).
    EXPECT_EQ(modalState.currentX, before.currentX);
    EXPECT_EQ(modalState.currentY, before.currentY);
    EXPECT_EQ(modalState.currentZ, before.currentZ);
    EXPECT_EQ(modalState.currentSpeed, before.currentSpeed);
    EXPECT_EQ(modalState.feedRate, before.feedRate);
    EXPECT_EQ(modalState.absoluteMode, before.absoluteMode);
    EXPECT_EQ(trajectoryStore->getSegments().size(), segments);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Rejected,
    ::testing::Values(RejectCase{"F#101"}, RejectCase{"G1X1F#1"}, RejectCase{"G-1"}, RejectCase{"G100"}, RejectCase{"G41"},
                      RejectCase{"G43.1"}, RejectCase{"G55"}, RejectCase{"G93"}, RejectCase{"M4"},
                      RejectCase{"M99"}, RejectCase{"G53X0"},
                      // Codes with a fractional part are other codes.
                      RejectCase{"G90.1"}, RejectCase{"G38.2X5"}, RejectCase{"G1.9X5"},
                      RejectCase{"M3.5"},
                      // Parameters and expressions are not evaluated.
                      RejectCase{"G0X#1"}, RejectCase{"G1X[1+2]"}, RejectCase{"X#5"},
                      // Polar coordinates: radius @, angle ^, alone or together.
                      RejectCase{"G0@1.5^0Z0"}, RejectCase{"G81R.1Z-.5^60L6F10"},
                      RejectCase{"G1@2F100"}, RejectCase{"X1^45"}, RejectCase{"^30"},
                      // A negative feed would send the machine a negative speed.
                      RejectCase{"G1F-90X1"}, RejectCase{"G0X1F-30"}, RejectCase{"F-600"},
                      RejectCase{"G81X1Y1Z-1R1F-100"},
                      // A 28-character number is refused before anything changes.
                      RejectCase{"G0X1234567890123456789012345678"},
                      RejectCase{"G0X1Y-123456789012345678901234567"},
                      // Coordinates beyond the controller's signed 32-bit step range.
                      RejectCase{"G0X60000000"}, RejectCase{"G1X-60000000F100"},
                      RejectCase{"G0Z60000000"}, RejectCase{"X60000000"},
                      RejectCase{"G0X999999999999999999999999"}));

TEST(Dispatch, PolarWordsAreReportedWithTheirGroup)
{
    // A bolt circle: left without its angle, the cycle would drill all six
    // holes in one place. The mode words of the line still take effect.
    auto r = enginetest::convert(
        {"G20 G17 G90", "G0 X1.5 Y0 Z0", "G91 G81 R.1 Z-.5 ^60 L6 F10", "G0 @1 ^90", "M2"});
    ASSERT_EQ(r.ignored.size(), 2u);
    EXPECT_EQ(r.ignored[0], (std::pair<int, std::string>{2, "G81R.1Z-.5^60L6F10"}));
    EXPECT_EQ(r.ignored[1], (std::pair<int, std::string>{3, "G0@1^90"}));
    EXPECT_FALSE(modalState.absoluteMode);
    // The two lines are marked and write nothing: no hole, no move.
    ASSERT_EQ(r.lineMap.size(), 5u);
    EXPECT_EQ(r.lineMap[2], -1);
    EXPECT_EQ(r.lineMap[3], -1);
    const auto end = std::find(r.all.begin(), r.all.end(), "@SS0;");
    EXPECT_EQ(end - r.all.begin(), r.lineMap[4]) << "the end comes right after G0";
}

// Source lines through the whole run: the lines written, the groups
// reported and the feed kept for the next feed move.
struct WordCase {
    const char* name;
    std::vector<std::string> source;
    CommandLines lines;
    std::vector<std::string> reported;
    float feedRate;
};

class WordsOfNoHandler : public ::testing::TestWithParam<WordCase> {};

TEST_P(WordsOfNoHandler, TakeEffectOrAreReported)
{
    const WordCase& c = GetParam();
    auto r = enginetest::convert(c.source);
    EXPECT_EQ(r.lines, c.lines) << c.name;
    std::vector<std::string> reported;
    for (const auto& report : r.ignored)
        reported.push_back(report.second);
    EXPECT_EQ(reported, c.reported) << c.name;
    EXPECT_EQ(modalState.feedRate, c.feedRate) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Feed, WordsOfNoHandler,
    ::testing::Values(
        // An F word sets the feed of the next feed moves whatever else its group does.
        WordCase{"F alone",
                 {"F600", "G1X1"},
                 {"VS  9.90;", "@ZU  9.90;", "@ZD  9.90;", "PA 40,0;"},
                 {},
                 9.9f},
        WordCase{"F alone with a comment", {"F600 (fast)"}, {}, {}, 9.9f},
        WordCase{"F with G21", {"G21 F600"}, {}, {}, 9.9f},
        // Read after the code: inches per minute under the G20 of its own group.
        WordCase{"F with G20",
                 {"G20 F6", "G1X1"},
                 {"VS  2.50;", "@ZU  2.50;", "@ZD  2.50;", "PA 1016,0;"},
                 {},
                 2.5f},
        WordCase{"F in front of M3",
                 {"F1000 S3500 M3", "G1X1"},
                 {"@SS 1;", "RVS 3500;", "VS  16.60;", "@ZU  16.60;", "@ZD  16.60;", "PA 40,0;"},
                 {},
                 16.6f},
        WordCase{"F with G0, then G1",
                 {"G0 X1 F32", "G1 X2"},
                 {"PA 40,0;", "VS  0.50;", "@ZU  0.50;", "@ZD  0.50;", "PA 80,0;"},
                 {},
                 0.5f},
        WordCase{"F with modal G0", {"G0X1", "X2F600"}, {"PA 40,0;", "PA 80,0;"}, {}, 9.9f},
        // Kept after both limits, as a feed move keeps its F.
        WordCase{"F beyond the Z limit",
                 {"F6000", "G1X1"},
                 {"VS  30.00;", "@ZU  30.00;", "@ZD  30.00;", "PA 40,0;"},
                 {},
                 30.0f},
        WordCase{"the G1's own F wins",
                 {"F600", "G1X1F1200"},
                 {"VS  19.90;", "@ZU  19.90;", "@ZD  19.90;", "PA 40,0;"},
                 {},
                 19.9f},
        // The machine already runs at that feed: no speed lines.
        WordCase{"same feed again",
                 {"G1X1F600", "F600", "G1X2"},
                 {"VS  9.90;", "@ZU  9.90;", "@ZD  9.90;", "PA 40,0;", "PA 80,0;"},
                 {},
                 9.9f},
        WordCase{"after a rapid move",
                 {"G1X1F600", "G0X2F1200", "G1X3"},
                 {"VS  9.90;", "@ZU  9.90;", "@ZD  9.90;", "PA 40,0;", "VS  50.00;", "@ZD  30.00;",
                  "@ZU  30.00;", "PA 80,0;", "VS  19.90;", "@ZU  19.90;", "@ZD  19.90;",
                  "PA 120,0;"},
                 {},
                 19.9f},
        // A code that is not translated is reported; its F still counts.
        WordCase{"F with G94", {"G94 F600"}, {}, {}, 9.9f},
        WordCase{"F with G55", {"G55 F600"}, {}, {"G55F600"}, 9.9f},
        WordCase{"F with S alone", {"F600 S2000"}, {}, {}, 9.9f},
        // An F anywhere that is no speed at all: 0.1 mm/s, and reported.
        WordCase{"F0 alone", {"F0"}, {}, {"F0"}, 0.1f},
        WordCase{"F5 with a rapid move", {"G0 X1 F5"}, {"PA 40,0;"}, {"G0X1F5"}, 0.1f},
        // The S of a code that is not translated is not taken: G96's S is
        // a surface speed.
        WordCase{"S with G96", {"M3", "G96 S200"}, {"@SS 1;"}, {"G96S200"}, 5.2f},
        // Not a feed per minute, or not a number: nothing changes.
        WordCase{"F with G93",
                 {"G93 F2", "G1X1"},
                 {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 40,0;"},
                 {"G93F2", "G1X1"}, // the move then runs at the start feed: said
                 5.2f},
        WordCase{"F with G95", {"G95 F0.1"}, {}, {"G95F0.1"}, 5.2f},
        WordCase{"F of a parameter", {"F#101"}, {}, {"F#101"}, 5.2f},
        WordCase{"F in ELSEIF", {"O100 ELSEIF"}, {}, {"O100ELSEIF"}, 5.2f},
        WordCase{"F in a later comment", {"G0 X1 (a) (FEED 9)"}, {"PA 40,0;"}, {}, 5.2f},
        // In front of several codes it belongs to no group: reported, not taken.
        // In front of several codes as anywhere else.
        WordCase{"F before several codes", {"F600 G90 G0 X1"}, {"PA 40,0;"}, {}, 9.9f}));

INSTANTIATE_TEST_SUITE_P(
    OtherAxes, WordsOfNoHandler,
    ::testing::Values(
        // No rotary axis: X, Y, Z move, and the group is reported for the rest.
        WordCase{"A with G1",
                 {"G1 X1 A90"},
                 {"VS  5.20;", "@ZU  5.20;", "@ZD  5.20;", "PA 40,0;"},
                 {"G1X1A90", "G1X1A90"}, // and for the start feed
                 5.2f},
        WordCase{
            "B in a modal move", {"G0X1", "X2 B-4.5"}, {"PA 40,0;", "PA 80,0;"}, {"X2B-4.5"}, 5.2f},
        WordCase{"C, U, V, W",
                 {"G0 Z1 C.5", "G0 X1 U2 V3 W4"},
                 {"@ZA -40;", "PA 40,0;"},
                 {"G0Z1C.5", "G0X1U2V3W4"},
                 5.2f},
        WordCase{"A alone", {"A10"}, {}, {"A10"}, 5.2f},
        WordCase{"A in a comment",
                 {"G0 X1 (A90) (B2)", "G0 Y1 ; C3"},
                 {"PA 40,0;", "PA 40,40;"},
                 {},
                 5.2f},
        // A word is a letter and a number: the C and A of "CALL" are none.
        WordCase{"letters of a word", {"O100 CALL"}, {}, {"O100CALL"}, 5.2f}));

TEST(Dispatch, FeedOfACycleRepeatDrillsItsHole)
{
    startRun();
    run({"G0Z1", "G81X1Z-1R0.5F100"});
    // The hole at X2 and the next ones at the new feed (200 / 6, cut to a tenth).
    EXPECT_EQ(run({"X2F200"}),
              (CommandLines{"@ZU  30.00;", "@ZD  3.30;", "PA 80,0;", "@ZA 40;", "@ZA -20;"}));
    EXPECT_EQ(modalState.feedRate, 3.3f);
}

TEST(Dispatch, WholeCodesWrittenWithPointOrZerosStayValid)
{
    for (const char* g : {"G01X1", "G1.0X1", "G001X1", "G1.X1"}) {
        startRun();
        CommandLines lines = dispatchWordGroup(g);
        ASSERT_FALSE(lines.empty()) << g;
        EXPECT_EQ(lines.back(), "PA 40,0;") << g;
        EXPECT_EQ(modalState.motionMode, kMotionFeed) << g;
    }
}

TEST(Dispatch, G91Point1DoesNotSwitchToIncremental)
{
    // Incremental arc centres, the only mode here: accepted, no report.
    auto r = enginetest::convert({"G90 G91.1", "G0 X1", "G0 X1"});
    EXPECT_EQ(r.lines, (CommandLines{"PA 40,0;", "PA 40,0;"}));
    EXPECT_TRUE(r.ignored.empty());
}

TEST(Dispatch, ModeWordsGiveNoLinesAndSetState)
{
    struct Case {
        const char* group;
        uint8_t plane;
        float unit;
        bool absolute;
    };
    const std::vector<Case> cases = {
        {"G17", 0, 1.0f, true},  {"G18", 1, 1.0f, true},  {"G19", 2, 1.0f, true},
        {"G20", 0, 25.4f, true}, {"G70", 0, 25.4f, true}, {"G21", 0, 1.0f, true},
        {"G71", 0, 1.0f, true},  {"G90", 0, 1.0f, true},  {"G91", 0, 1.0f, false},
    };
    for (const auto& c : cases) {
        startRun();
        EXPECT_TRUE(dispatchWordGroup(c.group).empty()) << c.group;
        EXPECT_EQ(modalState.plane, c.plane) << c.group;
        EXPECT_EQ(modalState.unitFactor, c.unit) << c.group;
        EXPECT_EQ(modalState.absoluteMode, c.absolute) << c.group;
    }
}

TEST(Dispatch, CommentGroupGivesNothing)
{
    startRun();
    EXPECT_TRUE(dispatchWordGroup("(").empty());
    EXPECT_TRUE(dispatchWordGroup("()").empty());
}

TEST(Dispatch, ModalContinuationFollowsMotionMode)
{
    startRun();
    EXPECT_EQ(run({"G0X10", "Y5"}), (CommandLines{"PA 400,0;", "PA 400,200;"}));
    EXPECT_EQ(modalState.motionMode, kMotionRapid);
}

TEST(Dispatch, MWinsOverG)
{
    startRun();
    // GXM5 reaches the M handler; the G is not looked at.
    CommandLines lines = dispatchWordGroup("GXM5");
    EXPECT_NE(lines, CommandLines{"error"});
    EXPECT_EQ(modalState.motionMode, kMotionRapid);
}

// A refused motion code, translated or not, leaves a mode that moves nothing.
TEST(Dispatch, RejectedMotionCodeLeavesTheUntranslatedMode)
{
    for (const char* group : {"G0X60000000", "G2X1", "G81X1Z-1R#1", "G84X1Z-1R1", "G38.2Z-5"}) {
        startRun();
        run({"G1X1"});
        EXPECT_EQ(dispatchWordGroup(group), CommandLines{"error"}) << group;
        EXPECT_EQ(modalState.motionMode, kMotionUntranslated) << group;
        EXPECT_EQ(dispatchWordGroup("X2"), CommandLines{"error"}) << group;
        EXPECT_EQ(modalState.currentX, 40.0f) << group;
    }
}

TEST(ResetTranslator, StartState)
{
    resetEngineForProgramStart();
    machineSettings.stepsPerMmZ = 40.0f;
    machineSettings.maxSpeedXY = 45.0f;
    modalState.feedRate = 3.3f;
    modalState.cycleRetractZ = 12.0f;
    modalState.currentX = 5;
    modalState.unitFactor = 25.4f;
    modalState.absoluteMode = false;
    modalState.plane = 2;
    modalState.motionMode = kMotionDrill;
    trajectoryStore->addSegment(trajectoire(1, 2, 3, 0));
    resetTranslator();
    EXPECT_EQ(modalState.currentZ, -400.0f);
    EXPECT_EQ(modalState.currentX, 0.0f);
    EXPECT_EQ(modalState.currentSpeed, 45.0f);
    EXPECT_EQ(modalState.unitFactor, 1.0f);
    EXPECT_TRUE(modalState.absoluteMode);
    EXPECT_EQ(modalState.plane, 0);
    EXPECT_EQ(modalState.motionMode, kMotionRapid);
    EXPECT_TRUE(trajectoryStore->getSegments().empty());
    // Nothing of the last run survives: not its feed, not its cycle.
    EXPECT_EQ(modalState.feedRate, kStartFeed);
    EXPECT_EQ(modalState.cycleRetractZ, 0.0f);
}

} // namespace

namespace {

struct ReasonCase {
    const char* line;
    ReportReason reason;
    bool partly;
};

} // namespace

// Every report says why, and whether part of the group was carried out.
TEST(ReportReasons, EachRefusalNamesItsCause)
{
    const std::vector<ReasonCase> cases = {
        {"G55", ReportReason::UnsupportedCode, false},
        {"G38.2 Z-5", ReportReason::UnsupportedCode, false},
        {"G1 X#1", ReportReason::Parameter, false},
        {"G1 X[1+2]", ReportReason::Parameter, false},
        {"G91 G81 R.1 Z-.5 ^60 L6", ReportReason::PolarCoordinate, false},
        {"G1 X1234567890123456789012345678", ReportReason::LongNumber, false},
        {"G1 F-90 X1", ReportReason::NegativeFeed, false},
        {"G1 X10 A90 F100", ReportReason::OtherAxis, true},
        {"G0 X1e12", ReportReason::None, false}, // "1" then an unknown letter: no report
        {"G0 X99999999", ReportReason::OutOfRange, false},
        {"G1 X60000 Z-60000", ReportReason::TooManyStairs, false},
        {"G3 X21 Y-20 I20 J21", ReportReason::OffCircle, false},
        {"G2 X10 Y0 R1", ReportReason::NoCircle, false},
        {"G4 P99999999999", ReportReason::ValueOutOfRange, false},
        {"Z25. M04", ReportReason::UnsupportedCode, true},
        {"G55 F100", ReportReason::UnsupportedCode, true},
        {"X1 G0 G1 Y1", ReportReason::TwoCodesOfOneGroup, false},
        {"G30 G1 X1", ReportReason::AxisWordsTwice, false},
        {"G2 X10 Y5", ReportReason::ArcWithoutCentre, false},
        {"G1 X1 F3", ReportReason::SlowFeed, true},
        {"G83 Z-3 R1", ReportReason::NoPeckDepth, false},
    };
    for (const auto& c : cases) {
        const auto r = enginetest::convert({c.line});
        if (c.reason == ReportReason::None) {
            EXPECT_TRUE(r.reasons.empty()) << c.line;
            continue;
        }
        ASSERT_EQ(r.reasons.size(), 1u) << c.line;
        EXPECT_EQ(r.reasons[0].reason, c.reason) << c.line << ": " << reasonText(r.reasons[0].reason);
        EXPECT_EQ(r.reasons[0].partly, c.partly) << c.line;
    }
}
