// What `info` reports about a track: the chunks as found, the table counts,
// the tubes by type and end types, and what adding flanges would do.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

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
  std::vector<trackio::FoundChunk> chunks;
  std::vector<TableCount> tables;
  bool terrainPresent = false;
  int32_t terrainColumns = 0, terrainRows = 0;
  supports::TubeCensus tubes;
  supports::FlangeSummary flanges;  // what a flange run would do
};

TrackInfo DescribeTrack(const std::string& path, const trackio::TrackDocument& document,
                        const std::vector<trackio::FoundChunk>& chunks);

void WriteInfoText(const TrackInfo& info, std::ostream& out);
void WriteInfoJson(const TrackInfo& info, std::ostream& out);

}  // namespace cli
