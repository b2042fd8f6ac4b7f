// Helpers of the preview tests: a private tool-path store, rendering a form
// into an image, and where a point of the model lands on the panel.
#pragma once

#include "engine/Gcode.h"
#include "preview/Glview.h"
#include "preview/Trajectoires.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMatrix4x4>
#include <QVector3D>
#include <QWindow>

#include <cmath>
#include <memory>

// Replaces the global store for one test and puts the old one back.
struct StoreSwap {
    StoreSwap() : saved(std::move(trajectoryStore)) { trajectoryStore = std::make_unique<piece>(); }
    ~StoreSwap() { trajectoryStore = std::move(saved); }
    piece& store() { return *trajectoryStore; }
    std::unique_ptr<piece> saved;
};

// A segment through the points, each with its kind; z as the translator
// passes it (the store negates it).
inline trajectoire path(std::initializer_list<std::pair<QVector3D, int>> points)
{
    auto p = points.begin();
    trajectoire t(p->first.x(), p->first.y(), p->first.z(), p->second);
    for (++p; p != points.end(); ++p)
        t.addPoint(p->first.x(), p->first.y(), p->first.z(), p->second);
    return t;
}

// Shows the form (once) and returns the panel's picture. A busy machine
// may take a while to map the window and make the context.
inline QImage render(TGLForm& form)
{
    if (!form.isVisible())
        form.show();
    QElapsedTimer timer;
    timer.start();
    while (!(form.windowHandle() && form.windowHandle()->isExposed() && form.GLPanel->isValid()) &&
           timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    return form.GLPanel->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

// Pixel (column, row from the top) of a point as the store keeps it, by the
// view of the form: 45 degree perspective over the window's outer size, the
// viewport as large as the window, anchored at the panel's bottom-left.
inline QPoint project(const TGLForm& form, QVector3D p)
{
    const QRect outer = form.frameGeometry();
    QMatrix4x4 m;
    m.perspective(45.0f, float(outer.width()) / float(outer.height()), 1.0f, 10000.0f);
    m.translate(0.0f, -50.0f, 6.0f);
    m.translate(form.offsetX, form.offsetY, form.offsetZ);
    m.rotate(form.angleY, 0.0f, 1.0f, 0.0f);
    m.rotate(form.angleX, 1.0f, 0.0f, 0.0f);
    m.rotate(form.angleY2, 0.0f, 1.0f, 0.0f);
    QVector4D clip = m * QVector4D(p, 1.0f);
    float wx = (clip.x() / clip.w() + 1.0f) / 2.0f * float(outer.width());
    float wy = (clip.y() / clip.w() + 1.0f) / 2.0f * float(outer.height());
    return QPoint(int(std::floor(wx)), form.GLPanel->height() - 1 - int(std::floor(wy)));
}

// A view straight down the Z axis from 100 units above the programme zero;
// the default window shows x from about -90 to 90 and y from about -6 to 47.
inline void topView(TGLForm& form)
{
    form.angleY = form.angleX = form.angleY2 = 0.0f;
    form.offsetX = 0.0f;
    form.offsetY = 15.0f;
    form.offsetZ = -106.0f;
}

enum class Seen { Black, Red, Green, Yellow, Cyan, Other };

inline Seen classify(QRgb c)
{
    auto hi = [](int v) { return v > 200; };
    auto lo = [](int v) { return v < 60; };
    if (hi(qRed(c)) && lo(qGreen(c)) && lo(qBlue(c)))
        return Seen::Red;
    if (lo(qRed(c)) && hi(qGreen(c)) && lo(qBlue(c)))
        return Seen::Green;
    if (hi(qRed(c)) && hi(qGreen(c)) && lo(qBlue(c)))
        return Seen::Yellow;
    if (lo(qRed(c)) && hi(qGreen(c)) && hi(qBlue(c)))
        return Seen::Cyan;
    return qRed(c) + qGreen(c) + qBlue(c) < 30 ? Seen::Black : Seen::Other;
}

// Black: nothing but black within one pixel of the point; a colour: that
// colour within one pixel (a line passing through the point).
inline bool sees(const QImage& image, QPoint at, Seen seen)
{
    for (int y = at.y() - 1; y <= at.y() + 1; ++y)
        for (int x = at.x() - 1; x <= at.x() + 1; ++x) {
            if (!image.valid(x, y))
                continue;
            Seen here = classify(image.pixel(x, y));
            if (seen == Seen::Black && here != Seen::Black)
                return false;
            if (seen != Seen::Black && here == seen)
                return true;
        }
    return seen == Seen::Black;
}

// With PREVIEW_TEST_IMAGES set to a folder, keeps a picture there to look at.
inline void keepImage(const QImage& image, const QString& name)
{
    const QString folder = qEnvironmentVariable("PREVIEW_TEST_IMAGES");
    if (!folder.isEmpty())
        image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}
