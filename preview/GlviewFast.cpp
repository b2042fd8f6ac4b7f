#include "preview/GlviewFast.h"

#include "preview/Trajectoires.h"

#include <GL/gl.h>

#include <algorithm>
#include <new>

namespace {

// Lines per glDrawArrays call: keeps each draw within GLsizei and lets the
// driver copy the client arrays in pieces.
constexpr std::size_t kVerticesPerDraw = std::size_t{1} << 18;

} // namespace

bool PathArrays::build(const piece& store, bool showRapid, bool showFeed)
{
    clear();
    try {
        std::size_t lines = 0;
        for (const trajectoire& segment : store.getSegments()) {
            std::size_t shown = 0;
            for (const tpoint1& p : segment.getPoints())
                if ((showRapid && p.kind == kKindRapid) || (showFeed && p.kind == kKindFeed))
                    ++shown;
            if (shown > 1)
                lines += shown - 1;
        }
        vertices.reserve(2 * lines);
        for (const trajectoire& segment : store.getSegments()) {
            const tpoint1* previous = nullptr;
            for (const tpoint1& p : segment.getPoints()) {
                bool shown =
                    (showRapid && p.kind == kKindRapid) || (showFeed && p.kind == kKindFeed);
                if (!shown)
                    continue;
                if (previous) {
                    // Under flat shading a line takes the colour of its
                    // second vertex, which is the colour of its end point's
                    // own kind, as in the strip.
                    uint8_t r0 = previous->kind == kKindRapid ? 255 : 0;
                    uint8_t r1 = p.kind == kKindRapid ? 255 : 0;
                    vertices.push_back(Vertex{previous->x, previous->y, previous->z, r0,
                                              uint8_t(255 - r0), 0, 255});
                    vertices.push_back(Vertex{p.x, p.y, p.z, r1, uint8_t(255 - r1), 0, 255});
                }
                previous = &p;
            }
        }
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
    source = &store;
    sourceSegments = store.getSegments().size();
    rapid = showRapid;
    feed = showFeed;
    valid = true;
    return true;
}

bool PathArrays::builtFor(const piece* store, bool showRapid, bool showFeed) const
{
    return valid && store == source && store && store->getSegments().size() == sourceSegments &&
           showRapid == rapid && showFeed == feed;
}

void PathArrays::clear()
{
    std::vector<Vertex>().swap(vertices);
    source = nullptr;
    sourceSegments = 0;
    valid = false;
}

void PathArrays::draw() const
{
    if (vertices.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (std::size_t first = 0; first < vertices.size(); first += kVerticesPerDraw) {
        std::size_t count = std::min(kVerticesPerDraw, vertices.size() - first);
        const Vertex* v = vertices.data() + first;
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &v->x);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &v->r);
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(count));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
