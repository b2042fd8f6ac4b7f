// A thinned copy of the tool path, drawn while the user turns, pans or zooms
// the view of a path too large to redraw in full at an interactive rate.
//
// The software renderer pays for every line it sets up, however short, so
// the thinned path must have far fewer lines and still look like the path:
// 1. Straightening. Within each segment, a run of pieces of one colour is
//    replaced by fewer, longer pieces wherever the dropped points lie within
//    a small tolerance of the new piece (Douglas-Peucker). Arcs cut into
//    fine chords and the staircases of 3D moves collapse to a handful of
//    lines that cannot be told apart at the size they are seen. The first
//    and last point of every segment and every point where the colour
//    changes are kept, so every piece keeps its red or green.
// 2. Straightening saves the renderer line set-ups but hardly any pixels,
//    and filling pixels is most of its work: if the full path took twice
//    the frame budget, only a share of its cost (lines and their length)
//    can be drawn. The longest pieces (rapid traverses, contours, long cuts:
//    the outline of the job) are all kept, up to half that cost, and the
//    rest are sampled evenly along the path, so that areas of dense work
//    stay dense. Whole pieces are kept or dropped; a kept piece lies exactly
//    on the path.
#include "preview/GlviewFast.h"

#include "preview/Trajectoires.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace {

// The straightening tolerance as a share of the diagonal of the path's
// bounding box: about half a pixel when the whole path fills the window.
constexpr double kToleranceShare = 1.0 / 1000.0;
// Straightening works on runs of at most this many points, so that a huge
// segment (a long staircase) costs time in proportion to its length even
// in the worst case of the algorithm.
constexpr std::size_t kMaxRun = 1024;
// Piece lengths are sorted into quarter-octave classes to find the longest
// pieces without sorting them all.
constexpr int kLengthClasses = 512;
constexpr int kLengthClassOfOne = 256;
// Cost of setting up a line, against filling the pixels of an average one.
constexpr double kSetUpCost = 0.5;

bool shown(const tpoint1& p, bool showRapid, bool showFeed)
{
    return (showRapid && p.kind == kKindRapid) || (showFeed && p.kind == kKindFeed);
}

double squaredLength(const tpoint1& a, const tpoint1& b)
{
    const double dx = double(b.x) - a.x;
    const double dy = double(b.y) - a.y;
    const double dz = double(b.z) - a.z;
    return dx * dx + dy * dy + dz * dz;
}

// Squared distance from p to the piece from a to b; infinite when anything
// is not a number, so that such a point is always kept.
double squaredDistance(const tpoint1& p, const tpoint1& a, const tpoint1& b)
{
    const double dx = double(b.x) - a.x;
    const double dy = double(b.y) - a.y;
    const double dz = double(b.z) - a.z;
    const double px = double(p.x) - a.x;
    const double py = double(p.y) - a.y;
    const double pz = double(p.z) - a.z;
    const double length2 = dx * dx + dy * dy + dz * dz;
    double t = 0.0;
    if (length2 > 0.0)
        t = std::clamp((px * dx + py * dy + pz * dz) / length2, 0.0, 1.0);
    const double ex = px - t * dx;
    const double ey = py - t * dy;
    const double ez = pz - t * dz;
    const double d = ex * ex + ey * ey + ez * ez;
    return std::isnan(d) ? std::numeric_limits<double>::infinity() : d;
}

double finiteLength(const tpoint1& a, const tpoint1& b)
{
    const double length = std::sqrt(squaredLength(a, b));
    return std::isfinite(length) ? length : 0.0;
}

int lengthClass(const tpoint1& a, const tpoint1& b)
{
    const double length2 = squaredLength(a, b);
    if (!(length2 > 0.0))
        return 0;
    if (std::isinf(length2))
        return kLengthClasses - 1;
    // Two classes per octave of the squared length: four per octave of the
    // length.
    const double c = std::floor(std::log2(length2) * 2.0) + kLengthClassOfOne;
    return int(std::clamp(c, 0.0, double(kLengthClasses - 1)));
}

