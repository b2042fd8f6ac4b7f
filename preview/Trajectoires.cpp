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

void trajectoire::restart(float x, float y, float z, int32_t newKind)
{
    kind = newKind;
    points.clear();
    points.push_back(tpoint1{x, y, -z, newKind});
}

void trajectoire::setKind(int32_t newKind)
{
    kind = newKind;
}

piece::piece() = default;

piece::piece(Discarding) : keeping(false)
{
}

piece::~piece() = default;

void piece::addSegment(const trajectoire& segment)
{
    if (!keeping)
        return;
    const std::vector<tpoint1>& source = segment.getPoints();
    records.push_back(record{points.size(), segment.getKind(), false});
    points.append(source.data(), source.size());
}

void piece::addMachineSegment(const trajectoire& segment)
{
    if (!keeping)
        return;
    addSegment(segment);
    records[records.size() - 1].machine = true;
}

void piece::reserve(std::size_t pointRoom, std::size_t segmentRoom)
{
    if (!keeping)
        return;
    points.reserve(pointRoom);
    records.reserve(segmentRoom);
}

void piece::addSegment(trajectoire&& segment)
{
    addSegment(static_cast<const trajectoire&>(segment));
}
