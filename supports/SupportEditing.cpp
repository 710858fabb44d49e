#include "supports/SupportEditing.h"

#include <limits>
#include <stdexcept>

namespace supports {

namespace {
// Tables are indexed by signed 32-bit node references.
template <typename Table>
int32_t NextIndex(const Table& table, const char* what) {
  if (table.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw std::length_error(std::string("the ") + what + " table is full");
  }
  return static_cast<int32_t>(table.size());
}
}  // namespace

int32_t AddFreeNode(trackio::TrackDocument& document, const trackio::Vec3& position) {
  const int32_t index = NextIndex(document.FreeNodes, "free node");
  document.FreeNodes.push_back(position);
  return index;
}

trackio::Tube FreeNodeTube(int32_t node1, int32_t node2, int32_t tubeType, trackio::Single value) {
  trackio::Tube tube;
  tube.End1Type = trackio::kEndTypeFreeNode;
  tube.End1Index = node1;
  tube.End1Sub = 0;
  tube.End2Type = trackio::kEndTypeFreeNode;
  tube.End2Index = node2;
  tube.End2Sub = 0;
  tube.TubeType = tubeType;
  tube.Int1 = 0;
  tube.Value1 = value;
  return tube;
}

int32_t AddTube(trackio::TrackDocument& document, int32_t node1, int32_t node2, int32_t tubeType,
                trackio::Single value) {
  const int32_t index = NextIndex(document.Tubes, "tube");
  document.Tubes.push_back(FreeNodeTube(node1, node2, tubeType, value));
  return index;
}

}  // namespace supports
