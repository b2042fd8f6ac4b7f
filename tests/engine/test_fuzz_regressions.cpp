// Inputs on which the fuzz targets once failed, replayed through the same
// entry points, together with hostile inputs of the same kinds written by
// hand. Each must come back normally: no crash, no sanitizer report, and the
// entry's own consistency checks (store against command lines, saved settings
// against what was written) hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/Gcode.h"
#include "engine/Settings.h"
#include "tests/fuzz/FuzzEntries.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using Entry = void (*)(const uint8_t*, std::size_t);

void replay(Entry entry, const std::string& bytes)
{
    entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    overrideSettingsFilePath("");
    resetEngineForProgramStart();
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Folder {
    const char* name;
    Entry entry;
};

const Folder kFolders[] = {
    {"conversion", fuzzentry::convertProgram},
    {"settings", fuzzentry::readSettings},
};

TEST(FuzzRegressions, SavedInputsRunCleanly)
{
    const fs::path root = fs::path(TOLVANE_TEST_DATA) / "fuzz-regressions";
    int replayed = 0;
    for (const Folder& folder : kFolders) {
        const fs::path dir = root / folder.name;
        if (!fs::is_directory(dir))
            continue;
        for (const fs::directory_entry& file : fs::directory_iterator(dir)) {
            if (!file.is_regular_file())
                continue;
            SCOPED_TRACE(file.path().string());
            replay(folder.entry, readAll(file.path()));
            ++replayed;
        }
    }
    RecordProperty("replayed", replayed);
}

// The first six bytes of a conversion input pick the machine: all zero is
// 1 step/mm with chords within 0.01 mm of the arc, all 0xff is 1021 steps/mm
// with chords within 2.56 mm.
const std::string kMachineLow(6, '\0');
const std::string kMachineHigh(6, '\xff');

struct Case {
    const char* what;
    Entry entry;
    std::string bytes;
};

std::vector<Case> handMadeCases()
{
    using fuzzentry::convertProgram;
    using fuzzentry::readSettings;
    return {
        {"empty program", convertProgram, ""},
        {"machine bytes only", convertProgram, kMachineHigh},
        {"NUL bytes in words", convertProgram, kMachineLow + "G1X\0Y5\nG0\0\0Z"s},
        {"lone CRs and CR LF", convertProgram, kMachineLow + "G1X1\rG1Y1\r\nG1Z-1\r\r\n"},
        {"huge coordinates", convertProgram, kMachineHigh + "G1X1e38Y-1e38Z3.4e38\nG0X1e308\n"},
        {"full circle of huge radius", convertProgram, kMachineHigh + "G2I1e30\nG3J-1e30\n"},
        {"arc radius zero and missing", convertProgram, kMachineLow + "G2X1Y1R0\nG3X5\nG2R\n"},
        {"arcs in every plane", convertProgram,
         kMachineHigh + "G18G2X10Z10I5K5\nG19G3Y10Z-10J5K-5\nG17G2X0Y0I-5J-5\n"},
        {"drilling without depth", convertProgram, kMachineLow + "G81\nG83Q0\nG82P-1L-5\n"},
        {"drilling with huge repeat", convertProgram, kMachineLow + "G91G81X1Z-1R1L2000000000\n"},
        {"peck of zero and tiny", convertProgram, kMachineHigh + "G83X1Z-50R1Q0\nG83Z-50Q1e-30\n"},
        {"dangling words", convertProgram,
         kMachineLow + "G\nM\nX\nGGGG\nG1.\nG-1\nM-99999999999\n"},
        {"27-digit number", convertProgram, kMachineLow + "G1X123456789012345678901234567\n"},
        {"invalid UTF-8", convertProgram, kMachineLow + "G1X\xc3\x28Y\xff\xfe(\xe2\x82\n"},
        {"unit change mid-program", convertProgram, kMachineHigh + "G20G1X1000\nG21G91G1X-1e6\n"},
        {"empty settings", readSettings, ""},
        {"binary settings", readSettings, "\0\x01[\xff]\r=\n\0=\0"s},
        {"zero and negative pitches", readSettings,
         "[Machine]\nPas de vis X=0\nPas de vis Y=-5\nPas par tour Z=-200\nPrecision=0\n"},
        {"huge and NaN values", readSettings,
         "[Machine]\nPas de vis X=1e-30\nPas par tour X=2147483647\nVitesse maxi=nan\n"
         "Vitesse maxi Z=inf\nPrecision=1e-30\n[Langue]\ncurrent=-2147483648\n"},
        {"sections without end", readSettings, "[Machine\n[\n]\n[FR]\n36\n=\n[FR]\n0=x"},
        {"duplicate sections and keys", readSettings,
         "[langue]\nCURRENT=1\n[Langue]\ncurrent=2\n[GB]\n0=File\n0=Other\n"},
    };
}

TEST(FuzzRegressions, HandMadeHostileInputsRunCleanly)
{
    for (const Case& c : handMadeCases()) {
        SCOPED_TRACE(c.what);
        replay(c.entry, c.bytes);
    }
}

} // namespace
