#include "cli/TrackInfo.h"

#include <iomanip>
#include <nlohmann/json.hpp>

#include "cli/Jobs.h"
#include "trackio/Wording.h"

namespace cli {

using trackio::Count;
using trackio::AsUtf8;
using trackio::PrintableTag;
using trackio::ChunkLength;

using nlohmann::ordered_json;

namespace {

// One "  label      value" line of a table.
void Row(std::ostream& out, const std::string& label, const std::string& value) {
  out << "  " << std::left << std::setw(30) << label << std::right << std::setw(10) << value << "\n";
}

// Offsets and sizes stay plain numbers here, to be looked up in the file.
void WriteChunkTable(const char* heading, const std::vector<trackio::FoundChunk>& chunks, std::ostream& out) {
  out << "\n" << heading << ":\n";
  auto chunkRow = [&out](const std::string& tag, const std::string& offset, const std::string& size,
                         const std::string& subChunks) {
    out << "  " << std::left << std::setw(8) << tag << std::right << std::setw(10) << offset << std::setw(12)
        << size << std::setw(12) << subChunks << "\n";
  };
  chunkRow("tag", "offset", "size", "sub-chunks");
  for (const trackio::FoundChunk& chunk : chunks) {
    chunkRow(PrintableTag(chunk.tag), std::to_string(chunk.offset), std::to_string(chunk.storedSize),
             chunk.skipped ? "skipped" : std::to_string(chunk.subChunkCount));
  }
  if (chunks.empty()) out << "  none\n";
}

void WriteUnknownChunks(const TrackInfo& info, std::ostream& out) {
  if (info.unknownChunks.empty()) return;
  out << "\nParts this tool does not know ("
      << (info.unknownChunksKept ? "a save keeps them; --normalise leaves them out"
                                 : "a save leaves them out: the file's parts are not nested the usual way")
      << "):\n";
  for (const trackio::FoundChunk& chunk : info.unknownChunks) {
    Row(out, PrintableTag(chunk.tag) + " at byte " + std::to_string(chunk.offset), ChunkLength(chunk));
  }
}

bool IsNode(int32_t endType) { return endType == trackio::kEndTypeFooter || endType == trackio::kEndTypeFreeNode; }

ordered_json ChunksJson(const std::vector<trackio::FoundChunk>& chunks) {
  ordered_json list = ordered_json::array();
  for (const trackio::FoundChunk& chunk : chunks) {
    list.push_back({{"tag", AsUtf8(chunk.tag)},
                    {"offset", chunk.offset},
                    {"storedSize", chunk.storedSize},
                    {"subChunkCount", chunk.subChunkCount},
                    {"skipped", chunk.skipped}});
  }
  return list;
}

}  // namespace

std::string EndTypeName(int32_t endType) {
  if (endType == trackio::kEndTypeFooter) return "footer";
  if (endType == trackio::kEndTypeFreeNode) return "free node";
  return "other (type " + std::to_string(endType) + ")";
}

TrackInfo DescribeTrack(const std::string& path, const trackio::LoadedTrack& loaded, bool listChunks) {
  const trackio::TrackDocument& doc = loaded.document;
  TrackInfo info;
  info.path = path;
  info.chunksListed = listChunks;
  if (listChunks) info.chunks = loaded.chunks;
  info.unknownChunks = loaded.unknownChunks;
  info.unknownChunksKept = loaded.formsFixedTree;
  info.tables = {
      {"colourSets", "colour sets", doc.ColorSetCount()},
      {"bezierVertices", "bezier vertices", doc.BezierVertexCount()},
      {"segments", "segments", doc.SegmentCount()},
      {"footers", "footers", doc.FooterCount()},
      {"railConnectors", "rail connectors", doc.RailConnectorCount()},
      {"freeNodes", "free nodes", doc.FreeNodeCount()},
      {"tubes", "tubes", doc.TubeCount()},
      {"catwalks", "catwalks", doc.CatwalkCount()},
      {"sceneryEntries", "scenery entries", doc.SceneryEntryCount()},
      {"sceneryObjects", "scenery objects", doc.SceneryObjectCount()},
  };
  info.terrainPresent = doc.TerrainPresent;
  info.terrainColumns = doc.TerrainColumnCount;
  info.terrainRows = doc.TerrainRowCount;
  info.tubes = supports::TakeTubeCensus(doc);
  info.flanges = supports::CountFlanges(doc);
  return info;
}

void WriteInfoText(const TrackInfo& info, std::ostream& out) {
  out << ShownInput(info.path) << "\n";
  if (info.chunksListed) WriteChunkTable("Chunks as found", info.chunks, out);
  WriteUnknownChunks(info, out);

  out << "\nTables:\n";
  for (const TableCount& table : info.tables) Row(out, table.label, Count(table.count));
  Row(out, "terrain",
      info.terrainPresent ? Count(info.terrainColumns) + " x " + Count(info.terrainRows) + " cells" : "none");

  out << "\nTubes by type:\n";
  if (info.tubes.tubesByType.empty()) out << "  none\n";
  for (const auto& [type, count] : info.tubes.tubesByType) Row(out, "type " + std::to_string(type), Count(count));
  out << "\nTubes by end types (end 1 - end 2):\n";
  if (info.tubes.tubesByEndTypes.empty()) out << "  none\n";
  bool otherEnds = false;
  for (const auto& [ends, count] : info.tubes.tubesByEndTypes) {
    Row(out, EndTypeName(ends.first) + " - " + EndTypeName(ends.second), Count(count));
    otherEnds = otherEnds || !IsNode(ends.first) || !IsNode(ends.second);
  }
  if (otherEnds) out << "  (other: an end that is neither a footer nor a free node; its tube gets no flanges)\n";

  out << "\nAdding flanges would give:\n";
  Row(out, "tubes with flanges", Count(info.flanges.tubesFlanged));
  Row(out, "flanges (2 free nodes each)", Count(info.flanges.flangesAdded));
  Row(out, "flanges already there", Count(info.flanges.flangesAlreadyPresent));
  Row(out, "tubes too long or damaged", Count(info.flanges.tubesSkippedOutOfRange));
}

void WriteFailureText(const FailedTrack& failed, std::ostream& out) {
  if (!failed.chunksListed) return;
  out << ShownInput(failed.path) << "\n";
  WriteChunkTable("Chunks read before the damage", failed.chunks, out);
}

ordered_json InfoJson(const TrackInfo& info) {
  ordered_json json = {{"file", AsUtf8(info.path)}};
  if (info.chunksListed) json["chunks"] = ChunksJson(info.chunks);

  ordered_json unknown = ordered_json::array();
  for (const trackio::FoundChunk& chunk : info.unknownChunks) {
    unknown.push_back({{"tag", AsUtf8(chunk.tag)}, {"offset", chunk.offset}, {"bytes", int64_t{chunk.storedSize} + 8}});
  }
  json["unknownChunks"] = std::move(unknown);
  json["unknownChunksKept"] = info.unknownChunksKept;

  ordered_json tables = ordered_json::object();
  for (const TableCount& table : info.tables) tables[table.key] = table.count;
  json["tables"] = std::move(tables);
  json["terrain"] = info.terrainPresent ? ordered_json{{"columns", info.terrainColumns}, {"rows", info.terrainRows}}
                                        : ordered_json(nullptr);

  ordered_json byType = ordered_json::array();
  for (const auto& [type, count] : info.tubes.tubesByType) byType.push_back({{"tubeType", type}, {"tubes", count}});
  json["tubesByType"] = std::move(byType);
  ordered_json byEnds = ordered_json::array();
  for (const auto& [ends, count] : info.tubes.tubesByEndTypes) {
    byEnds.push_back({{"end1Type", ends.first},
                      {"end1TypeName", EndTypeName(ends.first)},
                      {"end2Type", ends.second},
                      {"end2TypeName", EndTypeName(ends.second)},
                      {"tubes", count}});
  }
  json["tubesByEndTypes"] = std::move(byEnds);

  json["flanges"] = {{"tubesFlanged", info.flanges.tubesFlanged},
                     {"flangesAdded", info.flanges.flangesAdded},
                     {"flangesAlreadyPresent", info.flanges.flangesAlreadyPresent},
                     {"tubesSkippedOutOfRange", info.flanges.tubesSkippedOutOfRange}};
  return json;
}

ordered_json FailureJson(const FailedTrack& failed) {
  ordered_json json = {{"file", AsUtf8(failed.path)}, {"error", AsUtf8(failed.error)}};
  if (failed.chunksListed) json["chunks"] = ChunksJson(failed.chunks);
  return json;
}

}  // namespace cli
