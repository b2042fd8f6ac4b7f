#include "preview/Trajectoires.h"

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

piece::piece() : segments(std::make_unique<std::vector<trajectoire>>())
{
}

piece::~piece() = default;

void piece::addSegment(const trajectoire& segment)
{
    segments->push_back(segment);
}

void piece::addSegment(trajectoire&& segment)
{
    segments->push_back(std::move(segment));
}

std::size_t piece::pointCount() const
{
    std::size_t n = 0;
    for (const trajectoire& t : *segments)
        n += t.getPoints().size();
    return n;
}
