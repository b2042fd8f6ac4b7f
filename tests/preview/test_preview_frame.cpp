// Framing the path ("Cadrer", the Home key): the offsets that make a set of
// points fill the panel, checked against Qt's own projection, and the
// picture in the framebuffer for a big and a tiny path, from several
// directions.
#include "test_support.h"

#include "preview/GlviewFrame.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

struct Bounds {
    double minX = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    double nearest = std::numeric_limits<double>::infinity();
};

// Where the points land in normalised device coordinates, by QMatrix4x4:
// a computation of its own, not the one under test.
Bounds projected(const FrameRequest& r, const Framing& f, const std::vector<QVector3D>& points)
{
    QMatrix4x4 view;
    view.translate(0.0f, -50.0f, 6.0f);
    view.translate(f.offsetX, f.offsetY, f.offsetZ);
    view.rotate(r.angleY, 0.0f, 1.0f, 0.0f);
    view.rotate(r.angleX, 1.0f, 0.0f, 0.0f);
    view.rotate(r.angleY2, 0.0f, 1.0f, 0.0f);
    QMatrix4x4 projection;
    projection.perspective(float(r.fieldOfView), float(r.aspect), 0.001f, 1e7f);
    Bounds b;
    for (const QVector3D& p : points) {
        const QVector3D eye = view.map(p);
        const QVector4D clip = projection * QVector4D(eye, 1.0f);
        b.minX = std::min(b.minX, double(clip.x() / clip.w()));
        b.maxX = std::max(b.maxX, double(clip.x() / clip.w()));
        b.minY = std::min(b.minY, double(clip.y() / clip.w()));
        b.maxY = std::max(b.maxY, double(clip.y() / clip.w()));
        b.nearest = std::min(b.nearest, double(-eye.z()));
    }
    return b;
}

std::vector<QVector3D> box(QVector3D from, QVector3D to)
{
    std::vector<QVector3D> corners;
    for (float x : {from.x(), to.x()})
        for (float y : {from.y(), to.y()})
            for (float z : {from.z(), to.z()})
                corners.emplace_back(x, y, z);
    return corners;
}

TEST(PreviewFrame, PointsFillTheShownAreaOnOneAxisAndAreCentredOnTheOther)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
    auto cloud = [&](QVector3D centre, float size, int n) {
        std::vector<QVector3D> points;
        for (int i = 0; i < n; ++i)
            points.push_back(
                centre + size * QVector3D(spread(random), spread(random), 0.1f * spread(random)));
        return points;
    };
    struct Case {
        const char* name;
        float angleY, angleX, angleY2;
        double aspect, top, right;
        std::vector<QVector3D> points;
        // A path seen end on cannot fill the panel: the eye stops short of
        // it.
        bool fills = true;
    };
    // The preview's window: 616 x 284 outside, a panel 184 high.
    const double panelTop = -1.0 + 2.0 * 184.0 / 284.0;
    const std::vector<Case> cases = {
        {"start view, a pocket", 48, -80, 0, 616.0 / 284.0, panelTop, 1.0,
         box({10, 20, 0}, {210, 170, -8})},
        {"from above", 0, 0, 0, 616.0 / 284.0, panelTop, 1.0, box({-50, -50, 0}, {50, 50, -2})},
        {"turned three ways", 30, -45, 20, 1.5, 1.0, 0.9, cloud({300, -40, -3}, 120, 500)},
        {"a tall window", 48, -80, 0, 0.5, 1.0, 1.0, box({0, 0, 0}, {100, 20, -5})},
        {"tiny", 48, -80, 0, 1.3, panelTop, 1.0, box({100, 100, -1}, {100.5, 100.2, -1.1})},
        {"huge", 10, -60, 5, 1.3, panelTop, 1.0, box({-2000, -1000, 0}, {3000, 2000, -50})},
        {"seen from the side, the rapid moves above",
         84,
         -92,
         0,
         800.0 / 560.0,
         -1.0 + 2.0 * 460.0 / 560.0,
         1.0,
         {{0, 0, 10}, {0, 0, 5}, {10, 10, 5}, {10, 10, -1}, {60, 10, -1}, {60, 40, -1},
          {50, 50, -1}, {10, 50, -1}, {10, 10, -1}, {10, 10, 5}, {35, 30, 5}, {35, 30, -2},
          {40, 30, -2}, {35, 30, 5}}},
        {"a line seen end on",
         0,
         0,
         0,
         1.0,
         1.0,
         1.0,
         {{5, 5, 0}, {5, 5, -40}, {5.5f, 5, -20}},
         false},
    };
    for (const Case& c : cases) {
        FrameRequest request;
        request.angleY = c.angleY;
        request.angleX = c.angleX;
        request.angleY2 = c.angleY2;
        request.aspect = c.aspect;
        request.top = c.top;
        request.right = c.right;
        const std::optional<Framing> framing = framePoints(request, [&](auto&& add) {
            for (const QVector3D& p : c.points)
                add(p.x(), p.y(), p.z());
        });
        ASSERT_TRUE(framing) << c.name;
        const Bounds b = projected(request, *framing, c.points);
        const double mx = request.margin * (request.right - request.left);
        const double my = request.margin * (request.top - request.bottom);
        const double eps = 1e-3;
        // Inside the margins...
        EXPECT_GE(b.minX, request.left + mx - eps) << c.name;
        EXPECT_LE(b.maxX, request.right - mx + eps) << c.name;
        EXPECT_GE(b.minY, request.bottom + my - eps) << c.name;
        EXPECT_LE(b.maxY, request.top - my + eps) << c.name;
        // ... touching them on one axis, centred on the other.
        const double gapL = b.minX - (request.left + mx);
        const double gapR = (request.right - mx) - b.maxX;
        const double gapB = b.minY - (request.bottom + my);
        const double gapT = (request.top - my) - b.maxY;
        const bool fillsX = gapL < eps && gapR < eps;
        const bool fillsY = gapB < eps && gapT < eps;
        EXPECT_TRUE(fillsX || fillsY || !c.fills)
            << c.name << ": " << gapL << " " << gapR << " " << gapB << " " << gapT;
        if (!fillsX) {
            EXPECT_NEAR(gapL, gapR, eps) << c.name;
        }
        if (!fillsY) {
            EXPECT_NEAR(gapB, gapT, eps) << c.name;
        }
        EXPECT_GT(b.nearest, 0.0) << c.name << ": everything in front of the eye";
        EXPECT_NEAR(framing->nearest, b.nearest, 1e-3 * (1 + b.nearest)) << c.name;
    }
}

