// Loading the machine settings, the text table and the About switch from the
// settings file, and the settings file shipped with the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "EngineTestUtil.h"
#include "SettingsTestFiles.h"
#include "engine/Gcode.h"
#include "engine/IniFile.h"
#include "engine/Settings.h"

namespace {

using settingsfiles::readBytes;

const std::string kShippedIni = std::string(TOLVANE_TEST_DATA) + "/../../resources/Tolvane.ini";

// Each test gets its own folder and settings file path; the default path
// comes back afterwards.
class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp.path().empty());
        folder = temp.path();
        path = temp.file("Tolvane.ini");
        overrideSettingsFilePath(path);
        resetEngineForProgramStart();
        machineSettings = MachineSettings{};
    }
    void TearDown() override
    {
        overrideSettingsFilePath("");
        machineSettings = MachineSettings{};
    }
    void writeFile(const std::string& bytes)
    {
        // A new file each time, as an editor would save it.
        std::error_code ignored;
        std::filesystem::remove(pathFromUtf8(path), ignored);
        settingsfiles::writeBytes(path, bytes);
    }
    StepsPerMmTexts load(bool* aboutShown = nullptr)
    {
        bool shown = false;
        StepsPerMmTexts texts = loadMachineSettings([&] { shown = true; });
        if (aboutShown)
            *aboutShown = shown;
        return texts;
    }

    settingsfiles::TempFolder temp;
    std::string folder;
    std::string path;
};

TEST_F(SettingsTest, NoFileGivesFactoryMachine)
{
    bool aboutShown = false;
    const StepsPerMmTexts t = load(&aboutShown);
    EXPECT_EQ(t.ofx, "40");
    EXPECT_EQ(t.ofy, "40");
    EXPECT_EQ(t.ofz, "40");
    EXPECT_EQ(machineSettings.editorPath, "c:\\windows\\notepad.exe");
    EXPECT_EQ(machineSettings.driverPath,
              "C:\\Program Files\\Colinbus\\ColiDriveProfiler\\COLUSR.exe");
    EXPECT_EQ(machineSettings.maxSpeedXY, 50.0f);
    EXPECT_EQ(machineSettings.maxSpeedZ, 30.0f);
    EXPECT_EQ(machineSettings.arcPrecision, 0.25f);
    EXPECT_EQ(machineSettings.language, 0);
    EXPECT_TRUE(aboutShown);
    EXPECT_EQ(lookupText(machineSettings.language, 28), "Actualiser fichier source");
}

TEST_F(SettingsTest, StepsPerMillimetrePerAxis)
{
    struct Case {
        const char* name;
        std::string machine; // lines of [Machine]
        const char* ofx;
        const char* ofy;
        const char* ofz;
        float pitchX;
        int32_t stepsX;
    };
    const std::vector<Case> cases = {
        {"Z alone", "Pas de vis Z=2\nPas par tour Z=400\n", "40", "40", "200", 5.0f, 200},
        {"each axis its own", "Pas de vis Y=4\nPas par tour Y=100\nPas de vis Z=2\n", "40", "25",
         "100", 5.0f, 200},
        {"3 mm screw truncates", "Pas de vis X=3\n", "66", "40", "40", 3.0f, 200},
        {"comma pitch", "Pas de vis X=2,5\n", "80", "40", "40", 2.5f, 200},
        {"point pitch", "Pas de vis X=2.5\n", "80", "40", "40", 2.5f, 200},
        {"one step per millimetre", "Pas de vis X=5\nPas par tour X=5\n", "1", "40", "40", 5.0f, 5},
        {"unreadable pitch takes its default", "Pas de vis X=abc\nPas par tour X=400\n", "80", "40",
         "40", 5.0f, 400},
        {"fractional step count takes its default", "Pas de vis X=2\nPas par tour X=200.5\n", "100",
         "40", "40", 2.0f, 200},
        {"zero pitch", "Pas de vis X=0\nPas par tour X=400\n", "40", "40", "40", 5.0f, 200},
        {"negative pitch", "Pas de vis X=-5\n", "40", "40", "40", 5.0f, 200},
        {"zero steps", "Pas de vis X=2\nPas par tour X=0\n", "40", "40", "40", 5.0f, 200},
        {"negative steps", "Pas par tour X=-200\n", "40", "40", "40", 5.0f, 200},
        {"below one step per millimetre", "Pas de vis X=5\nPas par tour X=4\n", "40", "40", "40",
         5.0f, 200},
        {"beyond the controller's integers", "Pas de vis X=0.0001\nPas par tour X=2000000000\n",
         "40", "40", "40", 5.0f, 200},
        {"tiny pitch", "Pas de vis X=1e-30\n", "40", "40", "40", 5.0f, 200},
        {"faulty X leaves Y alone", "Pas de vis X=0\nPas de vis Y=2\n", "40", "100", "40", 5.0f,
         200},
    };
    for (const Case& c : cases) {
        writeFile("[Machine]\n" + c.machine);
        const StepsPerMmTexts t = load();
        EXPECT_EQ(t.ofx, c.ofx) << c.name;
        EXPECT_EQ(t.ofy, c.ofy) << c.name;
        EXPECT_EQ(t.ofz, c.ofz) << c.name;
        EXPECT_EQ(machineSettings.screwPitchX, c.pitchX) << c.name;
        EXPECT_EQ(machineSettings.stepsPerRevX, c.stepsX) << c.name;
    }
}

