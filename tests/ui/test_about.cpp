// The About box: the information text taken from the settings file, the
// captions, and the switch that keeps it from showing at start-up.
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "engine/IniFile.h"
#include "test_dialogs_fixture.h"
#include "ui/About.h"
#include "ui/Config.h"
#include "ui/Mainform.h"

namespace {

struct BlockCase {
    const char* name;
    std::string file;
    int language;
    std::vector<std::string> lines;
};

TEST(AboutText, LinesOfTheLanguageBlock)
{
    const std::vector<BlockCase> cases = {
        {"text, empty line, text, next header",
         "[GB]\n0=File\n[AboutGB]\nFirst line\n\nSecond line\n[AboutFR]\nTexte\n",
         2,
         {"First line", "", "Second line"}},
        {"a '[' anywhere ends the text", "[AboutGB]\nOne\nTwo [see manual]\nThree\n", 2, {"One"}},
        {"block at the end of the file", "[AboutDE]\nEins\n\nZwei", 1, {"Eins", "", "Zwei"}},
        {"final line break adds no line", "[AboutDE]\nEins\nZwei\n", 1, {"Eins", "Zwei"}},
        {"blank last line kept", "[AboutDE]\nEins\n\n", 1, {"Eins", ""}},
        {"CR LF and lone CR",
         "[AboutFR]\r\nUn\r\n\r\nDeux\rTrois\r\n",
         0,
         {"Un", "", "Deux", "Trois"}},
        {"header ignores case and blanks", "[aboutgb] \nHello\n", 2, {"Hello"}},
        {"header must be the whole line", "x[AboutGB]\nNo\n[AboutGB]x\nNo\n", 2, {}},
        {"missing header: from the first line",
         "Free text\nmore\n[FR]\n0=a\n",
         2,
         {"Free text", "more"}},
        {"missing header, file starting with a section", "[FR]\n0=a\n", 1, {}},
        {"first of two headers", "[AboutGB]\nA\n[AboutGB]\nB\n", 2, {"A"}},
        {"unknown language reads the French block", "[AboutGB]\nEn\n[AboutFR]\nFr\n", 7, {"Fr"}},
        {"lines unchanged, blanks included",
         "[AboutFR]\n  G00 : rapide  \n\tx=1\n",
         0,
         {"  G00 : rapide  ", "\tx=1"}},
        {"Windows-1252 file", "[AboutFR]\nAper\xE7u \x80\n", 0, {"Aper\xC3\xA7u \xE2\x82\xAC"}},
        {"UTF-8 file", "[AboutFR]\nAper\xC3\xA7u\n", 0, {"Aper\xC3\xA7u"}},
        {"empty block", "[AboutFR]\n[AboutDE]\nx\n", 0, {}},
        {"empty file", "", 0, {}},
    };
    for (const BlockCase& c : cases) {
        const QStringList lines = TAboutBox::aboutLines(c.file, c.language);
        std::vector<std::string> got;
        for (const QString& line : lines)
            got.push_back(line.toStdString());
        EXPECT_EQ(got, c.lines) << c.name;
    }
}

using AboutTest = DialogTest;

TEST_F(AboutTest, MemoShowsTheBlockOfTheLanguage)
{
    writeSettings("[Langue]\r\ncurrent=2\r\n[AboutGB]\r\nFirst line\r\n\r\nSecond line\r\n"
                  "[AboutFR]\r\nPremi\xE8re\r\n");
    TAboutBox box;
    EXPECT_EQ(box.Memo1->toPlainText().toStdString(), "First line\n\nSecond line");
    EXPECT_EQ(box.Memo1->document()->blockCount(), 3);
    EXPECT_TRUE(box.Memo1->isReadOnly());
}

TEST_F(AboutTest, CaptionsAndFixedTexts)
{
    struct Case {
        const char* file;
        std::vector<std::string> captions; // Copyright, Copyright1, CheckBox1, title, OK
    };
    const std::vector<Case> cases = {
        {"", {"Auteur", "Tests", "Ne plus afficher", "About", "Ok"}},
        {"[Langue]\ncurrent=1\n[DE]\n22=Autor\n24=Nicht mehr anzeigen\n25=Info\n20=OK\n",
         {"Autor", "Tests", "Nicht mehr anzeigen", "Info", "OK"}},
        {"[Langue]\ncurrent=9\n[FR]\n22=X\n",
         {"Auteur", "Tests", "Ne plus afficher", "About", "Ok"}},
    };
    for (const Case& c : cases) {
        writeSettings(c.file);
        TAboutBox box;
        const std::vector<std::string> got = {u8(box.Copyright->text()), u8(box.Copyright1->text()),
                                              u8(box.CheckBox1->text()), u8(box.windowTitle()),
                                              u8(box.OKButton->text())};
        EXPECT_EQ(got, c.captions) << c.file;
        EXPECT_EQ(u8(box.Softname->text()), "Tolvane");
        EXPECT_EQ(u8(box.Version->text()), "V 1.11");
        EXPECT_EQ(u8(box.Comments->text()), "02/01/2009");
        EXPECT_FALSE(box.Label3->text().isEmpty());
        EXPECT_FALSE(box.Label5->text().isEmpty());
        EXPECT_FALSE(box.Label4->text().isEmpty());
        EXPECT_TRUE(box.OKButton->isDefault());
    }
}

TEST_F(AboutTest, MissingFileLeavesTheTextEmpty)
{
    TAboutBox box;
    EXPECT_TRUE(box.Memo1->toPlainText().isEmpty());
    EXPECT_FALSE(box.CheckBox1->isChecked());
    EXPECT_EQ(u8(box.CheckBox1->text()), "Ne plus afficher");
    EXPECT_EQ(readSettings(), "<missing>") << "building the box writes nothing";
}

TEST_F(AboutTest, TickingWritesTheSwitchAtOnceKeepingTheRest)
{
    const std::string before = "[Langue]\r\ncurrent=0\r\n[About]\r\nAffiche=0\r\n"
                               "[AboutFR]\r\nTexte libre \xE9t\xE9\r\n\r\n= pas une cl\xE9\r\n";
    writeSettings(before);
    std::string ticked = before;
    ticked.replace(ticked.find("Affiche=0"), 9, "Affiche=1");
    {
        TAboutBox box;
        EXPECT_FALSE(box.CheckBox1->isChecked());
        box.CheckBox1->click();
        EXPECT_EQ(readSettings(), ticked) << "written before the box closes";
        box.reject(); // closed by its window button
    }
    EXPECT_EQ(readSettings(), ticked);
    {
        TAboutBox box;
        EXPECT_TRUE(box.CheckBox1->isChecked());
        box.CheckBox1->click();
    }
    EXPECT_EQ(readSettings(), before);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(AboutTest, FailedWriteReportedAndTickUndone)
{
    const std::string before = "[About]\nAffiche=0\n";
    writeSettings(before);
    TAboutBox box;
    {
        ReadOnlyFolder guard(dir.path());
        if (!guard.why().empty())
            GTEST_SKIP() << guard.why();
        box.CheckBox1->click();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(u8(boxes[0].text).find(settingsPath.toStdString()), std::string::npos)
        << u8(boxes[0].text);
    EXPECT_FALSE(box.CheckBox1->isChecked());
    EXPECT_EQ(readSettings(), before);
}

TEST_F(AboutTest, TickedBoxNoLongerShownAtStartButFromTheMenu)
{
    writeSettings("[About]\nAffiche=0\n");
    std::vector<std::string> shown;
    setDialogHandler([&](QDialog& dialog) {
        shown.push_back(dialog.metaObject()->className());
        if (auto* about = qobject_cast<TAboutBox*>(&dialog); about && shown.size() == 1)
            about->CheckBox1->click();
        return int(QDialog::Accepted);
    });
    {
        TForm1 first;
    }
    EXPECT_EQ(shown, std::vector<std::string>{"TAboutBox"});
    {
        TForm1 second;
        EXPECT_EQ(shown.size(), 1u) << "not shown at the second start";
        second.AboutClick();
    }
    EXPECT_EQ(shown.size(), 2u);
    setDialogHandler({});
}

// Pictures of both dialogs in German for the documentation. Run by hand under
// an X server (see docs): ui_tests --gtest_also_run_disabled_tests
// --gtest_filter='*Screenshot*' with TOLVANE_SCREENSHOT_DIR set.
TEST_F(AboutTest, DISABLED_ScreenshotsInGerman)
{
    const char* out = std::getenv("TOLVANE_SCREENSHOT_DIR");
    ASSERT_NE(out, nullptr);
    std::string file = shippedSettings();
    file.replace(file.find("current=0"), 9, "current=1");
    writeSettings(file);
    const QString folder = QString::fromLocal8Bit(out);
    {
        TAboutBox box;
        box.show();
        QApplication::processEvents();
        EXPECT_TRUE(box.grab().save(folder + QStringLiteral("/screenshot-about-de.png")));
    }
    {
        TForm2 dlg;
        dlg.show();
        QApplication::processEvents();
        const QPixmap machine = dlg.grab();
        dlg.PageControl1->setCurrentIndex(1);
        QApplication::processEvents();
        const QPixmap programs = dlg.grab();
        dlg.PageControl1->setCurrentIndex(2);
        QApplication::processEvents();
        const QPixmap language = dlg.grab();
        // The three pages one under the other in one picture.
        QImage sheet(machine.width(), machine.height() * 3 + 16, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        painter.drawPixmap(0, 0, machine);
        painter.drawPixmap(0, machine.height() + 8, programs);
        painter.drawPixmap(0, 2 * (machine.height() + 8), language);
        painter.end();
        EXPECT_TRUE(sheet.save(folder + QStringLiteral("/screenshot-config-de.png")));
    }
}

} // namespace
