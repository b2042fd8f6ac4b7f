// The tool-path store: every move of the last conversion run as a polyline of
// points tagged rapid (0) or feed (1), in preview units (machine steps x 0.025,
// Z stored negated). The data part lives in the engine library; draw() is
// defined with the OpenGL code of the preview (TrajectoiresDraw.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

#include "engine/MappedArray.h"

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
    // Begins anew at (x, y, z) with the given kind, keeping the memory.
    void restart(float x, float y, float z, int32_t newKind);
    void setKind(int32_t newKind);

    // One GL_LINE_STRIP; points of a hidden kind are left out of the strip.
    void draw(bool showRapid, bool showFeed) const;

    const std::vector<tpoint1>& getPoints() const { return points; }
    int32_t getKind() const { return kind; }

  private:
    std::vector<tpoint1> points;
    int32_t kind;
};

class piece;

// One stored move, seen through the store: its points are a slice of the
// store's single point array. Valid until the next addSegment.
class segmentView {
  public:
    segmentView(std::span<const tpoint1> points_, int32_t kind_) : points(points_), kind(kind_) {}

    // The same strip as trajectoire::draw for these points.
    void draw(bool showRapid, bool showFeed) const;

    std::span<const tpoint1> getPoints() const { return points; }
    int32_t getKind() const { return kind; }

  private:
    std::span<const tpoint1> points;
    int32_t kind;
};

// The stored moves in order, as views made on demand.
class segmentRange {
  public:
    class iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = segmentView;
        using difference_type = std::ptrdiff_t;
        using reference = segmentView;

        iterator() = default;
        iterator(const segmentRange* range_, std::size_t index_) : range(range_), index(index_) {}
        segmentView operator*() const { return (*range)[index]; }
        iterator& operator++()
        {
            ++index;
            return *this;
        }
        iterator operator++(int)
        {
            iterator old = *this;
            ++index;
            return old;
        }
        bool operator==(const iterator& other) const { return index == other.index; }

      private:
        const segmentRange* range = nullptr;
        std::size_t index = 0;
    };

    explicit segmentRange(const piece& store_) : store(&store_) {}

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    segmentView operator[](std::size_t i) const;
    segmentView back() const { return (*this)[size() - 1]; }
    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, size()); }

  private:
    const piece* store;
};

// All points of all moves sit in one array, each move being a start offset
// and a kind: a million-block program would otherwise cost a heap block per
// move, and the writers and the preview walk the points in order anyway.
class piece {
  public:
    piece();
    // A store that keeps nothing: for a run whose tool path nobody reads.
    struct Discarding {};
    explicit piece(Discarding);
    piece(const piece&) = delete;
    piece& operator=(const piece&) = delete;
    virtual ~piece();

    // Appends a copy of the segment's points and its kind; the caller keeps
    // its own segment.
    void addSegment(const trajectoire& segment);
    void addSegment(trajectoire&& segment);
    // The same for a move the machine makes of its own accord (the park at
    // the program's end): drawn like any other, but no part of the
    // program's extent.
    void addMachineSegment(const trajectoire& segment);
    bool isMachineSegment(std::size_t i) const { return records[i].machine; }
    // Room for `points` points in `segments` moves; address space only until
    // written.
    void reserve(std::size_t points, std::size_t segments);
    void draw(bool showRapid, bool showFeed) const;

    segmentRange getSegments() const { return segmentRange(*this); }
    std::size_t segmentCount() const { return records.size(); }
    segmentView segment(std::size_t i) const
    {
        const std::size_t start = records[i].start;
        const std::size_t end = i + 1 < records.size() ? records[i + 1].start : points.size();
        return segmentView(std::span<const tpoint1>(points.data() + start, end - start),
                           records[i].kind);
    }
    std::size_t pointCount() const { return points.size(); }
    std::span<const tpoint1> allPoints() const { return {points.data(), points.size()}; }

  private:
    struct record {
        std::size_t start;
        int32_t kind;
        bool machine;
    };
    // Plain data in mappings of their own, grown by remapping their pages
    // instead of copying them.
    MappedArray<tpoint1> points;
    MappedArray<record> records;
    bool keeping = true;
};

inline std::size_t segmentRange::size() const
{
    return store->segmentCount();
}

inline segmentView segmentRange::operator[](std::size_t i) const
{
    return store->segment(i);
}
