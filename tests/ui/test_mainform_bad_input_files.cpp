// Files that go away or cannot be written while the main window works with
// them: a program deleted before F5 or a re-run, a command file saved into a
// folder without write permission, onto a read-only file system or a full
// disk, and the settings file of an installed Tolvane whose folder is not
// writable. Each failure is shown in a box naming the file and the reason,
// and no file loses its old bytes.
#include <QCheckBox>
#include <QPushButton>
#include <optional>

#include "tests/engine/SettingsTestFiles.h"
#include "tests/support/TestSystem.h"
#include "tests/ui/test_mainform_bad_input_fixture.h"
#include "ui/About.h"
#include "ui/Config.h"

namespace {

// ---- the program goes away before it is read again

struct VanishCase {
    const char* name;
    bool reload;      // F5 (reload and re-run) or re-run only
    bool folderAfter; // a folder takes the program's place
};

void PrintTo(const VanishCase& c, std::ostream* out)
{
    *out << c.name;
}

class WindowVanishedSource : public MainformBadInputTest,
                             public ::testing::WithParamInterface<VanishCase> {};

TEST_P(WindowVanishedSource, ReportedAndTheListsKept)
{
    const VanishCase& c = GetParam();
    openProgram("G0X1\nG1Y2F300\n");
    const std::vector<std::string> source = form->sourceLines();
    const std::vector<std::string> commands(form->commandLines().begin(),
                                            form->commandLines().end());
    ASSERT_TRUE(QFile::remove(path("part.nc")));
    if (c.folderAfter) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("part.nc")));
    }
    EXPECT_EQ(form->ReOuvrir->shortcut(), QKeySequence(Qt::Key_F5));

    (c.reload ? form->ReOuvrir : form->Relancer1)->trigger();

    if (c.reload) {
        ASSERT_EQ(boxes.size(), 1u);
        const std::string text = badinput::utf8(boxes[0].text);
        EXPECT_NE(text.find(path("part.nc").toStdString()), std::string::npos) << text;
        EXPECT_NE(text.find(c.folderAfter ? "c'est un dossier" : "fichier ou dossier introuvable"),
                  std::string::npos)
            << text;
        EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
    } else {
        // A re-run translates the lines the window holds: nothing to read.
        EXPECT_TRUE(boxes.empty());
    }
    EXPECT_EQ(form->sourceLines(), source);
    EXPECT_EQ(std::vector<std::string>(form->commandLines().begin(), form->commandLines().end()),
              commands);
    EXPECT_TRUE(form->ReOuvrir->isEnabled()) << "the next F5 can try again";
}

INSTANTIATE_TEST_SUITE_P(Table, WindowVanishedSource,
                         ::testing::Values(VanishCase{"ReloadDeleted", true, false},
                                           VanishCase{"ReloadReplacedByFolder", true, true},
                                           VanishCase{"RerunDeleted", false, false}),
                         [](const ::testing::TestParamInfo<VanishCase>& info) {
                             return std::string(info.param.name);
                         });

// A named pipe would block the window until someone writes into it, and
// /dev/zero never ends: both are refused before anything is read.
TEST_F(MainformBadInputTest, SpecialFilesRefusedAtOnce)
{
    makeForm();
    const QString fifo = path(QStringLiteral("pipe.nc"));
    const std::string why = testsys::makeFifo(fifo.toStdString());
    if (!why.empty())
        GTEST_SKIP() << why;
    for (const QString& special : {fifo, QStringLiteral("/dev/zero")}) {
        boxes.clear();
        EXPECT_FALSE(form->openSourceFile(special));
        ASSERT_EQ(boxes.size(), 1u);
        const std::string text = badinput::utf8(boxes[0].text);
        EXPECT_NE(text.find(special.toStdString()), std::string::npos) << text;
        EXPECT_NE(text.find("ce n'est pas un fichier ordinaire"), std::string::npos) << text;
    }
    EXPECT_FALSE(form->ReOuvrir->isEnabled());
}

// ---- files that cannot be written

enum class Blocker {
    NobodyInReadOnlyFolder, // the window works as "nobody" beside a folder of mode 0555
    ReadOnlyMount,          // the folder is a read-only bind mount
    FullDisk,               // the folder is a small tmpfs, filled up
};

const char* reasonOf(Blocker b)
{
    switch (b) {
    case Blocker::NobodyInReadOnlyFolder:
        return "permission refus\u00e9e";
    case Blocker::ReadOnlyMount:
        return "syst\u00e8me de fichiers en lecture seule";
    case Blocker::FullDisk:
        return "plus de place sur le disque";
    }
    return "";
}

