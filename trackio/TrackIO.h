// Loading and saving track files.
//
// LoadTrack checks the path, reads the whole file and walks its chunk tree
// by the countdown of promised chunks; SaveTrack fixes the tree's shape,
// computes every size, builds the whole file in memory and replaces the
// target in one step, so a failed save never harms the file it replaces.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "trackio/TrackDocument.h"
#include "trackio/TrackError.h"

namespace trackio {

inline constexpr const char* kTrackExtension = ".nltrack";

// The longest file that loads and saves: the cursor is a signed 32-bit
// offset, and a loaded file is followed by one extra zero byte.
inline constexpr int64_t kMaxTrackFileLength = std::numeric_limits<int32_t>::max() - 1;

// A chunk as the load walk met it.
struct FoundChunk {
  std::string tag;          // upper-cased
  int64_t offset = 0;       // of the tag
  int32_t storedSize = 0;   // the size field as stored
  int32_t subChunkCount = 0;  // as stored; 0 for a skipped chunk
  bool skipped = false;     // unknown tag: passed over by its size
};

struct LoadReport {
  TrackError error;                 // set when the load failed
  std::vector<FoundChunk> chunks;   // in file order, filled when requested
};

// Loads the track at `path` into `document` and returns true on success.
// A path that fails its checks (empty, no regular file, not ending in
// ".nltrack") leaves the document as it was; any later failure leaves it
// empty. With a report, the reason of a failure (and, when `listChunks` is
// set, the chunks met) are handed back.
bool LoadTrack(TrackDocument& document, const std::string& path, LoadReport* report = nullptr,
               bool listChunks = false);

// The same walk over bytes already in memory (no path checks).
bool LoadTrackFromBytes(TrackDocument& document, std::vector<uint8_t> fileBytes,
                        LoadReport* report = nullptr, bool listChunks = false);

// Saves `document` to `path`, appending ".nltrack" when the name lacks it.
// Sets the framing values (sub-chunk counts, sizes) of the document. On
// failure the existing file is untouched, no temporary file is left behind,
// and `error` (when given) says why. `writtenPath` receives the final path.
bool SaveTrack(TrackDocument& document, const std::string& path, TrackError* error = nullptr,
               std::string* writtenPath = nullptr);

// Builds the bytes SaveTrack would write. Throws TrackFormatError when a
// size does not fit the format's 32-bit fields.
std::vector<uint8_t> BuildTrackFile(TrackDocument& document);

// The path a save writes to: ".nltrack" appended when the last eight
// characters are not ".nltrack" in any letter case.
std::string WithTrackExtension(const std::string& path);
bool HasTrackExtension(const std::string& path);

// Sets every sub-chunk count to the fixed tree's value.
void SetSubChunkCounts(TrackDocument& document);
// Sets every size field from the document. Throws TrackFormatError (kind
// TooLarge) when a size does not fit in a signed 32-bit value.
void ComputeChunkSizes(TrackDocument& document);

// The length in bytes of the file a save of `document` would write (which
// may exceed what the format can hold; a save then fails).
int64_t SavedFileLength(const TrackDocument& document);

}  // namespace trackio
