// Standard input as a track's source and standard output as the place a
// track or a picture goes, for pipes: `tarnwick-cli flange - -o - <a >b`.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

#include "trackio/ByteSink.h"
#include "trackio/TrackResult.h"

namespace cli {

// Every byte `in` holds, refused (TooLarge) beyond `maxLength` bytes, with
// room left for one more so that a load need not copy them.
trackio::TrackResult<std::vector<uint8_t>> ReadAll(std::istream& in, int64_t maxLength);

// Hands the bytes on to `out`; throws TrackFormatError (FileSystem) when
// they cannot be written, as a file's sink does.
class StreamSink : public trackio::ByteSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  void Write(const uint8_t* data, size_t size) override;

 private:
  std::ostream& out_;
};

}  // namespace cli