TEST_F(SettingsTest, DerivedStepsKeepTheirFraction)
{
    writeFile("[Machine]\nPas de vis Y=3\n");
    EXPECT_EQ(load().ofy, "66");
    EXPECT_EQ(machineSettings.stepsPerMmY, 200.0f / 3.0f);
}

TEST_F(SettingsTest, ThreeMillimetreScrewReachesTheHeader)
{
    writeFile("[Machine]\r\nPas de vis X=3\r\n");
    const StepsPerMmTexts t = load();
    const enginetest::RunResult r = enginetest::convert({"G0 X1"}, t.ofx, t.ofy, t.ofz);
    ASSERT_GE(r.all.size(), 5u);
    EXPECT_EQ(r.all[0], "OF X: 66, Y:40, Z:40;");
    EXPECT_EQ(r.lines.at(0), "PA 66,0;");
}

TEST_F(SettingsTest, PrecisionTexts)
{
    struct Case {
        std::optional<std::string> text;
        float expected;
    };
    const std::vector<Case> cases = {
        {"0,1", 0.1f},    {"0.1", 0.1f},    {" 0,1 ", 0.1f},       {"0.05", 0.05f},
        {"1e-3", 0.001f}, {"2", 2.0f},      {std::nullopt, 0.25f}, {"", 0.25f},
        {"abc", 0.25f},   {"0,1mm", 0.25f}, {"1.000,5", 0.25f},    {"0", 0.25f},
        {"-0.1", 0.25f},  {"inf", 0.25f},   {"nan", 0.25f},        {"1e40", 0.25f},
    };
    for (const Case& c : cases) {
        writeFile("[Machine]\n" + (c.text ? "Precision=" + *c.text + "\n" : std::string()));
        machineSettings.arcPrecision = 7.0f;
        load();
        EXPECT_EQ(machineSettings.arcPrecision, c.expected) << c.text.value_or("(missing)");
    }
}

TEST_F(SettingsTest, SpeedsPathsAndLanguage)
{
    writeFile("[applications]\r\nEditeur = /usr/bin/gedit --new-window \r\nDRIVER=/opt/drv\r\n"
              "[MACHINE]\r\nvitesse maxi=12,5\r\nVitesse maxi Z=7.25\r\n[Langue]\r\ncurrent=2\r\n");
    load();
    EXPECT_EQ(machineSettings.editorPath, "/usr/bin/gedit --new-window");
    EXPECT_EQ(machineSettings.driverPath, "/opt/drv");
    EXPECT_EQ(machineSettings.maxSpeedXY, 12.5f);
    EXPECT_EQ(machineSettings.maxSpeedZ, 7.25f);
    EXPECT_EQ(machineSettings.language, 2);

    // A speed the machine cannot run keeps the factory value.
    writeFile("[Machine]\nVitesse maxi=0\nVitesse maxi Z=-3\n");
    load();
    EXPECT_EQ(machineSettings.maxSpeedXY, 50.0f);
    EXPECT_EQ(machineSettings.maxSpeedZ, 30.0f);
}

