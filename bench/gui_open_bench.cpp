// Opens a big G-code program in the main window, offscreen, and measures what
// the user waits for: the time from the open command until the window shows
// the first line selected, the time to select a source line, and the peak
// memory of the process.
//
// Usage: gui_open_bench [PROGRAM] [RUNS]
//   PROGRAM  a G-code file (e.g. bench_2p5d.nc from gen_programs); without it
//            a million-line 2.5D program is generated in a temporary folder;
//            "blank-lines" generates a program of 100,000 moves each
//            followed by a blank line, as Inkscape writes them: 100,000
//            reported lines
//   RUNS     how many times the program is opened (default 5)
//
// It also prints what marking the reported lines costs: the reports of the
// last run recorded again into an empty store, as the run records them, and
// the source list told to repaint them.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "engine/Conversion.h"
#include "engine/Settings.h"
#include "ui/LineListModel.h"
#include "ui/Mainform.h"
#include "ui/MessageBox.h"
#include "ui/ReportedLines.h"

namespace {

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long currentRssMiB()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4096 / (1024 * 1024) : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Pockets of G0/G1 moves with plunges, one move in ten an arc: the shape of
// the programs CAM systems write for a 2.5D part.
void writeProgram(const QString& path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::string text = "%\n(generated benchmark program)\nG21 G90 G17\nM3 S10000\n";
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(0.0, 200.0);
    char buffer[96];
    int written = 4;
    while (written < lines) {
        std::snprintf(buffer, sizeof buffer, "G0 X%.3f Y%.3f\nG1 Z-1.000 F300\n",
                      coordinate(random), coordinate(random));
        text += buffer;
        written += 2;
        for (int k = 0; k < 20 && written < lines; ++k, ++written) {
            if (k % 10 == 9)
                std::snprintf(buffer, sizeof buffer, "G2 X%.3f Y%.3f I2.000 J0.000 F600\n",
                              coordinate(random), coordinate(random));
            else
                std::snprintf(buffer, sizeof buffer, "G1 X%.3f Y%.3f F600\n", coordinate(random),
                              coordinate(random));
            text += buffer;
        }
        text += "G0 Z5.000\n";
        ++written;
        if (text.size() > (1u << 22)) {
            file.write(text.data(), static_cast<qint64>(text.size()));
            text.clear();
        }
    }
    file.write(text.data(), static_cast<qint64>(text.size()));
}

// Moves, each followed by an empty line: every empty line is reported.
void writeBlankLineProgram(const QString& path, int moves)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::string text = "G21 G90\n";
    std::mt19937 random(3);
    std::uniform_real_distribution<double> coordinate(0.0, 200.0);
    char buffer[64];
    for (int i = 0; i < moves; ++i) {
        std::snprintf(buffer, sizeof buffer, "G1 X%.3f Y%.3f F600\n\n", coordinate(random),
                      coordinate(random));
        text += buffer;
    }
    file.write(text.data(), static_cast<qint64>(text.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    QString program = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (program.isEmpty()) {
        program = dir.filePath(QStringLiteral("bench.nc"));
        writeProgram(program, 1000000);
    } else if (program == QLatin1String("blank-lines")) {
        program = dir.filePath(QStringLiteral("blank-lines.nc"));
        writeBlankLineProgram(program, 100000);
    }
    {
        QFile settings(dir.filePath(QStringLiteral("Tolvane.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write("[About]\nAffiche=1\n");
    }
    overrideSettingsFilePath(dir.filePath(QStringLiteral("Tolvane.ini")).toStdString());
    int reports = 0;
    setMessageBoxHandler([&reports](QWidget*, const BoxRequest&) {
        ++reports;
        return BoxAnswer::Second; // skip the rest of a run's reports
    });

    TForm1 form;
    form.show();
    QApplication::processEvents();
    const long baseRss = currentRssMiB();

    // The engine alone, for comparison: what the window adds is the rest.
    std::vector<double> engineMs;
    for (int run = 0; run < runs; ++run) {
        const double start = cpuMs();
        QFile file(program);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const std::vector<std::string> lines = splitSourceText(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        CommandLines output;
        std::vector<int32_t> lineMap;
        ConversionObserver quiet;
        ::runConversion(lines, "40", "40", "40", output, lineMap, quiet);
        engineMs.push_back(cpuMs() - start);
    }

    std::vector<double> openMs;
    std::vector<double> openCpuMs;
    std::vector<double> clickMs;
    std::mt19937 random(11);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = cpuMs();
        if (!form.openSourceFile(program))
            return 1;
        // Until the first line, selected, is on the screen.
        form.Source->viewport()->repaint();
        form.Dest->viewport()->repaint();
        QApplication::processEvents();
        openMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        openCpuMs.push_back(cpuMs() - cpuStart);

        const int lines = static_cast<int>(form.sourceLines().size());
        std::uniform_int_distribution<int> row(0, lines - 1);
        for (int k = 0; k < 20; ++k) {
            const int target = row(random);
            clock.restart();
            form.clickSourceLine(target);
            form.Dest->viewport()->repaint();
            form.Source->viewport()->repaint();
            clickMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
    }

    // Marking: the last run's reports recorded again, as the run does, and
    // the repaint of the marks.
    std::vector<std::pair<int, std::string>> reported;
    const ReportedLines& last = form.reportedLines();
    for (std::size_t i = 0; i < last.lineCount(); ++i)
        for (const ReportedLines::Group& g : last.groupsOf(last.lineAt(i)))
            reported.emplace_back(last.lineAt(i), std::string(g.text));
    std::vector<double> recordMs;
    std::vector<double> noticeMs;
    std::vector<double> markMs;
    for (int run = 0; run < runs; ++run) {
        auto* model = static_cast<LineListModel*>(form.Source->model());
        ReportedLines again;
        QElapsedTimer clock;
        clock.start();
        for (const auto& [line, group] : reported)
            again.add(line, group);
        recordMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        model->reportsChanged();
        noticeMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6 - recordMs.back());
        form.Source->viewport()->repaint();
        markMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }

    std::vector<double> saveMs;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        QString error;
        if (!form.saveCommandFile(dir.filePath(QStringLiteral("out.Cbr")), &error)) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(error));
            return 1;
        }
        saveMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }

    std::printf("program            %s\n", qPrintable(program));
    std::printf("source lines       %zu\n", form.sourceLines().size());
    std::printf("command lines      %zu\n", form.commandLines().size());
    std::printf("reports shown      %d\n", reports);
    std::printf("groups reported    %zu on %zu lines\n", form.reportedLines().groupCount(),
                form.reportedLines().lineCount());
    std::printf("runs               %d\n", runs);
    std::printf("open, median       %.0f ms (min %.0f, max %.0f)\n", median(openMs),
                *std::min_element(openMs.begin(), openMs.end()),
                *std::max_element(openMs.begin(), openMs.end()));
    std::printf("open, CPU median  %.0f ms\n", median(openCpuMs));
    std::printf("engine only, CPU  %.0f ms (read, split, translate)\n", median(engineMs));
    std::printf("select, median     %.2f ms (max %.2f, %zu clicks)\n", median(clickMs),
                *std::max_element(clickMs.begin(), clickMs.end()), clickMs.size());
    std::printf("marking, median    %.2f ms (%.1f%% of the open): record %.2f, notify %.2f\n",
                median(markMs), 100.0 * median(markMs) / median(openMs), median(recordMs),
                median(noticeMs));
    std::printf("save, median       %.0f ms\n", median(saveMs));
    std::printf("memory before open %ld MiB\n", baseRss);
    std::printf("memory after open  %ld MiB\n", currentRssMiB());
    std::printf("peak memory        %ld MiB\n", peakRssMiB());
    return 0;
}
