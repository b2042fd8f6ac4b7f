// Saving the command file, the external editor and driver, and the dialogs.
#include <QFileInfo>

#include "test_mainform_fixture.h"
#include "tests/support/TestSystem.h"

TEST_F(MainformTest, SavingWritesCrLfAndAddsTheExtension)
{
    struct Case {
        QString typed;
        QString written;
    };
    const Case cases[] = {
        {"out", "out.Cbr"},
        {"out.C3d", "out.C3d"},
        {"out.txt", "out.txt"},
        {"with blank", "with blank.Cbr"},
    };
    TForm1& w = openProgram("(nothing the machine can do)\n%\n");
    for (const Case& c : cases) {
        fileChoice = path(c.typed);
        w.BitBtn1Click();
        EXPECT_EQ(readBytes(path(c.written)),
                  "OF X: 40, Y:40, Z:40;\r\nVS 50.00\r\n@ZU 30.00\r\n@ZD 30.00\r\n")
            << c.typed.toStdString();
    }
    EXPECT_TRUE(boxes.empty());
    // The dialog proposes the program's name with the command file's extension.
    EXPECT_EQ(fileDialogs.back().fileName, path("part.Cbr"));
    EXPECT_EQ(fileDialogs.back().defaultExt, "Cbr");
}

TEST_F(MainformTest, SavingBeforeAnyRunWritesNothing)
{
    // Ctrl+S with nothing translated once replaced a file with 0 bytes.
    TForm1& w = makeForm();
    writeBytes("old.Cbr", "old content\r\n");
    fileChoice = path("old.Cbr");
    w.BitBtn1Click();
    EXPECT_EQ(readBytes(path("old.Cbr")), "old content\r\n");
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainformTest, AFailedSaveIsReportedAndLeavesTheOldFile)
{
    std::string program;
    for (int i = 0; i < 3000; ++i)
        program += "G0 X" + std::to_string(i) + "\n";
    TForm1& w = openProgram(program);
    writeBytes("old.Cbr", "old content\r\n");
    const QString keptText = QString::fromUtf8("Un fichier existant de ce nom n'a pas été modifié");

    // A folder that does not exist.
    fileChoice = path("no/such/folder/out.Cbr");
    w.BitBtn1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(path("no/such/folder/out.Cbr")));
    EXPECT_FALSE(boxes[0].text.contains(keptText)) << "there was no such file";

    // A file size limit stands in for a full disk: it applies to root too.
    boxes.clear();
    {
        testsys::FileSizeLimit limit(1000);
        if (!limit.why().empty())
            GTEST_SKIP() << limit.why();
        fileChoice = path("old.Cbr");
        w.BitBtn1Click();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(path("old.Cbr"))) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(keptText));
    EXPECT_EQ(readBytes(path("old.Cbr")), "old content\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"Tolvane.ini", "old.Cbr", "part.nc"}))
        << "no temporary file is left";
}

TEST(ProgramCommand, EditorTextsAndFileNamesGiveArgumentVectors)
{
    QTemporaryDir dir;
    const QString editorWithBlanks = dir.filePath("My Editor/ed it");
    QDir().mkpath(dir.filePath("My Editor"));
    QFile(editorWithBlanks).open(QIODevice::WriteOnly);

    const QString file = "/home/jo/cnc work/my \"part\"; rm -rf ~.nc";
    struct Case {
        QString editor;
        ProgramCommand expected;
    };
    const Case cases[] = {
        {"c:\\windows\\notepad.exe", {"c:\\windows\\notepad.exe", {file}}},
        {"gedit", {"gedit", {file}}},
        {"  code -w ", {"code", {"-w", file}}},
        {"\"/opt/My Editor/ed\" --new", {"/opt/My Editor/ed", {"--new", file}}},
        {editorWithBlanks, {editorWithBlanks, {file}}}, // an existing file is taken whole
        {dir.filePath("My Editor"), {dir.filePath("My"), {"Editor", file}}}, // a folder is not
    };
    for (const Case& c : cases) {
        const auto command = buildProgramCommand(c.editor, {file});
        ASSERT_TRUE(command) << c.editor.toStdString();
        EXPECT_EQ(command->program, c.expected.program) << c.editor.toStdString();
        EXPECT_EQ(command->arguments, c.expected.arguments) << c.editor.toStdString();
    }
    EXPECT_FALSE(buildProgramCommand("", {file}));
    EXPECT_FALSE(buildProgramCommand("   ", {file}));

    // A program found on the PATH starts, and is not waited for.
    QString error;
    std::vector<std::string> idle = testsys::idleCommandOnPath();
    QStringList arguments;
    for (std::size_t i = 1; i < idle.size(); ++i)
        arguments << QString::fromStdString(idle[i]);
    arguments << file;
    EXPECT_TRUE(startDetachedProcess({QString::fromStdString(idle[0]), arguments}, &error))
        << error.toStdString();
}

