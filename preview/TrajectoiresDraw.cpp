// OpenGL drawing of the tool-path store, in immediate mode: one line strip per
// recorded move, coloured per point. The preview draws with flat shading, so
// each piece of a strip takes the colour of its end point.
#include "preview/Trajectoires.h"

#include <GL/gl.h>

namespace {

void drawStrip(std::span<const tpoint1> points, bool showRapid, bool showFeed)
{
    if (!showRapid && !showFeed)
        return;
    // The strip is opened at its first shown point: a segment with none
    // sends its colours only. Mesa drops the next strip after an empty
    // glBegin/glEnd pair that follows a two-point strip.
    bool open = false;
    for (const tpoint1& p : points) {
        // The colours are given on a 0-255 scale; OpenGL saturates them to
        // pure red and pure green. Any other kind keeps the current colour.
        if (p.kind == kKindRapid)
            glColor3f(254.0f, 0.0f, 0.0f);
        else if (p.kind == kKindFeed)
            glColor3f(0.0f, 251.0f, 0.0f);
        // A point of a hidden kind is left out, so the strip runs straight
        // from the previous shown point to the next one.
        if ((showRapid && p.kind == kKindRapid) || (showFeed && p.kind == kKindFeed)) {
            if (!open) {
                glBegin(GL_LINE_STRIP);
                open = true;
            }
            glVertex3f(p.x, p.y, p.z);
        }
    }
    if (open)
        glEnd();
}

} // namespace

void trajectoire::draw(bool showRapid, bool showFeed) const
{
    drawStrip(points, showRapid, showFeed);
}

void segmentView::draw(bool showRapid, bool showFeed) const
{
    drawStrip(points, showRapid, showFeed);
}

void piece::draw(bool showRapid, bool showFeed) const
{
    const std::size_t n = segmentCount();
    for (std::size_t i = 0; i < n; ++i)
        segment(i).draw(showRapid, showFeed);
}