TEST_F(SettingsTest, AboutBoxShownLastAndOnlyWhenNotSwitchedOff)
{
    struct Case {
        const char* about;
        bool shown;
    };
    const std::vector<Case> cases = {
        {"", true},
        {"[About]\nAffiche=0\n", true},
        {"[About]\nAffiche=1\n", false},
        {"[About]\nAffiche=-1\n", false},
        {"[About]\nAffiche=oui\n", true},
    };
    for (const Case& c : cases) {
        writeFile(std::string("[Machine]\nPas de vis X=2,5\n[Langue]\ncurrent=2\n") + c.about);
        bool shown = false;
        int languageSeen = -1;
        float stepsSeen = 0.0f;
        loadMachineSettings([&] {
            shown = true;
            languageSeen = machineSettings.language;
            stepsSeen = machineSettings.stepsPerMmX;
        });
        EXPECT_EQ(shown, c.shown) << c.about;
        if (shown) {
            EXPECT_EQ(languageSeen, 2) << "settings are complete before the box shows";
            EXPECT_EQ(stepsSeen, 80.0f);
        }
    }
}

TEST_F(SettingsTest, TextTableLookups)
{
    writeFile("[FR]\n0=Fichier perso\n[de]\n0=Datei\n7=\xC3\x9C"
              "ber\n"
              "[GB]\n28=\n33=Aper\xE7u\n[XX]\n0=nope\n");
    struct Case {
        int language;
        int key;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {0, 0, "Fichier perso"},
        {0, 1, "Ouvrir"},
        {1, 0, "Datei"},
        {1, 7,
         "\xC3\x9C"
         "ber"},
        {1, 28, "Actualiser fichier source"},
        {1, 36, "Ignorer la suite"},
        {2, 28, ""}, // present but empty: shown empty, as the file says
        {2, 33, "Aper\xE7u"},
        {2, 2, "Enregistrer fichier traduit"},
        {3, 0, "Fichier"},
        {-1, 0, "Fichier"},
        {1, 37, "Ligne %1\u00a0: %2"},
        {1, 101, "%p\u00a0%"},
        {1, 109,
         "%1 = \u00ab\u00a0%2\u00a0\u00bb n'est pas une course en mm\u00a0; la course est prise "
         "comme inconnue."},
        {1, 110, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lookupText(c.language, c.key), c.expected) << c.language << "/" << c.key;
    EXPECT_EQ(lookupText(1, "99", "fallback"), "fallback");
    EXPECT_EQ(lookupText(1, "0", "ignored default"), "Datei");
}

// What a load could not use, as values for a window to word in its language,
// one for each English sentence of the converter and in the same order.
TEST_F(SettingsTest, UnusableValuesAreKeptAsValues)
{
    using Kind = SettingsProblem::Kind;
    writeFile("[Machine]\nPas de vis X=abc\nPas par tour Y=2.5\nPas de vis Z=0\n"
              "Vitesse maxi=-4\nPrecision=fine\n");
    load();
    struct Want {
        Kind kind;
        const char* key;
        const char* text;
        const char* otherKey;
        const char* otherText;
    };
    const Want want[] = {
        {Kind::NotANumber, "Pas de vis X", "abc", "", ""},
        {Kind::NotAWholeNumber, "Pas par tour Y", "2.5", "", ""},
        {Kind::NoStepsPerMm, "Pas de vis Z", "0", "Pas par tour Z", "200"},
        {Kind::NotASpeed, "Vitesse maxi", "-4", "", ""},
        {Kind::BadPrecision, "Precision", "fine", "", ""},
    };
    const std::vector<SettingsProblem>& got = settingsProblemDetails();
    ASSERT_EQ(got.size(), std::size(want));
    ASSERT_EQ(settingsProblems().size(), got.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, want[i].kind) << i;
        EXPECT_EQ(got[i].key, want[i].key) << i;
        EXPECT_EQ(got[i].text, want[i].text) << i;
        EXPECT_EQ(got[i].otherKey, want[i].otherKey) << i;
        EXPECT_EQ(got[i].otherText, want[i].otherText) << i;
        EXPECT_FALSE(got[i].used.empty()) << i;
        EXPECT_NE(settingsProblems()[i].find(want[i].key), std::string::npos) << i;
    }
    // A file that cannot be read gives one problem naming it; a good one none.
    std::filesystem::remove(pathFromUtf8(path));
    ASSERT_TRUE(std::filesystem::create_directory(pathFromUtf8(path)));
    load();
    ASSERT_EQ(settingsProblemDetails().size(), 1u);
    EXPECT_EQ(settingsProblemDetails()[0].kind, Kind::Unreadable);
    EXPECT_NE(settingsProblemDetails()[0].text.find(path), std::string::npos);
    std::filesystem::remove(pathFromUtf8(path));
    writeFile("[Machine]\nPas de vis X=4\n");
    load();
    EXPECT_TRUE(settingsProblemDetails().empty());
}

