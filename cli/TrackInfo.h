// What `info` reports about a track: the table counts, the tubes by type and
// end types, what adding flanges would do, and on request the chunks as found.
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
  std::vector<TableCount> tables;
  bool terrainPresent = false;
  int32_t terrainColumns = 0, terrainRows = 0;
  supports::TubeCensus tubes;
  supports::FlangeSummary flanges;  // what a flange run would do
};

// `chunks` holds the chunks met when `listChunks` is set.
TrackInfo DescribeTrack(const std::string& path, const trackio::TrackDocument& document,
                        const std::vector<trackio::FoundChunk>& chunks, bool listChunks);

// "footer", "free node" or "end type N".
std::string EndTypeName(int32_t endType);

void WriteInfoText(const TrackInfo& info, std::ostream& out);
void WriteInfoJson(const TrackInfo& info, JsonWriter& json);

}  // namespace cli
