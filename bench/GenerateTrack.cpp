// tarnwick-gentrack [--shape=long|short] TUBES OUTPUT: writes a generated
// track of TUBES support tubes, for timing the command-line tools on large
// files. The same shape and count always give the same bytes.
//   long:  tubes 15 to 300 units long, 2 to about 30 flanges each, each from
//          a footer to a free node of its own (the default);
//   short: tubes shaped like real supports, 2 or 3 flanges each, in braced
//          columns, their ends spread over the free-node table.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "TrackBuilder.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: tarnwick-gentrack [--shape=long|short] TUBES OUTPUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string shape = "long";
  int first = 1;
  if (argc > 1 && std::strncmp(argv[1], "--shape=", 8) == 0) {
    shape = argv[1] + 8;
    first = 2;
  }
  if (argc - first != 2 || (shape != "long" && shape != "short")) return Usage();
  const std::string countText = argv[first];
  int32_t tubes = 0;
  const auto [end, failure] = std::from_chars(countText.data(), countText.data() + countText.size(), tubes);
  if (failure != std::errc() || end != countText.data() + countText.size() || tubes < 0) {
    std::fprintf(stderr, "tarnwick-gentrack: the tube count must be a whole number from 0 up, not %s\n",
                 argv[first]);
    return 2;
  }
  const trackio::TrackDocument document =
      shape == "short" ? trackbuilder::ShortTubeDocument(tubes) : trackbuilder::GeneratedDocument(tubes);
  const std::vector<uint8_t> bytes = trackbuilder::CanonicalFile(document);
  const char* output = argv[first + 1];
  if (!trackbuilder::WriteFile(output, bytes)) {
    std::fprintf(stderr, "tarnwick-gentrack: cannot write %s: %s\n", output, std::strerror(errno));
    return 1;
  }
  std::printf("%s: %s shape, %d tubes, %zu bytes\n", output, shape.c_str(), tubes, bytes.size());
  return 0;
}
