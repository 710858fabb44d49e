// The fuzzer's starting inputs, made by the track builder: whole tracks of
// several shapes (one with every uninterpreted byte in use and chunks of
// unknown kinds everywhere), and damaged forms of them (truncated, hostile
// counts, reordered, unknown and repeated chunks, tracks whose tubes are
// awkward for the flange generator).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fuzzcheck {

struct Seed {
  std::string name;  // usable as a file name
  std::vector<uint8_t> bytes;
};

std::vector<Seed> SeedCorpus();

}  // namespace fuzzcheck
