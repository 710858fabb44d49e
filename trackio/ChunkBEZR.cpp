// BEZR: the track's bezier vertices.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedHead = 16;
constexpr int32_t kReservedVertex = 17;
constexpr int32_t kReservedTail = 16;
constexpr int64_t kVertexBytes = 60;
}  // namespace

void ReadChunkBEZR(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.BezrSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedHead);
  const int32_t count = ReadTableCount(buffer, cursor, kVertexBytes, "bezier vertex count");
  doc.BezierVertices.assign(static_cast<size_t>(count), BezierVertex{});
  for (BezierVertex& vertex : doc.BezierVertices) {
    for (Single& value : vertex.Value) value = buffer.ReadSingle(cursor);
    // The file stores the flags in the order 1, 3, 2.
    vertex.Flag1 = buffer.ReadFlag(cursor);
    vertex.Flag3 = buffer.ReadFlag(cursor);
    vertex.Flag2 = buffer.ReadFlag(cursor);
    buffer.Skip(cursor, kReservedVertex);
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
    for (Single value : vertex.Value) buffer.WriteSingle(cursor, value);
    buffer.WriteFlag(cursor, vertex.Flag1);
    buffer.WriteFlag(cursor, vertex.Flag3);
    buffer.WriteFlag(cursor, vertex.Flag2);
    buffer.WriteZeros(cursor, kReservedVertex);
  }
  buffer.WriteZeros(cursor, kReservedTail);
  buffer.WriteLong(cursor, doc.BezrSubChunkCount);
}

}  // namespace trackio
