// What `info` reports about a track: the table counts, the tubes by type and
// end types, what adding flanges would do, the parts of kinds the tool does
// not know, and on request the chunks as found; of a track that did not
// load, why, and the chunks read before the fault.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
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
  std::string path;  // as given, "-" for standard input
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

// A track that did not load.
struct FailedTrack {
  std::string path;
  std::string error;  // the reason, as the message on standard error gives it
  bool chunksListed = false;
  std::vector<trackio::FoundChunk> chunks;  // those read whole before the fault
};

// The loaded track holds the chunks met when `listChunks` is set.
TrackInfo DescribeTrack(const std::string& path, const trackio::LoadedTrack& loaded, bool listChunks);

// "footer", "free node", or "other (type 3)" for an end that is neither.
std::string EndTypeName(int32_t endType);

void WriteInfoText(const TrackInfo& info, std::ostream& out);
// Writes nothing unless the chunks were asked for.
void WriteFailureText(const FailedTrack& failed, std::ostream& out);

nlohmann::ordered_json InfoJson(const TrackInfo& info);
nlohmann::ordered_json FailureJson(const FailedTrack& failed);

}  // namespace cli
