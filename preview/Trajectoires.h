// The tool-path store: every move of the last conversion run as a polyline of
// points tagged rapid (0) or feed (1), in preview units (machine steps x 0.025,
// Z stored negated). The data part lives in the engine library; draw() is
// defined with the OpenGL code of the preview (TrajectoiresDraw.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct tpoint1 {
    float x;
    float y;
    float z;
    int32_t kind;
};

inline constexpr int32_t kKindRapid = 0;
inline constexpr int32_t kKindFeed = 1;
inline constexpr int32_t kKindOwn = -1; // addPoint: use the segment's own kind

class trajectoire {
  public:
    trajectoire(float x, float y, float z, int32_t kind);
    trajectoire(const trajectoire&) = default;
    trajectoire& operator=(const trajectoire&) = default;
    trajectoire(trajectoire&&) noexcept = default;
    trajectoire& operator=(trajectoire&&) noexcept = default;
    virtual ~trajectoire();

    void addPoint(float x, float y, float z, int32_t kind);
    void clearPoints();
    void setKind(int32_t newKind);

    // One GL_LINE_STRIP; points of a hidden kind are left out of the strip.
    void draw(bool showRapid, bool showFeed) const;

    const std::vector<tpoint1>& getPoints() const { return points; }
    int32_t getKind() const { return kind; }

  private:
    std::vector<tpoint1> points;
    int32_t kind;
};

class piece {
  public:
    piece();
    piece(const piece&) = delete;
    piece& operator=(const piece&) = delete;
    virtual ~piece();

    // Appends a deep copy; the caller keeps its own segment.
    void addSegment(const trajectoire& segment);
    // Takes over a segment its owner discards anyway: the same stored result
    // without copying the points (one move per G-code block adds up).
    void addSegment(trajectoire&& segment);
    void draw(bool showRapid, bool showFeed) const;

    const std::vector<trajectoire>& getSegments() const { return *segments; }
    std::size_t pointCount() const;

  private:
    std::unique_ptr<std::vector<trajectoire>> segments;
};
