// The thinned path drawn while the view of a large path moves: what it keeps
// of the store, and when the window draws it.
#include "preview/GlviewFast.h"
#include "test_support.h"

#include <QMouseEvent>
#include <QThread>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

bool shownKind(int32_t kind, bool rapid, bool feed)
{
    return (rapid && kind == kKindRapid) || (feed && kind == kKindFeed);
}

bool samePosition(const PathVertex& v, const tpoint1& p)
{
    return v.x == p.x && v.y == p.y && v.z == p.z;
}

bool colourOf(const PathVertex& v, int32_t kind)
{
    return kind == kKindRapid ? (v.r == 255 && v.g == 0) : (v.r == 0 && v.g == 255);
}

double distanceToPiece(const tpoint1& p, const tpoint1& a, const tpoint1& b)
{
    QVector3D d(b.x - a.x, b.y - a.y, b.z - a.z), q(p.x - a.x, p.y - a.y, p.z - a.z);
    const float t = d.lengthSquared() > 0
                        ? std::clamp(QVector3D::dotProduct(q, d) / d.lengthSquared(), 0.0f, 1.0f)
                        : 0.0f;
    return (q - t * d).length();
}

// Moves like a CAM program's: straight cuts, fine arcs of mixed kinds, long
// rapids, staircases, single points, kinds the translator never writes.
void fillMachiningStore(piece& store, unsigned seed, int segments)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    float x = 0, y = 0, z = 0;
    for (int s = 0; s < segments; ++s) {
        const int shape = int(u(random) * 10);
        const int kind = shape == 0 ? kKindRapid : kKindFeed;
        trajectoire t(x, y, -z, kind);
        if (shape <= 5) { // straight move, turning back at the field's edge
            const float dx = (u(random) - 0.5f) * 20, dy = (u(random) - 0.5f) * 20;
            x += std::fabs(x + dx) > 60 ? -dx : dx;
            y += std::fabs(y + dy) > 60 ? -dy : dy;
            t.addPoint(x, y, -z, kKindOwn);
        } else if (shape <= 7) { // arc of 200 chords, a rapid point in it
            const float r = 2 + u(random) * 10, a0 = u(random) * 6;
            const float cx = x - r * std::cos(a0), cy = y - r * std::sin(a0);
            for (int i = 1; i <= 200; ++i) {
                const float a = a0 + 3.14159f * float(i) / 200;
                x = cx + r * std::cos(a);
                y = cy + r * std::sin(a);
                t.addPoint(x, y, -z, i == 100 ? kKindRapid : kKindOwn);
            }
        } else if (shape == 8) { // staircase down
            for (int i = 0; i < 100; ++i) {
                x += 0.05f;
                t.addPoint(x, y, -z, kKindOwn);
                z -= 0.025f;
                t.addPoint(x, y, -z, kKindOwn);
            }
        } else if (u(random) < 0.5f) { // nothing to draw, or kind 2
            t.addPoint(x + 1, y, -z, 2);
        }
        store.addSegment(t);
    }
}

// Every thinned line against the store, with the lines consumed segment by
// segment in order: each kept point is a shown point of the segment, in order;
// colours follow the kinds. With `complete`, the thinned path also keeps
// every segment's first and last shown point and every change of colour, and
// every dropped point lies within the tolerance of its line.
void checkThinned(const piece& store, const PathArrays& thin, bool rapid, bool feed, bool complete)
{
    const PathVertex* v = thin.vertexData();
    const std::size_t lines = thin.vertexCount() / 2;
    std::size_t line = 0;
    const double slack = thin.thinningTolerance() * 1.0001 + 1e-5;
    for (const auto& segment : store.getSegments()) {
        std::vector<tpoint1> shown;
        for (const tpoint1& p : segment.getPoints())
            if (shownKind(p.kind, rapid, feed))
                shown.push_back(p);
        if (shown.size() < 2)
            continue;
        std::size_t at = 0; // index of the last kept point in `shown`
        bool started = false;
        while (line < lines && at + 1 < shown.size()) {
            const PathVertex& a = v[2 * line];
            const PathVertex& b = v[2 * line + 1];
            std::size_t from = at;
            if (!started || !samePosition(a, shown[at])) {
                if (complete && !started) {
                    ASSERT_TRUE(samePosition(a, shown[0])) << "segment start dropped";
                }
                while (from < shown.size() && !samePosition(a, shown[from]))
                    ++from;
                if (from == shown.size())
                    break; // belongs to a later segment
            }
            std::size_t to = from + 1;
            while (to < shown.size() && !samePosition(b, shown[to]))
                ++to;
            if (to == shown.size())
                break;
            ASSERT_TRUE(colourOf(a, shown[from].kind));
            ASSERT_TRUE(colourOf(b, shown[to].kind));
            if (complete) {
                ASSERT_EQ(from, at) << "piece dropped";
                for (std::size_t k = from + 1; k < to; ++k) {
                    ASSERT_EQ(shown[k].kind, shown[to].kind) << "colour changed";
                    ASSERT_LE(distanceToPiece(shown[k], shown[from], shown[to]), slack);
                }
            }
            started = true;
            at = to;
            ++line;
        }
        if (complete) {
            ASSERT_EQ(at, shown.size() - 1) << "segment end dropped";
        }
    }
    EXPECT_EQ(line, lines) << "a line that is no piece of the path";
}

