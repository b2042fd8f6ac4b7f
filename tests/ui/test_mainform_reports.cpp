// Reports that stay: the second line of each report box, the marks a run
// leaves on the reported source lines, the status line, F8 / Shift+F8, and
// the command lines shown while a box waits.
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTest>

#include "test_mainform_fixture.h"
#include "ui/ReportedLines.h"

namespace {

const LineListModel& sourceModel(const TForm1& w)
{
    return *static_cast<const LineListModel*>(w.Source->model());
}

std::vector<int> reportedRows(const TForm1& w)
{
    std::vector<int> rows;
    for (std::size_t i = 0; i < w.reportedLines().lineCount(); ++i)
        rows.push_back(w.reportedLines().lineAt(i));
    return rows;
}

QString nbsp(const char* text)
{
    return QString::fromUtf8(text).replace(QLatin1Char('~'), QChar(0xA0));
}

} // namespace

TEST(ReportedLinesStore, GroupsByLineInOrderCutAndWalked)
{
    ReportedLines r;
    r.add(3, "G64");
    r.add(3, "M8");
    r.add(7, "");
    r.add(12, std::string(300, 'F'));
    // A cut that would fall inside the two bytes of an "é" keeps it whole
    // or leaves it out, never half of it.
    r.add(20, std::string(199, 'X') + "\xc3\xa9" + "Y");
    r.add(5, "S1000"); // out of the run's order: put in its place

    EXPECT_EQ(r.groupCount(), 6u);
    EXPECT_EQ(r.lineCount(), 5u);
    struct Case {
        int line;
        std::vector<std::string> groups;
        std::vector<bool> cut;
    };
    const Case cases[] = {
        {3, {"G64", "M8"}, {false, false}},
        {5, {"S1000"}, {false}},
        {7, {""}, {false}},
        {12, {std::string(200, 'F')}, {true}},
        {20, {std::string(199, 'X')}, {true}},
        {4, {}, {}},
    };
    for (const Case& c : cases) {
        const auto groups = r.groupsOf(c.line);
        ASSERT_EQ(groups.size(), c.groups.size()) << c.line;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            EXPECT_EQ(groups[i].text, c.groups[i]) << c.line;
            EXPECT_EQ(groups[i].cut, c.cut[i]) << c.line;
        }
        EXPECT_EQ(r.contains(c.line), !c.groups.empty()) << c.line;
    }
    struct Walk {
        int from;
        int next;
        int previous;
    };
    const Walk walks[] = {{-1, 3, -1}, {0, 3, -1},   {3, 5, -1},  {4, 5, 3},
                          {12, 20, 7}, {20, -1, 12}, {99, -1, 20}};
    for (const Walk& w : walks) {
        EXPECT_EQ(r.next(w.from), w.next) << w.from;
        EXPECT_EQ(r.previous(w.from), w.previous) << w.from;
    }
    EXPECT_EQ(r.indexOf(7), 2);
    EXPECT_EQ(r.indexOf(8), -1);
    r.clear();
    EXPECT_EQ(r.groupCount(), 0u);
    EXPECT_FALSE(r.contains(3));
}

TEST_F(MainformTest, EachBoxNamesItsLineAndShowsIt)
{
    struct Case {
        std::string line;
        const char* group;
        QString informative;
    };
    const std::string longLine = "G55" + std::string(9000, 'P');
    const Case cases[] = {
        {"G55 P0.01", "G55 P0.01", nbsp("Ligne 1~: G55 P0.01")},
        {"G42", "G42", nbsp("Ligne 2~: G42")},
        {"G56 (offset)", "G56", nbsp("Ligne 3~: G56 (offset)")}, // no comment mark in the group
        {"N10 G57", "G57", nbsp("Ligne 4~: N10 G57")},
        {"g0 x1 m4 (ccw)", "M4", nbsp("Ligne 5~: g0 x1 m4 (ccw)")},
        {longLine, nullptr, nbsp("Ligne 6~: G55") + QString(4093, 'P') + QChar(0x2026)},
    };
    std::string program;
    for (const Case& c : cases)
        program += c.line + "\n";
    openProgram(program);
    ASSERT_EQ(boxes.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].group != nullptr) {
            EXPECT_EQ(boxGroup(boxes[i]), QString::fromUtf8(cases[i].group)) << i;
        }
        const QString count = QStringLiteral("\n\nRapport %1 / 6").arg(i + 1);
        EXPECT_EQ(boxes[i].informative.toStdString(),
                  (cases[i].informative + count).toStdString())
            << i;
        EXPECT_FALSE(boxes[i].informative.isEmpty()) << "no box is empty";
    }
}

