#include "cli/TrackInfo.h"

#include <cstdio>
#include <iomanip>

#include "cli/JsonWriter.h"

namespace cli {

std::string PrintableTag(const std::string& tag) {
  std::string text;
  for (const char c : tag) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
      text += escape;
    }
  }
  return text;
}

std::string ChunkLength(const trackio::FoundChunk& chunk) {
  const int64_t bytes = int64_t{chunk.storedSize} + 8;  // the tag and the size field too
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

namespace {

// One "  label      value" line of a table.
void Row(std::ostream& out, const std::string& label, const std::string& value) {
  out << "  " << std::left << std::setw(30) << label << std::right << std::setw(10) << value << "\n";
}

void WriteChunkTable(const std::vector<trackio::FoundChunk>& chunks, std::ostream& out) {
  out << "\nChunks as found:\n";
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

}  // namespace

std::string EndTypeName(int32_t endType) {
  if (endType == trackio::kEndTypeFooter) return "footer";
  if (endType == trackio::kEndTypeFreeNode) return "free node";
  return "end type " + std::to_string(endType);
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
  out << info.path << "\n";
  if (info.chunksListed) WriteChunkTable(info.chunks, out);
  WriteUnknownChunks(info, out);

  out << "\nTables:\n";
  for (const TableCount& table : info.tables) Row(out, table.label, std::to_string(table.count));
  Row(out, "terrain",
      info.terrainPresent
          ? std::to_string(info.terrainColumns) + " x " + std::to_string(info.terrainRows) + " cells"
          : "none");

  out << "\nTubes by type:\n";
  if (info.tubes.tubesByType.empty()) out << "  none\n";
  for (const auto& [type, count] : info.tubes.tubesByType) {
    Row(out, "type " + std::to_string(type), std::to_string(count));
  }
  out << "\nTubes by end types (end 1 - end 2):\n";
  if (info.tubes.tubesByEndTypes.empty()) out << "  none\n";
  for (const auto& [ends, count] : info.tubes.tubesByEndTypes) {
    Row(out, EndTypeName(ends.first) + " - " + EndTypeName(ends.second), std::to_string(count));
  }

  out << "\nAdding flanges would give:\n";
  Row(out, "tubes with flanges", std::to_string(info.flanges.tubesFlanged));
  Row(out, "flanges (2 free nodes each)", std::to_string(info.flanges.flangesAdded));
  Row(out, "flanges already there", std::to_string(info.flanges.flangesAlreadyPresent));
  Row(out, "tubes skipped, beyond range", std::to_string(info.flanges.tubesSkippedOutOfRange));
}

void WriteInfoJson(const TrackInfo& info, JsonWriter& json) {
  json.BeginObject();
  json.Key("file").String(info.path);

  if (info.chunksListed) {
    json.Key("chunks").BeginArray();
    for (const trackio::FoundChunk& chunk : info.chunks) {
      json.BeginObject();
      json.Key("tag").String(chunk.tag);
      json.Key("offset").Number(chunk.offset);
      json.Key("storedSize").Number(chunk.storedSize);
      json.Key("subChunkCount").Number(chunk.subChunkCount);
      json.Key("skipped").Bool(chunk.skipped);
      json.EndObject();
    }
    json.EndArray();
  }

  json.Key("unknownChunks").BeginArray();
  for (const trackio::FoundChunk& chunk : info.unknownChunks) {
    json.BeginObject();
    json.Key("tag").String(chunk.tag);
    json.Key("offset").Number(chunk.offset);
    json.Key("bytes").Number(int64_t{chunk.storedSize} + 8);
    json.EndObject();
  }
  json.EndArray();
  json.Key("unknownChunksKept").Bool(info.unknownChunksKept);

  json.Key("tables").BeginObject();
  for (const TableCount& table : info.tables) json.Key(table.key).Number(table.count);
  json.EndObject();
  json.Key("terrain");
  if (info.terrainPresent) {
    json.BeginObject().Key("columns").Number(info.terrainColumns).Key("rows").Number(info.terrainRows).EndObject();
  } else {
    json.Null();
  }

  json.Key("tubesByType").BeginArray();
  for (const auto& [type, count] : info.tubes.tubesByType) {
    json.BeginObject().Key("tubeType").Number(type).Key("tubes").Number(count).EndObject();
  }
  json.EndArray();
  json.Key("tubesByEndTypes").BeginArray();
  for (const auto& [ends, count] : info.tubes.tubesByEndTypes) {
    json.BeginObject();
    json.Key("end1Type").Number(ends.first).Key("end1TypeName").String(EndTypeName(ends.first));
    json.Key("end2Type").Number(ends.second).Key("end2TypeName").String(EndTypeName(ends.second));
    json.Key("tubes").Number(count).EndObject();
  }
  json.EndArray();

  json.Key("flanges").BeginObject();
  json.Key("tubesFlanged").Number(info.flanges.tubesFlanged);
  json.Key("flangesAdded").Number(info.flanges.flangesAdded);
  json.Key("flangesAlreadyPresent").Number(info.flanges.flangesAlreadyPresent);
  json.Key("tubesSkippedOutOfRange").Number(info.flanges.tubesSkippedOutOfRange);
  json.EndObject();
  json.EndObject();
}

}  // namespace cli
