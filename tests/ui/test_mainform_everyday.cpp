// The window for everyday work: the report boxes' texts and count, the
// driver's prompt and arguments, the title, go-to-line and find, recent files
// across a restart, the actions that wait for a translation, the menus' keys.
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include "test_mainform_fixture.h"
#include "tests/support/TestSystem.h"
#include "ui/Mnemonics.h"
#include "ui/ReasonText.h"
#include "ui/ReportBox.h"

namespace {

QString nbsp(const char* text)
{
    return QString::fromUtf8(text).replace(QLatin1Char('~'), QChar(0xA0));
}

} // namespace

TEST(ReportBoxText, SaysWhatHappenedWhyWhereAndHowMany)
{
    struct Case {
        int language;
        const char* group;
        ReportInfo info;
        std::size_t index, count;
        const char* text;
        const char* informative;
        bool skipButton;
    };
    const Case cases[] = {
        {0, "G64P0.01", {ReportReason::UnsupportedCode, false}, 0, 1,
         "Non traduit~: G64 P0.01\nRaison~: code non pris en charge.", "L", false},
        {2, "G1X10A90", {ReportReason::OtherAxis, true}, 1, 3,
         "Partly translated: G1 X10 A90\nReason: axis this machine does not have (A, B, C, U, V, "
         "W).\nWhat could be translated was; the rest of the group was left out.",
         "L\n\nReport 2 / 3", true},
        {1, "M8()", {ReportReason::UnsupportedCode, false}, 2, 3,
         "Nicht übersetzt: M8\nGrund: nicht unterstützter Code.", "L\n\nMeldung 3 / 3", false},
        {0, "", {ReportReason::UnsupportedCode, false}, 0, 2,
         "Non traduit~: (ligne vide)\nRaison~: code non pris en charge.", "L\n\nRapport 1 / 2",
         true},
        {2, "X[1+#2]Y2", {ReportReason::Parameter, false}, 0, 1,
         "Not translated: X[1+#2] Y2\nReason: parameter or expression.", "L", false},
    };
    for (const Case& c : cases) {
        const BoxRequest r = reportBoxRequest(
            {c.language, c.group, false, c.info, QStringLiteral("L"), c.index, c.count});
        EXPECT_EQ(r.text, nbsp(c.text)) << c.group;
        EXPECT_EQ(r.informative, QString::fromUtf8(c.informative)) << c.group;
        EXPECT_EQ(!r.secondButton.isEmpty(), c.skipButton) << c.group;
    }
}

TEST(ReportReasonTexts, EveryReasonHasItsWordsInEachLanguage)
{
    for (int r = 0; r <= static_cast<int>(kLastReportReason); ++r) {
        const auto reason = static_cast<ReportReason>(r);
        EXPECT_EQ(reportReasonText(2, reason), QString::fromUtf8(reasonText(reason))) << r;
        for (int l : {0, 1})
            EXPECT_NE(reportReasonText(l, reason), reportReasonText(2, reason)) << r << l;
    }
}

TEST(Mnemonics, OneFreeLetterPerCaption)
{
    EXPECT_EQ(withMnemonics({"Fichier", "Edition", "Configuration", "Fraisage", "A propos"}),
              (QStringList{"&Fichier", "&Edition", "&Configuration", "F&raisage", "&A propos"}));
    EXPECT_EQ(withMnemonics({"Save && go", "Stop"}), (QStringList{"&Save && go", "S&top"}));
    EXPECT_EQ(withMnemonics({"a", "A"}), (QStringList{"&a", "A"}));
}

