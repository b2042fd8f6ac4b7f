// The window gives every program the bytes the converter gives it, whatever
// was open before; refuses files that are not G-code text; and says the
// program's extent and where it first leaves the machine's travel.
#include <QLabel>

#include "engine/Conversion.h"
#include "test_mainform_fixture.h"

namespace {

// The command lines a fresh converter run gives `text` with the settings file
// of the test.
CommandLines converterLines(const std::string& text)
{
    resetEngineForProgramStart();
    const StepsPerMmTexts steps = loadMachineSettings();
    keepToolPath = false;
    CommandLines lines;
    std::vector<int32_t> map;
    ConversionObserver quiet;
    runConversionOnText(text, steps.ofx, steps.ofy, steps.ofz, lines, map, quiet);
    resetEngineForProgramStart();
    return lines;
}

TEST_F(MainformTest, EachProgramGetsTheConvertersBytesWhateverWasOpenBefore)
{
    // The second program's first feed move has no F; the first one ends at
    // F600 with a G98 cycle in force.
    const std::string first = "G1 X1 F600\nG98 G83 X1 Y1 Z-3 R2 Q1 F90\n";
    const std::string second = "G0 X1 Y1\nG1 Z-1\nX5\nG81 X2 Y2 Z-2 R1\nX3\nM30\n";
    const CommandLines expected = converterLines(second);
    openProgram(first, "first.nc");
    openProgram(second, "second.nc");
    EXPECT_EQ(form->commandLines(), expected);
    form->Relancer1Click();
    EXPECT_EQ(form->commandLines(), expected);
}

TEST_F(MainformTest, AFileThatIsNotGcodeTextIsRefused)
{
    openProgram("G0 X1\nG0 X2\n", "part.nc");
    boxes.clear();
    openProgram(std::string("\x7F"
                            "ELF\x02\x01\x01\0\0\0G0X1\n",
                            15),
                "tool.nc");
    ASSERT_EQ(boxes.size(), 1u);
    const std::string text = boxes[0].text.toStdString();
    EXPECT_NE(text.find("tool.nc"), std::string::npos) << text;
    EXPECT_NE(text.find("n'est pas un fichier texte G-code"), std::string::npos) << text;
    // The program open before stays, as it was.
    EXPECT_EQ(form->sourceLines(), (std::vector<std::string>{"G0 X1", "G0 X2"}));
    EXPECT_EQ(form->commandLines().back(), "PA 80,0;");
}

TEST_F(MainformTest, StatusLineShowsTheExtentAndTheFirstMoveBeyondTheTravel)
{
    writeSettings("[About]\nAffiche=1\n[Machine]\nCourse Z=100\n");
    openProgram("G0 X-5 Y2.5\nG0 Z150\nG0 Z200\n");
    const QString status = form->StatusLine->text();
    EXPECT_TRUE(status.contains(QStringLiteral(
        "\u00c9tendue X -5,0 \u00e0 0,0, Y 0,0 \u00e0 2,5, Z 10,0 \u00e0 200,0\u00a0mm")))
        << status.toStdString();
    const QString travel = QStringLiteral(
        "Ligne 2\u00a0: le parcours sort de la course Z (100,0\u00a0mm) de 40,0\u00a0mm.");
    EXPECT_TRUE(status.contains(travel)) << status.toStdString();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, travel);
}

} // namespace