// Walks the store's strips and hands on the straightened pieces in order.
class Straightener {
  public:
    Straightener(const piece& store_, bool showRapid_, bool showFeed_, double tolerance)
        : store(store_), showRapid(showRapid_), showFeed(showFeed_),
          tolerance2(tolerance * tolerance)
    {
    }

    // emit(from, to, n) for every straightened piece, which stands for n
    // pieces of the full path.
    template <class Emit> void run(Emit&& emit)
    {
        for (const auto& segment : store.getSegments()) {
            points.clear();
            for (const tpoint1& p : segment.getPoints())
                if (shown(p, showRapid, showFeed))
                    points.push_back(&p);
            const std::size_t m = points.size();
            if (m < 2)
                continue;
            keep.assign(m, 0);
            keep[0] = 1;
            // A piece takes the colour of its end point: pieces j and j + 1
            // have one colour when points j and j + 1 are of one kind.
            std::size_t start = 0;
            for (std::size_t j = 1; j < m; ++j) {
                if (j == m - 1 || points[j]->kind != points[j + 1]->kind || j - start >= kMaxRun) {
                    keep[j] = 1;
                    straighten(start, j);
                    start = j;
                }
            }
            std::size_t previous = 0;
            for (std::size_t j = 1; j < m; ++j)
                if (keep[j]) {
                    emit(*points[previous], *points[j], j - previous);
                    previous = j;
                }
        }
    }

  private:
    // Douglas-Peucker between two kept points.
    void straighten(std::size_t first, std::size_t last)
    {
        stack.clear();
        stack.emplace_back(first, last);
        while (!stack.empty()) {
            auto [a, b] = stack.back();
            stack.pop_back();
            if (b - a < 2)
                continue;
            double worst = -1.0;
            std::size_t at = a;
            for (std::size_t i = a + 1; i < b; ++i) {
                const double d = squaredDistance(*points[i], *points[a], *points[b]);
                if (d > worst) {
                    worst = d;
                    at = i;
                }
            }
            if (worst > tolerance2) {
                keep[at] = 1;
                stack.emplace_back(a, at);
                stack.emplace_back(at, b);
            }
        }
    }

    const piece& store;
    bool showRapid;
    bool showFeed;
    double tolerance2;
    std::vector<const tpoint1*> points;
    std::vector<uint8_t> keep;
    std::vector<std::pair<std::size_t, std::size_t>> stack;
};

double toleranceFor(const piece& store, bool showRapid, bool showFeed)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    float lo[3] = {inf, inf, inf};
    float hi[3] = {-inf, -inf, -inf};
    for (const auto& segment : store.getSegments())
        for (const tpoint1& p : segment.getPoints()) {
            if (!shown(p, showRapid, showFeed) || !std::isfinite(p.x) || !std::isfinite(p.y) ||
                !std::isfinite(p.z))
                continue;
            const float c[3] = {p.x, p.y, p.z};
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], c[k]);
                hi[k] = std::max(hi[k], c[k]);
            }
        }
    if (!(lo[0] <= hi[0]))
        return 0.0;
    double diagonal2 = 0.0;
    for (int k = 0; k < 3; ++k)
        diagonal2 += (double(hi[k]) - lo[k]) * (double(hi[k]) - lo[k]);
    const double tolerance = std::sqrt(diagonal2) * kToleranceShare;
    return std::isfinite(tolerance) ? tolerance : 0.0;
}

} // namespace

bool PathArrays::buildThinned(const piece& store, bool showRapid, bool showFeed,
                              std::size_t maxLines, double keepShare)
{
    clear();
    try {
        return thin(store, showRapid, showFeed, maxLines, keepShare);
    } catch (const std::bad_alloc&) {
        // The scratch lists of a huge segment: the full path is drawn.
        clear();
        return false;
    }
}

