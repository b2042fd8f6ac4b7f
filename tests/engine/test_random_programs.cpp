// Thousands of seeded random programs, good and bad blocks mixed, over every
// code the translator knows. Beyond "no crash, no hang" (run it under the
// sanitizers) every command line must be one of the controller's shapes, and
// after every block the machine, following the written commands, must stand
// where the translator believes the tool is.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "tests/engine/EngineTestUtil.h"

namespace {

class ProgramGenerator {
  public:
    explicit ProgramGenerator(uint32_t seed) : rng(seed) {}

    std::vector<std::string> program()
    {
        std::vector<std::string> lines(pick(1, 20));
        for (std::string& line : lines)
            line = block();
        return lines;
    }

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

  private:
    template <std::size_t N> const char* oneOf(const char* const (&items)[N])
    {
        return items[pick(0, static_cast<int>(N) - 1)];
    }

    std::string number()
    {
        char buf[64];
        switch (pick(0, 9)) {
        case 0:
            return std::to_string(pick(-10, 10));
        case 1: // comma as the decimal separator, or an odd form
            return oneOf({"1,5", "-.5", ".", "-", "+3", "1.2.3", "--1", "007", ""});
        case 2: // far outside the machine's reach
            if (tame)
                break;
            return oneOf({"6000000000", "99999999999999999", "123456789012345678901234567"});
        case 3: // longer than any number the reader accepts
            if (tame)
                break;
            return std::string(static_cast<std::size_t>(pick(28, 40)), '9');
        default:
            break;
        }
        std::snprintf(buf, sizeof buf, "%.3f", pick(-10000, 10000) / 1000.0);
        return buf;
    }

    std::string words(const char* letters)
    {
        std::string out;
        for (const char* l = letters; *l; ++l) {
            if (chance(45)) {
                out += *l;
                out += number();
                if (chance(20))
                    out += ' ';
            }
        }
        return out;
    }

    std::string group()
    {
        static const char* const motion[] = {"G0", "G1", "G00", "G01", "G2", "G3", "G02", "G03"};
        static const char* const modes[] = {"G17", "G18", "G19", "G90", "G91", "G21",
                                            "G71", "G20", "G70", "G80", "G98", "G99"};
        static const char* const cycles[] = {"G81", "G82", "G83"};
        static const char* const others[] = {"M2", "M3", "M5", "M6", "M30", "G4", "G28", "G30"};
        static const char* const unknown[] = {"G40",  "G54", "G91.1", "G-1", "M8",   "G1.5",
                                              "F200", "T1",  "G",     "M",   "#1=2", "X[1+2]"};
        // Coordinates may stand in front of a code of their own.
        const std::string leading = chance(15) ? words("XYZ") : "";
        switch (pick(0, 9)) {
        case 0:
        case 1:
            return std::string(oneOf(motion)) + words("XYZIJKF");
        case 2: // the radius form, now and then with offsets as well
            return std::string(oneOf(motion)) + words(chance(20) ? "XYZIJKRF" : "XYZRF");
        case 3:
            return leading + oneOf(modes) + (chance(20) ? words("X") : "");
        case 4:
            return std::string(oneOf(cycles)) + words("XYZRLPQF");
        case 5:
            return leading + oneOf(others) + words("XYZSTP");
        case 6:
            return leading + oneOf(unknown);
        default: // coordinates alone: the modal continuation
            return words(chance(10) ? "XYZIJKR" : "XYZIJK");
        }
    }

    std::string block()
    {
        // Stray bytes are put into lines without long numbers: a byte that
        // splits a 28-digit run would make a number the machine can reach,
        // and a move of millions of steps is a test of patience, not of the
        // translator.
        const int ending = pick(0, 19);
        tame = ending == 4;
        std::string line;
        if (chance(20)) {
            line = 'N';
            line += std::to_string(pick(0, 9999));
            line += ' ';
        }
        for (int n = pick(1, 3); n > 0; --n) {
            line += group();
            if (chance(30))
                line += ' ';
        }
        switch (ending) {
        case 0:
            line += "(comment X5";
            break;
        case 1:
            line += " ; clearance";
            break;
        case 2:
            line = "(only a comment)";
            break;
        case 3:
            for (char& c : line)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            break;
        case 4:
            for (int n = pick(1, 8); n > 0; --n)
                line.insert(static_cast<std::size_t>(pick(0, static_cast<int>(line.size()))), 1,
                            static_cast<char>(pick(0, 255)));
            break;
        default:
            break;
        }
        return line;
    }

