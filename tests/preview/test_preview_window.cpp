// The preview window as a whole (language, when it draws, its end) and the
// tool-path store it reads.
#include "test_support.h"

#include "engine/Settings.h"
#include "preview/GlviewFast.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

TEST(PreviewWindow, StockCaptionComesFromTheSettingsLanguage)
{
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "Pièce Brute"}, // no settings file
        {"[Langue]\ncurrent=2\n[GB]\n35=Raw stock\n", "Raw stock"},
        {"[Langue]\ncurrent=0\n[FR]\n35=Brut\n[GB]\n35=Raw stock\n", "Brut"},
        {"[Langue]\ncurrent=1\n[GB]\n35=Raw stock\n", "Pièce Brute"},
        {"[Langue]\ncurrent=5\n[GB]\n35=Raw stock\n", "Pièce Brute"},
        {"[FR]\n35=Pi\xe8"
         "ce\n",
         "Pièce"}, // a file written on Windows
        {"[Langue]\ncurrent=2\n[GB]\n35=Stock & box\n", "Stock && box"}, // no mnemonic
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("Tolvane.ini");
    for (auto [ini, caption] : cases) {
        QFile::remove(path);
        QFile file(path);
        if (ini && (!file.open(QIODevice::WriteOnly) || file.write(ini) < 0))
            FAIL() << "cannot write " << path.toStdString();
        file.close();
        overrideSettingsFilePath(path.toStdString());
        TGLForm form;
        overrideSettingsFilePath("");
        EXPECT_EQ(form.ChkBrut->text(), QString::fromUtf8(caption)) << (ini ? ini : "no file");
    }
}

// Runs the event loop for `ms`, or until `done` (at most 5 s on a busy
// machine).
void waitFor(int ms, const std::function<bool()>& done = {})
{
    QElapsedTimer timer;
    timer.start();
    while (done ? !done() && timer.elapsed() < 5000 : timer.elapsed() < ms) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
}

TEST(PreviewWindow, DrawsOnChangeOnlyAndCoalescesBursts)
{
    StoreSwap swap;
    swap.store().addSegment(path({{{0, 0, 0}, kKindRapid}, {{30, 30, 0}, kKindFeed}}));
    TGLForm form;
    form.show();
    waitFor(0, [&] { return form.GLPanel->frameCount() > 0; });
    waitFor(100);
    long frames = form.GLPanel->frameCount();
    waitFor(300);
    EXPECT_EQ(form.GLPanel->frameCount(), frames) << "redrawn without a change";

    const std::function<void()> changes[] = {
        [&] { form.FormMouseWheel(120); },
        [&] { form.ChkG0->click(); },
        [&] { form.XBrutExit(); },
        [&] {
            form.GLPanelMouseDown(Qt::LeftButton, Qt::NoModifier, 10, 10);
            form.GLPanelMouseMove(20, 15);
        },
        [&] { form.resize(form.width() + 20, form.height() + 10); },
        // Fifty changes between two passes of the event loop: one frame.
        [&] {
            for (int i = 0; i < 50; ++i)
                form.FormMouseWheel(-1);
        },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        changes[i]();
        waitFor(0, [&] { return form.GLPanel->frameCount() > frames; });
        waitFor(100);
        EXPECT_EQ(form.GLPanel->frameCount(), frames + 1) << "change " << i;
        frames = form.GLPanel->frameCount();
    }
    form.GLPanelMouseUp();
    form.GLPanelMouseMove(40, 40); // no drag: nothing changes
    waitFor(100);
    EXPECT_EQ(form.GLPanel->frameCount(), frames);
}

TEST(PreviewWindow, DestroyedWithAFramePendingOrNeverShown)
{
    StoreSwap swap;
    swap.store().addSegment(path({{{0, 0, 0}, kKindRapid}, {{30, 30, 0}, kKindFeed}}));
    {
        TGLForm never;
        never.FormMouseWheel(120);
    }
    auto* form = new TGLForm;
    form->show();
    waitFor(0, [&] { return form->GLPanel->frameCount() > 0; });
    form->FormMouseWheel(120);
    form->ChkBrut->click();
    delete form;
    waitFor(100);
    // A new window starts from the start values and draws again.
    TGLForm again;
    EXPECT_EQ(again.offsetZ, -200.0f);
    EXPECT_FALSE(again.showStock);
    QImage image = render(again);
    const QPoint at = project(again, {15, 15, 0});
    keepImage(image, "again");
    EXPECT_TRUE(sees(image, at, Seen::Green))
        << "at " << at.x() << "," << at.y() << " of " << image.width() << "x" << image.height();
}

