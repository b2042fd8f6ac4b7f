#include "preview/Trajectoires.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

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
    std::free(pointData);
}

void piece::addSegment(const trajectoire& segment)
{
    static_assert(std::is_trivially_copyable_v<tpoint1>);
    const std::vector<tpoint1>& source = segment.getPoints();
    const std::size_t n = source.size();
    if (n > pointCapacity - pointSize) {
        std::size_t wanted = pointCapacity < 1024 ? 1024 : pointCapacity;
        while (wanted - pointSize < n)
            wanted *= 2;
        if (wanted > SIZE_MAX / sizeof(tpoint1))
            throw std::bad_alloc();
        void* grown = std::realloc(pointData, wanted * sizeof(tpoint1));
        if (grown == nullptr)
            throw std::bad_alloc();
        pointData = static_cast<tpoint1*>(grown);
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
