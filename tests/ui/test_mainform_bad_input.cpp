// Hostile programs and settings files opened in the main window: the window
// must come back within its time bound, show only what the translation
// produced, and report each ignored word group in a box of bounded size
// (a box holding a 50 MB text would freeze the desktop).
#include <QMenu>
#include <functional>

#include "tests/ui/test_mainform_bad_input_fixture.h"
#include "ui/ReportBox.h"

namespace {

using namespace std::string_literals;

struct ProgramCase {
    const char* name;
    std::function<std::string()> program;
    int reports;                            // boxes shown; -1: at least one
    std::vector<std::string> commands;      // command lines, in this order
    std::vector<std::string> reportedTexts; // texts of the boxes (when given)
    bool skipRest = false;                  // answer the first box with "skip the rest"
    bool refused = false;                   // not G-code text: one box, nothing opened
};

void PrintTo(const ProgramCase& c, std::ostream* out)
{
    *out << c.name;
}

std::function<std::string()> text(std::string bytes)
{
    return [bytes] { return bytes; };
}

std::string repeated(const std::string& start, const std::string& piece, std::size_t size)
{
    std::string line = start;
    line.reserve(size + piece.size() + 1);
    while (line.size() < size)
        line += piece;
    return line + "\n";
}

std::vector<ProgramCase> programCases()
{
    return {
        {"EmptyFile", text(""), 0, {}, {}},
        {"BinaryFile", [] { return badinput::binaryBytes(64 * 1024); }, 1, {}, {}, false, true},
        {"SingleLineOf50MB",
         [] { return repeated("G1X1", "Y2", 50u << 20); },
         1, // a feed move before any F: said once
         {"PA 40,80;"},
         {}},
        // One word group of 50 MB that the translator refuses.
        {"ReportedLineOf50MB", [] { return repeated("", "F1", 50u << 20); }, 1, {}, {}},
        {"NulBytes", text("G1 X1\0Y2\n\0\0\nG0 \0X5\n"s), 1, {}, {}, false, true},
        {"ControlByteInALine",
         text("G1 X1\x01Y2\nG0 X5\n\x1bG0 X6\n"),
         2,
         {"PA 200,0;"},
         {"G1X1\x01Y2", "\x1bG0X6"}},
        {"InvalidUtf8",
         text("G1 X1\xc3Y1\xff\nM\xff\xfe\n(\xe2\x82 comment)\nG0X2\n"),
         2,
         {"PA 40,40;", "PA 80,40;"},
         {}},
        {"TenMillionBlankLines", [] { return std::string(10'000'000, '\n'); }, 0, {}, {}},
        {"Numbers27And28Characters",
         text("G1X000000000000000000000000010\nG1X0000000000000000000000000010\n"
              "G0Y-0000000000000000000000001\nG0Y1.00000000000000000000000000\n"),
         3,
         {"PA 400,0;", "PA 400,-40;"},
         {"G1X000000000000000000000000010", "G1X0000000000000000000000000010",
          "G0Y1.00000000000000000000000000"}},
        {"CoordinatesAtAndBeyond32BitSteps",
         text("G0X53687088\nG0X53687090\nG0X-53687088\nG0Y-53687090\nG0Z-53687088\n"
              "G0Z53687090\nG91\nG0X53687088\nG0X53687088\nG0X2\n"),
         4,
         {"PA 2147483520,0;", "PA -2147483520,0;", "@ZA 2147483520;", "PA 0,0;",
          "PA 2147483520,0;"},
         {"G0X53687090", "G0Y-53687090", "G0Z53687090", "G0X2"}},
        // A negative feed is reported and its move left out; a zero feed is
        // sent as 0.1 mm/s and reported with its move made.
        {"FeedZeroAndNegative",
         text("G1F0X1\nG1X2\nG1F-600X3\nG81X1Y1Z-1R1F0\nG80\n"),
         3,
         {"PA 40,0;", "PA 80,0;", "PA 40,40;"},
         {"G1F0X1", "G1F-600X3", "G81X1Y1Z-1R1F0"}},
    };
}

class WindowBadProgram : public MainformBadInputTest,
                         public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(WindowBadProgram, TranslatedInTimeWithBoundedReports)
{
    const ProgramCase& c = GetParam();
    const std::string program = c.program();
    makeForm();
    onBox = [&](const BoxRequest&) { return c.skipRest ? BoxAnswer::Second : BoxAnswer::Ok; };
    const auto start = std::chrono::steady_clock::now();
    openProgram(program);
    recordSeconds(c.name, secondsSince(start));

    const TForm1& f = *form;
    if (c.refused) {
        EXPECT_TRUE(f.sourceFileName().isEmpty());
        EXPECT_TRUE(f.sourceLines().empty());
        EXPECT_TRUE(f.commandLines().empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(badinput::utf8(boxes[0].text).find("part.nc\u00a0\u00bb\u00a0: ce n'est pas un "
                                                    "fichier texte G-code."),
                  std::string::npos)
            << badinput::utf8(boxes[0].text);
        return;
    }
    EXPECT_EQ(f.sourceFileName(), QFileInfo(path("part.nc")).absoluteFilePath());
    ASSERT_GE(f.commandLines().size(), 4u);
    EXPECT_EQ(f.commandLines()[0], "OF X: 40, Y:40, Z:40;");
    EXPECT_EQ(f.lineMap().size(), f.sourceLines().size());
    if (program.empty()) {
        EXPECT_EQ(f.sourceLines().size(), 0u);
    } else {
        EXPECT_GE(f.sourceLines().size(), 1u);
    }
    auto from = f.commandLines().begin() + 4;
    for (const std::string& expected : c.commands) {
        from = std::find(from, f.commandLines().end(), expected);
        ASSERT_NE(from, f.commandLines().end()) << "missing, or out of order: " << expected;
        ++from;
    }
    if (c.commands.empty() && c.reports == 0) {
        EXPECT_EQ(f.commandLines().size(), 4u);
    }

    if (c.reports >= 0) {
        EXPECT_EQ(static_cast<int>(boxes.size()), c.reports);
    } else {
        EXPECT_FALSE(boxes.empty());
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].caption, "Tolvane");
        EXPECT_LE(boxes[i].text.size(), kLongestBoxText) << "box " << i;
        if (c.name == std::string("ReportedLineOf50MB")) {
            EXPECT_EQ(boxGroup(boxes[i]).left(5), QStringLiteral("F1 F1"));
            EXPECT_EQ(boxGroup(boxes[i]).back(), QChar(0x2026)) << "cut, and seen to be cut";
        }
        if (c.skipRest) {
            EXPECT_FALSE(boxes[i].secondButton.isEmpty());
        }
        if (i < c.reportedTexts.size()) {
            const QString group = readableGroup(c.reportedTexts[i]);
            EXPECT_EQ(boxGroup(boxes[i]), group.isEmpty() ? QStringLiteral("(ligne vide)") : group);
        }
    }
    // The window still answers: a click on a line selects its commands.
    if (!f.sourceLines().empty()) {
        form->clickSourceLine(0);
        QApplication::processEvents();
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WindowBadProgram, ::testing::ValuesIn(programCases()),
                         [](const ::testing::TestParamInfo<ProgramCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- settings files the window loads

struct SettingsCase {
    const char* name;
    std::function<std::string()> settings;
    const char* stepsPerMm; // Ofx, Ofy and Ofz
    std::vector<std::string> commands;
    // Parts of the one box that names the values the window could not use;
    // empty: no box at all.
    std::vector<std::string> problems = {};
    bool aboutShown = false; // the file does not turn the About box off
    const char* fileMenu = "Fichier";
    bool folder = false; // a folder stands where the settings file should be
};

void PrintTo(const SettingsCase& c, std::ostream* out)
{
    *out << c.name;
}

std::vector<SettingsCase> settingsCases()
{
    return {
        {"Precision1e_30",
         text("[About]\nAffiche=1\n[Machine]\nPrecision=1e-30\n"),
         "40",
         {"PA 400,0;", "PA 40,0;"}},
        {"ZeroAndNegativePitches",
         text("[About]\nAffiche=1\n[Machine]\nPas de vis X=0\nPas de vis Y=-5\n"
              "Pas de vis Z=-0\nPas par tour Z=-200\n"),
         "40",
         {"PA 400,0;", "PA 40,0;"},
         // The keys as the configuration dialog names them, then as the file does.
         {"Axe X \u2013 Pas de la vis en mm (Pas de vis X) = 0 avec Axe X \u2013 Nombre de pas par "
          "tour (Pas par tour X) = 200 ne donne pas de nombre de pas par millim\u00e8tre "
          "utilisable",
          "(Pas de vis Y) = -5 avec",
          "(Pas de vis Z) = -0 avec Axe Z \u2013 Nombre de pas par tour "
          "(Pas par tour Z) = -200",
          "les valeurs d'usine 5\u00a0mm et 200 pas sont utilis\u00e9es"}},
        {"UnusableNumbers",
         text("[About]\nAffiche=1\n[Machine]\nVitesse maxi=vite\nVitesse maxi Z=-3\n"
              "Pas par tour X=2.5e3\nPrecision=0,0\n"),
         "40",
         {"PA 400,0;"},
         {"Vitesse rapide en mm/s sur axes XY (Vitesse maxi) = \u00ab\u00a0vite\u00a0\u00bb n'est "
          "pas un nombre\u00a0; 50 est "
          "utilis\u00e9.",
          "Vitesse rapide en mm/s sur axe Z (Vitesse maxi Z) = -3 n'est pas une vitesse que la "
          "machine peut suivre\u00a0; 30 est "
          "utilis\u00e9.",
          "Axe X \u2013 Nombre de pas par tour (Pas par tour X) = \u00ab\u00a02.5e3\u00a0\u00bb "
          "n'est pas un nombre entier\u00a0; 200 "
          "est utilis\u00e9.",
          "Precision = \u00ab\u00a00,0\u00a0\u00bb n'est pas un nombre sup\u00e9rieur \u00e0 0"}},
        {"SettingsPathIsAFolder",
         text(""),
         "40",
         {"PA 400,0;"},
         {"Le fichier n'a pas pu \u00eatre lu", "c'est un dossier, pas un fichier",
          "tous les r\u00e9glages prennent leur valeur d'usine"},
         true,
         "Fichier",
         true},
        {"BinarySettingsFile",
         [] { return badinput::binaryBytes(64 * 1024, 777); },
         "40",
         {"PA 400,0;"},
         {},
         true},
        {"SettingsFileOf100MB",
         [] {
             std::string bytes = "[About]\r\nAffiche=1\r\n[Machine]\r\nVitesse maxi=20\r\n";
             const std::string filler = "; a comment line of a very large settings file\r\n";
             bytes.reserve((100u << 20) + filler.size());
             while (bytes.size() < (100u << 20))
                 bytes += filler;
             return bytes + "[FR]\r\n0=Fichier du bout\r\n";
         },
         "40",
         {"PA 400,0;", "VS  20.00;"},
         {},
         false,
         "Fichier du bout"},
    };
}

class WindowBadSettings : public MainformBadInputTest,
                          public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(WindowBadSettings, LoadedInTimeWithUsableMachineValues)
{
    const SettingsCase& c = GetParam();
    const std::string bytes = c.settings();
    if (c.folder) {
        ASSERT_TRUE(QFile::remove(path("Tolvane.ini")));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Tolvane.ini")));
    } else {
        writeSettings(bytes);
    }
    const auto start = std::chrono::steady_clock::now();
    makeForm();
    openProgram("G2X10I5F300\nG0X1\n");
    recordSeconds(c.name, secondsSince(start));

    EXPECT_EQ(form->Ofx->text().toStdString(), c.stepsPerMm);
    EXPECT_EQ(form->Ofy->text().toStdString(), c.stepsPerMm);
    EXPECT_EQ(form->Ofz->text().toStdString(), c.stepsPerMm);
    if (c.problems.empty()) {
        EXPECT_TRUE(boxes.empty()) << badinput::utf8(boxes.front().text);
    } else {
        ASSERT_EQ(boxes.size(), 1u);
        const std::string shown = badinput::utf8(boxes[0].text);
        EXPECT_NE(shown.find("Certains r\u00e9glages de \u00ab\u00a0" +
                             path("Tolvane.ini").toStdString() +
                             "\u00a0\u00bb ne peuvent pas \u00eatre utilis\u00e9s\u00a0:"),
                  std::string::npos)
            << shown;
        for (const std::string& part : c.problems)
            EXPECT_NE(shown.find(part), std::string::npos) << part << "\nin: " << shown;
        EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
    }
    EXPECT_EQ(badinput::utf8(withoutMnemonic(form->Fichier1->title())), c.fileMenu);
    EXPECT_EQ(std::count(dialogs.begin(), dialogs.end(), "TAboutBox"), c.aboutShown ? 1 : 0);
    auto from = form->commandLines().begin();
    for (const std::string& expected : c.commands) {
        from = std::find(from, form->commandLines().end(), expected);
        ASSERT_NE(from, form->commandLines().end()) << "missing, or out of order: " << expected;
        ++from;
    }
    if (!c.folder) {
        // Reading never changes the file; opening a program adds it to the
        // recent files of a section of their own, after every other byte.
        const std::string now = readBytes(path("Tolvane.ini"));
        EXPECT_EQ(now.substr(0, bytes.size()), bytes);
        EXPECT_EQ(now.find("[Machine]", bytes.size()), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WindowBadSettings, ::testing::ValuesIn(settingsCases()),
                         [](const ::testing::TestParamInfo<SettingsCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