void expectPoint(const tpoint1& p, tpoint1 want)
{
    EXPECT_EQ(p.x, want.x);
    EXPECT_EQ(p.y, want.y);
    EXPECT_EQ(p.z, want.z);
    EXPECT_EQ(p.kind, want.kind);
}

TEST(Store, PointsNegateZAndTakeTheSegmentKindForMinusOne)
{
    trajectoire t(1, 2, 5, kKindFeed);
    t.addPoint(1, 2, 5, kKindOwn);
    t.addPoint(3, 4, -6, kKindRapid);
    t.setKind(kKindRapid); // only later points take the new kind
    t.addPoint(7, 8, 9, kKindOwn);
    ASSERT_EQ(t.getPoints().size(), 4u);
    expectPoint(t.getPoints()[0], {1, 2, -5, 1});
    expectPoint(t.getPoints()[1], {1, 2, -5, 1});
    expectPoint(t.getPoints()[2], {3, 4, 6, 0});
    expectPoint(t.getPoints()[3], {7, 8, -9, 0});
    EXPECT_EQ(trajectoire(0, 0, 0, kKindOwn).getPoints()[0].kind, kKindOwn);
}

TEST(Store, AddSegmentStoresACopyTheCallerCannotChange)
{
    piece store;
    auto* caller = new trajectoire(1, 1, 1, kKindRapid);
    caller->addPoint(2, 2, 2, kKindOwn);
    store.addSegment(*caller);
    caller->clearPoints();
    EXPECT_TRUE(caller->getPoints().empty());
    caller->setKind(kKindFeed);
    caller->addPoint(9, 9, 9, kKindOwn);
    store.addSegment(*caller);
    delete caller;
    ASSERT_EQ(store.getSegments().size(), 2u);
    ASSERT_EQ(store.getSegments()[0].getPoints().size(), 2u);
    expectPoint(store.getSegments()[0].getPoints()[1], {2, 2, -2, 0});
    EXPECT_EQ(store.getSegments()[0].getKind(), kKindRapid);
    ASSERT_EQ(store.getSegments()[1].getPoints().size(), 1u);
    expectPoint(store.getSegments()[1].getPoints()[0], {9, 9, -9, 1});
}

TEST(Store, ArraysHoldOneLinePerPieceOfEachStrip)
{
    piece store; // feed, rapid, feed, kind 2, feed; one point; two rapids
    store.addSegment(path({{{0, 0, 0}, kKindFeed},
                           {{1, 0, 0}, kKindRapid},
                           {{2, 0, 0}, kKindFeed},
                           {{3, 0, 0}, 2},
                           {{4, 0, 0}, kKindFeed}}));
    store.addSegment(path({{{5, 5, 5}, kKindRapid}}));
    store.addSegment(path({{{0, 0, 0}, kKindRapid}, {{1, 1, 1}, kKindOwn}}));
    for (auto [rapid, feed, lines] :
         {std::tuple(true, true, 4u), {false, true, 2u}, {true, false, 1u}, {false, false, 0u}}) {
        PathArrays arrays;
        ASSERT_TRUE(arrays.build(store, rapid, feed));
        EXPECT_EQ(arrays.vertexCount(), 2 * lines) << rapid << feed;
        EXPECT_TRUE(arrays.builtFor(&store, rapid, feed));
        EXPECT_FALSE(arrays.builtFor(&store, !rapid, feed));
    }
    PathArrays arrays;
    arrays.build(store, true, true);
    store.addSegment(path({{{5, 5, 5}, kKindRapid}}));
    EXPECT_FALSE(arrays.builtFor(&store, true, true)); // the store grew
}

} // namespace
