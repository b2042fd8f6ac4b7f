// Opening a program, the conversion run and the link from source lines to
// command lines.
#include <QProgressBar>

#include "test_mainform_fixture.h"

namespace {

// Line 1 has an ignored group after a move, line 2 is a comment, line 4 holds
// only an ignored group.
const std::string kMixedProgram = "G0 X1\nG0 X2 M4\n(comment)\nG0 X3\nM4\nG0 X4\n";

} // namespace

TEST_F(MainformTest, OpeningSelectsTheFirstLineAndItsCommandLines)
{
    TForm1& w = makeForm();
    EXPECT_FALSE(w.Edit1->isEnabled());
    EXPECT_FALSE(w.ReOuvrir->isEnabled());
    EXPECT_FALSE(w.Relancer1->isEnabled());

    openProgram("G0 X10 Y5\nG1 Z-1 F600\nX20\n");

    EXPECT_EQ(w.lineMap(), (std::vector<int32_t>{4, 5, 9}));
    EXPECT_EQ(w.commandLines().size(), 10u);
    EXPECT_EQ(sourceRow(), 0);
    EXPECT_EQ(w.selectedDestRange(), std::make_pair(4, 4));
    EXPECT_EQ(w.Dest->currentIndex().row(), 4);
    EXPECT_TRUE(w.Edit1->isEnabled());
    EXPECT_TRUE(w.ReOuvrir->isEnabled());
    EXPECT_TRUE(w.Relancer1->isEnabled());
    EXPECT_TRUE(w.Progress->isHidden());
    EXPECT_EQ(w.sourceFileName(), path("part.nc"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainformTest, SourceClickSelectsTheBlockUpToTheNextValidEntry)
{
    TForm1& w = openProgram(kMixedProgram);
    ASSERT_EQ(w.lineMap(), (std::vector<int32_t>{4, -1, 6, 6, -1, 7}));
    ASSERT_EQ(w.commandLines().size(), 8u);

    struct Case {
        int row;
        std::pair<int, int> selected; // {-1, -1}: nothing
        const char* why;
    };
    const Case cases[] = {
        {0, {4, 5}, "the next line was reported: its lines belong to this block"},
        {1, {-1, -1}, "a reported line selects nothing"},
        {2, {-1, -1}, "a comment produces no command line"},
        {3, {6, 6}, "skips the reported line after it"},
        {4, {-1, -1}, "reported, nothing produced"},
        {5, {7, 7}, "the last line ends at the last command line"},
    };
    for (const Case& c : cases) {
        w.clickSourceLine(c.row);
        EXPECT_EQ(w.selectedDestRange(), c.selected) << "row " << c.row << ": " << c.why;
    }
}

TEST_F(MainformTest, MouseAndKeyboardOnSourceSelectCommandLines)
{
    TForm1& w = openProgram(kMixedProgram);
    clickRow(w.Source, 3);
    EXPECT_EQ(sourceRow(), 3);
    EXPECT_EQ(w.selectedDestRange(), std::make_pair(6, 6));

    // Clicking the selected line again restores a selection the user changed.
    w.Dest->clearSelection();
    clickRow(w.Source, 3);
    EXPECT_EQ(w.selectedDestRange(), std::make_pair(6, 6));

    // Arrow keys move through the program as clicks do.
    w.Source->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(w.Source, &down);
    EXPECT_EQ(sourceRow(), 4);
    EXPECT_EQ(w.selectedDestRange(), std::make_pair(-1, -1));
    QApplication::sendEvent(w.Source, &down);
    EXPECT_EQ(w.selectedDestRange(), std::make_pair(7, 7));
}

TEST_F(MainformTest, ClickScrollsDestToTheFirstSelectedLine)
{
    std::string program;
    for (int i = 0; i < 400; ++i)
        program += "G0 X" + std::to_string(i) + "\n";
    TForm1& w = openProgram(program);
    w.clickSourceLine(350);
    const QModelIndex first = w.Dest->model()->index(354, 0);
    EXPECT_EQ(w.selectedDestRange(), std::make_pair(354, 354));
    EXPECT_TRUE(w.Dest->viewport()->rect().intersects(w.Dest->visualRect(first)));
}

TEST_F(MainformTest, EachIgnoredGroupIsReportedOnceTheRunIsOver)
{
    TForm1& w = makeForm();
    std::vector<int> highlighted;
    std::vector<bool> progressShown;
    onBox = [&](const BoxRequest&) {
        highlighted.push_back(
            static_cast<const LineListModel*>(w.Source->model())->highlightedRow());
        progressShown.push_back(!w.Progress->isHidden() && w.Progress->width() == w.width());
        return BoxAnswer::Ok;
    };
    openProgram("G0 X1\nM4\nG0 X2 G55\nG41\n");

    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxGroup(boxes[0]), "M4");
    EXPECT_EQ(boxGroup(boxes[1]), "G55");
    EXPECT_EQ(boxGroup(boxes[2]), "G41");
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].caption, "Tolvane");
        // The last box has nothing left to skip.
        EXPECT_EQ(boxes[i].secondButton.isEmpty(), i + 1 == boxes.size());
    }
    // The reported line is marked in the list while its box is open; the
    // run is over.
    EXPECT_EQ(highlighted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(progressShown, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(w.lineMap(), (std::vector<int32_t>{4, -1, -1, -1}));
    EXPECT_EQ(static_cast<const LineListModel*>(w.Source->model())->highlightedRow(), -1);
}

TEST_F(MainformTest, SkippingTheRestOfTheReportsLastsOneRun)
{
    TForm1& w = makeForm();
    onBox = [](const BoxRequest&) { return BoxAnswer::Second; };
    openProgram("M4\nM48\nG0 X5\nG55\n");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxGroup(boxes[0]), "M4");
    // The translation itself is unchanged.
    EXPECT_EQ(w.lineMap(), (std::vector<int32_t>{-1, -1, 4, -1}));
    EXPECT_EQ(w.commandLines().back(), "PA 200,0;");

    onBox = nullptr;
    w.Relancer1Click();
    EXPECT_EQ(boxes.size(), 4u);
}

