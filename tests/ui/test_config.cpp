// The configuration dialog: what it shows, what OK writes, and what it
// refuses to write.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "engine/IniFile.h"
#include "test_dialogs_fixture.h"
#include "tests/support/TestSystem.h"
#include "ui/Config.h"
#include "ui/Mainform.h"

namespace {

const char* const kDefaultDriver = "C:\\Program Files\\Colinbus\\ColiDriveProfiler\\COLUSR.exe";

// What OK writes into an empty folder when nothing was changed.
std::string defaultFile()
{
    return "[Applications]\nEditeur=c:\\windows\\notepad.exe\nDriver=" +
           std::string(kDefaultDriver) +
           "\n[Machine]\nPas de vis X=5\nPas par tour X=200\nPas de vis Y=5\n"
           "Pas par tour Y=200\nPas de vis Z=5\nPas par tour Z=200\nVitesse maxi=50\n"
           "Vitesse maxi Z=30\nPrecision=" +
           formatSettingsFloat(0.05f) + "\n[Langue]\ncurrent=0\n";
}

using ConfigTest = DialogTest;

TEST_F(ConfigTest, WithoutFileShowsTheFactorySettings)
{
    TForm2 dlg;
    const std::vector<std::pair<const char*, std::string>> edits = {
        {"EditorName", "c:\\windows\\notepad.exe"},
        {"DriverName", kDefaultDriver},
        {"PasVisX", "5"},
        {"PasParTourX", "200"},
        {"PasVisY", "5"},
        {"PasParTourY", "200"},
        {"PasVisZ", "5"},
        {"PasParTourZ", "200"},
        {"VMax", "50"},
        {"VMax_Z", "30"},
        {"Precision", formatSettingsFloat(0.05f)},
    };
    for (const auto& [name, text] : edits) {
        const auto* edit = dlg.findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_EQ(u8(edit->text()), text) << name;
    }
    EXPECT_EQ(dlg.LangueChoisie->currentIndex(), 0);
    EXPECT_EQ(u8(dlg.LangueChoisie->currentText()), "Fran\xC3\xA7"
                                                    "ais");
    EXPECT_EQ(dlg.LangueChoisie->count(), 3);
    EXPECT_TRUE(dlg.LangueChoisie->isEditable());
    EXPECT_EQ(u8(dlg.windowTitle()), "Config Tolvane");
}

TEST_F(ConfigTest, CaptionsByNumberInTheFileLanguage)
{
    struct Case {
        const char* label;
        std::string french;
        std::string german;
    };
    const std::vector<Case> cases = {
        {"Label3", "Axe X", "X-Achse"},
        {"Label7", "Axe Y", "Y-Achse"},
        {"Label15", "Axe Z", "Z-Achse"},
        {"Label4", "Nombre de pas par tour", "Schritte pro Umdrehung"},
        {"Label16", "Nombre de pas par tour", "Schritte pro Umdrehung"},
        {"Label9", "Pas de la vis en mm", "Spindelsteigung in mm"},
        {"Label17", "Autres", "Sonstiges"},
        {"Label10", "Vitesse rapide en mm/s sur axes XY", "Eilgang in mm/s auf X und Y"},
        {"Label11", "Vitesse rapide en mm/s sur axe Z", "Eilgang in mm/s auf Z"},
        // The shipped file says what the value is: a tolerance in motor steps.
        {"Label6",
         "Pr\xC3\xA9"
         "cision des arcs en pas moteur",
         "Bogentoleranz in Motorschritten"},
        {"Label1", "Editeur de texte", "Texteditor"},
        {"Label2", "Controle profiler", "Profiler-Steuerung"},
    };
    std::string file = shippedSettings();
    ASSERT_FALSE(file.empty());
    for (const std::string& language : {std::string("0"), std::string("1")}) {
        file.replace(file.find("current=") + 8, 1, language);
        writeSettings(file);
        TForm2 dlg;
        const bool german = language == "1";
        for (const Case& c : cases) {
            const auto* label = dlg.findChild<QLabel*>(QString::fromLatin1(c.label));
            ASSERT_NE(label, nullptr) << c.label;
            EXPECT_EQ(u8(label->text()), german ? c.german : c.french) << c.label;
        }
        EXPECT_EQ(u8(dlg.BitBtn2->text()), german ? "Abbrechen" : "Annuler");
        EXPECT_EQ(u8(dlg.PageControl1->tabText(0)), "Profiler");
        EXPECT_EQ(u8(dlg.PageControl1->tabText(1)), german ? "Programme" : "Applications");
        EXPECT_EQ(u8(dlg.PageControl1->tabText(2)), german ? "Sprache" : "Langue");
    }
}

TEST_F(ConfigTest, LongCaptionsGrowAwayFromTheirField)
{
    writeSettings("[Langue]\ncurrent=2\n[GB]\n11=Motor steps per full revolution\n");
    TForm2 dlg;
    EXPECT_EQ(dlg.Label4->geometry().right() + 1, 175) << "right edge stays by the field";
    EXPECT_LT(dlg.Label4->x(), 54);
    EXPECT_GE(dlg.Label4->x(), 0);
    EXPECT_GE(dlg.Label4->width(), dlg.Label4->sizeHint().width());
}

TEST_F(ConfigTest, OkUnchangedStoresTheShownPrecision)
{
    {
        TForm2 dlg;
        dlg.BitBtn1->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(readSettings(), defaultFile());
    EXPECT_TRUE(boxes.empty());
    loadMachineSettings();
    EXPECT_EQ(machineSettings.arcPrecision, 0.05f);
}

TEST_F(ConfigTest, TravelIsStoredAndAnEmptyOneStaysUnknown)
{
    {
        TForm2 dlg;
        EXPECT_EQ(dlg.CourseX->text(), QString());
        dlg.CourseX->setText(QStringLiteral("300"));
        dlg.CourseZ->setText(QStringLiteral("80,5"));
        dlg.BitBtn1->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_NE(readSettings().find("Course X=300\nCourse Z=80,5\n"), std::string::npos);
    EXPECT_EQ(readSettings().find("Course Y"), std::string::npos);
    loadMachineSettings();
    EXPECT_EQ(machineSettings.travelX, 300.0f);
    EXPECT_EQ(machineSettings.travelY, 0.0f);
    EXPECT_EQ(machineSettings.travelZ, 80.5f);
    {
        // Emptied again: the key stays, without a value, and means unknown.
        TForm2 dlg;
        EXPECT_EQ(dlg.CourseZ->text(), QStringLiteral("80,5"));
        dlg.CourseZ->clear();
        dlg.BitBtn1->click();
    }
    EXPECT_NE(readSettings().find("Course Z=\n"), std::string::npos);
    loadMachineSettings();
    EXPECT_EQ(machineSettings.travelZ, 0.0f);
}

TEST_F(ConfigTest, EitherDecimalSeparatorAccepted)
{
    for (const char* typed : {"2,5", "2.5", " 2,5 "}) {
        writeSettings("");
        TForm2 dlg;
        dlg.PasVisX->setText(QString::fromLatin1(typed));
        dlg.VMax_Z->setText(QStringLiteral("12,5"));
        dlg.BitBtn1->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted) << typed;
        const IniFile ini(settingsPath.toStdString());
        EXPECT_EQ(ini.value("Machine", "Pas de vis X"), formatSettingsFloat(2.5f)) << typed;
        EXPECT_EQ(ini.value("Machine", "Vitesse maxi Z"), formatSettingsFloat(12.5f)) << typed;
        EXPECT_EQ(loadMachineSettings().ofx, "80") << typed;
    }
}

TEST_F(ConfigTest, PrecisionStoredAsTyped)
{
    TForm2 dlg;
    dlg.Precision->setText(QStringLiteral("0,1"));
    dlg.BitBtn1->click();
    EXPECT_EQ(IniFile(settingsPath.toStdString()).value("Machine", "Precision"), "0,1");
    loadMachineSettings();
    EXPECT_EQ(machineSettings.arcPrecision, 0.1f);
}

TEST_F(ConfigTest, BadFieldWritesNothingAndNamesTheField)
{
    struct Case {
        const char* field;
        const char* text;
        std::vector<std::string> named; // parts of the message
    };
    const std::vector<Case> cases = {
        {"PasVisX", "abc", {"Axe X", "Pas de la vis en mm", "abc"}},
        {"PasVisX", "0", {"Axe X", "Pas de la vis en mm"}},
        {"PasVisY", "2.5.1", {"Axe Y", "Pas de la vis en mm"}},
        {"PasVisZ", "", {"Axe Z", "Pas de la vis en mm"}},
        {"PasParTourX", "-200", {"Axe X", "Nombre de pas par tour", "entier"}},
        {"PasParTourZ", "2.5", {"Axe Z", "Nombre de pas par tour"}},
        {"PasParTourY", "99999999999", {"Axe Y", "Nombre de pas par tour"}},
        // Numbers that read, yet no machine has: each field's range is said.
        {"PasParTourX", "2147483647", {"Axe X", "Nombre de pas par tour", "1 et 1000000"}},
        {"VMax", "1000000", {"Vitesse rapide en mm/s sur axes XY", "0.1 et 1000"}},
        {"Precision", "0.0001", {"cision", "0.001 et 10"}},
        // A lead the loader would replace: less than one step per millimetre.
        {"PasVisX", "300", {"Axe X", "Pas de la vis en mm", "200 pas par tour", "0.67"}},
        {"PasVisZ", "0.01", {"Axe Z", "Pas de la vis en mm", "0.1 et 500"}},
        {"CourseZ", "haut", {"Axe Z", "Course en mm", "vide"}},
        {"CourseX", "0", {"Axe X", "Course en mm"}},
        {"CourseY", "20000", {"Axe Y", "Course en mm", "1 et 10000"}},
        {"VMax", "0", {"Vitesse rapide en mm/s sur axes XY"}},
        {"VMax_Z", "-1", {"Vitesse rapide en mm/s sur axe Z"}},
        {"VMax_Z", "inf", {"Vitesse rapide en mm/s sur axe Z"}},
        {"Precision",
         "fine",
         {"Pr\xC3\xA9"
          "cision"}},
        {"Precision",
         "0",
         {"Pr\xC3\xA9"
          "cision"}},
        {"Precision",
         "-0,05",
         {"Pr\xC3\xA9"
          "cision"}},
    };
    const std::string before = "[Applications]\r\nEditeur=vi\r\n[AboutFR]\r\nTexte\r\n";
    for (const Case& c : cases) {
        writeSettings(before);
        boxes.clear();
        TForm2 dlg;
        dlg.EditorName->setText(QStringLiteral("emacs"));
        dlg.findChild<QLineEdit*>(QString::fromLatin1(c.field))
            ->setText(QString::fromLatin1(c.text));
        dlg.BitBtn1->click();
        EXPECT_NE(dlg.result(), QDialog::Accepted) << c.field << " " << c.text;
        EXPECT_EQ(readSettings(), before) << c.field << " " << c.text;
        ASSERT_EQ(boxes.size(), 1u) << c.field << " " << c.text;
        for (const std::string& part : c.named)
            EXPECT_NE(u8(boxes[0].text).find(part), std::string::npos)
                << c.field << ": " << u8(boxes[0].text);
    }
}

TEST_F(ConfigTest, BrowsingThenCancelOrOk)
{
    const std::string before = "[Applications]\nEditeur=vi\n";
    writeSettings(before);
    fileChoice = QStringLiteral("/usr/bin/gedit");
    TForm2 dlg;
    dlg.BitBtn3->click();
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(u8(fileDialogs[0].title), "Rechercher un fichier");
    // Every file first where programs have no ".exe"; on Windows the
    // programs first.
    EXPECT_EQ(u8(fileDialogs[0].filter), testsys::onWindows()
                                             ? "Fichier exe|*.exe|Tous les fichiers|*.*"
                                             : "Tous les fichiers|*.*|Fichier exe|*.exe");
    EXPECT_EQ(fileDialogs[0].mode, FileDialog::Mode::Open);
    EXPECT_EQ(u8(dlg.EditorName->text()), "/usr/bin/gedit");
    dlg.BitBtn2->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(readSettings(), before);

    // Browsing then OK stores the choice; a cancelled browse changes nothing.
    TForm2 again;
    fileChoice = QStringLiteral("/opt/Profiler/drive r");
    again.BitBtn4->click();
    fileChoice.reset();
    again.BitBtn3->click();
    again.BitBtn1->click();
    const IniFile ini(settingsPath.toStdString());
    EXPECT_EQ(ini.value("Applications", "Editeur"), "vi");
    EXPECT_EQ(ini.value("Applications", "Driver"), "/opt/Profiler/drive r");
}

TEST_F(ConfigTest, LanguageChoice)
{
    struct Case {
        int index; // -1: type `typed` instead
        const char* typed;
        int32_t written;
    };
    const std::vector<Case> cases = {
        {1, "", 1}, {2, "", 2}, {0, "", 0}, {-1, "Klingon", -1}, {-1, "english", 2}, {-1, "", -1},
    };
    for (const Case& c : cases) {
        writeSettings("");
        TForm2 dlg;
        if (c.index >= 0)
            dlg.LangueChoisie->setCurrentIndex(c.index);
        else
            dlg.LangueChoisie->setEditText(QString::fromLatin1(c.typed));
        dlg.BitBtn1->click();
        EXPECT_EQ(IniFile(settingsPath.toStdString()).readInteger("Langue", "current", 99),
                  c.written)
            << c.index << c.typed;
        // The dialog's own captions follow at its next opening.
        EXPECT_EQ(dlg.language(), 0);
    }
}

TEST_F(ConfigTest, UnknownLanguageInFileShowsNoItemAndFrenchCaptions)
{
    writeSettings("[Langue]\ncurrent=-1\n[FR]\n8=Essieu X\n");
    TForm2 dlg;
    EXPECT_EQ(dlg.LangueChoisie->currentIndex(), -1);
    EXPECT_EQ(u8(dlg.LangueChoisie->currentText()), "");
    EXPECT_EQ(u8(dlg.Label3->text()), "Axe X");
    dlg.BitBtn1->click();
    EXPECT_EQ(IniFile(settingsPath.toStdString()).readInteger("Langue", "current", 99), -1);
}

TEST_F(ConfigTest, OkKeepsEveryOtherByteAndEncoding)
{
    // A file from the Windows machines: CR LF, accents as single bytes.
    const std::string before =
        "; r\xE9glages\r\n[Applications]\r\nEditeur=c:\\\xE9"
        "diteur\\ed.exe\r\n"
        "Driver=drv\r\nInconnu=1\r\n[Machine]\r\nPas de vis X=2,5\r\nPas par tour X=200\r\n"
        "Pas de vis Y=5\r\nPas par tour Y=200\r\nPas de vis Z=5\r\nPas par tour Z=200\r\n"
        "Vitesse maxi=50\r\nVitesse maxi Z=30\r\nPrecision=0,1\r\n[Langue]\r\ncurrent=0\r\n"
        "[FR]\r\n33=Aper\xE7u\r\n[AboutFR]\r\nLibre = gratuit \xE9t\xE9\r\n\r\nFin\r\n";
    writeSettings(before);
    {
        TForm2 dlg;
        EXPECT_EQ(u8(dlg.EditorName->text()), "c:\\\xC3\xA9"
                                              "diteur\\ed.exe");
        EXPECT_EQ(u8(dlg.PasVisX->text()), formatSettingsFloat(2.5f));
        dlg.BitBtn1->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    // Only the pitch is rewritten, in the program's own number format.
    std::string expected = before;
    expected.replace(expected.find("2,5"), 3, formatSettingsFloat(2.5f));
    EXPECT_EQ(readSettings(), expected);
    {
        TForm2 dlg;
        dlg.VMax->setText(QStringLiteral("60"));
        dlg.BitBtn1->click();
    }
    expected.replace(expected.find("Vitesse maxi=50"), 15, "Vitesse maxi=60");
    EXPECT_EQ(readSettings(), expected);
}

TEST_F(ConfigTest, ReadOnlyFolderReportedAndDialogStaysOpen)
{
    const std::string before = "[Machine]\nVitesse maxi=50\n";
    writeSettings(before);
    TForm2 dlg;
    dlg.VMax->setText(QStringLiteral("70"));
    {
        ReadOnlyFolder guard(dir.path());
        if (!guard.why().empty())
            GTEST_SKIP() << guard.why();
        dlg.BitBtn1->click();
    }
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(boxes.size(), 1u);
    const std::string text = u8(boxes[0].text);
    EXPECT_NE(text.find(settingsPath.toStdString()), std::string::npos) << text;
    EXPECT_NE(text.find("permission refus\u00e9e"), std::string::npos) << text;
    EXPECT_EQ(readSettings(), before);
    // Once the folder is writable again, the same dialog saves.
    dlg.BitBtn1->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(IniFile(settingsPath.toStdString()).value("Machine", "Vitesse maxi"), "70");
}

// The main window's configuration command with the dialog confirmed in German.
TEST_F(ConfigTest, GermanTakesEffectInTheMenusAtOnce)
{
    std::string file = shippedSettings();
    file.replace(file.find("Affiche=0"), 9, "Affiche=1");
    writeSettings(file);
    setDialogHandler([](QDialog& dialog) {
        auto* config = qobject_cast<TForm2*>(&dialog);
        if (!config)
            return int(QDialog::Rejected);
        config->LangueChoisie->setCurrentIndex(1);
        config->BitBtn1->click();
        return config->result();
    });
    {
        TForm1 form;
        EXPECT_EQ(form.language(), 0);
        form.ConfigClick();
        EXPECT_EQ(form.language(), 1);
        // With their Alt keys.
        EXPECT_EQ(u8(form.Fichier1->title()), "&Datei");
        EXPECT_EQ(u8(form.Configuration1->text()), "&Einstellungen");
        EXPECT_EQ(IniFile(settingsPath.toStdString()).readInteger("Langue", "current", 0), 1);
    }
    setDialogHandler({});
    // A fresh dialog now speaks German.
    TForm2 dlg;
    EXPECT_EQ(u8(dlg.Label3->text()), "X-Achse");
}

} // namespace

namespace {

// The rows of the machine page, left to right as designed.
std::vector<std::vector<QWidget*>> machineRows(const TForm2& d)
{
    return {{d.Label4, d.PasParTourX, d.Label5, d.PasVisX, d.LabelCourseX, d.CourseX},
            {d.Label8, d.PasParTourY, d.Label9, d.PasVisY, d.LabelCourseY, d.CourseY},
            {d.Label16, d.PasParTourZ, d.Label18, d.PasVisZ, d.LabelCourseZ, d.CourseZ},
            {d.Label10, d.VMax, d.Label6, d.Precision},
            {d.Label11, d.VMax_Z}};
}

} // namespace

TEST_F(ConfigTest, EveryFieldShowsTenDigitsAndKeepsItsPlace)
{
    std::string file = shippedSettings();
    ASSERT_FALSE(file.empty());
    for (const char* language : {"0", "1", "2"}) {
        file.replace(file.find("current=") + 8, 1, language);
        writeSettings(file);
        TForm2 dlg;
        dlg.show();
        QApplication::processEvents();
        for (QLineEdit* edit : dlg.findChildren<QLineEdit*>()) {
            if (edit->parentWidget() == dlg.LangueChoisie)
                continue;
            // A value that does not fit scrolls when the cursor goes to its
            // end; one that fits looks the same wherever the cursor is.
            edit->setText(QStringLiteral("1234567890"));
            edit->setCursorPosition(10);
            const QImage atEnd = edit->grab().toImage();
            edit->setCursorPosition(0);
            const QImage atStart = edit->grab().toImage();
            EXPECT_EQ(atEnd, atStart)
                << u8(edit->objectName()) << " cuts 1234567890, language " << language;
        }
        // Designed tops, designed order from left to right, nothing
        // overlapping, everything inside the page.
        for (const auto& row : machineRows(dlg)) {
            for (std::size_t i = 0; i + 1 < row.size(); ++i)
                EXPECT_LT(row[i]->geometry().right(), row[i + 1]->geometry().left())
                    << u8(row[i]->objectName()) << " / " << u8(row[i + 1]->objectName());
            EXPECT_LE(row.back()->geometry().right(), dlg.TabSheet1->width())
                << u8(row.back()->objectName());
        }
        const std::pair<QWidget*, int> tops[] = {{dlg.PasParTourX, 35}, {dlg.PasVisY, 83},
                                                 {dlg.PasVisZ, 131},    {dlg.VMax, 195},
                                                 {dlg.Precision, 195},  {dlg.VMax_Z, 230}};
        for (const auto& [edit, top] : tops)
            EXPECT_EQ(edit->y(), top) << u8(edit->objectName());
        EXPECT_EQ(dlg.PasParTourX->x(), 181) << "the first field stays where it was designed";
        EXPECT_GT(dlg.width(), 529) << "the dialog grew by what the fields needed";
        EXPECT_EQ(dlg.PageControl1->width(), dlg.width());
        EXPECT_EQ(dlg.height(), 360);
    }
}

TEST(ConfigBrowse, ProgramsFilterStartsOnEveryFileOutsideWindows)
{
    struct Case {
        QString filter;
        bool windows;
        QString expected;
    };
    const Case cases[] = {
        {"Fichier exe|*.exe|Tous les fichiers|*.*", true,
         "Fichier exe|*.exe|Tous les fichiers|*.*"},
        {"Fichier exe|*.exe|Tous les fichiers|*.*", false,
         "Tous les fichiers|*.*|Fichier exe|*.exe"},
        {"exe|*.exe|bat|*.bat;*.cmd|all|*", false, "all|*|exe|*.exe|bat|*.bat;*.cmd"},
        {"exe|*.exe", false, "exe|*.exe"},
        {"", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(programsFilter(c.filter, c.windows), c.expected)
            << u8(c.filter) << (c.windows ? " on Windows" : "");
    EXPECT_EQ(runsOnWindows(), testsys::onWindows());
}
