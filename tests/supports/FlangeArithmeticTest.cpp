// Flange positions on skewed tubes, computed here independently: each
// formula per component in double precision, in the grouping the generator
// promises, rounded to float32 when stored. The tubes were picked so that
// plausible other ways of computing the same positions change at least one
// stored bit; the second test shows that they do.
#include <gtest/gtest.h>

#include <cmath>

#include "SupportTesting.h"
#include "supports/FlangeGenerator.h"

namespace {

using namespace supporttesting;
using trackio::Vec3;

enum class Way {
  AsPromised,
  DistanceWithZSquaredFirst,      // (dz² + dy²) + dx² instead of (dy² + dx²) + dz²
  DistanceFromFloatDifferences,   // each difference rounded to float32 before squaring
  DirectionNotRounded,            // D kept in double after dividing by the length
  DirectionFromExactDifference,   // B − A in double, not rounded to float32, before dividing
  OffsetsFactoredOut,             // A + D·(o − L/2 + j·s)
  SpacingBeforeHalfLength,        // ((D·o + A) + (j·s)·D) − (L/2)·D
  SpacingFromTotal,               // (j·(dist − 2o)) / k instead of j·s
  Float32Arithmetic,              // every step in float32
};

double Component(const Vec3& v, int i) { return (i == 0 ? v.x : i == 1 ? v.y : v.z).ToFloat(); }

// The nodes a type-0 tube from `a` to `b` gets, in the order they are
// appended, computed the given way.
std::vector<Vec3> FlangeNodes(const Vec3& a, const Vec3& b, Way way) {
  const double o = 0.9, length = 0.15, half = length / 2;
  double diff[3];
  for (int i = 0; i < 3; ++i) {
    diff[i] = Component(b, i) - Component(a, i);
    if (way == Way::DistanceFromFloatDifferences) diff[i] = static_cast<float>(diff[i]);
  }
  const double dx2 = diff[0] * diff[0], dy2 = diff[1] * diff[1], dz2 = diff[2] * diff[2];
  const double dist = std::sqrt(way == Way::DistanceWithZSquaredFirst ? (dz2 + dy2) + dx2 : (dy2 + dx2) + dz2);
  const int k = static_cast<int>(std::nearbyint((dist - 2 * o - 1.0) / 10.0));

  double d[3];
  for (int i = 0; i < 3; ++i) {
    const float difference = static_cast<float>(Component(b, i)) - static_cast<float>(Component(a, i));
    const double quotient =
        (way == Way::DirectionFromExactDifference ? Component(b, i) - Component(a, i) : difference) / dist;
    d[i] = way == Way::DirectionNotRounded ? quotient : static_cast<float>(quotient);
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
    const double js = way == Way::SpacingFromTotal ? (j * (dist - 2 * o)) / k : j * s;
    for (const double side : {-half, half}) {
      add([&](int i) -> double {
        switch (way) {
          case Way::OffsetsFactoredOut: return A(i) + d[i] * (o + side + js);
          case Way::SpacingBeforeHalfLength: return ((d[i] * o + A(i)) + js * d[i]) + side * d[i];
          case Way::Float32Arithmetic: {
            const float df = static_cast<float>(d[i]);
            return ((df * static_cast<float>(o) + static_cast<float>(A(i))) + static_cast<float>(side) * df) +
                   static_cast<float>(js) * df;
          }
          default: return ((d[i] * o + A(i)) + side * d[i]) + js * d[i];
        }
      });
    }
  }
  add([&](int i) { return d[i] * o + A(i); });
  add([&](int i) { return (d[i] * o + A(i)) + d[i] * length; });
  add([&](int i) { return B(i) - d[i] * o; });
  add([&](int i) { return (B(i) - d[i] * o) - d[i] * length; });
  return nodes;
}

struct SkewedTube {
  Vec3 a, b;
  std::vector<Way> ruledOut;  // ways that would store other bits for this tube
};

const std::vector<SkewedTube>& SkewedTubes() {
  static const std::vector<SkewedTube> tubes = {
      {PointFromBits(0x4185ba94, 0x41b7d4d8, 0xc21337c2), PointFromBits(0x41c2bdc5, 0xc01ebd15, 0x41974785),
       {Way::DirectionNotRounded, Way::OffsetsFactoredOut, Way::SpacingBeforeHalfLength,
        Way::DistanceFromFloatDifferences, Way::Float32Arithmetic, Way::DirectionFromExactDifference}},
      {PointFromBits(0x422e89e2, 0x4246e0a0, 0x42221932), PointFromBits(0xc14ce225, 0x4110b80b, 0xc18dd4c6),
       {Way::SpacingFromTotal}},
      {PointFromBits(0x420cf452, 0x4131b988, 0xc0a56510), PointFromBits(0xc0a6463f, 0xc1309b4b, 0x40ce9df9),
       {Way::DistanceWithZSquaredFirst}},
  };
  return tubes;
}

TEST(FlangePositions, SkewedTubesGetExactlyThePromisedBits) {
  for (const SkewedTube& tube : SkewedTubes()) {
    SCOPED_TRACE("tube " + std::to_string(&tube - SkewedTubes().data()));
    trackio::TrackDocument doc = OneTube(tube.a, tube.b, 0);
    supports::AddFlanges(doc);
    const std::vector<Vec3> added(doc.FreeNodes.begin() + 1, doc.FreeNodes.end());
    EXPECT_EQ(added, FlangeNodes(tube.a, tube.b, Way::AsPromised));
  }
}

TEST(FlangePositions, TheSkewedTubesTellTheOtherWaysApart) {
  for (const SkewedTube& tube : SkewedTubes()) {
    SCOPED_TRACE("tube " + std::to_string(&tube - SkewedTubes().data()));
    const std::vector<Vec3> promised = FlangeNodes(tube.a, tube.b, Way::AsPromised);
    ASSERT_GE(promised.size(), 6u);  // with intermediate flanges
    for (const Way way : tube.ruledOut) {
      EXPECT_NE(FlangeNodes(tube.a, tube.b, way), promised) << "way " << static_cast<int>(way);
    }
  }
}

}  // namespace
