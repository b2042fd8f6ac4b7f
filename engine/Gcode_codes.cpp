// What each G and M code is to the translator: whether it is translated,
// accepted without effect on this machine, or not supported; its modal
// group; its place in RS274NGC's order of execution. And the codes a run
// accepted without effect.
#include <array>
#include <cmath>
#include <string>

#include "engine/Gcode.h"

bool readCodeWord(std::string_view text, std::size_t pos, CodeWord& code)
{
    const double v = parseWordNumber(text, pos + 1);
    if (!std::isfinite(v) || v < 0.0 || v > 1e5)
        return false;
    const double tenths = v * 10.0;
    const double whole = std::round(tenths);
    // One decimal at most: G91.1 and G38.2 are codes, G1.25 is none.
    if (std::fabs(tenths - whole) > 1e-6)
        return false;
    code.letter = text[pos];
    code.tenths = static_cast<int32_t>(whole);
    return true;
}

namespace {

// Ranks of RS274NGC's order of execution (LinuxCNC's numbering, times ten).
enum Rank : uint8_t {
    kRankFeedMode = 20,
    kRankSpindleMode = 40,
    kRankToolChange = 70,
    kRankSpindle = 80,
    kRankState = 90,
    kRankCoolant = 100,
    kRankOverrides = 110,
    kRankUserM = 120,
    kRankDwell = 130,
    kRankPlane = 140,
    kRankUnits = 150,
    kRankRadiusComp = 160,
    kRankLengthComp = 170,
    kRankCoordinates = 180,
    kRankPathMode = 190,
    kRankDistance = 200,
    kRankArcDistance = 210,
    kRankRetract = 220,
    kRankReference = 230,
    kRankMotionCodes = kRankMotion,
    kRankUnknown = 245,
    kRankStop = 250,
};

// Modal groups; two codes of one group on a line is an error in RS274NGC.
enum Group : int8_t {
    kNoGroup = -1,
    kGroupNonModal = 0,
    kGroupMotion = 1,
    kGroupPlane = 2,
    kGroupDistance = 3,
    kGroupArcDistance = 4,
    kGroupFeedMode = 5,
    kGroupUnits = 6,
    kGroupRadiusComp = 7,
    kGroupLengthComp = 8,
    kGroupRetract = 10,
    kGroupCoordinates = 12,
    kGroupPathMode = 13,
    kGroupSpindleMode = 14,
    kGroupLathe = 15,
    // The M groups, counted on from the G ones.
    kGroupStop = 20,
    kGroupToolChange = 21,
    kGroupSpindle = 22,
    kGroupCoolant = 23,
    kGroupOverrides = 24,
};

constexpr CodeKind T = CodeKind::Translated;
constexpr CodeKind N = CodeKind::WithoutEffect;
constexpr CodeKind U = CodeKind::Unsupported;

CodeClass make(uint8_t rank, int8_t group, CodeKind kind, bool takesAxisWords = false)
{
    return CodeClass{rank, group, kind, takesAxisWords};
}

CodeClass classifyG(int32_t t)
{
    switch (t) {
    case 0:
    case 10:
    case 20:
    case 30:
    case 730:
    case 800:
    case 810:
    case 820:
    case 830:
        return make(kRankMotionCodes, kGroupMotion, T, true);
    case 50:
    case 51:
    case 52:
    case 330:
    case 331:
    case 382:
    case 383:
    case 384:
    case 385:
    case 760:
    case 840:
    case 850:
    case 860:
    case 870:
    case 880:
    case 890:
        return make(kRankMotionCodes, kGroupMotion, U, true);
    case 40:
        return make(kRankDwell, kGroupNonModal, T);
    case 100:
    case 281:
    case 301:
    case 920:
    case 921:
    case 922:
    case 923:
        return make(kRankReference, kGroupNonModal, U, true);
    case 280:
    case 300:
        return make(kRankReference, kGroupNonModal, T, true);
    case 530:
        // Machine coordinates: accepted alone, reported with axis words.
        return make(kRankMotionCodes, kGroupNonModal, N, true);
    case 170:
    case 180:
    case 190:
        return make(kRankPlane, kGroupPlane, T);
    case 171:
    case 181:
    case 191:
        return make(kRankPlane, kGroupPlane, U);
    case 200:
    case 210:
    case 700:
    case 710:
        return make(kRankUnits, kGroupUnits, T);
    case 70:
    case 80:
        return make(kRankUnits, kGroupLathe, U);
    case 400:
        return make(kRankRadiusComp, kGroupRadiusComp, N);
    case 410:
    case 411:
    case 420:
    case 421:
        return make(kRankRadiusComp, kGroupRadiusComp, U);
    case 430:
    case 490:
        return make(kRankLengthComp, kGroupLengthComp, N);
    case 431:
    case 432:
        return make(kRankLengthComp, kGroupLengthComp, U);
    case 540:
        return make(kRankCoordinates, kGroupCoordinates, N);
    case 550:
    case 560:
    case 570:
    case 580:
    case 590:
    case 591:
    case 592:
    case 593:
        return make(kRankCoordinates, kGroupCoordinates, U);
    case 610:
    case 611:
    case 640:
        return make(kRankPathMode, kGroupPathMode, N);
    case 900:
    case 910:
        return make(kRankDistance, kGroupDistance, T);
    case 901:
        return make(kRankArcDistance, kGroupArcDistance, U);
    case 911:
        return make(kRankArcDistance, kGroupArcDistance, N);
    case 930:
    case 950:
        return make(kRankFeedMode, kGroupFeedMode, U);
    case 940:
        return make(kRankFeedMode, kGroupFeedMode, N);
    case 960:
    case 970:
        return make(kRankSpindleMode, kGroupSpindleMode, U);
    case 980:
    case 990:
        return make(kRankRetract, kGroupRetract, T);
    default:
        return make(kRankUnknown, kNoGroup, U);
    }
}

CodeClass classifyM(int32_t t)
{
    switch (t) {
    case 20:
    case 300:
        return make(kRankStop, kGroupStop, T);
    case 0:
    case 10:
    case 600:
        return make(kRankStop, kGroupStop, U);
    case 60:
        return make(kRankToolChange, kGroupToolChange, T);
    case 610:
        return make(kRankToolChange, kGroupToolChange, U);
    case 30:
    case 50:
        return make(kRankSpindle, kGroupSpindle, T);
    case 40:
        return make(kRankSpindle, kGroupSpindle, U);
    case 70:
    case 80:
    case 90:
        return make(kRankCoolant, kGroupCoolant, N);
    default:
        break;
    }
    if (t >= 480 && t <= 530 && t % 10 == 0)
        return make(kRankOverrides, kGroupOverrides, U);
    if (t >= 700 && t <= 730 && t % 10 == 0)
        return make(kRankState, kNoGroup, U);
    if (t >= 1000 && t <= 1990 && t % 10 == 0)
        return make(kRankUserM, kNoGroup, U);
    return make(kRankUnknown, kNoGroup, U);
}

// The codes accepted without effect, in the order they are listed.
constexpr std::array<CodeWord, 13> kWithoutEffect = {{{'G', 400},
                                                      {'G', 430},
                                                      {'G', 490},
                                                      {'G', 530},
                                                      {'G', 540},
                                                      {'G', 610},
                                                      {'G', 611},
                                                      {'G', 640},
                                                      {'G', 911},
                                                      {'G', 940},
                                                      {'M', 70},
                                                      {'M', 80},
                                                      {'M', 90}}};

std::array<bool, kWithoutEffect.size()> runWithoutEffect{};
std::string lineWithoutEffect;

} // namespace

