// tarnwick-flangefile [--times] INPUT OUTPUT: load a track, add flanges, save
// it: the whole command-line job with nothing else around it, for timing and
// peak memory measurements. --times prints each step's wall-clock time.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace {

class StepClock {
 public:
  explicit StepClock(bool print) : print_(print) {}
  void Lap(const char* step) {
    const auto now = std::chrono::steady_clock::now();
    if (print_) {
      std::fprintf(stderr, "%-12s %7.1f ms\n", step,
                   std::chrono::duration<double, std::milli>(now - last_).count());
    }
    last_ = now;
  }

 private:
  bool print_;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

int main(int argc, char** argv) {
  const bool times = argc == 4 && std::strcmp(argv[1], "--times") == 0;
  if (argc != 3 && !times) {
    std::fprintf(stderr, "usage: tarnwick-flangefile [--times] INPUT OUTPUT\n");
    return 2;
  }
  const char* input = argv[argc - 2];
  const char* output = argv[argc - 1];
  StepClock clock(times);
  trackio::LoadResult loaded = trackio::LoadTrack(input);
  if (!loaded) {
    std::fprintf(stderr, "%s: %s\n", input, loaded.Error().Describe().c_str());
    return 1;
  }
  clock.Lap("load");
  trackio::TrackDocument& document = loaded->document;
  const supports::FlangeSummary summary = supports::AddFlanges(document);
  if (summary.error) {
    std::fprintf(stderr, "%s: %s\n", input, summary.error.Describe().c_str());
    return 1;
  }
  clock.Lap("add flanges");
  const trackio::SaveResult saved = trackio::SaveTrack(document, output);
  if (!saved) {
    std::fprintf(stderr, "%s: %s\n", output, saved.Error().Describe().c_str());
    return 1;
  }
  clock.Lap("save");
  return 0;
}
