// What the tubes of a track are made of: how many of each tube type, and how
// many join each pair of end types. What a user checks before adding flanges.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "trackio/TrackDocument.h"

namespace supports {

struct TubeCensus {
  std::map<int32_t, int64_t> tubesByType;                         // tube type → tubes
  std::map<std::pair<int32_t, int32_t>, int64_t> tubesByEndTypes;  // (end 1, end 2) type → tubes
};

TubeCensus TakeTubeCensus(const trackio::TrackDocument& document);

}  // namespace supports
