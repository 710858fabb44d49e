// RASC: the rail connectors, each a counted list of entries.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int64_t kConnectorBytesBesideEntries = 4;  // the entry count
constexpr int32_t kEntryBytes = 24;                  // long, value, reserved
constexpr RecordNoun kConnector{"rail connector", "rail connectors"};
constexpr RecordNoun kEntry{"rail connector entry", "rail connector entries"};
}  // namespace

void ReadChunkRASC(ChunkReader& reader, TrackDocument& doc) {
  doc.RascSize = reader.ReadLong();
  reader.ReadBytes(doc.RascReservedHead);
  const int32_t count = reader.ReadTableCount(kConnectorBytesBesideEntries, kConnector);
  doc.RailConnectors.assign(static_cast<size_t>(count), RailConnector{});
  reader.ReadEach(doc.RailConnectors, kConnector, [](ChunkReader& r, RailConnector& connector) {
    const int64_t countOffset = r.Position();
    const int32_t entryCount = r.ReadLong();
    // A count of 0 or less is an empty list; it is saved as 0.
    if (entryCount <= 0) return;
    r.RequireRecords(entryCount, kEntryBytes, kEntry, countOffset);
    connector.Entries.resize(static_cast<size_t>(entryCount));
    r.ReadRecords(connector.Entries, kEntryBytes, [](RecordReader& record, RailConnectorEntry& entry) {
      entry.Int1 = record.ReadLong();
      entry.Value1 = record.ReadSingle();
      record.ReadBytes(entry.Reserved);
    });
  });
  reader.ReadBytes(doc.RascReservedTail);
  doc.RascSubChunkCount = reader.ReadLong();
}

void WriteChunkRASC(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("RASC");
  writer.WriteLong(doc.RascSize);
  writer.WriteBytes(doc.RascReservedHead);
  writer.WriteLong(doc.RailConnectorCount());
  for (const RailConnector& connector : doc.RailConnectors) {
    writer.WriteLong(connector.EntryCount());
    for (const RailConnectorEntry& entry : connector.Entries) {
      writer.WriteLong(entry.Int1);
      writer.WriteSingle(entry.Value1);
      writer.WriteBytes(entry.Reserved);
    }
  }
  writer.WriteBytes(doc.RascReservedTail);
  writer.WriteLong(doc.RascSubChunkCount);
}

int64_t ChunkBytesRASC(const TrackDocument& doc) {
  int64_t bytes = kChunkHeadBytes + kReservedRun + 4 + kReservedRun + 4;
  for (const RailConnector& connector : doc.RailConnectors) {
    bytes += kConnectorBytesBesideEntries + kEntryBytes * static_cast<int64_t>(connector.Entries.size());
  }
  return bytes;
}

void NormaliseChunkRASC(TrackDocument& doc) {
  NormaliseAll(doc.RascReservedHead, doc.RascReservedTail);
  for (RailConnector& connector : doc.RailConnectors) {
    for (RailConnectorEntry& entry : connector.Entries) NormaliseAll(entry.Reserved);
  }
}

}  // namespace trackio
