// Appending free nodes and tubes, the tube census, and the two vector
// operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "SupportTesting.h"
#include "supports/VectorMath.h"
#include "supports/SupportEditing.h"
#include "supports/TubeCensus.h"

namespace {

using namespace supporttesting;
using supports::AddFreeNode;
using supports::AddTube;
using supports::VecDistance;
using supports::VecSubtract;
using trackio::Tube;

TEST(SupportEditing, AppendsAfterEveryRecordAndTheCensusCountsThemAll) {
  trackio::TrackDocument doc;
  EXPECT_EQ(*AddFreeNode(doc, Point(1, 2, 3)), 0);
  EXPECT_EQ(*AddFreeNode(doc, Point(4, 5, 6)), 1);
  // After a load with 12 free nodes the next one is number 12, bits as given.
  doc.FreeNodes.resize(12, Point(7, 8, 9));
  const trackio::Vec3 odd = PointFromBits(0x7FC12345, 0x80000000, 0x00000001);
  EXPECT_EQ(*AddFreeNode(doc, odd), 12);
  EXPECT_EQ(doc.FreeNodes[1], Point(4, 5, 6));
  EXPECT_EQ(doc.FreeNodes[11], Point(7, 8, 9));
  EXPECT_EQ(doc.FreeNodes[12], odd);

  // Twenty tubes from footers to free nodes and back, with every field set.
  for (int32_t i = 0; i < 20; ++i) {
    Tube tube = i % 2 == 0 ? TubeBetween(1, i, 2, i + 1, i % 7) : TubeBetween(2, i, 1, i + 1, i % 7);
    tube.End1Sub = 9;
    tube.End2Sub = -9;
    tube.Int1 = 100 + i;
    tube.Value1 = F(0.5f * static_cast<float>(i));
    doc.Tubes.push_back(tube);
  }
  const std::vector<Tube> before = doc.Tubes;
  EXPECT_EQ(*AddTube(doc, 4, 5, 6, F(0.0f)), 20);
  // Nodes are stored as given, even when they do not exist or coincide.
  EXPECT_EQ(*AddTube(doc, 77, 77, -1, F(2.5f)), 21);

  // Earlier tubes untouched; the new ones join free nodes, with no
  // sub-indices or extra value.
  ASSERT_EQ(doc.TubeCount(), 22);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), doc.Tubes.begin()));
  EXPECT_EQ(doc.Tubes[20], TubeBetween(trackio::kEndTypeFreeNode, 4, trackio::kEndTypeFreeNode, 5, 6));
  Tube expected = TubeBetween(trackio::kEndTypeFreeNode, 77, trackio::kEndTypeFreeNode, 77, -1);
  expected.Value1 = F(2.5f);
  EXPECT_EQ(doc.Tubes[21], expected);

  // The order of the ends matters: footer to free node is not free node to footer.
  const supports::TubeCensus census = supports::TakeTubeCensus(doc);
  EXPECT_EQ(census.tubesByType,
            (std::map<int32_t, int64_t>{{-1, 1}, {0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));
  EXPECT_EQ(census.tubesByEndTypes,
            (std::map<std::pair<int32_t, int32_t>, int64_t>{{{1, 2}, 10}, {{2, 1}, 10}, {{2, 2}, 2}}));
}

TEST(VecSubtract, PointsFromTheFirstArgumentToTheSecondInFloat32) {
  EXPECT_EQ(VecSubtract(Point(1, 2, 3), Point(4, 6, 3)), Point(3, 4, 0));
  // 1 − 2^-30 is exact in double but rounds to 1.0 in float32.
  const float tiny = std::ldexp(1.0f, -30);
  EXPECT_EQ(VecSubtract(Point(tiny, 0, -tiny), Point(1, 0, -1)), Point(1, 0, -1));
}

TEST(VecDistance, IsADoubleWithTheSquaresAddedYThenXThenZ) {
  EXPECT_EQ(VecDistance(Point(1, 2, 3), Point(4, 6, 3)), 5.0);
  EXPECT_EQ(VecDistance(Point(4, 6, 3), Point(4, 6, 3)), 0.0);

  // Not rounded to float32.
  EXPECT_EQ(VecDistance(Point(0, 0, 0), Point(1, 1, 0)), std::sqrt(2.0));

  // For these squares the order of the additions shows in the last bit:
  // only z added last gives this result.
  const double x = 0.75, y = 1.875, z = 0.1f;
  const double expected = std::sqrt((y * y + x * x) + z * z);
  ASSERT_NE(expected, std::sqrt((z * z + y * y) + x * x));
  ASSERT_NE(expected, std::sqrt((x * x + z * z) + y * y));
  EXPECT_EQ(VecDistance(Point(0, 0, 0), Point(0.75f, 1.875f, 0.1f)), expected);
  EXPECT_EQ(VecDistance(Point(0.75f, 1.875f, 0.1f), Point(0, 0, 0)), expected);
}

}  // namespace
