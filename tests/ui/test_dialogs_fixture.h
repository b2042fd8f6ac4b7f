// The settings dialogs against a settings file in a fresh folder, with every
// message box and file dialog answered by the test.
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "engine/Gcode.h"
#include "engine/Settings.h"
#include "tests/engine/SettingsTestFiles.h"
#include "ui/MessageBox.h"

// Texts are compared as UTF-8 std::string, which failures print readably.
inline std::string u8(const QString& text)
{
    return text.toStdString();
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settingsPath = dir.filePath(QStringLiteral("Tolvane.ini"));
        overrideSettingsFilePath(settingsPath.toStdString());
        machineSettings = MachineSettings{};
        setMessageBoxHandler([this](QWidget*, const BoxRequest& request) {
            boxes.push_back(request);
            return BoxAnswer::Ok;
        });
        setFileDialogHandler([this](const FileDialog& dialog) {
            fileDialogs.push_back(dialog);
            return fileChoice;
        });
    }

    void TearDown() override
    {
        setMessageBoxHandler({});
        setFileDialogHandler({});
        overrideSettingsFilePath("");
        machineSettings = MachineSettings{};
    }

    void writeSettings(const std::string& bytes) const
    {
        QFile::remove(settingsPath);
        QFile file(settingsPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    std::string readSettings() const
    {
        QFile file(settingsPath);
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        return file.readAll().toStdString();
    }

    // The settings file that ships with the program.
    static std::string shippedSettings()
    {
        QFile file(QStringLiteral(TOLVANE_TEST_DATA "/../../resources/Tolvane.ini"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll().toStdString();
    }

    QTemporaryDir dir;
    QString settingsPath;
    std::vector<BoxRequest> boxes;
    std::vector<FileDialog> fileDialogs;
    std::optional<QString> fileChoice;
};

// A folder the program may not write into, for the scope.
class ReadOnlyFolder : public settingsfiles::ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const QString& folder)
        : settingsfiles::ReadOnlyFolder(folder.toStdString())
    {
    }
};
