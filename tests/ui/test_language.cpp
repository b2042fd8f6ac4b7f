// One language: every text the windows show comes from the text table of the
// chosen language (or is a name or the user's data), no text of another
// language's table shows, and Qt's own texts follow the language.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "engine/IniFile.h"
#include "preview/Glview.h"
#include "test_mainform_fixture.h"
#include "tests/support/TestSystem.h"
#include "ui/About.h"
#include "ui/Config.h"
#include "ui/FailureText.h"
#include "ui/Language.h"
#include "ui/ReasonText.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

namespace {

constexpr int kLastKey = 109;
const char* const kSections[] = {"FR", "DE", "GB"};

std::string shippedSettings()
{
    QFile file(QStringLiteral(TOLVANE_TEST_DATA "/../../resources/Tolvane.ini"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

// The texts of one language's table in the shipped file.
std::map<int, QString> table(const std::string& file, int language)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tolvane.ini"));
    {
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(file.data(), static_cast<qint64>(file.size()));
    }
    const IniFile ini(path.toStdString());
    std::map<int, QString> texts;
    for (int key = 0; key <= kLastKey; ++key)
        if (const auto value = ini.value(kSections[language], std::to_string(key)))
            texts[key] = settingsTextToQString(*value);
    return texts;
}

// Names and marks that are the same in every language.
const std::set<QString>& names()
{
    static const std::set<QString> all = {
        "Tolvane",
        "G00",
        "G01",
        "X :",
        "Y :",
        "Z :",
        "Profiler",
        "Config Tolvane",
        "Fran\u00e7ais",
        "Deutsch",
        "English",
        "V 1.11",
        "02/01/2009",
        "Tolvane developers",
        "Tolvane contributors",
        "tolvane.invalid",
    };
    return all;
}

QRegularExpression templatePattern(const QString& text)
{
    static const QRegularExpression hole(QStringLiteral("%\\d"));
    QStringList parts;
    for (const QString& part : text.split(hole))
        parts << QRegularExpression::escape(part);
    return QRegularExpression(QLatin1Char('^') + parts.join(QStringLiteral(".*")) +
                                  QLatin1Char('$'),
                              QRegularExpression::DotMatchesEverythingOption);
}

// The words of a table text that do not stand for a value: its pieces
// between the "%1" holes and the filter bars, of four letters or more.
QStringList fragments(const QString& text)
{
    static const QRegularExpression cut(QStringLiteral("%\\d|\\|"));
    QStringList pieces;
    for (QString piece : text.split(cut)) {
        piece = piece.trimmed();
        if (piece.size() >= 4 && piece.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3}"))))
            pieces << piece;
    }
    return pieces;
}

class LanguageTest : public MainformTest {
  protected:
    void SetUp() override
    {
        MainformTest::SetUp();
        file = shippedSettings();
        ASSERT_FALSE(file.empty());
        file.replace(file.find("Affiche=0"), 9, "Affiche=1");
        writeSettings(file);
        for (int l = 0; l < 3; ++l) {
            tables[l] = table(file, l);
            // The program's own texts, beside the file's numbered ones.
            for (int t = 0; t <= static_cast<int>(WindowText::PreviewExtent); ++t)
                tables[l][1000 + t] = windowText(l, static_cast<WindowText>(t));
            for (int r = 0; r <= static_cast<int>(kLastReportReason); ++r)
                tables[l][2000 + r] = reportReasonText(l, static_cast<ReportReason>(r));
        }
    }

    void TearDown() override
    {
        MainformTest::TearDown();
        applyLanguage(0);
    }

    // Every text of a widget and its children that the user can see.
    static void collect(QWidget* widget, QStringList& texts)
    {
        if (widget->isHidden() && !qobject_cast<QStackedWidget*>(widget->parentWidget()) &&
            !widget->isWindow())
            return;
        if (widget->isWindow())
            texts << widget->windowTitle();
        texts << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* bar = qobject_cast<QMenuBar*>(widget))
            collectActions(bar->actions(), texts);
        if (auto* progress = qobject_cast<QProgressBar*>(widget))
            texts << progress->format();
        for (QObject* child : widget->children())
            if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
                collect(w, texts);
    }

    static void collectActions(const QList<QAction*>& actions, QStringList& texts)
    {
        for (QAction* action : actions) {
            texts << action->text() << action->toolTip();
            if (QMenu* menu = action->menu()) {
                texts << menu->title();
                // File names are nobody's language.
                if (menu->objectName() != QLatin1String("FichiersRecents1"))
                    collectActions(menu->actions(), texts);
            }
        }
    }

    // Fails for every text that is neither a text of `language`'s table (a
    // whole line of it, "%1" standing for anything) nor a name, and for
    // every piece of another language's texts that shows.
    void expectOnlyLanguage(const QStringList& shown, int language, const char* where)
    {
        std::vector<QRegularExpression> own;
        QStringList ownTexts;
        for (const auto& [key, text] : tables[language]) {
            own.push_back(templatePattern(text));
            ownTexts << text;
        }
        const QString allOwn = ownTexts.join(QLatin1Char('\n'));
        QStringList foreign;
        for (int other = 0; other < 3; ++other)
            if (other != language)
                for (const auto& [key, text] : tables[other])
                    for (const QString& piece : fragments(text))
                        if (!allOwn.contains(piece) && !foreign.contains(piece))
                            foreign << piece;

        for (QString text : shown) {
            text = withoutMnemonic(text);
            text.replace(QLatin1String("&&"), QLatin1String("&"));
            for (const QString& line :
                 text.split(QRegularExpression(QStringLiteral("\n| \u2013 ")))) {
                // The title: a file name and the program's.
                const bool title = line.endsWith(QStringLiteral("[*] \u2014 Tolvane"));
                if (line.isEmpty() || names().count(line) > 0 || title)
                    continue;
                const bool ours = std::any_of(own.begin(), own.end(), [&](const auto& pattern) {
                    return pattern.match(line).hasMatch();
                });
                EXPECT_TRUE(ours) << where << ", language " << language << ": \""
                                  << line.toStdString() << "\" is no text of the table";
            }
            for (const QString& piece : foreign)
                EXPECT_FALSE(text.contains(piece))
                    << where << ", language " << language << ": \"" << text.toStdString()
                    << "\" holds \"" << piece.toStdString() << "\" of another language";
        }
    }

    // Switches through the configuration dialog, as a user does.
    void chooseLanguage(int language)
    {
        setDialogHandler([language](QDialog& dialog) {
            auto* config = qobject_cast<TForm2*>(&dialog);
            if (!config)
                return int(QDialog::Rejected);
            config->LangueChoisie->setCurrentIndex(language);
            config->BitBtn1->click();
            return config->result();
        });
        form->ConfigClick();
        ASSERT_EQ(form->language(), language);
    }

    // The texts of everything the main window shows and of every box and
    // dialog its commands bring up.
    QStringList everything()
    {
        QStringList shown;
        collect(form.get(), shown);
        // Report boxes, a marked line's tooltip, the status line.
        boxes.clear();
        openProgram("G0 X1\nM4\nG41\n");
        collect(form.get(), shown);
        const QModelIndex marked = form->Source->model()->index(1, 0);
        shown << marked.data(Qt::ToolTipRole).toString();
        form->LigneSuivante1->trigger();
        shown << form->StatusLine->text();
        // Failures: a file that is not there, a folder that is not there to
        // save into, a program that is not there and one that is not set.
        fileChoice = path("missing.nc");
        form->BtnOpenClick();
        fileChoice = path("no/such/folder/out.Cbr");
        form->BitBtn1Click();
        setProgramStarter({});
        machineSettings.editorPath = "/no/such/editor";
        form->MenuClick();
        machineSettings.editorPath.clear();
        form->MenuClick();
        shown << form->OpenSourceDlg.filter << form->OpenSourceDlg.title;
        EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(),
                                [](const BoxRequest& b) { return b.caption == "Tolvane"; }),
                  6)
            << "two reports, a failed open, save and start, and a program not set";
        for (const BoxRequest& box : boxes)
            shown << box.caption << box.text << box.informative << box.secondButton;

        // The dialogs, each with its own reports.
        boxes.clear();
        TForm2 config;
        collect(&config, shown);
        config.PasVisX->setText(QStringLiteral("abc"));
        config.BitBtn1->click();
        fileDialogs.clear();
        fileChoice.reset();
        config.BitBtn3->click();
        for (const FileDialog& d : fileDialogs) {
            shown << d.title;
            // Its entries are the table's, in this system's order.
            EXPECT_EQ(d.filter, programsFilter(tables[form->language()][93], testsys::onWindows()));
        }
        TAboutBox about;
        collect(&about, shown);
        TGLForm preview;
        collect(&preview, shown);
        preview.XBrut->setText(QStringLiteral("abc"));
        preview.XBrutExit();
        EXPECT_EQ(boxes.size(), 2u) << "a field of the configuration and a stock size";
        for (const BoxRequest& box : boxes)
            shown << box.caption << box.text << box.informative << box.secondButton;
        return shown;
    }