class BlockedFolderTest : public MainformBadInputTest {
  protected:
    // Writes the folder's files with `writeFiles`, blocks the folder, then
    // runs `action`. False (the test is skipped) when this sandbox does not
    // offer the blocker.
    bool runBlocked(Blocker blocker, const QString& folder, const std::function<void()>& writeFiles,
                    const std::function<void()>& action)
    {
        // The test folder must be open to "nobody" up to the blocked folder.
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther |
                                              QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
        if (blocker == Blocker::FullDisk) {
            mount.emplace(badinput::Mount::tmpfs(folder.toStdString(), 128 * 1024));
            if (!mount->ok()) {
                skipWhy = "no small file system here: " + mount->why();
                return false;
            }
        }
        writeFiles();
        if (blocker == Blocker::FullDisk)
            badinput::fillUp(folder.toStdString());
        if (blocker == Blocker::ReadOnlyMount) {
            mount.emplace(badinput::Mount::readOnlyBind(folder.toStdString()));
            if (!mount->ok()) {
                skipWhy = "no read-only mount here: " + mount->why();
                return false;
            }
        }
        if (blocker == Blocker::NobodyInReadOnlyFolder && badinput::nobodyUid() < 0 &&
            !testsys::onWindows()) {
            skipWhy = "no user 'nobody'";
            return false;
        }
        entriesBefore = badinput::folderEntries(folder);
        {
            std::unique_ptr<settingsfiles::ReadOnlyFolder> nobody;
            if (blocker == Blocker::NobodyInReadOnlyFolder) {
                nobody = std::make_unique<settingsfiles::ReadOnlyFolder>(folder.toStdString());
                if (!nobody->why().empty()) {
                    skipWhy = nobody->why();
                    return false;
                }
            }
            action();
        }
        entriesAfter = badinput::folderEntries(folder);
        return true;
    }

    // The one box shown names `file` and `reason`.
    void expectOneBoxNaming(const QString& file, const std::string& reason) const
    {
        ASSERT_EQ(boxes.size(), 1u);
        const std::string text = badinput::utf8(boxes[0].text);
        EXPECT_NE(text.find(file.toStdString()), std::string::npos) << text;
        EXPECT_NE(text.find(reason), std::string::npos) << text;
        EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
    }

    void TearDown() override
    {
        mount.reset();
        MainformBadInputTest::TearDown();
    }

    // The blocking mount, kept until the test has looked at the files in it.
    std::optional<badinput::Mount> mount;
    std::string skipWhy;
    std::vector<std::string> entriesBefore;
    std::vector<std::string> entriesAfter;
};

// Saving the command lines.

class WindowUnwritableSave : public BlockedFolderTest,
                             public ::testing::WithParamInterface<Blocker> {};

