// Appending free nodes and tubes to a track document. Editing is append-only,
// so every index already held by a node reference stays valid.
#pragma once

#include <cstdint>

#include "trackio/TrackDocument.h"
#include "trackio/TrackResult.h"

namespace supports {

// Appends a free node at `position`; returns its index. Fails (TooLarge),
// leaving the table as it was, when it holds as many nodes as a node
// reference can name or the memory runs out.
trackio::TrackResult<int32_t> AddFreeNode(trackio::TrackDocument& document, const trackio::Vec3& position);

// A tube between the free nodes `node1` and `node2`, sub numbers and Int1 0.
trackio::Tube FreeNodeTube(int32_t node1, int32_t node2, int32_t tubeType, trackio::Single value);

// Appends a tube between the free nodes `node1` and `node2`, whatever they
// are; returns its index. Fails as AddFreeNode does.
trackio::TrackResult<int32_t> AddTube(trackio::TrackDocument& document, int32_t node1, int32_t node2,
                                      int32_t tubeType, trackio::Single value);

}  // namespace supports
