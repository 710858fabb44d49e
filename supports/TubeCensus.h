// What the tubes of a track are made of: how many of each tube type, how
// many join each pair of end types, and where a tube's ends lie. What a user
// checks before adding flanges, and what the flange generator and the
// picture of a track look up.
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

// The footers and free nodes a tube's end may name. A flange run takes them
// when it starts, so that the nodes it appends never make a damaged
// reference valid halfway through.
struct NodeCounts {
  int32_t footers = 0;
  int32_t freeNodes = 0;

  static NodeCounts Of(const trackio::TrackDocument& document) {
    return {document.FooterCount(), document.FreeNodeCount()};
  }
};

enum class EndLookup {
  Found,
  NotANode,  // the end type is neither a footer nor a free node
  Missing,   // the index names no footer or free node of the track (a damaged file)
};

// Where the end of end type `endType` and index `index` lies: a footer's
// position or a free node. Sets `position` only when it is Found. (Here, so
// that the flange generator's loop over millions of tubes inlines it.)
inline EndLookup FindTubeEnd(const trackio::TrackDocument& document, const NodeCounts& nodes, int32_t endType,
                             int32_t index, trackio::Vec3& position) {
  if (endType == trackio::kEndTypeFooter) {
    if (index < 0 || index >= nodes.footers) return EndLookup::Missing;
    position = document.Footers[static_cast<size_t>(index)].Position;
    return EndLookup::Found;
  }
  if (endType == trackio::kEndTypeFreeNode) {
    if (index < 0 || index >= nodes.freeNodes) return EndLookup::Missing;
    position = document.FreeNodes[static_cast<size_t>(index)];
    return EndLookup::Found;
  }
  return EndLookup::NotANode;
}

}  // namespace supports