TEST_F(MainformTest, ReportedLinesAreMarkedWhetherTheBoxesWereShownOrSkipped)
{
    const std::string program = "G0 X1\nM4\nG0 X2 G55\nG41\nG0 X3\nG55 M48\n";
    for (const bool skip : {false, true}) {
        boxes.clear();
        onBox = [skip](const BoxRequest&) { return skip ? BoxAnswer::Second : BoxAnswer::Ok; };
        TForm1& w = openProgram(program);
        EXPECT_EQ(boxes.size(), skip ? 1u : 5u);
        EXPECT_EQ(reportedRows(w), (std::vector<int>{1, 2, 3, 5})) << skip;
        EXPECT_EQ(w.reportedLines().groupCount(), 5u);

        const LineListModel& model = sourceModel(w);
        struct Row {
            int row;
            QString tip; // empty: not marked
        };
        const Row rows[] = {
            {0, {}},
            {1, nbsp("Non traduit~: M4 (code non pris en charge)")},
            {2, nbsp("Non traduit~: G55 (code non pris en charge)")},
            {3, nbsp("Non traduit~: G41 (code non pris en charge)")},
            {4, {}},
            // In the order they act: M48 before G55.
            {5, nbsp("Non traduit~: M48 (code non pris en charge)\n"
                     "Non traduit~: G55 (code non pris en charge)")},
        };
        for (const Row& r : rows) {
            const QModelIndex index = model.index(r.row);
            EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), r.tip) << r.row;
            EXPECT_EQ(index.data(Qt::BackgroundRole).isValid(), !r.tip.isEmpty()) << r.row;
        }
        EXPECT_TRUE(w.StatusLine->text().startsWith(
            nbsp("5 codes ignor\u00e9s sur 4 lignes \u2013 F8~: ligne signal\u00e9e "
                 "suivante, Maj+F8~: pr\u00e9c\u00e9dente")))
            << w.StatusLine->text().toStdString();
        EXPECT_TRUE(w.LigneSuivante1->isEnabled());
    }
}

TEST_F(MainformTest, StatusLineCountsTheIgnoredGroups)
{
    struct Case {
        std::string program;
        QString status;
    };
    const QString keys =
        nbsp(" \u2013 F8~: ligne signal\u00e9e suivante, Maj+F8~: pr\u00e9c\u00e9dente");
    const Case cases[] = {
        {"G0 X1\n", QString::fromUtf8("Aucun code ignor\u00e9")},
        {"G0 X1\nM4\n", QString::fromUtf8("1 code ignor\u00e9, ligne 2") + keys},
        {"G0 X1\nM4 M48 G55\n", QString::fromUtf8("3 codes ignor\u00e9s, ligne 2") + keys},
        {"M4\nM48\n", QString::fromUtf8("2 codes ignor\u00e9s sur 2 lignes") + keys},
        // The codes accepted without effect are named, each once, in code order.
        {"G0 X1 M8\nG40\nM9\n", QString::fromUtf8("Aucun code ignor\u00e9 \u2013 Sans effet "
                                                    "sur cette machine : G40 M8 M9")},
        {"G0 X1\nM4\nG54\n", QString::fromUtf8("1 code ignor\u00e9, ligne 2 \u2013 Sans effet sur "
                                               "cette machine : G54") + keys},
    };
    TForm1& w = makeForm();
    EXPECT_TRUE(w.StatusLine->text().isEmpty()) << "nothing to say before a run";
    for (const Case& c : cases) {
        openProgram(c.program);
        // The counts first; the program's extent follows them.
        EXPECT_TRUE(w.StatusLine->text().startsWith(c.status))
            << w.StatusLine->text().toStdString() << " / " << c.program;
        EXPECT_TRUE(w.StatusLine->isVisible());
    }
}

