// The English words of the report reasons.
#include "engine/ReportReason.h"

const char* reasonText(ReportReason reason)
{
    switch (reason) {
    case ReportReason::None:
        return "translated";
    case ReportReason::UnsupportedCode:
        return "unsupported code";
    case ReportReason::Parameter:
        return "parameter or expression";
    case ReportReason::PolarCoordinate:
        return "polar coordinate";
    case ReportReason::LongNumber:
        return "number too long";
    case ReportReason::NegativeFeed:
        return "negative feed";
    case ReportReason::OtherAxis:
        return "axis this machine does not have (A, B, C, U, V, W)";
    case ReportReason::OutOfRange:
        return "coordinate out of the controller's range";
    case ReportReason::TooManyStairs:
        return "move too long to write as a staircase";
    case ReportReason::OffCircle:
        return "arc end point not on its circle";
    case ReportReason::NoCircle:
        return "radius-form arc without a circle";
    case ReportReason::ValueOutOfRange:
        return "value out of range";
    case ReportReason::ArcWithoutCentre:
        return "arc without centre (no I, J, K of its plane, no R)";
    case ReportReason::SlowFeed:
        return "feed below 0.1 mm/s, sent as 0.1 mm/s";
    case ReportReason::NoPeckDepth:
        return "peck cycle without peck depth (Q)";
    case ReportReason::StartFeed:
        return "feed move before any F: runs at the start speed 5.2 mm/s";
    case ReportReason::ControlByte:
        return "control byte in the line";
    case ReportReason::TwoCodesOfOneGroup:
        return "two codes of one modal group on the line";
    case ReportReason::AxisWordsTwice:
        return "axis words with both G28/G30 and a motion code";
    case ReportReason::ContinuesUntranslatedMotion:
        return "continues an untranslated motion code";
    }
    return "unsupported code";
}

std::string reasonText(const ReportInfo& info)
{
    std::string text = reasonText(info.reason);
    if (info.code[0] != '\0') {
        text.push_back(' ');
        text.append(info.code.data());
    }
    return text;
}
