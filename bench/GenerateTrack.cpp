// tarnwick-gentrack N OUT: writes a generated track of N support tubes, for
// timing the command-line tools on large files. The same N always gives the
// same bytes.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "TrackBuilder.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarnwick-gentrack TUBES OUTPUT\n");
    return 2;
  }
  const std::string countText = argv[1];
  int32_t tubes = 0;
  const auto [end, failure] = std::from_chars(countText.data(), countText.data() + countText.size(), tubes);
  if (failure != std::errc() || end != countText.data() + countText.size() || tubes < 0) {
    std::fprintf(stderr, "tarnwick-gentrack: the tube count must be a whole number from 0 up, not %s\n",
                 argv[1]);
    return 2;
  }
  const std::vector<uint8_t> bytes = trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(tubes));
  if (!trackbuilder::WriteFile(argv[2], bytes)) {
    std::fprintf(stderr, "tarnwick-gentrack: cannot write %s: %s\n", argv[2], std::strerror(errno));
    return 1;
  }
  std::printf("%s: %d tubes, %zu bytes\n", argv[2], tubes, bytes.size());
  return 0;
}