TEST_F(SettingsTest, TextTableFollowsChangesOnDisk)
{
    writeFile("[DE]\n0=Datei\n");
    EXPECT_EQ(lookupText(1, 0), "Datei");
    writeFile("[DE]\n0=Dater\n");
    EXPECT_EQ(lookupText(1, 0), "Dater");
    std::filesystem::remove(pathFromUtf8(path));
    EXPECT_EQ(lookupText(1, 0), "Fichier");
}

TEST_F(SettingsTest, AboutSwitchWrittenInPlace)
{
    const std::string before = "[Langue]\r\ncurrent=1\r\n[About]\r\nAffiche=0\r\n[AboutFR]\r\n"
                               "Texte \xE9 libre\r\n\r\n; pas un commentaire\r\n";
    writeFile(before);
    std::string error;
    ASSERT_TRUE(setShowAboutAtStart(true, &error)) << error;
    std::string after = before;
    after.replace(after.find("Affiche=0"), 9, "Affiche=1");
    EXPECT_EQ(readBytes(path), after);
    bool shown = true;
    load(&shown);
    EXPECT_FALSE(shown);
    ASSERT_TRUE(setShowAboutAtStart(false, &error)) << error;
    EXPECT_EQ(readBytes(path), before);
}

TEST_F(SettingsTest, AboutSwitchFailureReported)
{
    overrideSettingsFilePath(folder + "/missing-folder/Tolvane.ini");
    std::string error;
    EXPECT_FALSE(setShowAboutAtStart(true, &error));
    EXPECT_NE(error.find(folder + "/missing-folder/Tolvane.ini"), std::string::npos) << error;
}

TEST(FrenchTexts, EveryKeyHasOne)
{
    for (int key = 0; key <= 109; ++key)
        EXPECT_FALSE(frenchText(key).empty()) << key;
    EXPECT_EQ(frenchText(-1), "");
    EXPECT_EQ(frenchText(110), "");
    EXPECT_EQ(frenchText(15), "Pr\xC3\xA9"
                              "cision en interpolation en mm");
}

// ---- the settings file that ships beside the executable ----

class ShippedSettings : public ::testing::Test {
  protected:
    void SetUp() override { overrideSettingsFilePath(kShippedIni); }
    void TearDown() override
    {
        overrideSettingsFilePath("");
        machineSettings = MachineSettings{};
    }
};