    std::mt19937 rng;
    bool tame = false;
};

// True when `text` from `pos` is a decimal integer running up to `end`.
bool integerAt(const std::string& text, std::size_t pos, std::size_t end)
{
    if (pos < end && text[pos] == '-')
        ++pos;
    if (pos >= end || end - pos > 10)
        return false;
    for (; pos < end; ++pos)
        if (text[pos] < '0' || text[pos] > '9')
            return false;
    return true;
}

// "% 5.2f" of a finite value.
bool speedAt(const std::string& text, std::size_t pos, std::size_t end)
{
    if (pos >= end || (text[pos] != ' ' && text[pos] != '-'))
        return false;
    const std::size_t point = text.find('.', pos);
    return point != std::string::npos && point + 3 == end && integerAt(text, pos + 1, point) &&
           integerAt(text, point + 1, end);
}

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

bool isCommandLine(const std::string& s)
{
    static const char* const fixed[] = {"@SS0;", "@SS 0;", "@SS 1;", "VS 30.0", "@HM;"};
    for (const char* f : fixed)
        if (s == f)
            return true;
    if (s.empty() || s.back() != ';')
        return false;
    const std::size_t end = s.size() - 1;
    if (startsWith(s, "PA ")) {
        const std::size_t comma = s.find(',');
        return comma != std::string::npos && integerAt(s, 3, comma) && integerAt(s, comma + 1, end);
    }
    for (const char* p : {"@ZA ", "RVS ", "@WT "})
        if (startsWith(s, p))
            return integerAt(s, std::string(p).size(), end);
    for (const char* p : {"VS ", "@VS ", "@ZU ", "@ZD "})
        if (startsWith(s, p))
            return speedAt(s, std::string(p).size(), end);
    if (startsWith(s, "T: ")) {
        const std::size_t tail = s.find(" N:? H:? D:?;");
        return tail != std::string::npos && tail + 13 == s.size() && integerAt(s, 3, tail);
    }
    return false;
}

// The machine as the command lines move it. After a program end the
// translator keeps its own position while the table went to (0, 1600); the
// next block starts from the translator's view again.
struct Machine {
    long x = 0, y = 0, z = 0;
    bool inSync = false;

    void follow(const std::string& line)
    {
        if (line == "@HM;") {
            x = y = 0;
        } else if (startsWith(line, "PA ")) {
            std::sscanf(line.c_str(), "PA %ld,%ld;", &x, &y);
        } else if (startsWith(line, "@ZA ")) {
            std::sscanf(line.c_str(), "@ZA %ld;", &z);
        } else if (line == "VS 30.0") {
            inSync = false;
        }
    }
};

long steps(float v)
{
    return static_cast<long>(std::trunc(v));
}

TEST(RandomPrograms, TranslateToCommandsThatKeepTheMachineInStep)
{
    ProgramGenerator gen(20240611);
    const float precisions[] = {0.25f, 0.25f, 0.05f, 3.0f, 1e-20f, 500.0f};
    const float stepsPerMm[] = {40, 40, 1, 200, 7};
    int groupsRejected = 0, linesWritten = 0;
    for (int programNo = 0; programNo < 1500; ++programNo) {
        if (gen.chance(30))
            resetEngineForProgramStart();
        machineSettings.arcPrecision = precisions[gen.pick(0, 5)];
        machineSettings.stepsPerMmX = stepsPerMm[gen.pick(0, 4)];
        machineSettings.stepsPerMmY = stepsPerMm[gen.pick(0, 4)];
        machineSettings.stepsPerMmZ = stepsPerMm[gen.pick(0, 4)];
        resetTranslator();
        const std::vector<std::string> source = gen.program();
        Machine machine;
        for (std::size_t n = 0; n < source.size(); ++n) {
            if (!machine.inSync) {
                machine = {steps(modalState.currentX), steps(modalState.currentY),
                           steps(modalState.currentZ), true};
            }
            CommandLines out;
            int32_t entry = 0;
            translateBlock(cleanSourceLine(source[n]), out, entry,
                           [&](const std::string&) { ++groupsRejected; });
            linesWritten += static_cast<int>(out.size());
            for (std::string_view view : out) {
                const std::string line(view);
                ASSERT_TRUE(isCommandLine(line))
                    << "program " << programNo << " line " << n << " \"" << source[n]
                    << "\" wrote \"" << line << "\"";
                machine.follow(line);
            }
            if (!machine.inSync)
                continue;
            const std::string where = "program " + std::to_string(programNo) + " line " +
                                      std::to_string(n) + " \"" + source[n] + "\"";
            ASSERT_EQ(machine.x, steps(modalState.currentX)) << where;
            ASSERT_EQ(machine.y, steps(modalState.currentY)) << where;
            ASSERT_EQ(machine.z, steps(modalState.currentZ)) << where;
            ASSERT_FALSE(currentSegment) << where;
        }
        for (const auto& t : trajectoryStore->getSegments())
            for (const tpoint1& p : t.getPoints())
                ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) &&
                            (p.kind == kKindRapid || p.kind == kKindFeed));
    }
    // The generator must reach both sides.
    EXPECT_GT(groupsRejected, 1000);
    EXPECT_GT(linesWritten, 100000);
}

} // namespace