bool PathArrays::thin(const piece& store, bool showRapid, bool showFeed, std::size_t maxLines,
                      double keepShare)
{
    const double straighteningTolerance = toleranceFor(store, showRapid, showFeed);
    Straightener straightener(store, showRapid, showFeed, straighteningTolerance);

    // First pass: the pieces left, how long they are, and how many pieces
    // of the full path they stand for.
    std::array<std::size_t, kLengthClasses> counts{};
    std::array<double, kLengthClasses> lengths{};
    std::size_t total = 0;
    std::size_t fullPieces = 0;
    double totalLength = 0.0;
    straightener.run([&](const tpoint1& a, const tpoint1& b, std::size_t merged) {
        const int c = lengthClass(a, b);
        const double length = finiteLength(a, b);
        ++counts[c];
        lengths[c] += length;
        totalLength += length;
        ++total;
        fullPieces += merged;
    });

    // What pieces cost the renderer, setting them up and filling their
    // pixels, in units of the full path's average piece; setting up counts
    // half as much as filling (straightening the 2.5D benchmark path to a
    // third of its lines, as long as before, saved about a fifth of a
    // frame).
    const double unit = fullPieces > 0 && totalLength > 0.0 ? totalLength / fullPieces : 1.0;
    auto cost = [unit](std::size_t n, double length) {
        return kSetUpCost * double(n) + length / unit;
    };

    // Every piece of the longest classes, up to half the budget, and an even
    // sample of the others for the rest.
    int longClass = 0;
    std::size_t longCount = total;
    std::size_t shortKept = 0;
    if (!(keepShare >= 1.0) || total > maxLines) {
        const double share = keepShare > 0.0 ? std::min(keepShare, 1.0) : 0.0;
        const double budget = share * cost(fullPieces, totalLength);
        longClass = kLengthClasses;
        longCount = 0;
        double longCost = 0.0;
        double longLength = 0.0;
        while (longClass > 0) {
            const int c = longClass - 1;
            const double more = cost(counts[c], lengths[c]);
            if (longCost + more > budget / 2 || longCount + counts[c] > maxLines / 2)
                break;
            longCost += more;
            longLength += lengths[c];
            longCount += counts[c];
            longClass = c;
        }
        const std::size_t shortCount = total - longCount;
        const double shortCost = cost(shortCount, std::max(0.0, totalLength - longLength));
        const double fraction =
            shortCost > 0.0 ? std::clamp((budget - longCost) / shortCost, 0.0, 1.0) : 1.0;
        shortKept = std::min(shortCount, std::size_t(double(shortCount) * fraction));
        // Never fewer lines than it takes to show the path, never more than
        // the most allowed.
        if (longCount + shortKept < kMinThinLines)
            shortKept = std::min(shortCount, kMinThinLines - longCount);
        shortKept = std::min(shortKept, maxLines - std::min(maxLines, longCount));
    }
    const std::size_t shortCount = total - longCount;
    const std::size_t lines = longCount + shortKept;
    if (!allocate(lines))
        return false;
    PathVertex* out = vertices;
    std::size_t shortSeen = 0;
    straightener.run([&](const tpoint1& a, const tpoint1& b, std::size_t) {
        if (lengthClass(a, b) < longClass) {
            // Keeps shortKept of the shortCount pieces, evenly spread: piece
            // i when floor(i * kept / count) steps up at it.
            const std::size_t i = shortSeen++;
            if ((i + 1) * shortKept / shortCount == i * shortKept / shortCount)
                return;
        }
        *out++ = pathVertex(a.x, a.y, a.z, a.kind == kKindRapid);
        *out++ = pathVertex(b.x, b.y, b.z, b.kind == kKindRapid);
    });
    setSource(store, lines, showRapid, showFeed);
    tolerance = straighteningTolerance;
    return true;
}
