// What the preview draws, read back from the panel's framebuffer.
#include "test_support.h"

#include <QCheckBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <random>

namespace {

using Mode = TGLForm::PathMode;
constexpr Mode kModes[] = {Mode::VertexArrays, Mode::Immediate};

TEST(PreviewDraw, EmptyStoreDrawsOnlyTheAxisCross)
{
    StoreSwap swap;
    for (Mode mode : kModes)
        for (bool rapid : {false, true}) {
            SCOPED_TRACE(testing::Message() << int(mode) << rapid);
            TGLForm form;
            form.setPathMode(mode);
            form.ChkG0->setChecked(rapid);
            form.offsetY = 50; // near enough for the cross to be large
            form.offsetZ = -26;
            QImage image = render(form);
            QRect cross; // projection of the cube that holds the arrows
            for (float x : {-3.2f, 3.2f})
                for (float y : {-3.2f, 3.2f})
                    for (float z : {-3.2f, 3.2f})
                        cross |= QRect(project(form, {x, y, z}), QSize(1, 1));
            int lit = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (classify(image.pixel(x, y)) != Seen::Black) {
                        ASSERT_TRUE(cross.adjusted(-2, -2, 2, 2).contains(x, y)) << x << "," << y;
                        ++lit;
                    }
            EXPECT_GT(lit, 200);
            EXPECT_TRUE(sees(image, project(form, {0, 0, 0}), Seen::Cyan)); // the ball
            // Opaque black in the window, not see-through.
            EXPECT_EQ(form.grab().toImage().pixel(5, 5), qRgb(0, 0, 0));
        }
}

TEST(PreviewDraw, RapidIsRedAndFeedGreenWhereTheProjectionPutsThem)
{
    StoreSwap swap;
    swap.store().addSegment(path({{{10, 10, 0}, kKindRapid}, {{40, 10, 0}, kKindOwn}}));
    swap.store().addSegment(path({{{10, 30, -5}, kKindFeed}, {{40, 30, -5}, kKindOwn}}));
    for (Mode mode : kModes)
        for (int view = 0; view < 3; ++view) {
            SCOPED_TRACE(testing::Message() << int(mode) << " view " << view);
            TGLForm form; // view 0: the start view
            form.setPathMode(mode);
            if (view == 1)
                topView(form);
            if (view == 2) {
                form.angleY = 20;
                form.angleX = -60;
                form.angleY2 = 15;
                form.offsetX = -10;
            }
            QImage image = render(form);
            for (float x : {17.0f, 25.0f, 33.0f}) {
                EXPECT_TRUE(sees(image, project(form, {x, 10, 0}), Seen::Red)) << x;
                // The store keeps z negated: the feed line lies at z = 5.
                EXPECT_TRUE(sees(image, project(form, {x, 30, 5}), Seen::Green)) << x;
                EXPECT_TRUE(sees(image, project(form, {x, 20, 2.5f}), Seen::Black)) << x;
            }
        }
}

TEST(PreviewDraw, HiddenPointsAreLeftOutOfTheStrip)
{
    // One segment: feed A, rapid B off to the side, feed C; and a segment of
    // kinds the translator never writes, which is never drawn.
    const QVector3D a(10, 5, 0), b(25, 40, 0), c(40, 5, 0);
    StoreSwap swap;
    swap.store().addSegment(path({{a, kKindFeed}, {b, kKindRapid}, {c, kKindOwn}}));
    swap.store().addSegment(path({{{-40, 40, 0}, kKindFeed}, {{-10, 40, 0}, 2}}));
    struct Case {
        bool rapid, feed;
        Seen ac, ab, bc; // the middle of A-C, A-B, B-C
    };
    const Case cases[] = {
        // Pieces take their end point's colour: A-B red, B-C green.
        {true, true, Seen::Black, Seen::Red, Seen::Green},
        // Only G01: the strip joins A and C straight past B.
        {false, true, Seen::Green, Seen::Black, Seen::Black},
        // Only G00: the one point left draws no line.
        {true, false, Seen::Black, Seen::Black, Seen::Black},
        {false, false, Seen::Black, Seen::Black, Seen::Black},
    };
    for (const Case& hc : cases)
        for (Mode mode : kModes) {
            SCOPED_TRACE(testing::Message() << hc.rapid << hc.feed << int(mode));
            TGLForm form;
            topView(form);
            form.setPathMode(mode);
            form.ChkG0->setChecked(hc.rapid);
            form.ChkG1->setChecked(hc.feed);
            QImage image = render(form);
            EXPECT_TRUE(sees(image, project(form, (a + c) / 2), hc.ac)) << "A-C";
            EXPECT_TRUE(sees(image, project(form, (a + b) / 2), hc.ab)) << "A-B";
            EXPECT_TRUE(sees(image, project(form, (b + c) / 2), hc.bc)) << "B-C";
            EXPECT_TRUE(sees(image, project(form, {-25, 40, 0}), Seen::Black)) << "kind 2";
        }
}

TEST(PreviewDraw, StripAfterASegmentWithNothingShownIsDrawn)
{
    // Two-point strip, a segment with no point shown, three-point strip: an
    // empty glBegin/glEnd pair at this place made Mesa drop the last strip.
    StoreSwap swap;
    swap.store().addSegment(path({{{-30, 10, 0}, kKindFeed}, {{-10, 30, 0}, kKindFeed}}));
    swap.store().addSegment(path({{{0, 0, 0}, kKindRapid}}));
    swap.store().addSegment(
        path({{{5, 10, 0}, kKindFeed}, {{20, 40, 0}, kKindFeed}, {{40, 5, 0}, kKindFeed}}));
    for (Mode mode : kModes) {
        TGLForm form;
        topView(form);
        form.setPathMode(mode);
        form.ChkG0->setChecked(false);
        QImage image = render(form);
        for (QVector3D p : {QVector3D(-20, 20, 0), {12.5f, 25, 0}, {30, 22.5f, 0}})
            EXPECT_TRUE(sees(image, project(form, p), Seen::Green)) << int(mode) << " " << p.x();
    }
}

TEST(PreviewDraw, FlagsOffDrawTheSameAsAnEmptyStore)
{
    QImage empty;
    {
        StoreSwap swap;
        TGLForm form;
        empty = render(form);
    }
    StoreSwap swap;
    swap.store().addSegment(path({{{-30, -30, 0}, kKindRapid}, {{30, 30, 10}, kKindFeed}}));
    for (Mode mode : kModes) {
        TGLForm form;
        form.setPathMode(mode);
        EXPECT_NE(render(form), empty);
        form.ChkG0->setChecked(false);
        form.ChkG1->setChecked(false);
        EXPECT_EQ(render(form), empty) << int(mode);
    }
}

TEST(PreviewDraw, StockBoxIsYellowAndSpansItsSizes)
{
    StoreSwap swap;
    TGLForm form;
    topView(form);
    form.XBrut->setText("40");
    form.YBrut->setText("30,5");
    form.ChkBrut->setChecked(true);
    QImage image = render(form);
    // The top face's edges; the bottom face lies under it in this view.
    for (QVector3D p : {QVector3D(20, 0, 0), {20, 30.5f, 0}, {40, 15, 0}, {0, 15, 0}})
        EXPECT_TRUE(sees(image, project(form, p), Seen::Yellow)) << p.x() << "," << p.y();
    for (QVector3D p : {QVector3D(45, 15, 0), {20, 36, 0}, {20, 15, 0}})
        EXPECT_TRUE(sees(image, project(form, p), Seen::Black)) << p.x() << "," << p.y();
    // Seen from the side, the edges at x = 40 span the thickness, downwards.
    form.angleX = -90;
    form.offsetY = 40;
    image = render(form);
    EXPECT_TRUE(sees(image, project(form, {40, 0, -5}), Seen::Yellow));
    EXPECT_TRUE(sees(image, project(form, {40, 0, 5}), Seen::Black));
    form.ChkBrut->setChecked(false);
    EXPECT_TRUE(sees(render(form), project(form, {40, 0, -5}), Seen::Black));
}

// Every feature both ways of drawing must agree on: long and one-point
// segments, hidden kinds anywhere, kinds the translator never writes, lines
// hiding others.
void fillRandomStore(piece& store, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> coordinate(-40.0f, 40.0f);
    std::uniform_int_distribution<int> points(1, 12);
    std::discrete_distribution<int> pick({45, 45, 5, 5});
    const int kinds[] = {kKindRapid, kKindFeed, 2, kKindOwn};
    auto c = [&] { return coordinate(random); };
    for (int s = 0; s < 300; ++s) {
        int first = kinds[pick(random)];
        trajectoire t(c(), c(), c() / 4, first == kKindOwn ? kKindFeed : first);
        for (int n = points(random); n > 1; --n)
            t.addPoint(c(), c(), c() / 4, kinds[pick(random)]);
        store.addSegment(t);
    }
}

TEST(PreviewDraw, VertexArraysDrawExactlyWhatImmediateModeDraws)
{
    for (unsigned seed : {20240611u, 3u, 77u}) {
        StoreSwap swap;
        fillRandomStore(swap.store(), seed);
        for (QPointF angles : {QPointF(48, -80), {0, 0}, {130, -20}}) {
            TGLForm form;
            form.angleY = angles.x();
            form.angleX = angles.y();
            form.offsetZ = -140;
            form.offsetY = 35;
            // The flags change on the same window: the arrays follow them.
            for (auto [rapid, feed] : {std::pair(true, true), {false, true}, {true, false}}) {
                SCOPED_TRACE(testing::Message()
                             << seed << " " << angles.x() << " " << rapid << feed);
                form.ChkG0->setChecked(rapid);
                form.ChkG1->setChecked(feed);
                form.setPathMode(Mode::Immediate);
                QImage immediate = render(form);
                form.setPathMode(Mode::VertexArrays);
                QImage arrays = render(form);
                int lit = 0;
                for (int y = 0; y < immediate.height(); ++y)
                    for (int x = 0; x < immediate.width(); ++x)
                        lit += classify(immediate.pixel(x, y)) != Seen::Black;
                EXPECT_GT(lit, 1000);
                EXPECT_TRUE(immediate == arrays);
            }
        }
    }
}

TEST(PreviewDraw, ResizingKeepsThePictureInProportion)
{
    StoreSwap swap;
    swap.store().addSegment(path({{{10, 10, 0}, kKindRapid}, {{40, 10, 0}, kKindOwn}}));
    TGLForm form;
    topView(form);
    render(form);
    for (QSize size : {QSize(900, 500), QSize(400, 300)}) {
        form.resize(size);
        QImage image = render(form);
        // The panel gives the controls 100 pixels of the window's outer
        // height: a window frame with a title bar (Windows; none on a bare X
        // server) leaves the panel that much taller.
        const int frame = form.frameGeometry().height() - form.height();
        EXPECT_EQ(form.GLPanel->geometry(),
                  QRect(0, 0, size.width(), size.height() + frame - 100));
        EXPECT_EQ(form.Panel1->geometry().top(), size.height() + frame - 100);
        EXPECT_TRUE(sees(image, project(form, {25, 10, 0}), Seen::Red));
        EXPECT_TRUE(sees(image, project(form, {0, 0, 0}), Seen::Cyan));
    }
}

} // namespace
