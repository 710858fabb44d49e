#include "supports/VectorMath.h"

#include <cmath>

namespace supports {

trackio::Vec3 VecSubtract(const trackio::Vec3& from, const trackio::Vec3& to) {
  using trackio::Single;
  return {Single::FromFloat(to.x.ToFloat() - from.x.ToFloat()),
          Single::FromFloat(to.y.ToFloat() - from.y.ToFloat()),
          Single::FromFloat(to.z.ToFloat() - from.z.ToFloat())};
}

double VecDistance(const trackio::Vec3& a, const trackio::Vec3& b) {
  const double dy = static_cast<double>(b.y.ToFloat()) - static_cast<double>(a.y.ToFloat());
  const double dx = static_cast<double>(b.x.ToFloat()) - static_cast<double>(a.x.ToFloat());
  const double dz = static_cast<double>(b.z.ToFloat()) - static_cast<double>(a.z.ToFloat());
  // The order of the additions is part of the result: y, then x, then z.
  const double sum = (dy * dy + dx * dx) + dz * dz;
  return std::sqrt(sum);
}

}  // namespace supports
