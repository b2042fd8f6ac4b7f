// Frames per second of the 3D preview, and the time from opening the window
// to its first frame, for the tool paths of generated 2.5D programs.
//
// Run under a real X server or Xvfb, e.g.
//   LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24"
//       build/bench/gui_preview_fps
// Options: --lines N (repeatable; default 10000 100000 1000000), --file PATH
// (repeatable: a G-code program instead of a generated one), --runs R
// (default 5), --seconds S (time per run, default 2), --immediate (also time
// the per-point immediate mode), --budget LINES (line budget of the thinned
// path instead of the window's own). --screenshot PNG with one --file saves a
// picture of the window instead, with the stock box given by --stock X Y Z,
// the view brought nearer by --zoom NOTCHES of the wheel and moved up by
// --pan DY units; with --held, as drawn while a mouse button is held.
//
// Each run opens a new window at its default size, waits for the first
// frame and lets the window settle for 0.3 s. Then it measures S seconds of
// frames of the full path (the view turning by one degree per frame, no
// button held) and S seconds of a drag (left button held, 2 pixels per
// frame), during which a slow path is drawn thinned, and the time from the
// release to the full path on the screen. Medians over the runs are printed
// as table rows.
#include "engine/Conversion.h"
#include "engine/Gcode.h"
#include "preview/Glview.h"
#include "preview/Trajectoires.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <GL/gl.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// Small deterministic generator, so every run draws the same path.
class Random {
  public:
    explicit Random(uint32_t seed) : state(seed) {}
    double between(double lo, double hi)
    {
        state = state * 1664525u + 1013904223u;
        return lo + (hi - lo) * ((state >> 8) / 16777216.0);
    }

  private:
    uint32_t state;
};

std::string number(double value)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, std::round(value * 1000.0) / 1000.0,
                             std::chars_format::fixed, 3);
    return std::string(buf, res.ptr);
}

// Pockets in a 300 x 200 mm field: rapid to the start, plunge, a random walk
// of feed moves (one in ten an arc), retract.
std::vector<std::string> pocketProgram(long lines)
{
    std::vector<std::string> program = {"G21 G90 G17", "M3 S12000", "G0 Z5"};
    Random random(20240601u);
    while (long(program.size()) < lines - 2) {
        double x = random.between(20, 280);
        double y = random.between(20, 180);
        program.push_back("G0 X" + number(x) + " Y" + number(y));
        program.push_back("G1 Z" + number(-random.between(0.5, 3.0)) + " F300");
        for (int k = 0; k < 60 && long(program.size()) < lines - 3; ++k) {
            double nx = std::clamp(x + random.between(-10, 10), 10.0, 290.0);
            double ny = std::clamp(y + random.between(-10, 10), 10.0, 190.0);
            if (k % 10 == 9) {
                // Half circle to the new point: centre half-way.
                program.push_back("G2 X" + number(nx) + " Y" + number(ny) + " I" +
                                  number((nx - x) / 2) + " J" + number((ny - y) / 2));
            } else {
                program.push_back("G1 X" + number(nx) + " Y" + number(ny) +
                                  (k == 0 ? " F900" : ""));
            }
            x = nx;
            y = ny;
        }
        program.push_back("G0 Z5");
    }
    program.push_back("M30");
    return program;
}

std::vector<std::string> readProgram(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        std::exit(1);
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return splitSourceText(bytes);
}

struct Run {
    double firstFrameMs;
    double fullFps;
    double dragFps;
    double thinnedShare; // of the frames drawn during the drag
    double stillMs;      // from the release to the full frame on the screen
    double fullFrameMs;  // the panel's own measure of a full frame
    std::size_t thinLines;
    double thinBuildMs;
};

// Waits for the frame after `frames`, then for the renderer.
void waitForFrame(TGLForm& form, long frames)
{
    while (form.GLPanel->frameCount() <= frames)
        QApplication::processEvents();
    form.GLPanel->makeCurrent();
    glFinish();
}

