// SCEN (scenery entries) and its one child SCOB (scenery objects).
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedEntry = 44;
constexpr int32_t kReservedObject = 20;
constexpr int32_t kEntryBytes = 64;
constexpr int64_t kMinObjectBytes = 88;

// The file stores the fifteen values of an object in this order of
// Value1 … Value15 (0-based): three groups of four, then three more.
constexpr int kObjectValueFileOrder[15] = {0, 1, 2, 9, 3, 4, 5, 10, 6, 7, 8, 11, 12, 13, 14};
}  // namespace

void ReadChunkSCEN(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.ScenSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count = ReadTableCount(buffer, cursor, kEntryBytes, "scenery entry count");
  doc.SceneryEntries.assign(static_cast<size_t>(count), SceneryEntry{});
  for (SceneryEntry& entry : doc.SceneryEntries) {
    RecordReader record = buffer.ReadRecord(cursor, kEntryBytes, "a scenery entry");
    entry.Value1 = record.ReadSingle();
    entry.Value2 = record.ReadSingle();
    entry.Value3 = record.ReadSingle();
    entry.Int1 = record.ReadLong();  // stands before Value4 in the file
    entry.Value4 = record.ReadSingle();
    record.Skip(kReservedEntry);
  }
  buffer.Skip(cursor, kReservedRun);
  doc.ScenSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkSCEN(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "SCEN");
  buffer.WriteLong(cursor, doc.ScenSize);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.SceneryEntryCount());
  for (const SceneryEntry& entry : doc.SceneryEntries) {
    RecordWriter record = buffer.WriteRecord(cursor, kEntryBytes);
    record.WriteSingle(entry.Value1);
    record.WriteSingle(entry.Value2);
    record.WriteSingle(entry.Value3);
    record.WriteLong(entry.Int1);
    record.WriteSingle(entry.Value4);
    record.WriteZeros(kReservedEntry);
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.ScenSubChunkCount);
}

void ReadChunkSCOB(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.ScobSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count = ReadTableCount(buffer, cursor, kMinObjectBytes, "scenery object count");
  doc.SceneryObjects.assign(static_cast<size_t>(count), SceneryObject{});
  for (SceneryObject& object : doc.SceneryObjects) {
    object.Text2 = ReadLengthPrefixedText(buffer, cursor);  // the second text comes first
    object.Text1 = ReadLengthPrefixedText(buffer, cursor);
    for (int index : kObjectValueFileOrder) object.Value[index] = buffer.ReadSingle(cursor);
    buffer.Skip(cursor, kReservedObject);
  }
  buffer.Skip(cursor, kReservedRun);
  doc.ScobSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkSCOB(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "SCOB");
  buffer.WriteLong(cursor, doc.ScobSize);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.SceneryObjectCount());
  for (const SceneryObject& object : doc.SceneryObjects) {
    WriteLengthPrefixedText(buffer, cursor, object.Text2);
    WriteLengthPrefixedText(buffer, cursor, object.Text1);
    for (int index : kObjectValueFileOrder) buffer.WriteSingle(cursor, object.Value[index]);
    buffer.WriteZeros(cursor, kReservedObject);
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.ScobSubChunkCount);
}

}  // namespace trackio