TEST_F(MainformTest, F8AndShiftF8WalkTheReportedLinesRound)
{
    TForm1& w = makeForm();
    EXPECT_FALSE(w.LigneSuivante1->isEnabled()) << "nothing reported yet";
    EXPECT_EQ(w.LigneSuivante1->shortcut(), QKeySequence(Qt::Key_F8));
    EXPECT_EQ(w.LignePrecedente1->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F8));
    EXPECT_TRUE(w.Editio1->actions().contains(w.LigneSuivante1));
    EXPECT_TRUE(w.Editio1->actions().contains(w.LignePrecedente1));

    // Lines 1 and 4 are reported; line 3 is a move that line 4's report
    // makes the block of.
    openProgram("G0 X1\nM4\nG0 X2\nG0 X3\nG55\nG0 X4\n");
    ASSERT_EQ(reportedRows(w), (std::vector<int>{1, 4}));
    struct Step {
        bool next;
        int row;
        QString status;
    };
    const QString keys =
        nbsp(" \u2013 F8~: ligne signal\u00e9e suivante, Maj+F8~: pr\u00e9c\u00e9dente");
    const QString why = nbsp("~: code non pris en charge");
    const Step steps[] = {
        {true, 1, nbsp("Ligne signal\u00e9e 1 sur 2~: ligne 2") + why + keys},
        {true, 4, nbsp("Ligne signal\u00e9e 2 sur 2~: ligne 5") + why + keys},
        {true, 1, nbsp("Ligne signal\u00e9e 1 sur 2~: ligne 2") + why + keys}, // round to the first
        {false, 4, nbsp("Ligne signal\u00e9e 2 sur 2~: ligne 5") + why + keys}, // round to the last
        {false, 1, nbsp("Ligne signal\u00e9e 1 sur 2~: ligne 2") + why + keys},
    };
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    for (const Step& s : steps) {
        // A real key press, through Qt's shortcuts.
        QTest::keyClick(&w, Qt::Key_F8, s.next ? Qt::NoModifier : Qt::ShiftModifier);
        EXPECT_EQ(sourceRow(), s.row);
        EXPECT_EQ(w.StatusLine->text().left(s.status.size()).toStdString(),
                  s.status.toStdString());
        // The command lines selected are those a click selects.
        const auto byKey = w.selectedDestRange();
        w.clickSourceLine(s.row);
        EXPECT_EQ(w.selectedDestRange(), byKey) << s.row;
    }
    // From a line between two reported ones, F8 goes to the next one.
    w.clickSourceLine(2);
    w.LigneSuivante1->trigger();
    EXPECT_EQ(sourceRow(), 4);
    w.LignePrecedente1->trigger();
    EXPECT_EQ(sourceRow(), 1);

    // A run without reports leaves nothing to walk.
    openProgram("G0 X1\n");
    EXPECT_FALSE(w.LigneSuivante1->isEnabled());
    w.LigneSuivante1Click();
    EXPECT_EQ(sourceRow(), 0);
}

TEST_F(MainformTest, WhileABoxWaitsTheCommandLinesWrittenBeforeItsLineAreShown)
{
    TForm1& w = makeForm();
    std::string program;
    for (int i = 0; i < 300; ++i)
        program += "G0 X" + std::to_string(i) + "\n";
    program += "M4\n";
    program += "G0 Y5\nG55\n";
    struct Seen {
        QString lastWritten;
        bool visible;
    };
    std::vector<Seen> seen;
    onBox = [&](const BoxRequest&) {
        // The command line of the last translated line before the report.
        const int line = static_cast<const LineListModel*>(w.Source->model())->highlightedRow();
        int row = -1;
        for (int i = line; i >= 0 && row < 0; --i)
            row = w.lineMap()[static_cast<std::size_t>(i)];
        const QModelIndex index = w.Dest->model()->index(row, 0);
        seen.push_back({index.data().toString(),
                        w.Dest->viewport()->rect().intersects(w.Dest->visualRect(index))});
        return BoxAnswer::Ok;
    };
    openProgram(program);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].lastWritten, "PA 11960,0;");
    EXPECT_TRUE(seen[0].visible);
    EXPECT_EQ(seen[1].lastWritten, "PA 11960,200;");
    EXPECT_TRUE(seen[1].visible);
    // The list holds the whole result.
    EXPECT_EQ(w.commandLines().size(), 305u);
    EXPECT_EQ(w.Dest->model()->rowCount(), 305);
}