TEST(PreviewFrame, NothingOrSomethingNotANumberLeavesTheViewAlone)
{
    FrameRequest request;
    FrameBounds none(request);
    EXPECT_FALSE(none.result());
    FrameBounds broken(request);
    broken.add(1, 2, 3);
    broken.add(std::numeric_limits<float>::infinity(), 0, 0);
    EXPECT_FALSE(broken.result());
    // A single point is seen from a short way off, in the middle.
    FrameBounds lone(request);
    lone.add(7, 8, -1);
    const auto framing = lone.result();
    ASSERT_TRUE(framing);
    const Bounds b = projected(request, *framing, {{7, 8, -1}});
    EXPECT_NEAR(b.minX, 0.0, 1e-4);
    EXPECT_NEAR(b.minY, 0.0, 1e-4);
    EXPECT_GT(framing->nearest, 1.0);
}

// The lit pixels that the path adds to the picture: the picture with the
// path, against the same view without it (the axis cross shares its colours).
QRect pathPixels(TGLForm& form)
{
    const QImage with = render(form);
    form.ChkG0->setChecked(false);
    form.ChkG1->setChecked(false);
    const QImage without = render(form);
    form.ChkG0->setChecked(true);
    form.ChkG1->setChecked(true);
    QRect lit;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y) &&
                classify(with.pixel(x, y)) != Seen::Black)
                lit |= QRect(x, y, 1, 1);
    return lit;
}

