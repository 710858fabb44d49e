// Vector operations on track coordinates, with the exact rounding the
// flange positions depend on.
#pragma once

#include "trackio/TrackDocument.h"

namespace supports {

// to − from, each component rounded to float32.
trackio::Vec3 VecSubtract(const trackio::Vec3& from, const trackio::Vec3& to);

// The distance between a and b in double precision; the squares of the
// differences are added in the order y, x, z.
double VecDistance(const trackio::Vec3& a, const trackio::Vec3& b);

}  // namespace supports
