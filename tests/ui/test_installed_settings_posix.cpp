// The window of an installed Tolvane: its folder is not writable, so the
// first setting saved (the Configuration dialog's OK, the About box's tick)
// creates the user's own settings file from the shipped one, and everything
// is read from that file afterwards.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/engine/SettingsPlaces_posix.h"
#include "tests/ui/test_mainform_fixture.h"
#include "ui/About.h"
#include "ui/Config.h"

namespace {

using settingsplaces::Blocker;

enum class Writer { ConfigurationDialog, AboutBoxTick };

struct InstalledCase {
    const char* name;
    Writer writer;
    Blocker blocker;
};

void PrintTo(const InstalledCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string shippedSettings()
{
    QFile file(QStringLiteral(TOLVANE_TEST_DATA "/../../resources/Tolvane.ini"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

std::string replacedOnce(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

class InstalledWindow : public MainformTest, public ::testing::WithParamInterface<InstalledCase> {
  protected:
    void TearDown() override
    {
        form.reset();
        guard.release();
        overrideExecutableFolder("");
        MainformTest::TearDown();
        machineSettings = MachineSettings{};
    }
    settingsplaces::Unwritable guard;
};

TEST_P(InstalledWindow, FirstSaveCreatesTheUsersFileAndLeavesTheShippedOneAlone)
{
    const InstalledCase& c = GetParam();
    const std::string shipped = shippedSettings();
    ASSERT_NE(shipped.find("Affiche=0"), std::string::npos) << "the About box shows at start";
    ASSERT_NE(shipped.find("Vitesse maxi=50\n"), std::string::npos);
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther |
                                          QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    const QString installed = path(QStringLiteral("usr/bin"));
    const QString config = path(QStringLiteral("config"));
    ASSERT_TRUE(QDir().mkpath(installed));
    ASSERT_TRUE(QDir().mkpath(config));
    writeBytes(QStringLiteral("usr/bin/Tolvane.ini"), shipped);
    const std::string shippedPath = installed.toStdString() + "/Tolvane.ini";
    const std::string userFile = config.toStdString() + "/tolvane/Tolvane.ini";
    settingsplaces::EnvVar xdg("XDG_CONFIG_HOME", config.toStdString());
    overrideSettingsFilePath("");
    overrideExecutableFolder(installed.toStdString());
    const std::string why =
        guard.block(c.blocker, {installed.toStdString()}, {config.toStdString()});
    if (!why.empty())
        GTEST_SKIP() << why;

    bool configAccepted = false;
    setDialogHandler([&](QDialog& dialog) {
        dialogs.push_back(dialog.metaObject()->className());
        if (auto* about = qobject_cast<TAboutBox*>(&dialog)) {
            if (c.writer == Writer::AboutBoxTick) {
                about->CheckBox1->click();
                EXPECT_TRUE(about->CheckBox1->isChecked()) << "the tick was saved";
            }
        }
        if (auto* configDialog = qobject_cast<TForm2*>(&dialog)) {
            configDialog->VMax->setText(QStringLiteral("70"));
            configDialog->BitBtn1->click();
            configAccepted = configDialog->result() == QDialog::Accepted;
            return configDialog->result();
        }
        return int(QDialog::Rejected);
    });
    makeForm();
    ASSERT_EQ(dialogs, std::vector<std::string>{"TAboutBox"}) << "shown at start";
    if (c.writer == Writer::ConfigurationDialog) {
        EXPECT_FALSE(std::filesystem::exists(userFile)) << "nothing written by looking";
        form->Configuration1->trigger();
        EXPECT_TRUE(configAccepted);
        EXPECT_EQ(machineSettings.maxSpeedXY, 70.0f) << "the values saved are the values used";
        EXPECT_EQ(settingsfiles::readBytes(userFile),
                  replacedOnce(shipped, "Vitesse maxi=50\n", "Vitesse maxi=70\n"));
    } else {
        EXPECT_EQ(settingsfiles::readBytes(userFile),
                  replacedOnce(shipped, "Affiche=0", "Affiche=1"));
    }
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    EXPECT_EQ(settingsFilePath(), userFile);
    EXPECT_EQ(settingsfiles::readBytes(shippedPath), shipped) << "the shipped file is untouched";

    // The About text comes from the user's file too.
    settingsfiles::writeBytes(userFile,
                              replacedOnce(settingsfiles::readBytes(userFile), "[AboutFR]\n",
                                           "[AboutFR]\nMa machine à moi\n"));
    TAboutBox box;
    EXPECT_EQ(box.Memo1->toPlainText().split(QLatin1Char('\n')).value(0).toStdString(),
              "Ma machine à moi");
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstalledWindow,
    ::testing::Values(InstalledCase{"ConfigOnReadOnlyFileSystem", Writer::ConfigurationDialog,
                                    Blocker::ReadOnlyMount},
                      InstalledCase{"ConfigInFolderWithoutWritePermission",
                                    Writer::ConfigurationDialog, Blocker::NoWritePermission},
                      InstalledCase{"AboutTickOnReadOnlyFileSystem", Writer::AboutBoxTick,
                                    Blocker::ReadOnlyMount},
                      InstalledCase{"AboutTickInFolderWithoutWritePermission", Writer::AboutBoxTick,
                                    Blocker::NoWritePermission}),
    [](const ::testing::TestParamInfo<InstalledCase>& info) {
        return std::string(info.param.name);
    });

} // namespace
