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
  trackio::LoadResult loaded = trackio::LoadTrack(argv[1]);
  if (!loaded) {
    std::fprintf(stderr, "%s: %s\n", argv[1], loaded.Error().Describe().c_str());
    return 1;
  }
  trackio::TrackDocument& document = loaded->document;
  const supports::FlangeSummary summary = supports::AddFlanges(document);
  if (summary.error) {
    std::fprintf(stderr, "%s: %s\n", argv[1], summary.error.Describe().c_str());
    return 1;
  }
  const trackio::SaveResult saved = trackio::SaveTrack(document, argv[2]);
  if (!saved) {
    std::fprintf(stderr, "%s: %s\n", argv[2], saved.Error().Describe().c_str());
    return 1;
  }
  return 0;
}
