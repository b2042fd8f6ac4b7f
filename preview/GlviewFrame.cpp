#include "preview/GlviewFrame.h"

#include "engine/Gcode.h"
#include "preview/Glview.h"
#include "preview/Trajectoires.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
// The fixed translation of the preview's view.
constexpr double kT0[3] = {0.0, -50.0, 6.0};
// A path that is a single point gets this much room around it.
constexpr double kLoneDistance = 10.0;

// Rotation by `degrees` about the unit axis (0/1/2 = x/y/z), as glRotatef.
void rotationAbout(int axis, double degrees, double m[3][3])
{
    const double a = degrees * kPi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = i == j ? 1.0 : 0.0;
    const int u = (axis + 1) % 3;
    const int v = (axis + 2) % 3;
    m[u][u] = c;
    m[u][v] = -s;
    m[v][u] = s;
    m[v][v] = c;
}

void multiply(const double a[3][3], const double b[3][3], double out[3][3])
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
}

} // namespace

FrameBounds::FrameBounds(const FrameRequest& request) : request_(request)
{
    double ry[3][3];
    double rx[3][3];
    double ry2[3][3];
    double partial[3][3];
    rotationAbout(1, request.angleY, ry);
    rotationAbout(0, request.angleX, rx);
    rotationAbout(1, request.angleY2, ry2);
    multiply(ry, rx, partial);
    multiply(partial, ry2, rotation_);

    const double f = 1.0 / std::tan(request.fieldOfView * kPi / 360.0);
    scaleX_ = request.aspect / f;
    scaleY_ = 1.0 / f;
    const double w = request.right - request.left;
    const double h = request.top - request.bottom;
    leftX_ = request.left + request.margin * w;
    rightX_ = request.right - request.margin * w;
    bottomY_ = request.bottom + request.margin * h;
    topY_ = request.top - request.margin * h;

    constexpr double inf = std::numeric_limits<double>::infinity();
    lowX_ = lowY_ = -inf;
    highX_ = highY_ = inf;
    minDepth_ = minX_ = minY_ = inf;
    maxDepth_ = maxX_ = maxY_ = -inf;
}

void FrameBounds::add(float x, float y, float z)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        finite_ = false;
        return;
    }
    const double p[3] = {x, y, z};
    double q[3];
    for (int i = 0; i < 3; ++i)
        q[i] = rotation_[i][0] * p[0] + rotation_[i][1] * p[1] + rotation_[i][2] * p[2] + kT0[i];
    if (centring_) {
        addForCentring(q[0], q[1], q[2]);
        return;
    }
    // With the distance D = -offsetZ, the point lies d = D - q.z in front of
    // the eye, and shows where it must when
    //   left * scale * d <= q.x + offsetX <= right * scale * d,
    // i.e. offsetX >= left*scale*D + (-left*scale*q.z - q.x) and
    //      offsetX <= right*scale*D + (-right*scale*q.z - q.x).
    lowX_ = std::max(lowX_, -leftX_ * scaleX_ * q[2] - q[0]);
    highX_ = std::min(highX_, -rightX_ * scaleX_ * q[2] - q[0]);
    lowY_ = std::max(lowY_, -bottomY_ * scaleY_ * q[2] - q[1]);
    highY_ = std::min(highY_, -topY_ * scaleY_ * q[2] - q[1]);
    minDepth_ = std::min(minDepth_, q[2]);
    maxDepth_ = std::max(maxDepth_, q[2]);
    minX_ = std::min(minX_, q[0]);
    maxX_ = std::max(maxX_, q[0]);
    minY_ = std::min(minY_, q[1]);
    maxY_ = std::max(maxY_, q[1]);
    ++count_;
}

std::optional<Framing> FrameBounds::result() const
{
    if (centring_)
        return centred();
    if (count_ == 0 || !finite_ || rightX_ <= leftX_ || topY_ <= bottomY_)
        return std::nullopt;
    // The smallest distance that leaves room on both axes.
    double distance = std::max((lowX_ - highX_) / ((rightX_ - leftX_) * scaleX_),
                               (lowY_ - highY_) / ((topY_ - bottomY_) * scaleY_));
    // Every point in front of the eye, the nearest at a distance that is a
    // small share of the path's size (a flat path seen edge-on, or a lone
    // point, would otherwise touch the eye).
    const double size = std::max({maxX_ - minX_, maxY_ - minY_, maxDepth_ - minDepth_});
    const double room = size > 0.0 ? size * 0.01 : kLoneDistance;
    distance = std::max(distance, maxDepth_ + room);

    Framing framing;
    const double panLowX = leftX_ * scaleX_ * distance + lowX_;
    const double panHighX = rightX_ * scaleX_ * distance + highX_;
    const double panLowY = bottomY_ * scaleY_ * distance + lowY_;
    const double panHighY = topY_ * scaleY_ * distance + highY_;
    framing.offsetX = static_cast<float>((panLowX + panHighX) / 2.0);
    framing.offsetY = static_cast<float>((panLowY + panHighY) / 2.0);
    framing.offsetZ = static_cast<float>(-distance);
    framing.nearest = distance - maxDepth_;
    framing.farthest = distance - minDepth_;
    return framing;
}

