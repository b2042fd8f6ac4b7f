// Why a word group was reported: the engine says which, the window and the
// converter say it in words (the window in the user's language).
#pragma once

#include <array>
#include <cstdint>
#include <string>

enum class ReportReason : uint8_t {
    None,              // (the group was translated)
    UnsupportedCode,   // a G or M code this machine's translation does not know
    Parameter,         // a parameter (#1) or an expression ([...])
    PolarCoordinate,   // a polar word (@ radius, ^ angle)
    LongNumber,        // a number of more characters than a word may hold
    NegativeFeed,      // a negative F: the machine would be sent a negative speed
    OtherAxis,         // an A, B, C, U, V or W word: this machine has X, Y, Z only
    OutOfRange,        // a coordinate beyond the controller's step range
    TooManyStairs,     // a move of more stairs than a program can sensibly ask
    OffCircle,         // an arc whose end point is not on its circle
    NoCircle,          // a radius-form arc that has no circle (R0, R too short, end on start)
    ValueOutOfRange,   // a P, S, T or L value beyond what the command carries
    ArcWithoutCentre,  // an arc with neither centre offsets of its plane nor R
    SlowFeed,          // a feed under a tenth of mm/s, sent as 0.1 mm/s
    NoPeckDepth,       // a peck cycle without Q, and none given before in the run
    StartFeed,         // a feed move before any F: it runs at the start feed
    ControlByte,       // a control byte in the line: the file may be damaged
    TwoCodesOfOneGroup, // two codes of one modal group on a line (G0 and G1, M3 and M5)
    AxisWordsTwice,    // axis words with both G28/G30 and a motion code
    ContinuesUntranslatedMotion, // coordinates alone after a motion code not translated
};

// The last reason (tables of the reasons' texts cover them all).
inline constexpr ReportReason kLastReportReason = ReportReason::ContinuesUntranslatedMotion;

// One report of the conversion run: the reason, and whether part of the
// group was carried out all the same ("G1 X10 A90" moves to X10).
struct ReportInfo {
    ReportReason reason = ReportReason::UnsupportedCode;
    bool partly = false;
    // For ContinuesUntranslatedMotion: the code continued ("G84"), else empty.
    std::array<char, 8> code{};
};

// The reason in English, lower case, without a final full stop
// ("unsupported code"): the converter's report lines.
const char* reasonText(ReportReason reason);
// The same for a report: the reason and the code it names, if any
// ("continues an untranslated motion code G84").
std::string reasonText(const ReportInfo& info);