TEST(PreviewFrame, HomeFramesBigAndTinyPathsFromAnyDirection)
{
    struct Case {
        const char* name;
        QVector3D from;
        QVector3D to;
    };
    const Case cases[] = {
        {"a big job", {40, 30, 0}, {640, 430, -12}},
        {"a tiny engraving", {100, 100, -0.1f}, {101, 100.6f, -0.3f}},
    };
    struct View {
        float angleY, angleX, angleY2;
    };
    const View views[] = {{48, -80, 0}, {0, 0, 0}, {-35, -50, 25}};
    for (const Case& c : cases) {
        StoreSwap swap;
        // An outline with a diagonal: rapid moves in red, feed moves in green.
        swap.store().addSegment(path({{{c.from.x(), c.from.y(), c.from.z()}, kKindRapid},
                                      {{c.to.x(), c.from.y(), c.from.z()}, kKindFeed},
                                      {{c.to.x(), c.to.y(), c.to.z()}, kKindFeed},
                                      {{c.from.x(), c.to.y(), c.to.z()}, kKindFeed},
                                      {{c.from.x(), c.from.y(), c.from.z()}, kKindFeed},
                                      {{c.to.x(), c.to.y(), c.from.z()}, kKindRapid}}));
        TGLForm form;
        form.resize(640, 480);
        render(form);
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        for (const View& v : views) {
            SCOPED_TRACE(testing::Message()
                         << c.name << ", view " << v.angleY << " " << v.angleX << " " << v.angleY2);
            form.angleY = v.angleY;
            form.angleX = v.angleX;
            form.angleY2 = v.angleY2;
            QTest::keyClick(&form, Qt::Key_Home);
            EXPECT_EQ(form.angleY, v.angleY) << "the direction stays";
            const QRect lit = pathPixels(form);
            keepImage(render(form),
                      QStringLiteral("frame-%1-%2").arg(int(&c - cases)).arg(int(&v - views)));
            ASSERT_FALSE(lit.isEmpty());
            const int w = form.GLPanel->width();
            const int h = form.GLPanel->height();
            const int left = lit.left();
            const int right = w - 1 - lit.right();
            const int top = lit.top();
            const int bottom = h - 1 - lit.bottom();
            const double marginX = 0.05 * w;
            const double marginY = 0.05 * h;
            constexpr int tolerance = 3;
            // Nothing cut off, nothing in the margins...
            for (int gap : {left, right})
                EXPECT_GE(gap, marginX - tolerance) << left << " " << right << " " << top << " "
                                                    << bottom << " of " << w << "x" << h;
            for (int gap : {top, bottom})
                EXPECT_GE(gap, marginY - tolerance) << left << " " << right << " " << top << " "
                                                    << bottom << " of " << w << "x" << h;
            // ... the path reaching the margins on one axis, centred on
            // the other.
            const bool fillsX = left <= marginX + tolerance && right <= marginX + tolerance;
            const bool fillsY = top <= marginY + tolerance && bottom <= marginY + tolerance;
            EXPECT_TRUE(fillsX || fillsY)
                << left << " " << right << " " << top << " " << bottom << " of " << w << "x" << h;
            if (!fillsX) {
                EXPECT_LE(std::abs(left - right), 2 * tolerance);
            }
            if (!fillsY) {
                EXPECT_LE(std::abs(top - bottom), 2 * tolerance);
            }
        }
    }
}

TEST(PreviewFrame, OpensWithTheFixedCameraAndTheButtonStandsBesideTheBoxes)
{
    StoreSwap swap;
    swap.store().addSegment(path({{{0, 0, 0}, kKindRapid}, {{300, 300, 0}, kKindFeed}}));
    TGLForm form;
    render(form);
    EXPECT_EQ(form.angleY, 48.0f);
    EXPECT_EQ(form.angleX, -80.0f);
    EXPECT_EQ(form.angleY2, 0.0f);
    EXPECT_EQ(form.offsetX, 0.0f);
    EXPECT_EQ(form.offsetY, 0.0f);
    EXPECT_EQ(form.offsetZ, -200.0f);
    EXPECT_EQ(form.nearPlane, 1.0);
    EXPECT_EQ(form.farPlane, 10000.0);
    EXPECT_EQ(form.BtnCadrer->text(), "Cadrer");
    EXPECT_EQ(form.CadrerKey->key(), QKeySequence(Qt::Key_Home));
    EXPECT_EQ(form.BtnCadrer->parentWidget(), form.ChkG0->parentWidget());
    EXPECT_GT(form.BtnCadrer->x(), form.ChkG0->geometry().right());
    EXPECT_LT(form.BtnCadrer->geometry().right(), form.Label1->x());
    EXPECT_FALSE(form.BtnCadrer->geometry().intersects(form.ChkBrut->geometry()));

    // Enter in a stock size reads the size; it never presses the button.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.XBrut->setFocus();
    form.XBrut->setText(QStringLiteral("35"));
    QTest::keyClick(form.XBrut, Qt::Key_Return);
    EXPECT_EQ(form.stockX, 35.0f);
    EXPECT_EQ(form.offsetZ, -200.0f);
    // Home in a stock size moves its cursor, as in any field.
    form.XBrut->setCursorPosition(2);
    QTest::keyClick(form.XBrut, Qt::Key_Home);
    EXPECT_EQ(form.XBrut->cursorPosition(), 0);
    EXPECT_EQ(form.offsetZ, -200.0f);
    // The button frames the stock box too when it is shown.
    form.ChkBrut->setChecked(true);
    form.BtnCadrer->click();
    EXPECT_NE(form.offsetZ, -200.0f);
}

} // namespace