void FrameBounds::startCentring(const Framing& framing)
{
    centring_ = true;
    tried_ = framing;
    const double distance = -double(framing.offsetZ);
    // The room the pan has on each axis at this distance.
    panLowX_ = leftX_ * scaleX_ * distance + lowX_;
    panHighX_ = rightX_ * scaleX_ * distance + highX_;
    panLowY_ = bottomY_ * scaleY_ * distance + lowY_;
    panHighY_ = topY_ * scaleY_ * distance + highY_;
    constexpr double inf = std::numeric_limits<double>::infinity();
    shownMinX_ = shownMinY_ = inf;
    shownMaxX_ = shownMaxY_ = -inf;
}

void FrameBounds::addForCentring(double qx, double qy, double qz)
{
    const double depth = -(qz + tried_.offsetZ);
    if (!(depth > 0.0))
        return;
    const double x = (qx + tried_.offsetX) / (scaleX_ * depth);
    const double y = (qy + tried_.offsetY) / (scaleY_ * depth);
    if (x < shownMinX_) {
        shownMinX_ = x;
        depthAtMinX_ = depth;
    }
    if (x > shownMaxX_) {
        shownMaxX_ = x;
        depthAtMaxX_ = depth;
    }
    if (y < shownMinY_) {
        shownMinY_ = y;
        depthAtMinY_ = depth;
    }
    if (y > shownMaxY_) {
        shownMaxY_ = y;
        depthAtMaxY_ = depth;
    }
}

std::optional<Framing> FrameBounds::centred() const
{
    Framing framing = tried_;
    if (!(shownMinX_ <= shownMaxX_) || !(shownMinY_ <= shownMaxY_))
        return framing;
    // Equal gaps: (min - low) = (high - max), i.e. min + max = low + high.
    // Each shown coordinate moves by 1 / (scale * depth) per unit of pan.
    const auto step = [](double min, double max, double low, double high, double depthMin,
                         double depthMax, double scale) {
        const double error = (min + max) - (low + high);
        const double slope = 1.0 / (scale * depthMin) + 1.0 / (scale * depthMax);
        return -error / slope;
    };
    const double x = double(framing.offsetX) + step(shownMinX_, shownMaxX_, leftX_, rightX_,
                                                    depthAtMinX_, depthAtMaxX_, scaleX_);
    const double y = double(framing.offsetY) + step(shownMinY_, shownMaxY_, bottomY_, topY_,
                                                    depthAtMinY_, depthAtMaxY_, scaleY_);
    // Never out of the room, where a point would leave the panel.
    framing.offsetX = static_cast<float>(
        std::clamp(x, std::min(panLowX_, panHighX_), std::max(panLowX_, panHighX_)));
    framing.offsetY = static_cast<float>(
        std::clamp(y, std::min(panLowY_, panHighY_), std::max(panLowY_, panHighY_)));
    return framing;
}

void TGLForm::BtnCadrerClick()
{
    // What the panel shows of the projection: the viewport spans the
    // window's outer size from the panel's bottom-left corner (see
    // GLPanelResize), so the panel shows its lower-left part.
    const QRect outer = frameGeometry();
    const qreal ratio = GLPanel->devicePixelRatioF();
    const double viewW = outer.width() * ratio;
    const double viewH = outer.height() * ratio;
    if (viewW <= 0.0 || viewH <= 0.0 || GLPanel->width() <= 0 || GLPanel->height() <= 0)
        return;
    // A moderate lens: at 25 degrees the path is seen from nearly twice as
    // far as at 45, so its near side is drawn not much larger than its far
    // side.
    constexpr double kFramedFieldOfView = 25.0;
    FrameRequest request;
    request.fieldOfView = kFramedFieldOfView;
    request.angleY = angleY;
    request.angleX = angleX;
    request.angleY2 = angleY2;
    request.aspect = double(outer.width()) / double(outer.height());
    request.right = std::min(1.0, -1.0 + 2.0 * GLPanel->width() * ratio / viewW);
    request.top = std::min(1.0, -1.0 + 2.0 * GLPanel->height() * ratio / viewH);

    const piece* store = trajectoryStore.get();
    const std::optional<Framing> framing = framePoints(request, [&](auto&& add) {
        if (store) {
            // The path as drawn; all of it when neither kind is shown.
            const bool any = showRapid || showFeed;
            for (const tpoint1& p : store->allPoints())
                if (!any || (showRapid && p.kind == kKindRapid) ||
                    (showFeed && p.kind == kKindFeed))
                    add(p.x, p.y, p.z);
        }
        if (showStock) {
            for (float x : {0.0f, stockX})
                for (float y : {0.0f, stockY})
                    for (float z : {0.0f, -stockZ, -2.0f})
                        add(x, y, z);
        }
    });
    if (!framing)
        return;
    offsetX = framing->offsetX;
    offsetY = framing->offsetY;
    offsetZ = framing->offsetZ;
    fieldOfView = kFramedFieldOfView;
    // The usual planes hold for every ordinary path; a path smaller than
    // the near plane's view or deeper than the far plane moves them.
    nearPlane = std::min(1.0, framing->nearest * 0.5);
    farPlane = std::max(10000.0, framing->farthest * 2.0);
    redraw();
}
