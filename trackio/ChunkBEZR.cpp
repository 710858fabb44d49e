// BEZR: the track's bezier vertices.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedHead = 16;
constexpr int32_t kReservedTail = 16;
constexpr int32_t kVertexBytes = 60;  // ten values, three flags, reserved
constexpr RecordNoun kVertex{"bezier vertex", "bezier vertices"};
}  // namespace

void ReadChunkBEZR(ChunkReader& reader, TrackDocument& doc) {
  doc.BezrSize = reader.ReadLong();
  reader.ReadBytes(doc.BezrReservedHead);
  const int32_t count = reader.ReadTableCount(kVertexBytes, kVertex);
  doc.BezierVertices.assign(static_cast<size_t>(count), BezierVertex{});
  reader.ReadRecords(doc.BezierVertices, kVertexBytes, [](RecordReader& record, BezierVertex& vertex) {
    for (Single& value : vertex.Value) value = record.ReadSingle();
    // The file stores the flags in the order 1, 3, 2.
    vertex.Flag1 = record.ReadFlag();
    vertex.Flag3 = record.ReadFlag();
    vertex.Flag2 = record.ReadFlag();
    record.ReadBytes(vertex.Reserved);
  });
  reader.ReadBytes(doc.BezrReservedTail);
  doc.BezrSubChunkCount = reader.ReadLong();
}

void WriteChunkBEZR(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("BEZR");
  writer.WriteLong(doc.BezrSize);
  writer.WriteBytes(doc.BezrReservedHead);
  writer.WriteLong(doc.BezierVertexCount());
  for (const BezierVertex& vertex : doc.BezierVertices) {
    for (Single value : vertex.Value) writer.WriteSingle(value);
    writer.WriteFlag(vertex.Flag1);
    writer.WriteFlag(vertex.Flag3);
    writer.WriteFlag(vertex.Flag2);
    writer.WriteBytes(vertex.Reserved);
  }
  writer.WriteBytes(doc.BezrReservedTail);
  writer.WriteLong(doc.BezrSubChunkCount);
}

int64_t ChunkBytesBEZR(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedHead + 4 + kVertexBytes * static_cast<int64_t>(doc.BezierVertices.size()) +
         kReservedTail + 4;
}

void NormaliseChunkBEZR(TrackDocument& doc) {
  NormaliseAll(doc.BezrReservedHead, doc.BezrReservedTail);
  for (BezierVertex& vertex : doc.BezierVertices) NormaliseAll(vertex.Flag1, vertex.Flag2, vertex.Flag3, vertex.Reserved);
}

}  // namespace trackio
