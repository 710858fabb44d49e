#include "cli/Streams.h"

#include <new>

#include "trackio/Wording.h"

namespace cli {

using trackio::Count;

trackio::TrackResult<std::vector<uint8_t>> ReadAll(std::istream& in, int64_t maxLength) {
  constexpr size_t kPiece = size_t{1} << 20;
  std::vector<uint8_t> bytes;
  try {
    while (in) {
      const size_t had = bytes.size();
      bytes.resize(had + kPiece);
      in.read(reinterpret_cast<char*>(bytes.data() + had), static_cast<std::streamsize>(kPiece));
      bytes.resize(had + static_cast<size_t>(in.gcount()));
      if (static_cast<int64_t>(bytes.size()) > maxLength) {
        return trackio::ErrorOf(trackio::TrackErrorKind::TooLarge, "the file is larger than a track file can be");
      }
    }
    bytes.reserve(bytes.size() + 1);
  } catch (const std::bad_alloc&) {
    return trackio::ErrorOf(trackio::TrackErrorKind::TooLarge,
                            "the track is too large for this machine's memory (more than " +
                                Count(static_cast<int64_t>(bytes.size())) + " bytes)");
  }
  if (in.bad()) return trackio::FileSystemError("it could not be read");
  return bytes;
}

void StreamSink::Write(const uint8_t* data, size_t size) {
  if (!out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size))) {
    throw trackio::TrackFormatError(trackio::TrackErrorKind::FileSystem, "the output could not be written", -1);
  }
}

}  // namespace cli