CodeClass classifyCode(CodeWord code)
{
    return code.letter == 'M' ? classifyM(code.tenths) : classifyG(code.tenths);
}

bool isMotionGroup(CodeWord code)
{
    return code.letter == 'G' && classifyG(code.tenths).group == kGroupMotion;
}

std::string codeText(CodeWord code)
{
    std::string text(1, code.letter);
    text += std::to_string(code.tenths / 10);
    if (code.tenths % 10 != 0) {
        text.push_back('.');
        text += std::to_string(code.tenths % 10);
    }
    return text;
}

void noteWithoutEffect(CodeWord code)
{
    for (std::size_t i = 0; i < kWithoutEffect.size(); ++i) {
        if (kWithoutEffect[i].letter != code.letter || kWithoutEffect[i].tenths != code.tenths)
            continue;
        runWithoutEffect[i] = true;
        if (!lineWithoutEffect.empty())
            lineWithoutEffect.push_back(' ');
        lineWithoutEffect += codeText(code);
        return;
    }
}

std::vector<std::string> codesWithoutEffect()
{
    std::vector<std::string> codes;
    for (std::size_t i = 0; i < kWithoutEffect.size(); ++i)
        if (runWithoutEffect[i])
            codes.push_back(codeText(kWithoutEffect[i]));
    return codes;
}

const std::string& lineCodesWithoutEffect()
{
    return lineWithoutEffect;
}

void clearLineCodesWithoutEffect()
{
    lineWithoutEffect.clear();
}

void clearCodesWithoutEffect()
{
    runWithoutEffect.fill(false);
    lineWithoutEffect.clear();
}