TEST_P(WindowUnwritableSave, ReportedAndTheOldFileKept)
{
    const Blocker blocker = GetParam();
    std::string program;
    for (int i = 0; i < 20000; ++i)
        program += i % 2 == 0 ? "G0X1\n" : "G0X2\n";
    openProgram(program);
    ASSERT_TRUE(boxes.empty());
    const QString folder = path(QStringLiteral("results"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/part.Cbr");
    const std::string old = "OLD COMMANDS\r\n" + std::string(8000, 'x');
    fileChoice = target;
    const bool ran = runBlocked(
        blocker, folder,
        [&] {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(old.data(), static_cast<qint64>(old.size()));
        },
        [&] { form->Enregistrer1->trigger(); });
    if (!ran)
        GTEST_SKIP() << skipWhy;

    expectOneBoxNaming(target, reasonOf(blocker));
    EXPECT_NE(badinput::utf8(boxes[0].text)
                  .find("Un fichier existant de ce nom n'a pas \u00e9t\u00e9 modifi\u00e9."),
              std::string::npos);
    EXPECT_EQ(readBytes(target), old) << "the old command file keeps its bytes";
    EXPECT_EQ(entriesAfter, entriesBefore) << "no temporary file left behind";
}

// Saving the settings into a file whose folder is not writable (a settings
// file of the user's own on a read-only home, one named by hand).

enum class SettingsWriter { ConfigurationDialog, AboutBoxTick };

struct SettingsSaveCase {
    const char* name;
    SettingsWriter writer;
    Blocker blocker;
};

void PrintTo(const SettingsSaveCase& c, std::ostream* out)
{
    *out << c.name;
}

class WindowUnsavedSettings : public BlockedFolderTest,
                              public ::testing::WithParamInterface<SettingsSaveCase> {};

TEST_P(WindowUnsavedSettings, ReportedWithFileAndReasonAndTheFileKept)
{
    const SettingsSaveCase& c = GetParam();
    openProgram("G1X1F6000\n");
    const std::vector<std::string> commands(form->commandLines().begin(),
                                            form->commandLines().end());
    const QString folder = path(QStringLiteral("installed"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString settings = folder + QStringLiteral("/Tolvane.ini");
    const std::string before = "[About]\r\nAffiche=1\r\n[Machine]\r\nVitesse maxi=50\r\n"
                               "[AboutFR]\r\nUn texte libre\r\n";
    overrideSettingsFilePath(settings.toStdString());

    bool dialogAccepted = false;
    setDialogHandler([&](QDialog& dialog) {
        if (auto* config = qobject_cast<TForm2*>(&dialog)) {
            config->VMax->setText(QStringLiteral("70"));
            config->BitBtn1->click();
            dialogAccepted = config->result() == QDialog::Accepted;
            return config->result();
        }
        if (auto* about = qobject_cast<TAboutBox*>(&dialog)) {
            about->CheckBox1->click();
            EXPECT_TRUE(about->CheckBox1->isChecked()) << "the box shows what the file holds";
        }
        return int(QDialog::Rejected);
    });
    const bool ran = runBlocked(
        c.blocker, folder,
        [&] {
            QFile file(settings);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(before.data(), static_cast<qint64>(before.size()));
            file.close();
            file.setPermissions(file.permissions() | QFile::ReadOther | QFile::ReadGroup);
        },
        [&] {
            if (c.writer == SettingsWriter::ConfigurationDialog)
                form->Configuration1->trigger();
            else
                form->Apropos1->trigger();
        });
    if (!ran)
        GTEST_SKIP() << skipWhy;

    expectOneBoxNaming(settings, reasonOf(c.blocker));
    EXPECT_NE(
        badinput::utf8(boxes[0].text).find("Impossible d'enregistrer les r\u00e9glages\u00a0:"),
        std::string::npos);
    EXPECT_EQ(readBytes(settings), before) << "the settings file keeps its bytes";
    EXPECT_EQ(entriesAfter, entriesBefore) << "no temporary file left behind";
    EXPECT_FALSE(dialogAccepted) << "the dialog stays open to try again or cancel";
    EXPECT_EQ(machineSettings.maxSpeedXY, 50.0f) << "unsaved values are not used";
    EXPECT_EQ(std::vector<std::string>(form->commandLines().begin(), form->commandLines().end()),
              commands);
}

INSTANTIATE_TEST_SUITE_P(Table, WindowUnwritableSave,
                         ::testing::Values(Blocker::NobodyInReadOnlyFolder, Blocker::ReadOnlyMount,
                                           Blocker::FullDisk),
                         [](const ::testing::TestParamInfo<Blocker>& info) {
                             switch (info.param) {
                             case Blocker::NobodyInReadOnlyFolder:
                                 return "FolderWithoutWritePermission";
                             case Blocker::ReadOnlyMount:
                                 return "ReadOnlyFileSystem";
                             case Blocker::FullDisk:
                                 return "FullDisk";
                             }
                             return "";
                         });

INSTANTIATE_TEST_SUITE_P(
    Table, WindowUnsavedSettings,
    ::testing::Values(
        SettingsSaveCase{"ConfigInFolderWithoutWritePermission",
                         SettingsWriter::ConfigurationDialog, Blocker::NobodyInReadOnlyFolder},
        SettingsSaveCase{"ConfigOnReadOnlyFileSystem", SettingsWriter::ConfigurationDialog,
                         Blocker::ReadOnlyMount},
        SettingsSaveCase{"ConfigOnFullDisk", SettingsWriter::ConfigurationDialog,
                         Blocker::FullDisk},
        SettingsSaveCase{"AboutTickOnReadOnlyFileSystem", SettingsWriter::AboutBoxTick,
                         Blocker::ReadOnlyMount},
        SettingsSaveCase{"AboutTickOnFullDisk", SettingsWriter::AboutBoxTick, Blocker::FullDisk}),
    [](const ::testing::TestParamInfo<SettingsSaveCase>& info) {
        return std::string(info.param.name);
    });

} // namespace
