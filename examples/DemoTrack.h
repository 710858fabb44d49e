// The demo track in examples/demo.nltrack: a small support structure with
// tubes of every type, some long enough for flanges between the ends, and a
// little content in every other chunk type.
#pragma once

#include <vector>
#include <cstdint>

#include "trackio/TrackDocument.h"

namespace demotrack {

trackio::TrackDocument DemoTrackDocument();

// The file as it is committed: built from the document by the track builder.
std::vector<uint8_t> DemoTrackFile();

}  // namespace demotrack
