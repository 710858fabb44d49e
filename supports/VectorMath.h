// Vector operations on track coordinates, with the exact rounding the
// flange positions depend on.
#pragma once

#include <cmath>

#include "trackio/TrackDocument.h"

namespace supports {

// Defined here so that the flange planning's loops inline them.

// to − from, each component rounded to float32.
inline trackio::Vec3 VecSubtract(const trackio::Vec3& from, const trackio::Vec3& to) {
  using trackio::Single;
  return {Single::FromFloat(to.x.ToFloat() - from.x.ToFloat()),
          Single::FromFloat(to.y.ToFloat() - from.y.ToFloat()),
          Single::FromFloat(to.z.ToFloat() - from.z.ToFloat())};
}

// The square of the distance between a and b in double precision: the
// squares of the differences added in the order y, x, z.
inline double VecDistanceSquared(const trackio::Vec3& a, const trackio::Vec3& b) {
  const double dy = static_cast<double>(b.y.ToFloat()) - static_cast<double>(a.y.ToFloat());
  const double dx = static_cast<double>(b.x.ToFloat()) - static_cast<double>(a.x.ToFloat());
  const double dz = static_cast<double>(b.z.ToFloat()) - static_cast<double>(a.z.ToFloat());
  // The order of the additions is part of the result: y, then x, then z.
  return (dy * dy + dx * dx) + dz * dz;
}

// The distance between a and b in double precision.
inline double VecDistance(const trackio::Vec3& a, const trackio::Vec3& b) {
  return std::sqrt(VecDistanceSquared(a, b));
}

// Whether the distance whose square is `squared` is greater than `length`,
// without taking the root. The root is correctly rounded, so this is
// exactly std::sqrt(squared) > length for a `length` whose square is exact
// in double precision (3 and 1.5 are; 3.1 is not).
inline bool LongerThan(double squared, double length) { return squared > length * length; }

}  // namespace supports
