#include "preview/GlviewFast.h"

#include "engine/platform/GrowingBlocks.h"
#include "preview/Trajectoires.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

// Lines per glDrawArrays call: keeps each draw within GLsizei and lets the
// driver copy the client arrays in pieces.
constexpr std::size_t kVerticesPerDraw = std::size_t{1} << 18;

bool shown(const tpoint1& p, bool showRapid, bool showFeed)
{
    return (showRapid && p.kind == kKindRapid) || (showFeed && p.kind == kKindFeed);
}

} // namespace

PathArrays::~PathArrays()
{
    clear();
}

bool PathArrays::allocate(std::size_t lines)
{
    clear();
    if (lines == 0)
        return true;
    if (lines > SIZE_MAX / (2 * sizeof(PathVertex)))
        return false;
    // A block of its own from the system: on Linux 2 MB-aligned and backed
    // by huge pages, which spares the page faults of filling it.
    const std::size_t bytes = 2 * lines * sizeof(PathVertex);
    try {
        mapping = mapped::grow(nullptr, 0, bytes);
    } catch (const std::bad_alloc&) {
        mapping = nullptr;
        return false;
    }
    mappingBytes = bytes;
    vertices = static_cast<PathVertex*>(mapping);
    return true;
}

void PathArrays::setSource(const piece& store, std::size_t lines, bool showRapid, bool showFeed)
{
    count = 2 * lines;
    source = &store;
    sourceSegments = store.getSegments().size();
    rapid = showRapid;
    feed = showFeed;
    valid = true;
}

bool PathArrays::build(const piece& store, bool showRapid, bool showFeed)
{
    std::size_t lines = 0;
    for (const auto& segment : store.getSegments()) {
        std::size_t n = 0;
        for (const tpoint1& p : segment.getPoints())
            n += shown(p, showRapid, showFeed);
        lines += n > 1 ? n - 1 : 0;
    }
    if (!allocate(lines))
        return false;
    PathVertex* out = vertices;
    for (const auto& segment : store.getSegments()) {
        const tpoint1* previous = nullptr;
        for (const tpoint1& p : segment.getPoints()) {
            if (!shown(p, showRapid, showFeed))
                continue;
            if (previous) {
                *out++ =
                    pathVertex(previous->x, previous->y, previous->z, previous->kind == kKindRapid);
                *out++ = pathVertex(p.x, p.y, p.z, p.kind == kKindRapid);
            }
            previous = &p;
        }
    }
    setSource(store, lines, showRapid, showFeed);
    return true;
}

bool PathArrays::builtFor(const piece* store, bool showRapid, bool showFeed) const
{
    return valid && store == source && store && store->getSegments().size() == sourceSegments &&
           showRapid == rapid && showFeed == feed;
}

void PathArrays::clear()
{
    if (mapping)
        mapped::release(mapping, mappingBytes);
    mapping = nullptr;
    mappingBytes = 0;
    vertices = nullptr;
    count = 0;
    tolerance = 0.0;
    source = nullptr;
    sourceSegments = 0;
    valid = false;
}

void PathArrays::draw() const
{
    if (count == 0)
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (std::size_t first = 0; first < count; first += kVerticesPerDraw) {
        const std::size_t n = std::min(kVerticesPerDraw, count - first);
        const PathVertex* v = vertices + first;
        glVertexPointer(3, GL_FLOAT, sizeof(PathVertex), &v->x);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(PathVertex), &v->r);
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(n));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
