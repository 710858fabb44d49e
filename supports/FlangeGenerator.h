// Adds flanges to the support tubes of a track: short tubes on each suitable
// tube's axis, one near each end and more at regular intervals between.
#pragma once

#include <cstdint>
#include <string>

#include "trackio/TrackDocument.h"

namespace supports {

struct FlangeSummary {
  int64_t tubesFlanged = 0;            // source tubes that got flanges
  int64_t flangesAdded = 0;            // new tubes (each with two new free nodes)
  int64_t tubesSkippedOutOfRange = 0;  // end index outside its table, length not finite, too many divisions
  std::string error;                   // non-empty when nothing was added because the result could not be saved
};

// What AddFlanges would do to `document`, without changing it.
FlangeSummary CountFlanges(const trackio::TrackDocument& document);

// Appends the flanges of every tube present when it starts.
FlangeSummary AddFlanges(trackio::TrackDocument& document);

}  // namespace supports
