// Framing the preview: the pan and distance that make a set of points fill
// the panel, seen from the view's current direction, with a small margin.
//
// The model is drawn at T0 + offset + R p (T0 the fixed translation of the
// view, R its three rotations) under a perspective projection. For a given
// distance, each point bounds the horizontal pan from both sides linearly in
// the distance; the smallest distance at which the bounds of all points
// still leave room, horizontally and vertically, is the one that fills the
// panel. Everything the bounds need is a few minima and maxima over the
// points, so one pass over a path of millions of points finds it exactly.
// On the other axis the pan has room; a few more passes put the path in the
// middle of it (Newton's method on the difference of the two gaps, which
// depends on the pan almost linearly).
#pragma once

#include <cmath>
#include <optional>

struct FrameRequest {
    // The view's rotations in degrees, as the preview applies them: about Y,
    // then X, then Y again.
    float angleY = 0.0f;
    float angleX = 0.0f;
    float angleY2 = 0.0f;
    // The projection: vertical field of view in degrees, width over height.
    double fieldOfView = 45.0;
    double aspect = 1.0;
    // The part of the projection that the panel shows, in normalised device
    // coordinates (the viewport can be larger than the panel).
    double left = -1.0;
    double right = 1.0;
    double bottom = -1.0;
    double top = 1.0;
    // Share of the shown width and height left free on each side.
    double margin = 0.05;
};

struct Framing {
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    float offsetZ = 0.0f;
    // Distance from the eye of the nearest and of the farthest point.
    double nearest = 0.0;
    double farthest = 0.0;
};

class FrameBounds {
  public:
    explicit FrameBounds(const FrameRequest& request);

    // A point of the model, in preview units.
    void add(float x, float y, float z);
    bool empty() const { return count_ == 0; }

    // The offsets that frame every point added, nothing when none was (or a
    // coordinate was not finite).
    std::optional<Framing> result() const;

    // Another pass over the same points with `framing`: result() then
    // returns it with the pan moved so that the path stands in the middle
    // on the axis it does not fill.
    void startCentring(const Framing& framing);

  private:
    void addForCentring(double qx, double qy, double qz);
    std::optional<Framing> centred() const;

    FrameRequest request_;
    double rotation_[3][3];
    // Per axis: the bounds' constant parts (see the top of this file).
    double lowX_, highX_, lowY_, highY_;
    double minDepth_, maxDepth_; // of q.z, the point's eye z before the offset
    double minX_, maxX_, minY_, maxY_;
    long long count_ = 0;
    bool finite_ = true;
    double scaleX_, scaleY_;                 // eye units per normalised unit at distance 1
    double leftX_, rightX_, bottomY_, topY_; // the shown area less the margins

    // While centring: the framing tried, and where the points land with it.
    bool centring_ = false;
    Framing tried_;
    double panLowX_ = 0, panHighX_ = 0, panLowY_ = 0, panHighY_ = 0;
    double shownMinX_, shownMaxX_, shownMinY_, shownMaxY_;
    double depthAtMinX_ = 1, depthAtMaxX_ = 1, depthAtMinY_ = 1, depthAtMaxY_ = 1;
};

// Frames the points that forEach(add) hands to add(x, y, z), as many times
// as it takes (at most five passes).
template <typename ForEachPoint>
std::optional<Framing> framePoints(const FrameRequest& request, ForEachPoint&& forEach)
{
    FrameBounds bounds(request);
    forEach([&](float x, float y, float z) { bounds.add(x, y, z); });
    std::optional<Framing> framing = bounds.result();
    for (int pass = 0; framing && pass < 4; ++pass) {
        bounds.startCentring(*framing);
        forEach([&](float x, float y, float z) { bounds.add(x, y, z); });
        const std::optional<Framing> better = bounds.result();
        const bool settled = better &&
                             std::abs(better->offsetX - framing->offsetX) <
                                 1e-6f * (1.0f + std::abs(framing->offsetZ)) &&
                             std::abs(better->offsetY - framing->offsetY) <
                                 1e-6f * (1.0f + std::abs(framing->offsetZ));
        framing = better;
        if (settled)
            break;
    }
    return framing;
}