TEST(PreviewThin, StraighteningKeepsEndsColoursAndShape)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        piece store;
        fillMachiningStore(store, seed, 3000);
        for (auto [rapid, feed] : {std::pair(true, true), {false, true}, {true, false}}) {
            SCOPED_TRACE(testing::Message() << seed << " " << rapid << feed);
            PathArrays full, thin;
            ASSERT_TRUE(full.build(store, rapid, feed));
            ASSERT_TRUE(thin.buildThinned(store, rapid, feed, SIZE_MAX, 1.0));
            EXPECT_TRUE(thin.builtFor(&store, rapid, feed));
            EXPECT_GT(thin.thinningTolerance(), 0.0);
            checkThinned(store, thin, rapid, feed, true);
            if (feed) { // arcs and staircases collapse
                EXPECT_LT(thin.vertexCount(), full.vertexCount() / 4);
            }
        }
    }
}

TEST(PreviewThin, NeverMoreLinesThanTheBudget)
{
    piece store;
    fillMachiningStore(store, 7, 20000);
    PathArrays full;
    ASSERT_TRUE(full.build(store, true, true));
    const std::size_t all = full.vertexCount() / 2;
    struct Case {
        std::size_t maxLines;
        double share;
        std::size_t atMost, atLeast;
    };
    // A line costs at least half an average piece of the full path.
    auto forShare = [all](double share) {
        return std::max(PathArrays::kMinThinLines, std::size_t(3 * share * double(all)) + 1);
    };
    const std::size_t kMin = PathArrays::kMinThinLines;
    const Case cases[] = {
        {1000, 1.0, 1000, 1000},
        {1, 0.0, 1, 1},
        {0, 0.5, 0, 0},
        // A share keeps at least the minimum that still shows the path.
        {SIZE_MAX, 0.0, kMin, kMin},
        {SIZE_MAX, std::nan(""), kMin, kMin},
        {SIZE_MAX, 0.001, forShare(0.001), kMin},
        {SIZE_MAX, 0.02, forShare(0.02), kMin},
        {SIZE_MAX, 0.1, forShare(0.1), kMin},
        {8000, 0.1, 8000, kMin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.maxLines << " " << c.share);
        PathArrays thin;
        ASSERT_TRUE(thin.buildThinned(store, true, true, c.maxLines, c.share));
        EXPECT_LE(thin.vertexCount() / 2, c.atMost);
        EXPECT_GE(thin.vertexCount() / 2, c.atLeast);
        checkThinned(store, thin, true, true, false);
    }
}

TEST(PreviewThin, SampledPathKeepsTheLongestPieces)
{
    // Ten long rapids among thousands of short cuts.
    piece store;
    for (int i = 0; i < 4000; ++i) {
        const float x = float(i % 100), y = float(i / 100);
        if (i % 400 == 0)
            store.addSegment(path({{{0, 0, 0}, kKindRapid}, {{100, y, 0}, kKindOwn}}));
        store.addSegment(path({{{x, y, 0}, kKindFeed}, {{x + 0.3f, y + 0.2f, 0}, kKindOwn}}));
    }
    PathArrays thin;
    ASSERT_TRUE(thin.buildThinned(store, true, true, 100, 1.0));
    ASSERT_EQ(thin.vertexCount(), 200u);
    int rapids = 0;
    for (std::size_t i = 0; i < thin.vertexCount(); i += 2)
        rapids += thin.vertexData()[i + 1].r == 255;
    EXPECT_EQ(rapids, 10);
    checkThinned(store, thin, true, true, false);
}

TEST(PreviewThin, OddCoordinatesNeitherCrashNorLoop)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    piece store;
    store.addSegment(
        path({{{0, 0, 0}, kKindFeed}, {{nan, 1, 0}, kKindOwn}, {{2, 2, 0}, kKindOwn}}));
    store.addSegment(
        path({{{inf, 0, 0}, kKindFeed}, {{1, 1, 1}, kKindOwn}, {{1, 1, 1}, kKindOwn}}));
    store.addSegment(path({{{5, 5, 5}, kKindRapid}, {{5, 5, 5}, kKindOwn}, {{5, 5, 5}, kKindOwn}}));
    for (std::size_t maxLines : {SIZE_MAX, std::size_t(2)}) {
        PathArrays thin;
        ASSERT_TRUE(thin.buildThinned(store, true, true, maxLines, 1.0));
        EXPECT_LE(thin.vertexCount() / 2, std::min<std::size_t>(maxLines, 6));
        EXPECT_TRUE(std::isfinite(thin.thinningTolerance()));
    }
    piece empty;
    PathArrays thin;
    ASSERT_TRUE(thin.buildThinned(empty, true, true, 10, 0.5));
    EXPECT_EQ(thin.vertexCount(), 0u);
}