TEST_F(ShippedSettings, GivesTheFactoryMachine)
{
    bool shown = false;
    const StepsPerMmTexts t = loadMachineSettings([&] { shown = true; });
    EXPECT_EQ(t.ofx + t.ofy + t.ofz, "404040");
    EXPECT_EQ(machineSettings.arcPrecision, 0.25f);
    EXPECT_EQ(machineSettings.maxSpeedXY, 50.0f);
    EXPECT_EQ(machineSettings.maxSpeedZ, 30.0f);
    EXPECT_EQ(machineSettings.language, 0);
    EXPECT_EQ(machineSettings.editorPath, MachineSettings{}.editorPath);
    EXPECT_EQ(machineSettings.driverPath, MachineSettings{}.driverPath);
    EXPECT_TRUE(shown);
}

// The file dialogs need the same patterns in every language.
std::vector<std::string> filterPatterns(const std::string& filter)
{
    std::vector<std::string> parts;
    std::stringstream in(filter);
    std::string part;
    for (int i = 0; std::getline(in, part, '|'); ++i) {
        if (i % 2 == 1)
            parts.push_back(part);
    }
    return parts;
}

TEST_F(ShippedSettings, EveryLanguageHasEveryText)
{
    const IniFile ini(kShippedIni);
    // The shipped French is the built-in one, but for a French Cancel and
    // About, an open dialog that starts on every G-code program, a Precision
    // caption that says its unit and "conversion" spelt right.
    const std::string programs = "Programmes G-code|*.nc;*.ngc;*.gcode;*.tap;*.iso;*.cnc|";
    for (int key = 0; key <= 109; ++key) {
        const std::string expected = key == 21   ? std::string("Annuler")
                                     : key == 25 ? std::string("A propos de Tolvane")
                                     : key == 27 ? programs + frenchText(27)
                                     : key == 15 ? std::string("Précision des arcs en pas moteur")
                                     : key == 30 ? std::string("Relancer la conversion")
                                                 : frenchText(key);
        EXPECT_EQ(ini.value("FR", std::to_string(key)), expected) << key;
    }
    for (const char* section : {"DE", "GB"}) {
        for (int key = 0; key <= 109; ++key) {
            const auto text = ini.value(section, std::to_string(key));
            ASSERT_TRUE(text.has_value()) << section << " " << key;
            EXPECT_FALSE(text->empty()) << section << " " << key;
        }
        for (int key : {27, 31, 93}) {
            const std::string text = *ini.value(section, std::to_string(key));
            const std::string french = *ini.value("FR", std::to_string(key));
            EXPECT_EQ(filterPatterns(text), filterPatterns(french)) << section << key;
            EXPECT_EQ(std::count(text.begin(), text.end(), '|'),
                      std::count(french.begin(), french.end(), '|'))
                << section << key;
        }
    }
}

TEST_F(ShippedSettings, AboutBlocksFollowTheKeysAndNameEveryCode)
{
    const std::string bytes = readBytes(kShippedIni);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find('\r'), std::string::npos) << "LF line ends";
    const std::size_t firstBlock = bytes.find("\n[AboutFR]\n");
    ASSERT_NE(firstBlock, std::string::npos);
    for (const char* header :
         {"[Applications]", "[Machine]", "[Langue]", "[About]\n", "[FR]", "[DE]", "[GB]"})
        EXPECT_LT(bytes.find(header), firstBlock) << header;
    for (const char* header : {"\n[AboutFR]\n", "\n[AboutDE]\n", "\n[AboutGB]\n"}) {
        const std::size_t start = bytes.find(header);
        ASSERT_NE(start, std::string::npos) << header;
        const std::size_t body = start + std::string(header).size();
        const std::size_t end = bytes.find('[', body);
        const std::string block = bytes.substr(body, end == std::string::npos ? end : end - body);
        for (const char* code : {"G00", "G01", "G02", "G03", "G04", "G17", "G18", "G19", "G20",
                                 "G70", "G21", "G71", "G28", "G30", "G80", "G81", "G82", "G83",
                                 "G90", "G91", "M02", "M03", "M05", "M06", "M30"})
            EXPECT_NE(block.find(code), std::string::npos) << header << code;
        EXPECT_GT(std::count(block.begin(), block.end(), '\n'), 8) << header;
    }
}

} // namespace
