// What `info` reports about a track: the table counts, the tubes by type and
// end types, what adding flanges would do, the parts of kinds the tool does
// not know, and on request the chunks as found.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cli/JsonWriter.h"
#include "supports/FlangeGenerator.h"
#include "supports/TubeCensus.h"
#include "trackio/TrackIO.h"

namespace cli {

struct TableCount {
  const char* key;    // in JSON
  const char* label;  // in text
  int64_t count;
};

struct TrackInfo {
  std::string path;
  bool chunksListed = false;
  std::vector<trackio::FoundChunk> chunks;
  std::vector<trackio::FoundChunk> unknownChunks;
  bool unknownChunksKept = false;  // by a save that is not normalised
  std::vector<TableCount> tables;
  bool terrainPresent = false;
  int32_t terrainColumns = 0, terrainRows = 0;
  supports::TubeCensus tubes;
  supports::FlangeSummary flanges;  // what a flange run would do
};

// The loaded track holds the chunks met when `listChunks` is set.
TrackInfo DescribeTrack(const std::string& path, const trackio::LoadedTrack& loaded, bool listChunks);

// A tag as read from a file may hold any byte; the odd ones show as \xNN.
std::string PrintableTag(const std::string& tag);

// "12 bytes": a chunk's whole length, its tag and size field included.
std::string ChunkLength(const trackio::FoundChunk& chunk);

// "footer", "free node" or "end type N".
std::string EndTypeName(int32_t endType);

void WriteInfoText(const TrackInfo& info, std::ostream& out);
void WriteInfoJson(const TrackInfo& info, JsonWriter& json);

}  // namespace cli
