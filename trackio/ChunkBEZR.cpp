// BEZR: the track's bezier vertices.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedHead = 16;
constexpr int32_t kReservedVertex = 17;
constexpr int32_t kReservedTail = 16;
constexpr int32_t kVertexBytes = 60;
}  // namespace

void ReadChunkBEZR(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.BezrSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedHead);
  const int32_t count = ReadTableCount(buffer, cursor, kVertexBytes, "bezier vertex count");
  doc.BezierVertices.assign(static_cast<size_t>(count), BezierVertex{});
  for (BezierVertex& vertex : doc.BezierVertices) {
    RecordReader record = buffer.ReadRecord(cursor, kVertexBytes, "a bezier vertex");
    for (Single& value : vertex.Value) value = record.ReadSingle();
    // The file stores the flags in the order 1, 3, 2.
    vertex.Flag1 = record.ReadFlag();
    vertex.Flag3 = record.ReadFlag();
    vertex.Flag2 = record.ReadFlag();
    record.Skip(kReservedVertex);
  }
  buffer.Skip(cursor, kReservedTail);
  doc.BezrSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkBEZR(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "BEZR");
  buffer.WriteLong(cursor, doc.BezrSize);
  buffer.WriteZeros(cursor, kReservedHead);
  buffer.WriteLong(cursor, doc.BezierVertexCount());
  for (const BezierVertex& vertex : doc.BezierVertices) {
    RecordWriter record = buffer.WriteRecord(cursor, kVertexBytes);
    for (Single value : vertex.Value) record.WriteSingle(value);
    record.WriteFlag(vertex.Flag1);
    record.WriteFlag(vertex.Flag3);
    record.WriteFlag(vertex.Flag2);
    record.WriteZeros(kReservedVertex);
  }
  buffer.WriteZeros(cursor, kReservedTail);
  buffer.WriteLong(cursor, doc.BezrSubChunkCount);
}

}  // namespace trackio