// Line budget of the thinned path (--budget), 0 for the window's own.
std::size_t lineBudget = 0;

Run measure(TGLForm::PathMode mode, double seconds)
{
    Run run{};
    QElapsedTimer opened;
    opened.start();
    auto form = std::make_unique<TGLForm>();
    form->setPathMode(mode);
    if (lineBudget > 0)
        form->setThinning(TGLForm::kDefaultFrameBudgetMs, lineBudget);
    form->show();
    waitForFrame(*form, 0);
    run.firstFrameMs = opened.nsecsElapsed() / 1e6;

    // A moment for the window to settle, as before any user's first drag:
    // the thinned path of a slow path is built now.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents();

    // The full path, the view turning one degree per frame without a button
    // held (as on every frame before thinning existed).
    QElapsedTimer timer;
    timer.start();
    long frames = 0;
    while (timer.elapsed() < seconds * 1000 || frames < 3) {
        form->angleY += 1.0f;
        form->GLPanel->update();
        const long target = form->GLPanel->frameCount() + 1;
        while (form->GLPanel->frameCount() < target)
            QApplication::processEvents();
        ++frames;
    }
    form->GLPanel->makeCurrent();
    glFinish();
    run.fullFps = frames / (timer.nsecsElapsed() / 1e9);
    run.fullFrameMs = form->lastFullFrameMs();

    // A drag with the left button held: 2 pixels (1.2 degrees) per frame,
    // back and forth.
    int x = 300;
    form->GLPanelMouseDown(Qt::LeftButton, Qt::NoModifier, x, 100);
    timer.start();
    frames = 0;
    long thinned = 0;
    while (timer.elapsed() < seconds * 1000 || frames < 3) {
        x += (frames / 100) % 2 == 0 ? 2 : -2;
        const long target = form->GLPanel->frameCount() + 1;
        form->GLPanelMouseMove(x, 100);
        while (form->GLPanel->frameCount() < target)
            QApplication::processEvents();
        ++frames;
        thinned += form->lastFrameThinned();
    }
    form->GLPanel->makeCurrent();
    glFinish();
    run.dragFps = frames / (timer.nsecsElapsed() / 1e9);
    run.thinnedShare = double(thinned) / double(frames);

    // Release: the full path comes back.
    timer.start();
    const long before = form->GLPanel->frameCount();
    form->GLPanelMouseUp();
    if (run.thinnedShare > 0) {
        waitForFrame(*form, before);
        run.stillMs = timer.nsecsElapsed() / 1e6;
    }
    run.thinLines = form->thinnedLines();
    run.thinBuildMs = form->thinBuildMs();
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void bench(const std::string& name, const std::vector<std::string>& program, int runs,
           double seconds, bool immediate)
{
    CommandLines output;
    std::vector<int32_t> lineMap;
    ConversionObserver quiet;
    QElapsedTimer timer;
    timer.start();
    runConversion(program, "40", "40", "40", output, lineMap, quiet);
    const double convertMs = timer.nsecsElapsed() / 1e6;
    const piece& store = *trajectoryStore;

    std::vector<TGLForm::PathMode> modes = {TGLForm::PathMode::VertexArrays};
    if (immediate)
        modes.push_back(TGLForm::PathMode::Immediate);
    for (TGLForm::PathMode mode : modes) {
        std::vector<double> first, full, drag, share, still, fullMs, thinMs, thinLines;
        for (int r = 0; r < runs; ++r) {
            Run run = measure(mode, seconds);
            first.push_back(run.firstFrameMs);
            full.push_back(run.fullFps);
            drag.push_back(run.dragFps);
            share.push_back(run.thinnedShare);
            still.push_back(run.stillMs);
            fullMs.push_back(run.fullFrameMs);
            thinMs.push_back(run.thinBuildMs);
            thinLines.push_back(double(run.thinLines));
        }
        std::printf("| %s | %zu | %zu | %s | %.0f | %.1f | %.1f | %.0f %% | %.0f | %.0f | %.0f | "
                    "%.0f | (conversion %.0f ms)\n",
                    name.c_str(), store.getSegments().size(), store.pointCount(),
                    mode == TGLForm::PathMode::Immediate ? "immediate" : "arrays", median(first),
                    median(full), median(drag), 100 * median(share), median(thinLines),
                    median(thinMs), median(fullMs), median(still), convertMs);
        std::fflush(stdout);
    }
}

// Opens the preview on the program's path, as the user first sees it, with
// the stock box ticked, and saves the whole window; with `held`, as it is
// drawn while a mouse button is held (thinned if the path is slow).
int screenshot(const std::string& program, const QString& png, const QStringList& stock,
               int notches, float panY, bool held)
{
    CommandLines output;
    std::vector<int32_t> lineMap;
    ConversionObserver quiet;
    runConversion(readProgram(program), "40", "40", "40", output, lineMap, quiet);
    TGLForm form;
    if (lineBudget > 0)
        form.setThinning(TGLForm::kDefaultFrameBudgetMs, lineBudget);
    form.XBrut->setText(stock.value(0, "20"));
    form.YBrut->setText(stock.value(1, "50"));
    form.ZBrut->setText(stock.value(2, "10"));
    form.ChkBrut->setChecked(true);
    form.FormMouseWheel(120 * notches);
    form.offsetY += panY;
    form.show();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1000)
        QApplication::processEvents();
    if (held)
        form.GLPanelMouseDown(Qt::LeftButton, Qt::NoModifier, 10, 10);
    if (!form.grab().save(png)) {
        std::fprintf(stderr, "%s: cannot be written\n", png.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<long> sizes;
    std::vector<std::string> files;
    int runs = 5;
    double seconds = 2.0;
    bool immediate = false;
    QString png;
    QStringList stock;
    int notches = 0;
    float panY = 0;
    bool held = false;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        bool more = i + 1 < args.size();
        if (a == "--lines" && more)
            sizes.push_back(args[++i].toLong());
        else if (a == "--file" && more)
            files.push_back(args[++i].toStdString());
        else if (a == "--runs" && more)
            runs = std::max(1, args[++i].toInt());
        else if (a == "--seconds" && more)
            seconds = std::max(0.1, args[++i].toDouble());
        else if (a == "--budget" && more)
            lineBudget = args[++i].toULong();
        else if (a == "--immediate")
            immediate = true;
        else if (a == "--held")
            held = true;
        else if (a == "--screenshot" && more)
            png = args[++i];
        else if (a == "--pan" && more)
            panY = args[++i].toFloat();
        else if (a == "--zoom" && more)
            notches = args[++i].toInt();
        else if (a == "--stock" && i + 3 < args.size())
            stock = args.mid(i + 1, 3), i += 3;
        else {
            std::fprintf(stderr,
                         "usage: %s [--lines N]... [--file PATH]... [--runs R] [--seconds S] "
                         "[--immediate] [--budget LINES] [--screenshot PNG --stock X Y Z --zoom "
                         "NOTCHES --pan DY]\n",
                         argv[0]);
            return 2;
        }
    }
    if (!png.isEmpty())
        return files.size() == 1 ? screenshot(files[0], png, stock, notches, panY, held) : 2;
    if (sizes.empty() && files.empty())
        sizes = {10000, 100000, 1000000};

    std::printf("| program | segments | points | path | first frame (ms) | full frames/s | "
                "drag frames/s | thinned | thinned lines | thin build (ms) | full frame (ms) | "
                "still after drag (ms) |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (long lines : sizes)
        bench(std::to_string(lines) + " lines", pocketProgram(lines), runs, seconds, immediate);
    for (const std::string& path : files)
        bench(path, readProgram(path), runs, seconds, immediate);
    return 0;
}