    std::string file;
    std::map<int, QString> tables[3];
};

TEST_F(LanguageTest, EveryTextShownComesFromTheChosenLanguage)
{
    makeForm();
    expectOnlyLanguage(everything(), 0, "French");
    for (const int language : {1, 2, 0}) {
        chooseLanguage(language);
        expectOnlyLanguage(everything(), language, kSections[language]);
    }
}

TEST_F(LanguageTest, MessageBoxButtonsAndQtsOwnTextsFollowTheLanguage)
{
    makeForm();
    struct Case {
        int language;
        const char* cancel; // Qt's standard button
        const char* skip;
    };
    const Case cases[] = {
        {1, "Abbrechen", "Keine Meldungen mehr f\u00fcr diese \u00dcbersetzung"},
        {2, "Cancel", "Stop showing reports for this translation"},
        {0, "Annuler", "Ne plus afficher de rapports pour cette traduction"},
    };
    for (const Case& c : cases) {
        chooseLanguage(c.language);
        EXPECT_EQ(currentLanguage(), c.language);
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), c.cancel)
            << "Qt's translations (qt6-translations-l10n) are installed and loaded";

        // A real report box: its buttons and texts.
        setMessageBoxHandler({});
        QStringList seen;
        // Looks for the box until it is up (the run paints before it asks).
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            answer.stop();
            for (QAbstractButton* button : box->buttons())
                seen << button->text();
            seen << box->informativeText();
            box->buttons().constLast()->click(); // skip the rest
        });
        answer.start();
        openProgram("M4\nM48\n");
        answer.stop();
        setMessageBoxHandler([this](QWidget*, const BoxRequest& request) {
            boxes.push_back(request);
            return BoxAnswer::Ok;
        });
        ASSERT_EQ(seen.size(), 3);
        EXPECT_EQ(seen[0], tables[c.language][20]) << "OK";
        EXPECT_EQ(seen[1], QString::fromUtf8(c.skip));
        EXPECT_EQ(seen[2], tables[c.language][37].arg("1", "M4") + "\n\n" +
                               windowText(c.language, WindowText::ReportCount).arg("1", "2"));
    }
}

