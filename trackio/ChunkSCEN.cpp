// SCEN: the scenery entries; its one child is SCOB.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kEntryBytes = 64;  // values, a long, reserved
constexpr RecordNoun kEntry{"scenery entry", "scenery entries"};
}  // namespace

void ReadChunkSCEN(ChunkReader& reader, TrackDocument& doc) {
  doc.ScenSize = reader.ReadLong();
  reader.ReadBytes(doc.ScenReservedHead);
  const int32_t count = reader.ReadTableCount(kEntryBytes, kEntry);
  doc.SceneryEntries.assign(static_cast<size_t>(count), SceneryEntry{});
  reader.ReadRecords(doc.SceneryEntries, kEntryBytes, [](RecordReader& record, SceneryEntry& entry) {
    entry.Value1 = record.ReadSingle();
    entry.Value2 = record.ReadSingle();
    entry.Value3 = record.ReadSingle();
    entry.Int1 = record.ReadLong();  // stands before Value4 in the file
    entry.Value4 = record.ReadSingle();
    record.ReadBytes(entry.Reserved);
  });
  reader.ReadBytes(doc.ScenReservedTail);
  doc.ScenSubChunkCount = reader.ReadLong();
}

void WriteChunkSCEN(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("SCEN");
  writer.WriteLong(doc.ScenSize);
  writer.WriteBytes(doc.ScenReservedHead);
  writer.WriteLong(doc.SceneryEntryCount());
  for (const SceneryEntry& entry : doc.SceneryEntries) {
    writer.WriteSingle(entry.Value1);
    writer.WriteSingle(entry.Value2);
    writer.WriteSingle(entry.Value3);
    writer.WriteLong(entry.Int1);
    writer.WriteSingle(entry.Value4);
    writer.WriteBytes(entry.Reserved);
  }
  writer.WriteBytes(doc.ScenReservedTail);
  writer.WriteLong(doc.ScenSubChunkCount);
}

int64_t ChunkBytesSCEN(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + 4 + kEntryBytes * static_cast<int64_t>(doc.SceneryEntries.size()) +
         kReservedRun + 4;
}

void NormaliseChunkSCEN(TrackDocument& doc) {
  NormaliseAll(doc.ScenReservedHead, doc.ScenReservedTail);
  for (SceneryEntry& entry : doc.SceneryEntries) NormaliseAll(entry.Reserved);
}

}  // namespace trackio