void mouse(TGLForm& form, QEvent::Type type, QPoint at, Qt::MouseButton button)
{
    QMouseEvent event(type, QPointF(at), QPointF(at),
                      type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
    QApplication::sendEvent(form.GLPanel, &event);
}

int litPixels(const QImage& image)
{
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            lit += classify(image.pixel(x, y)) != Seen::Black;
    return lit;
}

// The full path as a window that never thins draws it, in the form's view.
QImage fullPicture(const TGLForm& like)
{
    TGLForm form;
    form.setThinning(1e9, SIZE_MAX);
    form.angleY = like.angleY;
    form.angleX = like.angleX;
    form.angleY2 = like.angleY2;
    form.offsetX = like.offsetX;
    form.offsetY = like.offsetY;
    form.offsetZ = like.offsetZ;
    return render(form);
}

TEST(PreviewThin, DragAndWheelDrawThinnedThenTheExactFullPath)
{
    StoreSwap swap;
    fillMachiningStore(swap.store(), 11, 4000);
    TGLForm form;
    // Every frame of the full path counts as too slow.
    form.setThinning(0.0, 300);
    form.offsetZ = -150;
    render(form);
    EXPECT_FALSE(form.lastFrameThinned());

    mouse(form, QEvent::MouseButtonPress, {100, 80}, Qt::LeftButton);
    mouse(form, QEvent::MouseMove, {110, 80}, Qt::LeftButton);
    const QImage dragged = render(form);
    keepImage(dragged, "thin-dragged");
    EXPECT_TRUE(form.lastFrameThinned());
    EXPECT_LE(form.thinnedLines(), 300u);
    EXPECT_GT(litPixels(dragged), 100);
    const QImage full = fullPicture(form);
    keepImage(full, "thin-full");
    EXPECT_LT(litPixels(dragged), litPixels(full));

    // Releasing the button asks for a frame, which is the full path.
    const long frames = form.GLPanel->frameCount();
    mouse(form, QEvent::MouseButtonRelease, {110, 80}, Qt::LeftButton);
    QElapsedTimer timer;
    timer.start();
    while (form.GLPanel->frameCount() == frames && timer.elapsed() < 5000)
        QApplication::processEvents();
    EXPECT_GT(form.GLPanel->frameCount(), frames);
    EXPECT_FALSE(form.lastFrameThinned());
    EXPECT_TRUE(render(form) == full);

    // The wheel: thinned while it turns, the full path after a pause.
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    timer.start();
    QApplication::sendEvent(&form, &wheel);
    render(form);
    EXPECT_TRUE(form.lastFrameThinned());
    while (form.lastFrameThinned() && timer.elapsed() < 5000) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_GE(timer.elapsed(), 150); // not before the wheel pauses
    EXPECT_FALSE(form.lastFrameThinned());
    EXPECT_TRUE(form.GLPanel->grabFramebuffer().convertToFormat(QImage::Format_RGB32) ==
                fullPicture(form));
}

TEST(PreviewThin, FastOrSmallPathIsNeverThinned)
{
    StoreSwap swap;
    swap.store().addSegment(path({{{10, 10, 0}, kKindRapid}, {{40, 10, 0}, kKindOwn}}));
    swap.store().addSegment(path({{{10, 30, -5}, kKindFeed}, {{40, 30, -5}, kKindOwn}}));
    // The default budget; and a path that thinning cannot shorten, even
    // when every frame counts as slow.
    for (double budget : {TGLForm::kDefaultFrameBudgetMs, 0.0}) {
        TGLForm form;
        form.setThinning(budget, TGLForm::kDefaultThinMaxLines);
        const QImage still = render(form);
        mouse(form, QEvent::MouseButtonPress, {100, 80}, Qt::LeftButton);
        mouse(form, QEvent::MouseMove, {100, 80}, Qt::LeftButton);
        EXPECT_TRUE(render(form) == still) << budget;
        EXPECT_FALSE(form.lastFrameThinned()) << budget;
    }
    // Immediate mode draws the store as it is, always.
    StoreSwap large;
    fillMachiningStore(large.store(), 5, 2000);
    TGLForm form;
    form.setPathMode(TGLForm::PathMode::Immediate);
    form.setThinning(0.0, 100);
    const QImage still = render(form);
    mouse(form, QEvent::MouseButtonPress, {100, 80}, Qt::LeftButton);
    EXPECT_TRUE(render(form) == still);
    EXPECT_FALSE(form.lastFrameThinned());
}

} // namespace