TEST(LanguageTexts, ShippedTablesHaveEveryTextWithItsHolesAndQuotes)
{
    const std::string file = shippedSettings();
    ASSERT_FALSE(file.empty());
    static const QRegularExpression hole(QStringLiteral("%\\d"));
    const auto holes = [](const QString& text) {
        QStringList found;
        for (auto it = hole.globalMatch(text); it.hasNext();)
            found << it.next().captured();
        found.sort();
        return found;
    };
    // Quotes each language writes, and those it never does.
    const QString wrong[3] = {QStringLiteral("\"\u201c\u201d\u201e"),
                              QStringLiteral("\"\u00ab\u00bb\u201d"),
                              QStringLiteral("\"\u00ab\u00bb\u201e")};
    for (int language = 0; language < 3; ++language) {
        const std::map<int, QString> texts = table(file, language);
        for (int key = 0; key <= kLastKey; ++key) {
            const auto it = texts.find(key);
            ASSERT_NE(it, texts.end()) << kSections[language] << " key " << key;
            const QString french = QString::fromStdString(frenchText(key));
            EXPECT_EQ(holes(it->second), holes(french)) << kSections[language] << " key " << key;
            for (const QChar quote : wrong[language]) {
                EXPECT_FALSE(it->second.contains(quote))
                    << kSections[language] << " key " << key << ": " << it->second.toStdString();
            }
            if (language == 0 && key >= 37) {
                EXPECT_EQ(it->second, french)
                    << "the shipped French is the built-in one, key " << key;
            }
        }
    }
    // French puts a no-break space inside its quotes and before a colon.
    for (const auto& [key, text] : table(file, 0)) {
        EXPECT_FALSE(text.contains(QStringLiteral("\u00ab ")) ||
                     text.contains(QStringLiteral(" \u00bb")) ||
                     text.contains(QStringLiteral(" :")))
            << "key " << key << ": " << text.toStdString();
    }
}

