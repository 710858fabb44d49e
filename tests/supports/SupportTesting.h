// Small helpers for the support editing and flange tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>

#include "TrackBuilder.h"
#include "trackio/TrackDocument.h"

namespace trackio {
// Failure messages show floats with their bit patterns.
inline void PrintTo(const Single& value, std::ostream* out) {
  char bits[16];
  std::snprintf(bits, sizeof bits, "%08x", static_cast<unsigned>(value.bits));
  *out << value.ToFloat() << " [" << bits << "]";
}
inline void PrintTo(const Vec3& v, std::ostream* out) {
  *out << "(";
  PrintTo(v.x, out);
  *out << ", ";
  PrintTo(v.y, out);
  *out << ", ";
  PrintTo(v.z, out);
  *out << ")";
}
}  // namespace trackio

namespace supporttesting {

inline trackio::Single F(float value) { return trackio::Single::FromFloat(value); }

using trackbuilder::Point;
using trackbuilder::TubeBetween;

inline trackio::Vec3 PointFromBits(uint32_t x, uint32_t y, uint32_t z) {
  return {trackio::Single{x}, trackio::Single{y}, trackio::Single{z}};
}

inline trackio::Footer FooterAt(const trackio::Vec3& position) {
  trackio::Footer footer;
  footer.Position = position;
  return footer;
}

// A document with one tube of `tubeType` from a footer at `end1` to a free
// node at `end2`: footer 0, free node 0, tube 0.
inline trackio::TrackDocument OneTube(const trackio::Vec3& end1, const trackio::Vec3& end2,
                                      int32_t tubeType) {
  trackio::TrackDocument doc;
  doc.Footers = {FooterAt(end1)};
  doc.FreeNodes = {end2};
  doc.Tubes = {TubeBetween(trackio::kEndTypeFooter, 0, trackio::kEndTypeFreeNode, 0, tubeType)};
  return doc;
}

}  // namespace supporttesting
