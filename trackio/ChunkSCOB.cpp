// SCOB: the scenery objects, each two texts and fifteen values.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int64_t kObjectBytesBesideTexts = 88;  // two text lengths, 15 values, reserved
constexpr RecordNoun kObject{"scenery object", "scenery objects"};

// The file stores the fifteen values of an object in this order of
// Value1 … Value15 (0-based): three groups of four, then three more.
constexpr int kObjectValueFileOrder[15] = {0, 1, 2, 9, 3, 4, 5, 10, 6, 7, 8, 11, 12, 13, 14};
}  // namespace

void ReadChunkSCOB(ChunkReader& reader, TrackDocument& doc) {
  doc.ScobSize = reader.ReadLong();
  reader.ReadBytes(doc.ScobReservedHead);
  const int32_t count = reader.ReadTableCount(kObjectBytesBesideTexts, kObject);
  doc.SceneryObjects.assign(static_cast<size_t>(count), SceneryObject{});
  reader.ReadEach(doc.SceneryObjects, kObject, [](ChunkReader& r, SceneryObject& object) {
    object.Text2 = r.ReadText();  // the second text comes first
    object.Text1 = r.ReadText();
    for (int index : kObjectValueFileOrder) object.Value[index] = r.ReadSingle();
    r.ReadBytes(object.Reserved);
  });
  reader.ReadBytes(doc.ScobReservedTail);
  doc.ScobSubChunkCount = reader.ReadLong();
}

void WriteChunkSCOB(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("SCOB");
  writer.WriteLong(doc.ScobSize);
  writer.WriteBytes(doc.ScobReservedHead);
  writer.WriteLong(doc.SceneryObjectCount());
  for (const SceneryObject& object : doc.SceneryObjects) {
    writer.WriteText(object.Text2);
    writer.WriteText(object.Text1);
    for (int index : kObjectValueFileOrder) writer.WriteSingle(object.Value[index]);
    writer.WriteBytes(object.Reserved);
  }
  writer.WriteBytes(doc.ScobReservedTail);
  writer.WriteLong(doc.ScobSubChunkCount);
}

int64_t ChunkBytesSCOB(const TrackDocument& doc) {
  int64_t bytes = kChunkHeadBytes + kReservedRun + 4 + kReservedRun + 4;
  for (const SceneryObject& object : doc.SceneryObjects) {
    bytes += kObjectBytesBesideTexts + static_cast<int64_t>(object.Text1.size() + object.Text2.size());
  }
  return bytes;
}

void NormaliseChunkSCOB(TrackDocument& doc) {
  NormaliseAll(doc.ScobReservedHead, doc.ScobReservedTail);
  for (SceneryObject& object : doc.SceneryObjects) NormaliseAll(object.Reserved);
}

}  // namespace trackio
