// The tool path as OpenGL 1.1 vertex and colour arrays.
//
// Sending a large store one glVertex3f call at a time every frame is what
// makes the preview of a long program crawl. The arrays hold the same picture
// as the per-segment line strips of trajectoire::draw: every piece of a strip
// between two consecutive shown points becomes one separate line, in the same
// order, with the colour of its end point (the colour that flat shading gives
// the piece). One glDrawArrays(GL_LINES) call then draws thousands of pieces.
#pragma once

#include <cstddef>
#include <cstdint>

class piece;

class PathArrays {
  public:
    PathArrays() = default;
    PathArrays(const PathArrays&) = delete;
    PathArrays& operator=(const PathArrays&) = delete;
    ~PathArrays();

    // Reads the whole store. Returns false, holding nothing, when memory ran
    // out: the caller then draws the store in immediate mode.
    bool build(const piece& store, bool showRapid, bool showFeed);
    // True when the arrays were built from this store, with this many
    // segments, for these flags.
    bool builtFor(const piece* store, bool showRapid, bool showFeed) const;
    void clear();
    // Draws every line; the caller has set the matrices.
    void draw() const;

    std::size_t vertexCount() const { return count; }

  private:
    struct Vertex {
        float x, y, z;
        uint8_t r, g, b, a;
    };

    // A million-line program gives over a hundred megabytes of vertices:
    // they live in their own mapping, on huge pages where the system allows,
    // so that building them is not a long series of page faults.
    Vertex* vertices = nullptr;
    std::size_t count = 0;
    void* mapping = nullptr;
    std::size_t mappingBytes = 0;

    const piece* source = nullptr;
    std::size_t sourceSegments = 0;
    bool rapid = false;
    bool feed = false;
    bool valid = false;
};
