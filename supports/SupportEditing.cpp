#include "supports/SupportEditing.h"

#include <limits>
#include <new>
#include <string>
#include <vector>

namespace supports {

namespace {

// Appends `record` to `table`, whose records are named by signed 32-bit
// references; returns its index.
template <typename Record>
trackio::TrackResult<int32_t> Append(std::vector<Record>& table, const Record& record, const char* what) {
  if (table.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return trackio::TrackError{trackio::TrackErrorKind::TooLarge, std::string("the ") + what + " table is full", {}, -1};
  }
  try {
    table.push_back(record);
  } catch (const std::bad_alloc&) {
    return trackio::TrackError{
        trackio::TrackErrorKind::TooLarge, std::string("not enough memory for another ") + what, {}, -1};
  }
  return static_cast<int32_t>(table.size() - 1);
}

}  // namespace

trackio::TrackResult<int32_t> AddFreeNode(trackio::TrackDocument& document, const trackio::Vec3& position) {
  return Append(document.FreeNodes, position, "free node");
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

trackio::TrackResult<int32_t> AddTube(trackio::TrackDocument& document, int32_t node1, int32_t node2,
                                      int32_t tubeType, trackio::Single value) {
  return Append(document.Tubes, FreeNodeTube(node1, node2, tubeType, value), "tube");
}

}  // namespace supports