TEST_F(MainformTest, ReportBoxesComeAfterTheRunWithTheirCountAndStopWhenSkipped)
{
    onBox = [](const BoxRequest& box) {
        return box.informative.endsWith("2 / 3") ? BoxAnswer::Second : BoxAnswer::Ok;
    };
    TForm1& w = openProgram("G0 X1 F100\nM50\nG1 X2 A90\nM51\n");
    ASSERT_EQ(boxes.size(), 2u) << "the skip button stops the boxes";
    EXPECT_TRUE(boxes[0].informative.startsWith(nbsp("Ligne 2~: M50")));
    EXPECT_TRUE(boxes[0].informative.endsWith("1 / 3"));
    EXPECT_EQ(boxes[1].secondButton, "Ne plus afficher de rapports pour cette traduction");
    // Still marked and counted, each with its reason in the tooltip.
    EXPECT_EQ(w.reportedLines().groupCount(), 3u);
    const QAbstractItemModel* model = w.Source->model();
    EXPECT_EQ(model->index(2, 0).data(Qt::ToolTipRole).toString(),
              nbsp("Traduit en partie~: G1 X2 A90 (axe que cette machine n'a pas (A, B, C, U, "
                   "V, W))"));
    EXPECT_EQ(model->index(3, 0).data(Qt::ToolTipRole).toString(),
              nbsp("Non traduit~: M51 (code non pris en charge)"));
    // The status line follows the selection.
    clickRow(w.Source, 3);
    EXPECT_TRUE(w.StatusLine->text().startsWith(
        nbsp("Ligne signal\u00e9e 3 sur 3~: ligne 4~: code non pris en charge")))
        << w.StatusLine->text().toStdString();
    clickRow(w.Source, 0);
    EXPECT_TRUE(w.StatusLine->text().startsWith(nbsp("3 codes ignor\u00e9s sur 3 lignes")));
}

TEST_F(MainformTest, TitleActionsAndStatusFollowTheTranslation)
{
    TForm1& w = makeForm();
    EXPECT_EQ(w.windowTitle(), "Tolvane");
    for (QAction* a : {w.Enregistrer1, w.Apercu1, w.Usiner1})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    // Ctrl+S with nothing translated writes nothing.
    fileChoice = path("nothing.Cbr");
    w.BitBtn1Click();
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_FALSE(QFileInfo::exists(path("nothing.Cbr")));

    openProgram("   \n\n");
    EXPECT_TRUE(w.StatusLine->text().startsWith("Le programme est vide"));
    openProgram("G0 X1\n", "plate.nc");
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("plate.nc[*] \u2014 Tolvane"));
    EXPECT_TRUE(w.isWindowModified());
    for (QAction* a : {w.Enregistrer1, w.Apercu1, w.Usiner1})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    fileChoice = path("plate.Cbr");
    w.BitBtn1Click();
    EXPECT_FALSE(w.isWindowModified());
    EXPECT_EQ(w.StatusLine->text(),
              nbsp("Enregistr\u00e9~: ") + QDir::toNativeSeparators(path("plate.Cbr")));
    w.Relancer1Click();
    EXPECT_TRUE(w.isWindowModified()) << "a new translation is not saved";
}

