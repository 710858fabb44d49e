#include <gtest/gtest.h>

#include "SupportTesting.h"
#include "supports/TubeCensus.h"

namespace {

using supporttesting::TubeBetween;

TEST(TakeTubeCensus, CountsTubesByTypeAndByTheirPairOfEndTypes) {
  trackio::TrackDocument doc;
  doc.Tubes = {TubeBetween(1, 0, 2, 0, 0), TubeBetween(1, 1, 2, 1, 0), TubeBetween(2, 0, 1, 0, 5),
               TubeBetween(2, 0, 2, 1, -4), TubeBetween(3, 0, 2, 1, 5)};
  const supports::TubeCensus census = supports::TakeTubeCensus(doc);
  EXPECT_EQ(census.tubesByType, (std::map<int32_t, int64_t>{{-4, 1}, {0, 2}, {5, 2}}));
  // The order of the ends matters: footer to free node is not free node to footer.
  EXPECT_EQ(census.tubesByEndTypes,
            (std::map<std::pair<int32_t, int32_t>, int64_t>{{{1, 2}, 2}, {{2, 1}, 1}, {{2, 2}, 1}, {{3, 2}, 1}}));

  const supports::TubeCensus none = supports::TakeTubeCensus(trackio::TrackDocument{});
  EXPECT_TRUE(none.tubesByType.empty());
  EXPECT_TRUE(none.tubesByEndTypes.empty());
}

}  // namespace
