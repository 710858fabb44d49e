// Writes the demo track: make_demo_track examples/demo.nltrack
#include <cstdio>

#include "DemoTrack.h"
#include "TrackBuilder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_track OUTPUT.nltrack\n");
    return 2;
  }
  if (!trackbuilder::WriteFile(argv[1], demotrack::DemoTrackFile())) {
    std::fprintf(stderr, "make_demo_track: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
