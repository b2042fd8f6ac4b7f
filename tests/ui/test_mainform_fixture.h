// A main window with every modal box answered by the test: message boxes are
// recorded, dialogs are recorded and closed, file dialogs return a chosen
// path and programs are recorded instead of started.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Gcode.h"
#include "engine/Settings.h"
#include "ui/ExternalProgram.h"
#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/MessageBox.h"

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// A menu caption without the "&" of its Alt key ("&Fichier" -> "Fichier");
// a doubled "&&", which shows an ampersand, stays.
inline QString withoutMnemonic(const QString& caption)
{
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size() &&
            caption.at(i + 1) != QLatin1Char('&'))
            continue;
        out += caption.at(i);
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size())
            out += caption.at(++i);
    }
    return out;
}

// The word group a report box names, as it shows it: the first line of its
// text after "Not translated: " or its like.
inline QString boxGroup(const BoxRequest& box)
{
    const QString first = box.text.section(QLatin1Char('\n'), 0, 0);
    const qsizetype colon = first.indexOf(QLatin1String(": "));
    return colon < 0 ? first : first.mid(colon + 2);
}

class MainformTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        resetEngineForProgramStart();
        writeSettings("[About]\nAffiche=1\n");
        overrideSettingsFilePath(path("Tolvane.ini").toStdString());

        setMessageBoxHandler([this](QWidget*, const BoxRequest& request) {
            boxes.push_back(request);
            events.push_back("box:" + request.text.toStdString());
            return onBox ? onBox(request) : BoxAnswer::Ok;
        });
        setDialogHandler([this](QDialog& dialog) {
            const std::string name = dialog.metaObject()->className();
            dialogs.push_back(name);
            events.push_back("dialog:" + name);
            if (onDialog)
                onDialog(dialog);
            return name == acceptDialog ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        setFileDialogHandler([this](const FileDialog& dialog) {
            fileDialogs.push_back(dialog);
            return fileChoice;
        });
        setProgramStarter([this](const ProgramCommand& command, QString*) {
            started.push_back(command);
            return true;
        });
    }

    void TearDown() override
    {
        form.reset();
        setMessageBoxHandler({});
        setDialogHandler({});
        setFileDialogHandler({});
        setProgramStarter({});
        overrideSettingsFilePath("");
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    void writeBytes(const QString& name, const std::string& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    std::string readBytes(const QString& fullPath) const
    {
        QFile file(fullPath);
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        return file.readAll().toStdString();
    }

    void writeSettings(const std::string& text) const { writeBytes("Tolvane.ini", text); }

    TForm1& makeForm()
    {
        form = std::make_unique<TForm1>();
        form->show();
        QApplication::processEvents();
        return *form;
    }

    // Opens `text` as program `name` through the open command.
    TForm1& openProgram(const std::string& text, const QString& name = "part.nc")
    {
        if (!form)
            makeForm();
        writeBytes(name, text);
        fileChoice = path(name);
        form->BtnOpenClick();
        return *form;
    }

    // A real mouse click on a row of a list.
    static void clickRow(QListView* view, int row)
    {
        view->scrollTo(view->model()->index(row, 0));
        const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
        const QPoint global = view->viewport()->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &release);
    }

    int sourceRow() const
    {
        const QModelIndexList rows = form->Source->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.constFirst().row();
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
    std::vector<BoxRequest> boxes;
    std::function<BoxAnswer(const BoxRequest&)> onBox;
    std::vector<std::string> dialogs;
    std::vector<std::string> events;
    std::string acceptDialog; // class name of the dialog that is confirmed
    std::function<void(QDialog&)> onDialog; // fills a dialog before it is answered
    std::vector<FileDialog> fileDialogs;
    std::optional<QString> fileChoice;
    std::vector<ProgramCommand> started;
};
