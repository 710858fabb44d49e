#include "supports/TubeCensus.h"

namespace supports {

TubeCensus TakeTubeCensus(const trackio::TrackDocument& document) {
  TubeCensus census;
  for (const trackio::Tube& tube : document.Tubes) {
    ++census.tubesByType[tube.TubeType];
    ++census.tubesByEndTypes[{tube.End1Type, tube.End2Type}];
  }
  return census;
}

EndLookup FindTubeEnd(const trackio::TrackDocument& document, const NodeCounts& nodes, int32_t endType,
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
