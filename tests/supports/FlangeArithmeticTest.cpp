// Flange positions on skewed tubes, computed here independently: each
// formula per component in double precision, in the grouping the generator
// promises, rounded to float32 when stored. The tubes were picked so that
// plausible other ways of computing the same positions change at least one
// stored bit (listed beside each tube).
#include <gtest/gtest.h>

#include <cmath>

#include "SupportTesting.h"
#include "supports/FlangeGenerator.h"
#include "supports/VectorMath.h"

namespace {

using namespace supporttesting;
using trackio::Vec3;

double Component(const Vec3& v, int i) { return (i == 0 ? v.x : i == 1 ? v.y : v.z).ToFloat(); }

// The nodes a type-0 tube from `a` to `b` gets, in the order they are
// appended.
std::vector<Vec3> FlangeNodes(const Vec3& a, const Vec3& b) {
  const double o = 0.9, length = 0.15, half = length / 2;
  double diff[3];
  for (int i = 0; i < 3; ++i) diff[i] = Component(b, i) - Component(a, i);
  const double dist = std::sqrt((diff[1] * diff[1] + diff[0] * diff[0]) + diff[2] * diff[2]);
  const int k = static_cast<int>(std::nearbyint((dist - 2 * o - 1.0) / 10.0));

  double d[3];  // the unit direction, each component rounded to float32
  for (int i = 0; i < 3; ++i) {
    const float difference = static_cast<float>(Component(b, i)) - static_cast<float>(Component(a, i));
    d[i] = static_cast<float>(difference / dist);
  }

  std::vector<Vec3> nodes;
  auto add = [&nodes](auto formula) {
    nodes.push_back({F(static_cast<float>(formula(0))), F(static_cast<float>(formula(1))),
                     F(static_cast<float>(formula(2)))});
  };
  auto A = [&a](int i) { return Component(a, i); };
  auto B = [&b](int i) { return Component(b, i); };
  const double s = (dist - 2 * o) / k;
  for (int j = 1; j < k; ++j) {
    const double js = j * s;
    for (const double side : {-half, half}) add([&](int i) { return ((d[i] * o + A(i)) + side * d[i]) + js * d[i]; });
  }
  add([&](int i) { return d[i] * o + A(i); });
  add([&](int i) { return (d[i] * o + A(i)) + d[i] * length; });
  add([&](int i) { return B(i) - d[i] * o; });
  add([&](int i) { return (B(i) - d[i] * o) - d[i] * length; });
  return nodes;
}

TEST(FlangePositions, SkewedTubesGetExactlyThePromisedBits) {
  const struct {
    Vec3 a, b;
  } tubes[] = {
      // Tells apart: the direction kept in double, or taken from the exact
      // difference; the offsets factored out, A + D·(o − L/2 + j·s); the
      // spacing added before the half length; the differences rounded to
      // float32 before squaring; every step in float32.
      {PointFromBits(0x4185ba94, 0x41b7d4d8, 0xc21337c2), PointFromBits(0x41c2bdc5, 0xc01ebd15, 0x41974785)},
      // The spacing as (j·(dist − 2o)) / k instead of j·s.
      {PointFromBits(0x422e89e2, 0x4246e0a0, 0x42221932), PointFromBits(0xc14ce225, 0x4110b80b, 0xc18dd4c6)},
      // The squares added z first.
      {PointFromBits(0x420cf452, 0x4131b988, 0xc0a56510), PointFromBits(0xc0a6463f, 0xc1309b4b, 0x40ce9df9)},
  };
  for (const auto& tube : tubes) {
    SCOPED_TRACE("tube " + std::to_string(&tube - tubes));
    trackio::TrackDocument doc = OneTube(tube.a, tube.b, 0);
    supports::AddFlanges(doc);
    const std::vector<Vec3> added(doc.FreeNodes.begin() + 1, doc.FreeNodes.end());
    const std::vector<Vec3> expected = FlangeNodes(tube.a, tube.b);
    ASSERT_GE(expected.size(), 6u);  // with intermediate flanges
    EXPECT_EQ(added, expected);
  }
}

}  // namespace

TEST(FlangePositions, LengthsAreComparedWithoutARootExactlyAsWithOne) {
  // The tube lengths compared: the shortest tube that gets flanges and the
  // longest that may be a flange. Every double within 4,096 steps of the
  // square, and squares spread over many magnitudes, must compare as their
  // roots do.
  for (const double length : {3.0, 1.5}) {
    SCOPED_TRACE(length);
    const double square = length * length;
    double below = square, above = square;
    for (int step = 0; step < 4096; ++step) {
      below = std::nextafter(below, 0.0);
      above = std::nextafter(above, 100.0);
      for (const double squared : {below, above, square}) {
        ASSERT_EQ(supports::LongerThan(squared, length), std::sqrt(squared) > length) << squared;
      }
    }
    for (double squared = 1e-300; squared < 1e300; squared *= 1.7) {
      ASSERT_EQ(supports::LongerThan(squared, length), std::sqrt(squared) > length) << squared;
    }
  }
}
