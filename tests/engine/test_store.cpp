// The tool-path store keeps every move's points in one array; each move must
// still come back with exactly its own points and kind, empty moves included.
#include <gtest/gtest.h>

#include <vector>

#include "preview/Trajectoires.h"

namespace {

struct Move {
    int32_t kind;
    int points; // the segment's first point plus this many - 1 added ones
};

} // namespace

TEST(Store, EachMoveKeepsItsOwnSliceOfTheSharedArray)
{
    const std::vector<std::vector<Move>> cases = {
        {},
        {{kKindRapid, 1}},
        {{kKindRapid, 2}, {kKindFeed, 0}, {kKindFeed, 3}},
        {{kKindFeed, 0}, {kKindFeed, 0}},
        {{kKindFeed, 5}, {kKindRapid, 0}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        piece store;
        std::vector<tpoint1> expected;
        float next = 0;
        for (const Move& m : cases[c]) {
            trajectoire t(next, next + 0.5f, 1, m.kind);
            for (int i = 1; i < m.points; ++i)
                t.addPoint(next + i, 0, 2, kKindOwn);
            if (m.points == 0)
                t.clearPoints();
            for (const tpoint1& p : t.getPoints())
                expected.push_back(p);
            // Both forms must store the same thing; the moved one is gone.
            if (c % 2)
                store.addSegment(std::move(t));
            else
                store.addSegment(t);
            next += 100;
        }
        ASSERT_EQ(store.getSegments().size(), cases[c].size()) << c;
        EXPECT_EQ(store.pointCount(), expected.size()) << c;
        ASSERT_EQ(store.allPoints().size(), expected.size()) << c;
        std::size_t at = 0, index = 0;
        for (const auto& segment : store.getSegments()) {
            const Move& m = cases[c][index];
            EXPECT_EQ(segment.getKind(), m.kind) << c << "," << index;
            ASSERT_EQ(segment.getPoints().size(), std::size_t(m.points)) << c << "," << index;
            for (const tpoint1& p : segment.getPoints()) {
                EXPECT_EQ(&p, &store.allPoints()[at]) << "a copy instead of a view";
                EXPECT_EQ(p.x, expected[at].x);
                EXPECT_EQ(p.z, expected[at].z);
                EXPECT_EQ(p.kind, expected[at].kind);
                ++at;
            }
            ++index;
        }
        EXPECT_EQ(index, cases[c].size());
        EXPECT_EQ(at, expected.size());
    }
}
