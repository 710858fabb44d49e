// Adds flanges to the support tubes of a track: short tubes on each suitable
// tube's axis, one near each end and more at regular intervals between.
// A flange the track already holds is not added a second time.
#pragma once

#include <cstdint>
#include <vector>

#include "trackio/Progress.h"
#include "trackio/TrackDocument.h"
#include "trackio/TrackError.h"

namespace supports {

struct FlangeSummary {
  int64_t tubesFlanged = 0;            // source tubes that got at least one new flange
  int64_t flangesAdded = 0;            // new tubes (each with two new free nodes)
  int64_t flangesAlreadyPresent = 0;   // flanges the track held already, not added again
  int64_t tubesSkippedOutOfRange = 0;  // end index outside its table, length not finite, too many divisions
  trackio::TrackError error;           // set when nothing was added: TooLarge when the result could not be
                                       // saved or the memory ran out
};

// One flange of a run: a tube of `flangeType` between two new free nodes.
struct PlannedFlange {
  trackio::Vec3 end1;  // the end on the side of its source tube's end 1
  trackio::Vec3 end2;
  int32_t flangeType = 0;
  // The flange at a tube's end 2 appends its nodes from that end inwards:
  // end2's node first, then end1's.
  bool end2NodeFirst = false;

  friend bool operator==(const PlannedFlange&, const PlannedFlange&) = default;
};

// What AddFlanges would do to `document`, without changing it (an error only
// when the memory to count them ran out).
FlangeSummary CountFlanges(const trackio::TrackDocument& document);

// The flanges AddFlanges would append to `document`, in the order it
// appends them (those already present left out). `presentTubes`, when
// given, gets what PresentFlangeTubes gives, from the same walk.
std::vector<PlannedFlange> ListFlanges(const trackio::TrackDocument& document,
                                       std::vector<uint32_t>* presentTubes = nullptr);

// The tubes of `document` that are flanges a run would add were they not
// there already (what CountFlanges counts as already there), in increasing
// order.
std::vector<uint32_t> PresentFlangeTubes(const trackio::TrackDocument& document);

// Appends the flanges of every tube present when it starts, except those the
// track held already at that moment. The tubes are planned on `threads`
// threads (0: one for each processor); the appended nodes and tubes are the
// same, in the same order, with any number. The tubes present at the start
// are visited to count and then to add; `progress`, when given, hears of
// those visits (done out of twice the tubes) a few hundred times at most,
// always on the calling thread. When the result could not be saved or the
// memory runs out, the track stays as it was and the summary's error says
// so; what `progress` throws is thrown on, the track again as it was.
FlangeSummary AddFlanges(trackio::TrackDocument& document, const trackio::ProgressCallback& progress = {},
                         unsigned threads = 0);

}  // namespace supports
