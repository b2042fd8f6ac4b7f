// The tool path as OpenGL 1.1 vertex and colour arrays.
//
// Sending a large store one glVertex3f call at a time every frame is what
// makes the preview of a long program crawl. The arrays hold the same picture
// as the per-segment line strips of trajectoire::draw: every piece of a strip
// between two consecutive shown points becomes one separate line, in the same
// order, with the colour of its end point (the colour that flat shading gives
// the piece). One glDrawArrays(GL_LINES) call then draws thousands of pieces.
//
// The same arrays can also hold a thinned copy of the path, drawn while the
// user moves the view of a path too large to redraw in full at an interactive
// rate (GlviewThin.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

class piece;

// One end of a line: position and colour (red for rapid, green for feed).
struct PathVertex {
    float x, y, z;
    uint8_t r, g, b, a;
};

// Under flat shading a line takes the colour of its second vertex: each
// vertex carries the colour of its own point's kind.
inline PathVertex pathVertex(float x, float y, float z, bool rapid)
{
    const uint8_t r = rapid ? 255 : 0;
    return PathVertex{x, y, z, r, uint8_t(255 - r), 0, 255};
}

class PathArrays {
  public:
    PathArrays() = default;
    PathArrays(const PathArrays&) = delete;
    PathArrays& operator=(const PathArrays&) = delete;
    ~PathArrays();

    // Reads the whole store. Returns false, holding nothing, when memory ran
    // out: the caller then draws the store in immediate mode.
    bool build(const piece& store, bool showRapid, bool showFeed);
    // Reads the whole store into few lines that still look like the path.
    // Runs of pieces of one colour are straightened where they stay within
    // thinningTolerance() of the straight line, keeping the first and last
    // point of every segment and every change of colour. Of what is left,
    // pieces costing about `keepShare` of the full path's drawing (line
    // set-ups and length) are kept, never fewer than kMinThinLines lines
    // nor more than `maxLines`: the longest pieces first, up to half of
    // that, and an even sample of the others along the path. False, holding
    // nothing, when memory ran out.
    bool buildThinned(const piece& store, bool showRapid, bool showFeed, std::size_t maxLines,
                      double keepShare);
    static constexpr std::size_t kMinThinLines = 5000;
    // True when the arrays were built from this store, with this many
    // segments, for these flags.
    bool builtFor(const piece* store, bool showRapid, bool showFeed) const;
    void clear();
    // Draws every line; the caller has set the matrices.
    void draw() const;

    std::size_t vertexCount() const { return count; }
    const PathVertex* vertexData() const { return vertices; }
    // The straightening tolerance of the last thinned build, in preview
    // units (zero for a full build).
    double thinningTolerance() const { return tolerance; }

  private:
    // Room for this many lines; false when there is no memory.
    bool allocate(std::size_t lines);
    bool thin(const piece& store, bool showRapid, bool showFeed, std::size_t maxLines,
              double keepShare);
    void setSource(const piece& store, std::size_t lines, bool showRapid, bool showFeed);

    // A million-line program gives over a hundred megabytes of vertices:
    // they live in their own mapping, on huge pages where the system allows,
    // so that building them is not a long series of page faults.
    PathVertex* vertices = nullptr;
    std::size_t count = 0;
    void* mapping = nullptr;
    std::size_t mappingBytes = 0;
    double tolerance = 0.0;

    const piece* source = nullptr;
    std::size_t sourceSegments = 0;
    bool rapid = false;
    bool feed = false;
    bool valid = false;
};
