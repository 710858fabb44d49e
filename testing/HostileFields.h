// Count and length fields set to values a file cannot hold, in a track of
// just under 1 MiB with content in every chunk type: shared by the tests of
// error messages and of memory bounds.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "TrackBuilder.h"

namespace tracktesting {

inline constexpr int32_t kMaxLong = std::numeric_limits<int32_t>::max();
inline constexpr int32_t kMinLong = std::numeric_limits<int32_t>::min();

// 5,000 tubes between footers and free nodes, and the builder's scenery and
// terrain. Its first colour set is named "Classic", its first rail connector
// has no entries, its first catwalk no trailer, its first scenery object is
// "Tree", and its first environment text "Sunny".
inline const std::vector<uint8_t>& HostileBaseFile() {
  static const std::vector<uint8_t> file = trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(5000));
  return file;
}

struct HostileField {
  const char* name;
  const char* tag;
  int64_t offset;       // of the field, from the chunk's tag
  int64_t faultOffset;  // where the load reports the fault, from the chunk's tag
  std::vector<int32_t> values;
  const char* fault;    // what the message says of the fault, after the chunk
};

// Offsets follow the layouts: 8 bytes of tag and size, then the body.
inline const std::vector<HostileField>& HostileFields() {
  static const std::vector<HostileField> fields = {
      {"colour set count", "TRCK", 12, 12, {kMaxLong, 0x40000000, 36000}, "colour sets, but the file ends first"},
      {"negative colour set count", "TRCK", 12, 12, {-1, kMinLong}, "gives a negative colour set count"},
      {"colour set name length", "TRCK", 28, 32, {kMaxLong, 0x40000000}, "ends inside colour set 0"},
      {"info text length", "INFO", 24, 28, {kMaxLong, 0x40000000}, ""},
      {"bezier vertex count", "BEZR", 24, 24, {kMaxLong, 0x40000000, 17500}, "bezier vertices, but the file ends first"},
      {"negative bezier vertex count", "BEZR", 24, 24, {-1, kMinLong}, "gives a negative bezier vertex count"},
      {"segment count", "SEGM", 8, 8, {kMaxLong, 0x40000000, 31800}, "segments, but the file ends first"},
      {"negative segment count", "SEGM", 8, 8, {-1, kMinLong}, "gives a negative segment count"},
      {"footer count", "FUND", 24, 24, {kMaxLong, 0x40000000, 11400}, "footers, but the file ends first"},
      {"negative footer count", "FUND", 24, 24, {-1, kMinLong}, "gives a negative footer count"},
      {"rail connector count", "RASC", 24, 24, {kMaxLong, 0x40000000, 262000}, "rail connectors, but the file ends first"},
      {"negative rail connector count", "RASC", 24, 24, {-1, kMinLong}, "gives a negative rail connector count"},
      {"rail connector entry count", "RASC", 28, 28, {kMaxLong, 0x40000000, 43700},
       "rail connector entries, but the file ends first"},
      {"free node count", "FREN", 24, 24, {kMaxLong, 0x40000000, 37500}, "free nodes, but the file ends first"},
      {"negative free node count", "FREN", 24, 24, {-1, kMinLong}, "gives a negative free node count"},
      {"tube count", "TUBE", 24, 24, {kMaxLong, 0x40000000, 21900}, "tubes, but the file ends first"},
      {"negative tube count", "TUBE", 24, 24, {-1, kMinLong}, "gives a negative tube count"},
      {"catwalk count", "CATW", 24, 24, {kMaxLong, 0x40000000, 37500}, "catwalks, but the file ends first"},
      {"negative catwalk count", "CATW", 24, 24, {-1, kMinLong}, "gives a negative catwalk count"},
      {"catwalk trailer length", "CATW", 52, 56, {kMaxLong, 0x40000000}, "ends inside catwalk 0"},
      {"negative catwalk trailer length", "CATW", 52, 52, {-1, kMinLong}, "gives catwalk 0 a negative trailer length"},
      {"scenery entry count", "SCEN", 24, 24, {kMaxLong, 0x40000000, 16400}, "scenery entries, but the file ends first"},
      {"negative scenery entry count", "SCEN", 24, 24, {-1, kMinLong}, "gives a negative scenery entry count"},
      {"scenery object count", "SCOB", 24, 24, {kMaxLong, 0x40000000, 11900}, "scenery objects, but the file ends first"},
      {"negative scenery object count", "SCOB", 24, 24, {-1, kMinLong}, "gives a negative scenery object count"},
      {"scenery object text length", "SCOB", 28, 32, {kMaxLong, 0x40000000}, "ends inside scenery object 0"},
      {"second scenery object text length", "SCOB", 36, 40, {kMaxLong, 0x40000000}, "ends inside scenery object 0"},
      {"terrain column count", "TERA", 8, 8, {kMaxLong, 0x40000000}, "promises a terrain grid of"},
      {"negative terrain column count", "TERA", 8, 8, {-1, kMinLong}, "gives a negative terrain column count"},
      {"terrain row count", "TERA", 12, 8, {kMaxLong, 0x40000000}, "promises a terrain grid of"},
      {"negative terrain row count", "TERA", 12, 12, {-1, kMinLong}, "gives a negative terrain row count"},
      {"terrain text length", "TERA", 24, 28, {kMaxLong, 0x40000000}, ""},
      {"environment text length", "ENVC", 24, 28, {kMaxLong, 0x40000000}, ""},
      {"second environment text length", "ENVC", 33, 37, {kMaxLong, 0x40000000}, ""},
  };
  return fields;
}

}  // namespace tracktesting
