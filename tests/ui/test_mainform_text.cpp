// Texts: decoding of settings and program bytes, the localised menus, the
// file filters; and the window's geometry.
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMenu>

#include "test_mainform_fixture.h"
#include "ui/UiText.h"

TEST(UiText, Utf8Validity)
{
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"G1 X1", true},
        {"\xc3\xa9", true},          // é
        {"\xe2\x82\xac", true},      // €
        {"\xf0\x9f\x94\xa7", true},  // a four-byte character
        {"\xe9", false},             // Latin-1 é
        {"\xc0\x80", false},         // overlong NUL
        {"\xe0\x80\xaf", false},     // overlong "/"
        {"\xed\xa0\x80", false},     // a surrogate
        {"\xf4\x90\x80\x80", false}, // above U+10FFFF
        {"\xe2\x82", false},         // cut short
        {"\x80", false},             // a continuation byte alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(UiText, SettingsTextsFallBackToWindows1252AndProgramLinesToLatin1)
{
    struct Case {
        std::string bytes;
        QString settings;
        QString source;
    };
    const Case cases[] = {
        {"Pi\xc3\xa8"
         "ce",
         QString::fromUtf8("Pièce"), QString::fromUtf8("Pièce")},
        {"Pi\xe8"
         "ce",
         QString::fromUtf8("Pièce"), QString::fromUtf8("Pièce")},
        {"\x80 \x9c\x8c", QString::fromUtf8("€ œŒ"),
         QString(QChar(0x80)) + QChar(' ') + QChar(0x9C) + QChar(0x8C)},
        {"\x81\x8d\x8f\x90\x9d", QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d"),
         QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d")},
        {"\x91\x92\x93\x94\x96\x97", QString::fromUtf8("‘’“”–—"),
         QString::fromUtf16(u"\u0091\u0092\u0093\u0094\u0096\u0097")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(settingsTextToQString(c.bytes), c.settings) << testing::PrintToString(c.bytes);
        EXPECT_EQ(sourceLineToQString(c.bytes), c.source) << testing::PrintToString(c.bytes);
    }
}

TEST(UiText, FiltersOfTheTextTableBecomeQtFilters)
{
    struct Case {
        QString pipes;
        QString qt;
    };
    const Case cases[] = {
        {"Fichiers Iso|*.iso|Fichier nc|*.nc|Tous les fichiers|*.*",
         "Fichiers Iso (*.iso);;Fichier nc (*.nc);;Tous les fichiers (*)"},
        {"Fichier colinbus|*.Cbr|Fichier colinbus 3D|*.C3d|Tous les fichiers|*.*",
         "Fichier colinbus (*.Cbr);;Fichier colinbus 3D (*.C3d);;Tous les fichiers (*)"},
        {"G-code|*.nc;*.iso; *.ngc", "G-code (*.nc *.iso *.ngc)"},
        {"|*.nc", "*.nc (*.nc)"},
        {"Odd|*.nc|Lonely", "Odd (*.nc)"},
        {"No pattern|", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtFileFilter(c.pipes), c.qt) << c.pipes.toStdString();
}

TEST_F(MainformTest, MenusShowTheTextTableInFrenchByDefault)
{
    writeSettings("[About]\nAffiche=1\n[FR]\n0=Fi&chier\n");
    TForm1& w = makeForm();
    struct Case {
        QString shown;
        QString expected;
    };
    const Case cases[] = {
        {withoutMnemonic(w.Fichier1->title()), "Fi&&chier"}, // "&" is shown, not a mnemonic
        {withoutMnemonic(w.Ouvrir1->text()), "Ouvrir"},
        {withoutMnemonic(w.Enregistrer1->text()), "Enregistrer fichier traduit"},
        {withoutMnemonic(w.Quitter1->text()), "Quitter"},
        {withoutMnemonic(w.Editio1->title()), "Edition"},
        {withoutMnemonic(w.Edit1->text()), "Editer fichier source"},
        {withoutMnemonic(w.ReOuvrir->text()), "Actualiser fichier source"},
        {withoutMnemonic(w.Relancer1->text()), "Relancer la convertion"},
        {withoutMnemonic(w.Configuration1->text()), "Configuration"},
        {withoutMnemonic(w.Fraisage1->title()), "Fraisage"},
        {withoutMnemonic(w.Apercu1->text()), QString::fromUtf8("Aperçu")},
        {withoutMnemonic(w.Usiner1->text()), "Usiner"},
        {withoutMnemonic(w.Apropos1->text()), "A propos"},
        {w.OpenSourceDlg.filter, "Fichiers Iso|*.iso|Fichier nc|*.nc|Tous les fichiers|*.*"},
        {w.SaveDestDlg.filter,
         "Fichier colinbus|*.Cbr|Fichier colinbus 3D|*.C3d|Tous les fichiers|*.*"},
        {w.errorCaption(), QString::fromUtf8("Le code suivant non traité a été ignoré")},
        {w.windowTitle(), "Tolvane"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.shown, c.expected);

    // The bundled images are linked in (a static library drops them silently).
    for (QAction* item : {w.Ouvrir1, w.Enregistrer1, w.Quitter1, w.Edit1, w.ReOuvrir, w.Relancer1})
        EXPECT_FALSE(item->icon().pixmap(16, 16).isNull()) << item->objectName().toStdString();
    EXPECT_FALSE(w.windowIcon().pixmap(32, 32).isNull());
}

TEST_F(MainformTest, MenusInGermanFromTheSettingsFile)
{
    // German texts written by a Windows editor: "ß" as one Windows-1252 byte.
    writeSettings("[About]\nAffiche=1\n[Langue]\ncurrent=1\n"
                  "[DE]\n0=Datei\n1=\xc3\x96"
                  "ffnen\n6=Schlie\xdf"
                  "en\n3=Bearbeiten\n"
                  "27=G-Code|*.nc|Alle Dateien|*.*\n29=Quelldatei bearbeiten\n33=Vorschau\n");
    TForm1& w = makeForm();
    EXPECT_EQ(w.language(), 1);
    EXPECT_EQ(withoutMnemonic(w.Fichier1->title()), "Datei");
    EXPECT_EQ(withoutMnemonic(w.Ouvrir1->text()), QString::fromUtf8("Öffnen"));
    EXPECT_EQ(withoutMnemonic(w.Quitter1->text()), QString::fromUtf8("Schließen"));
    EXPECT_EQ(withoutMnemonic(w.Editio1->title()), "Bearbeiten");
    EXPECT_EQ(withoutMnemonic(w.Edit1->text()), "Quelldatei bearbeiten");
    EXPECT_EQ(withoutMnemonic(w.ReOuvrir->text()), "Actualiser fichier source"); // no key "28"
    EXPECT_EQ(withoutMnemonic(w.Apercu1->text()), "Vorschau");
    EXPECT_EQ(w.OpenSourceDlg.filter, "G-Code|*.nc|Alle Dateien|*.*");

    // The dialog shows the Qt form of the filter and the item's caption.
    fileChoice.reset();
    w.BtnOpenClick();
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(qtFileFilter(fileDialogs[0].filter), "G-Code (*.nc);;Alle Dateien (*)");
    EXPECT_EQ(fileDialogs[0].title, QString::fromUtf8("Öffnen"));
}

TEST_F(MainformTest, ListsTakeHalfTheWidthLessTen)
{
    TForm1& w = makeForm();
    struct Case {
        int width;
        int lists;
    };
    const Case cases[] = {{800, 390}, {648, 314}, {1001, 490}, {1280, 630}};
    for (const Case& c : cases) {
        w.resize(c.width, 600);
        QApplication::processEvents();
        ASSERT_EQ(w.width(), c.width);
        EXPECT_EQ(w.Source->width(), c.lists) << c.width;
        EXPECT_EQ(w.Dest->width(), c.lists) << c.width;
        EXPECT_EQ(w.Source->x(), 0);
        EXPECT_EQ(w.Dest->geometry().right(), w.centralWidget()->width() - 1);
    }
}

TEST(UiText, OpenFiltersMatchEveryLetterCase)
{
    struct Case {
        QString pipes;
        QString qt;
    };
    const Case cases[] = {
        {"Fichier nc|*.nc|Tous|*.*", "Fichier nc (*.nc) (*.[nN][cC]);;Tous (*) (*)"},
        {"G-code|*.nc;*.G1 *.tap", "G-code (*.nc *.G1 *.tap) (*.[nN][cC] *.[gG]1 *.[tT][aA][pP])"},
        {"Odd|part[12].nc", "Odd (part[12].nc) (part[12].nc)"}, // a set of its own stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtFileFilter(c.pipes, true), c.qt) << c.pipes.toStdString();
}

// The open dialog as Qt shows it, on a folder of programs named as CAM
// systems name them, with the shipped filter of each language.
TEST(FileDialogs, OpenDialogShowsGcodeProgramsOfEveryCaseFirst)
{
    QTemporaryDir dir;
    const QStringList programs = {"part.nc",   "PART2.NC", "Mixed.Ngc", "job.GCODE",
                                  "plate.tap", "y.iso",    "z.CNC"};
    for (const QString& name : programs + QStringList{"notes.txt", "README", "part.Cbr"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFile shipped(QStringLiteral(TOLVANE_TEST_DATA "/../../resources/Tolvane.ini"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const std::string settings = shipped.readAll().toStdString();
    const QString settingsPath = dir.filePath("settings/Tolvane.ini");
    QDir().mkpath(dir.filePath("settings"));
    for (int language = 0; language < 3; ++language) {
        std::string file = settings;
        file.replace(file.find("current=") + 8, 1, std::to_string(language));
        QFile out(settingsPath);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(file.data(), static_cast<qint64>(file.size()));
        out.close();
        overrideSettingsFilePath(settingsPath.toStdString());

        FileDialog open(FileDialog::Mode::Open);
        open.filter = uiText(language, 27);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        open.configure(dialog);
        dialog.setDirectory(dir.path());
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        QElapsedTimer clock;
        clock.start();
        const QModelIndex root = model->index(dir.path());
        while (model->rowCount(root) < programs.size() && clock.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        clock.restart();
        while (clock.elapsed() < 200)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        QStringList shown;
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            if (!model->isDir(index))
                shown << index.data().toString();
        }
        shown.sort();
        QStringList expected = programs;
        expected.sort();
        EXPECT_EQ(shown, expected) << "language " << language;

        // The list of filters shows the patterns once, without the sets.
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        EXPECT_TRUE(types->itemText(0).endsWith("(*.nc *.ngc *.gcode *.tap *.iso *.cnc)"))
            << types->itemText(0).toStdString();
        EXPECT_FALSE(types->itemText(0).contains('[')) << types->itemText(0).toStdString();
    }
    overrideSettingsFilePath("");
}