TEST_F(MainformTest, EditStartsTheEditorWithTheProgramAsOneArgument)
{
    TForm1& w = makeForm();
    machineSettings.editorPath = "c:\\windows\\notepad.exe";
    w.MenuClick();
    EXPECT_TRUE(started.empty()) << "nothing is loaded yet";

    // Quotes cannot be part of a Windows file name.
    const QString name = testsys::onWindows() ? "my part; touch x.nc" : "my \"part\"; touch x.nc";
    openProgram("G0 X1\n", name);
    w.MenuClick();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, "c:\\windows\\notepad.exe");
    EXPECT_EQ(started[0].arguments, QStringList{QDir::toNativeSeparators(path(name))});

    started.clear();
    onBox = [](const BoxRequest&) { return BoxAnswer::Second; }; // start without saving
    w.Usiner1Click();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, "C:\\Program"); // the default driver path split at its blank
    EXPECT_EQ(boxes.size(), 2u) << "save first? then: nothing saved to load";
}

TEST_F(MainformTest, AProgramThatCannotBeStartedIsReported)
{
    TForm1& w = openProgram("G0 X1\n");
    setProgramStarter({}); // the real one
    QDir().mkpath(path("folder"));
    writeBytes("not-executable", "#!/bin/sh\n");
    struct Case {
        std::string editor;
        QString program;
        QString reason;
    };
    const Case cases[] = {
        {"/no/such/editor", "/no/such/editor", "ce fichier n'existe pas"},
        {"tolvane-no-such-editor -x", "tolvane-no-such-editor", "dans le PATH"},
        {path("folder").toStdString(), path("folder"), "c'est un dossier, pas un programme"},
        {path("not-executable").toStdString(), path("not-executable"),
         QString::fromUtf8("le fichier n'est pas ex\u00e9cutable")},
        {"", "", "Aucun programme n'est indiqu\u00e9"},
    };
    for (const Case& c : cases) {
        boxes.clear();
        machineSettings.editorPath = c.editor;
        w.MenuClick();
        ASSERT_EQ(boxes.size(), 1u) << c.editor;
        EXPECT_TRUE(boxes[0].text.contains(c.program)) << boxes[0].text.toStdString();
        EXPECT_TRUE(boxes[0].text.contains(c.reason)) << boxes[0].text.toStdString();
        EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
    }
}

TEST_F(MainformTest, AboutBoxAtStartUpOnly)
{
    writeSettings("[Machine]\nPas de vis X=3\n"); // no About/Affiche: the box shows
    TForm1& w = makeForm();
    EXPECT_EQ(dialogs, (std::vector<std::string>{"TAboutBox"}));
    EXPECT_EQ(w.Ofx->text(), "66");

    openProgram("M4\n");
    events.clear();
    acceptDialog = "TForm2";
    writeSettings("[About]\nAffiche=0\n[Langue]\ncurrent=2\n[GB]\n26=Ignored code\n");
    w.ConfigClick();
    // The settings are read again (without the About box), then the menus,
    // then the program is translated again.
    EXPECT_EQ(events, (std::vector<std::string>{
                          "dialog:TForm2", "box:Not translated: M4\nReason: unsupported code."}));
    EXPECT_EQ(w.Ofx->text(), "40");

    events.clear();
    acceptDialog.clear();
    w.ConfigClick(); // cancelled: nothing else happens
    EXPECT_EQ(events, (std::vector<std::string>{"dialog:TForm2"}));
}