TEST_F(MainformTest, ClosingWhileAReportWaitsEndsTheReports)
{
    // The boxes come once the run is over: the translation is whole.
    TForm1& w = makeForm();
    onBox = [&](const BoxRequest&) {
        EXPECT_TRUE(w.close());
        return BoxAnswer::Ok;
    };
    openProgram("M4\nM48\nG0 X5\n");
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(w.commandLines().size(), 5u);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainformTest, LinesAreShownDecodedAndTranslatedAsTheirBytes)
{
    struct Case {
        std::string bytes;
        QString shown;
    };
    const Case cases[] = {
        {"G0 X1 (caf\xc3\xa9)", QString::fromUtf8("G0 X1 (café)")}, // UTF-8
        {"G0 X1 (caf\xe9)", QString::fromUtf8("G0 X1 (café)")},     // Latin-1
        {"(\x80\xff)", QString(QChar('(')) + QChar(0x80) + QChar(0xFF) + QChar(')')},
        {std::string(10000, 'X'), QString(4096, 'X') + QChar(0x2026)}, // cut for display
    };
    std::string program;
    for (const Case& c : cases)
        program += c.bytes + "\n";
    TForm1& w = openProgram(program);
    const auto* model = static_cast<const LineListModel*>(w.Source->model());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(model->data(model->index(static_cast<int>(i))).toString(), cases[i].shown)
            << "line " << i;
        EXPECT_EQ(w.sourceLines()[i], cases[i].bytes) << "line " << i;
    }
}

TEST_F(MainformTest, ReloadPicksUpEditsAndAFailedReloadKeepsEverything)
{
    TForm1& w = openProgram("G0 X1\n");
    writeBytes("part.nc", "G0 X1\nG0 X2\n");
    w.ReOuvrirClick();
    EXPECT_EQ(w.lineMap(), (std::vector<int32_t>{4, 5}));

    QFile::remove(path("part.nc"));
    w.ReOuvrirClick();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(path("part.nc"))) << boxes[0].text.toStdString();
    EXPECT_EQ(w.sourceLines().size(), 2u);
    EXPECT_EQ(w.commandLines().size(), 6u);
    EXPECT_TRUE(w.ReOuvrir->isEnabled());
    EXPECT_TRUE(w.Edit1->isEnabled());
}

TEST_F(MainformTest, AFileThatCannotBeOpenedChangesNothing)
{
    TForm1& w = makeForm();
    struct Case {
        QString chosen;
        int boxes;
    };
    const Case cases[] = {
        {path("missing.nc"), 1}, {dir.path(), 1}, // a folder
    };
    for (const Case& c : cases) {
        boxes.clear();
        fileChoice = c.chosen;
        w.BtnOpenClick();
        ASSERT_EQ(static_cast<int>(boxes.size()), c.boxes);
        EXPECT_TRUE(boxes[0].text.contains(c.chosen)) << boxes[0].text.toStdString();
        EXPECT_FALSE(w.ReOuvrir->isEnabled());
        EXPECT_TRUE(w.sourceFileName().isEmpty());
    }
    // A cancelled dialog does nothing at all.
    boxes.clear();
    fileChoice.reset();
    w.BtnOpenClick();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(w.ReOuvrir->isEnabled());
}

TEST_F(MainformTest, AnEmptyProgramGivesTheHeaderAndNoSelection)
{
    TForm1& w = openProgram("");
    EXPECT_EQ(w.commandLines().size(), 4u);
    EXPECT_TRUE(w.lineMap().empty());
    EXPECT_EQ(sourceRow(), -1);
    EXPECT_EQ(w.selectedDestRange(), std::make_pair(-1, -1));
    EXPECT_TRUE(w.ReOuvrir->isEnabled());
}

TEST_F(MainformTest, ADroppedFileOpens)
{
    TForm1& w = makeForm();
    writeBytes("dropped.nc", "G0 X1\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path("dropped.nc"))});
    const QPoint at = w.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QApplication::processEvents();
    EXPECT_EQ(w.sourceFileName(), path("dropped.nc"));
    EXPECT_EQ(w.lineMap(), (std::vector<int32_t>{4}));
}