TEST_F(MainformTest, GoToLineAndFind)
{
    TForm1& w = openProgram("G0 X1\nG0 Y2\n(probe)\nG0 X3\ng0 y4\n");
    onDialog = [](QDialog& d) { static_cast<QInputDialog&>(d).setIntValue(4); };
    acceptDialog = "QInputDialog";
    w.AllerLigne1Click();
    EXPECT_EQ(sourceRow(), 3);
    EXPECT_FALSE(w.goToLine(0));
    EXPECT_FALSE(w.goToLine(6));
    EXPECT_EQ(w.AllerLigne1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_EQ(w.RechercherSuivant1->shortcut(), QKeySequence(Qt::Key_F3));

    onDialog = [](QDialog& d) { static_cast<QInputDialog&>(d).setTextValue("Y"); };
    w.Rechercher1Click(); // from line 4 down: "g0 y4"
    EXPECT_EQ(sourceRow(), 4);
    w.RechercherSuivant1Click(); // round to the top
    EXPECT_EQ(sourceRow(), 1);
    EXPECT_FALSE(w.findText("G2"));
    EXPECT_EQ(sourceRow(), 1);
}

TEST_F(MainformTest, RecentFilesSurviveARestartAndKeepTheOtherBytes)
{
    const std::string settings = "[About]\r\nAffiche=1\r\n; mine\r\n[AboutGB]\r\nHello\xe9\r\n";
    writeSettings(settings);
    openProgram("G0 X1\n", "a.nc");
    openProgram("G0 X2\n", "b.nc");
    openProgram("G0 X3\n", "a.nc");
    const QStringList expected{path("a.nc"), path("b.nc")};
    EXPECT_EQ(form->recentFiles(), expected);
    form->close();
    const std::string bytes = readBytes(path("Tolvane.ini"));
    EXPECT_EQ(bytes.substr(0, settings.size()), settings) << "every other line kept";
    EXPECT_NE(bytes.find("[Session]\r\n"), std::string::npos);

    form.reset();
    TForm1& again = makeForm();
    EXPECT_EQ(again.recentFiles(), expected);
    ASSERT_GE(again.FichiersRecents1->actions().size(), 2);
    again.FichiersRecents1->actions()[1]->trigger();
    EXPECT_EQ(again.sourceFileName(), path("b.nc"));
}

TEST_F(MainformTest, DriverPromptThenTheFileToLoad)
{
    struct Case {
        const char* name;
        BoxAnswer answer; // to "save first?"
        bool optionOn;
        bool savedBefore;
        std::size_t starts;
        bool passesFile;
    };
    const Case cases[] = {
        {"cancel", BoxAnswer::Third, true, false, 0, false},
        {"save then start, option off", BoxAnswer::Ok, false, false, 1, false},
        {"save then start, option on", BoxAnswer::Ok, true, false, 1, true},
        {"start without saving, nothing saved", BoxAnswer::Second, true, false, 1, false},
        {"start without saving an older file", BoxAnswer::Second, true, true, 1, true},
    };
    for (const Case& c : cases) {
        writeSettings(std::string("[About]\nAffiche=1\n[Applications]\nDriver=/bin/true\n") +
                      (c.optionOn ? "Driver avec fichier=1\n" : ""));
        form.reset();
        openProgram("G0 X1\n");
        fileChoice = path("part.Cbr");
        QFile::remove(path("part.Cbr"));
        if (c.savedBefore) {
            form->BitBtn1Click();
            form->Relancer1Click();
        }
        boxes.clear();
        started.clear();
        onBox = [&c](const BoxRequest& box) {
            return box.thirdButton.isEmpty() ? BoxAnswer::Ok : c.answer;
        };
        form->Usiner1Click();
        ASSERT_EQ(started.size(), c.starts) << c.name;
        if (c.starts == 0)
            continue;
        EXPECT_EQ(started[0].arguments,
                  c.passesFile ? QStringList{QDir::toNativeSeparators(path("part.Cbr"))}
                               : QStringList{})
            << c.name;
        // The last box names the file to load and the clipboard holds it.
        const bool saved = c.answer == BoxAnswer::Ok || c.savedBefore;
        EXPECT_EQ(boxes.back().text.contains(QDir::toNativeSeparators(path("part.Cbr"))), saved)
            << c.name;
        if (saved) {
            EXPECT_EQ(QGuiApplication::clipboard()->text(),
                      QDir::toNativeSeparators(path("part.Cbr")));
        }
    }
}

TEST_F(MainformTest, AStandInEditorAndDriverGetTheirFileAsTheOneArgument)
{
    // Real programs started the real way, from a folder of blanks and
    // accents, with a file of blanks and accents: each gets its own path
    // and the file as the words of its command line.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QString::fromUtf8("outils à l'essai")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromUtf8("pièces 2")));
    const QString saved = path(QString::fromUtf8("pièces 2/plaque de test.Cbr"));
    const QString source = path(QString::fromUtf8("pièces 2/plaque été.nc"));
    struct Case {
        const char* stem;
        bool driver;
        QString file;
    };
    const Case cases[] = {
        {"éditeur de texte", false, source},
        {"pilote machine", true, saved},
    };
    for (const Case& c : cases) {
        const QString program = path(QString::fromUtf8("outils à l'essai/") +
                                     QString::fromStdString(testsys::programFileName(c.stem)));
        const std::string made = testsys::makeRecordingProgram(program.toStdString());
        ASSERT_EQ(made, "") << c.stem;
        writeSettings("[About]\nAffiche=1\n[Applications]\n" +
                      std::string(c.driver ? "Driver=" : "Editeur=") +
                      QDir::toNativeSeparators(program).toStdString() +
                      "\nDriver avec fichier=1\n");
        form.reset();
        openProgram("G0 X1\n", QString::fromUtf8("pièces 2/plaque été.nc"));
        setProgramStarter({});
        fileChoice = saved;
        onBox = [](const BoxRequest&) { return BoxAnswer::Ok; }; // save first
        if (c.driver)
            form->Usiner1Click();
        else
            form->MenuClick();
        const QString record = QString::fromStdString(testsys::recordFile(program.toStdString()));
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo::exists(record) && clock.elapsed() < 10000)
            QTest::qWait(20);
        std::vector<std::string> words;
        std::string raw;
        ASSERT_EQ(testsys::recordedWords(program.toStdString(), words, raw), "") << c.stem;
        EXPECT_EQ(words, (std::vector<std::string>{QDir::toNativeSeparators(program).toStdString(),
                                                   QDir::toNativeSeparators(c.file).toStdString()}))
            << c.stem << ": " << raw;
    }
}
