// tarnwick-flangefile INPUT OUTPUT: load a track, add flanges, save it: the
// whole command-line job with nothing else around it, for timing and peak
// memory measurements.
#include <cstdio>

#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarnwick-flangefile INPUT OUTPUT\n");
    return 2;
  }
  trackio::TrackDocument document;
  trackio::LoadReport report;
  if (!trackio::LoadTrack(document, argv[1], &report)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], report.error.Describe().c_str());
    return 1;
  }
  const supports::FlangeSummary summary = supports::AddFlanges(document);
  if (!summary.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", argv[1], summary.error.c_str());
    return 1;
  }
  trackio::TrackError error;
  if (!trackio::SaveTrack(document, argv[2], &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[2], error.Describe().c_str());
    return 1;
  }
  return 0;
}
