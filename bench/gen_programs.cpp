// Writes the two benchmark programs, a million lines each by default:
//
//   bench_2p5d.nc       2.5D milling: pockets of G0/G1 moves in XY between
//                       Z plunges and retracts, one move in ten a G2/G3 arc.
//   bench_3d_raster.nc  3D raster finishing of a wavy surface: every move
//                       changes X and Z by a small amount, rows stepping in Y.
//
// Both use only codes that LinuxCNC's rs274 also accepts, so the two programs
// can be timed on the same files. The output is the same on every run (own
// random generator, locale-independent number text).
//
// Usage: gen_programs FOLDER [LINES]
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Small deterministic generator (numerical recipes LCG).
class Random {
  public:
    explicit Random(uint32_t seed) : state(seed) {}
    // Uniform in [0, 1).
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
    double between(double lo, double hi) { return lo + (hi - lo) * next(); }

  private:
    uint32_t state;
};

class Program {
  public:
    explicit Program(const std::string& path) : file(std::fopen(path.c_str(), "wb")), name(path)
    {
        if (!file) {
            std::perror(path.c_str());
            std::exit(1);
        }
        text.reserve(1 << 20);
    }
    ~Program()
    {
        flush();
        if (std::fclose(file) != 0) {
            std::perror(name.c_str());
            std::exit(1);
        }
    }

    Program& operator<<(const char* literal)
    {
        text += literal;
        return *this;
    }
    // A coordinate with four decimals, trailing zeros dropped.
    Program& operator<<(double value)
    {
        char buf[32];
        double rounded = std::round(value * 10000.0) / 10000.0;
        if (rounded == 0.0)
            rounded = 0.0; // no "-0"
        auto res = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, 4);
        char* end = res.ptr;
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
        text.append(buf, end);
        return *this;
    }
    Program& operator<<(long value)
    {
        char buf[24];
        auto res = std::to_chars(buf, buf + sizeof buf, value);
        text.append(buf, res.ptr);
        return *this;
    }
    void endLine()
    {
        text += '\n';
        ++count;
        if (text.size() > (1 << 20) - 256)
            flush();
    }
    long lines() const { return count; }

  private:
    void flush()
    {
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
            std::perror(name.c_str());
            std::exit(1);
        }
        text.clear();
    }

    std::FILE* file;
    std::string name;
    std::string text;
    long count = 0;
};

const double kPi = 3.14159265358979323846;

// Pockets in a 300 x 200 mm field: rapid to the start, plunge, a random
// walk of cuts (one in ten an arc of 2 to 8 mm radius), retract.
void writeMilling(const std::string& path, long lines)
{
    Program p(path);
    Random rnd(20240601u);
    p << "(2.5D benchmark: pockets with straight and circular cuts)";
    p.endLine();
    p << "G21 G90 G17";
    p.endLine();
    p << "M3 S12000";
    p.endLine();
    p << "G0 Z5";
    p.endLine();
    double x = 0;
    double y = 0;
    long moves = 0;
    long arcs = 0;
    while (p.lines() < lines - 3) {
        x = rnd.between(20, 280);
        y = rnd.between(20, 180);
        p << "G0 X" << x << " Y" << y;
        p.endLine();
        p << "G1 Z" << -rnd.between(0.5, 3.0) << " F300";
        p.endLine();
        bool first = true;
        for (int k = 0; k < 60 && p.lines() < lines - 4; ++k) {
            ++moves;
            // One move in ten is an arc; keep the walk inside the field.
            if (arcs * 10 < moves) {
                ++arcs;
                double r = rnd.between(2, 8);
                double a = rnd.between(0, 2 * kPi);
                double cx = x + r * std::cos(a);
                double cy = y + r * std::sin(a);
                double sweep = rnd.between(0.3, kPi);
                bool cw = rnd.next() < 0.5;
                double b = a + kPi + (cw ? -sweep : sweep);
                double ex = cx + r * std::cos(b);
                double ey = cy + r * std::sin(b);
                if (ex < 10 || ex > 290 || ey < 10 || ey > 190) {
                    --arcs;
                    --moves;
                    continue;
                }
                p << (cw ? "G2 X" : "G3 X") << ex << " Y" << ey << " I" << cx - x << " J" << cy - y;
                x = ex;
                y = ey;
            } else {
                double nx = x + rnd.between(-10, 10);
                double ny = y + rnd.between(-10, 10);
                if (nx < 10 || nx > 290 || ny < 10 || ny > 190) {
                    --moves;
                    continue;
                }
                x = nx;
                y = ny;
                p << "G1 X" << x << " Y" << y;
            }
            if (first)
                p << " F900";
            first = false;
            p.endLine();
        }
        p << "G0 Z5";
        p.endLine();
    }
    p << "M5";
    p.endLine();
    p << "G0 X0 Y0";
    p.endLine();
    p << "M30";
    p.endLine();
    std::printf("%s: %ld lines, %ld XY moves, %ld arcs\n", path.c_str(), p.lines(), moves, arcs);
}

// Zigzag rows 0.25 mm apart over a wavy surface; X steps of 0.1 to 0.3 mm,
// each with its own Z on the surface.
void writeRaster(const std::string& path, long lines)
{
    Program p(path);
    Random rnd(7u);
    auto surface = [](double x, double y) {
        return -3.0 + 1.2 * std::sin(x * 0.11) * std::cos(y * 0.07) +
               0.4 * std::sin(x * 0.37 + y * 0.05);
    };
    p << "(3D benchmark: raster finishing of a wavy surface)";
    p.endLine();
    p << "G21 G90 G17";
    p.endLine();
    p << "M3 S18000";
    p.endLine();
    p << "G0 Z5";
    p.endLine();
    p << "G0 X0 Y0";
    p.endLine();
    double x = 0;
    double y = 0;
    p << "G1 Z" << surface(x, y) << " F1200";
    p.endLine();
    bool forward = true;
    while (p.lines() < lines - 3) {
        double step = rnd.between(0.1, 0.3);
        double nx = forward ? x + step : x - step;
        if (nx > 150 || nx < 0) {
            // End of the row: step over in Y along the surface.
            forward = !forward;
            y += 0.25;
            p << "Y" << y << " Z" << surface(x, y);
        } else {
            x = nx;
            p << "X" << x << " Z" << surface(x, y);
        }
        p.endLine();
    }
    p << "G0 Z5";
    p.endLine();
    p << "M5";
    p.endLine();
    p << "M30";
    p.endLine();
    std::printf("%s: %ld lines\n", path.c_str(), p.lines());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FOLDER [LINES]\n", argv[0]);
        return 2;
    }
    std::string folder = argv[1];
    long lines = 1000000;
    if (argc == 3) {
        char* end = nullptr;
        lines = std::strtol(argv[2], &end, 10);
        if (*end != '\0' || lines < 100) {
            std::fprintf(stderr, "%s: LINES must be a number of at least 100\n", argv[0]);
            return 2;
        }
    }
    writeMilling(folder + "/bench_2p5d.nc", lines);
    writeRaster(folder + "/bench_3d_raster.nc", lines);
    return 0;
}