TEST(LanguageTexts, SystemAndEngineReasonsInEachLanguage)
{
    QTemporaryDir dir;
    overrideSettingsFilePath(dir.filePath("Tolvane.ini").toStdString());
    {
        QFile out(dir.filePath("Tolvane.ini"));
        out.open(QIODevice::WriteOnly);
        const std::string file = shippedSettings();
        out.write(file.data(), static_cast<qint64>(file.size()));
    }
    const std::string path = settingsFilePath();
    const auto words = [](int code) { return std::string(std::strerror(code)); };
    struct Case {
        std::string engine;
        const char* fr;
        const char* de;
        const char* gb;
    };
    const Case cases[] = {
        {path + ": cannot create a temporary file in its folder (" + words(EACCES) + ")",
         "impossible de cr\u00e9er un fichier temporaire dans son dossier (permission "
         "refus\u00e9e)",
         "in ihrem Ordner kann keine tempor\u00e4re Datei angelegt werden (Zugriff verweigert)",
         "cannot create a temporary file in its folder (Permission denied)"},
        {path + ": " + words(ENOSPC), "plus de place sur le disque",
         "kein Platz mehr auf dem Datentr\u00e4ger", "No space left on device"},
        {path + ": could not be read, so it is left unchanged (" + path + ": " + words(EROFS) + ")",
         "n'a pas pu \u00eatre lu et reste donc inchang\u00e9 (PATH: syst\u00e8me de fichiers en "
         "lecture seule)",
         "konnte nicht gelesen werden und bleibt daher unver\u00e4ndert (PATH: "
         "schreibgesch\u00fctztes Dateisystem)",
         "could not be read, so it is left unchanged (PATH: Read-only file system)"},
        {path + ": is a folder, not a file", "c'est un dossier, pas un fichier",
         "es ist ein Ordner, keine Datei", "is a folder, not a file"},
        // A reason the program has no words for keeps the system's.
        {path + ": " + words(EXDEV), nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        const char* expected[3] = {c.fr, c.de, c.gb};
        for (int language = 0; language < 3; ++language) {
            QString want = expected[language] ? QString::fromUtf8(expected[language])
                                              : QString::fromStdString(words(EXDEV));
            want.replace(QLatin1String("PATH"), QString::fromStdString(path));
            EXPECT_EQ(localiseEngineFailure(language, c.engine),
                      QString::fromStdString(path) + QStringLiteral(": ") + want)
                << c.engine << " in " << kSections[language];
        }
    }
    // System reasons with a text of their own, and one without.
    EXPECT_EQ(systemReason(2, ENOENT, "x").toStdString(), "No such file or directory");
    EXPECT_EQ(systemReason(1, EISDIR, "x").toStdString(), "es ist ein Ordner");
    EXPECT_EQ(systemReason(0, EXDEV, "le syst\u00e8me"), QString::fromUtf8("le syst\u00e8me"));
    EXPECT_EQ(systemReason(0, 0, "Qt"), "Qt");
    // A file whose name holds the system's words keeps its name.
    const std::string odd = dir.filePath("Permission denied").toStdString() + "/Tolvane.ini";
    overrideSettingsFilePath(odd);
    EXPECT_EQ(localiseEngineFailure(0, odd + ": " + words(EACCES)),
              QString::fromStdString(odd) + QString::fromUtf8(": permission refus\u00e9e"));
    overrideSettingsFilePath("");
}

} // namespace
