#include "preview/Trajectoires.h"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <type_traits>

namespace {

constexpr std::size_t kFirstPoints = 1 << 16; // 1 MB of address space, touched as used

// The point array lives in an anonymous mapping of its own: growing it
// moves its pages (mremap) instead of copying tens of megabytes into fresh
// ones, and huge pages cut the page faults of a big store by hundreds.
tpoint1* growMapping(tpoint1* old, std::size_t oldPoints, std::size_t newPoints)
{
    void* block = old == nullptr
                      ? ::mmap(nullptr, newPoints * sizeof(tpoint1), PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                      : ::mremap(old, oldPoints * sizeof(tpoint1), newPoints * sizeof(tpoint1),
                                 MREMAP_MAYMOVE);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(block, newPoints * sizeof(tpoint1), MADV_HUGEPAGE);
    return static_cast<tpoint1*>(block);
}

} // namespace

trajectoire::trajectoire(float x, float y, float z, int32_t kind_) : kind(kind_)
{
    points.reserve(2); // a straight move has a start and an end point
    points.push_back(tpoint1{x, y, -z, kind_});
}

trajectoire::~trajectoire() = default;

void trajectoire::addPoint(float x, float y, float z, int32_t pointKind)
{
    points.push_back(tpoint1{x, y, -z, pointKind == kKindOwn ? kind : pointKind});
}

void trajectoire::clearPoints()
{
    std::vector<tpoint1>().swap(points);
}

void trajectoire::setKind(int32_t newKind)
{
    kind = newKind;
}

piece::piece() = default;

piece::~piece()
{
    if (pointData != nullptr)
        ::munmap(pointData, pointCapacity * sizeof(tpoint1));
}

void piece::addSegment(const trajectoire& segment)
{
    static_assert(std::is_trivially_copyable_v<tpoint1>);
    const std::vector<tpoint1>& source = segment.getPoints();
    const std::size_t n = source.size();
    if (n > pointCapacity - pointSize) {
        std::size_t wanted = pointCapacity == 0 ? kFirstPoints : pointCapacity;
        while (wanted - pointSize < n) {
            if (wanted > SIZE_MAX / 2 / sizeof(tpoint1))
                throw std::bad_alloc();
            wanted *= 2;
        }
        pointData = growMapping(pointData, pointCapacity, wanted);
        pointCapacity = wanted;
    }
    records.push_back(record{pointSize, segment.getKind()});
    if (n > 0)
        std::memcpy(pointData + pointSize, source.data(), n * sizeof(tpoint1));
    pointSize += n;
}

void piece::addSegment(trajectoire&& segment)
{
    addSegment(static_cast<const trajectoire&>(segment));
}
