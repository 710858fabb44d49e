// FREN (free nodes) and TUBE (support tubes).
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedNode = 16;
constexpr int32_t kReservedTubeGap = 4;
constexpr int64_t kFreeNodeBytes = 28;
constexpr int64_t kTubeBytes = 48;
}  // namespace

void ReadChunkFREN(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.FrenSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count = ReadTableCount(buffer, cursor, kFreeNodeBytes, "free node count");
  doc.FreeNodes.assign(static_cast<size_t>(count), FreeNode{});
  for (FreeNode& node : doc.FreeNodes) {
    node.x = buffer.ReadSingle(cursor);
    node.y = buffer.ReadSingle(cursor);
    node.z = buffer.ReadSingle(cursor);
    buffer.Skip(cursor, kReservedNode);
  }
  buffer.Skip(cursor, kReservedRun);
  doc.FrenSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkFREN(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "FREN");
  buffer.WriteLong(cursor, doc.FrenSize);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.FreeNodeCount());
  for (const FreeNode& node : doc.FreeNodes) {
    buffer.WriteSingle(cursor, node.x);
    buffer.WriteSingle(cursor, node.y);
    buffer.WriteSingle(cursor, node.z);
    buffer.WriteZeros(cursor, kReservedNode);
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.FrenSubChunkCount);
}

void ReadChunkTUBE(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.TubeSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count = ReadTableCount(buffer, cursor, kTubeBytes, "tube count");
  doc.Tubes.assign(static_cast<size_t>(count), Tube{});
  for (Tube& tube : doc.Tubes) {
    // In the file each end's sub number comes before its index.
    tube.End1Type = buffer.ReadLong(cursor);
    tube.End1Sub = buffer.ReadLong(cursor);
    tube.End1Index = buffer.ReadLong(cursor);
    buffer.Skip(cursor, kReservedTubeGap);
    tube.End2Type = buffer.ReadLong(cursor);
    tube.End2Sub = buffer.ReadLong(cursor);
    tube.End2Index = buffer.ReadLong(cursor);
    buffer.Skip(cursor, kReservedTubeGap);
    tube.TubeType = buffer.ReadLong(cursor);
    tube.Int1 = buffer.ReadLong(cursor);
    tube.Value1 = buffer.ReadSingle(cursor);
    buffer.Skip(cursor, kReservedTubeGap);
  }
  buffer.Skip(cursor, kReservedRun);
  doc.TubeSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkTUBE(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "TUBE");
  buffer.WriteLong(cursor, doc.TubeSize);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.TubeCount());
  for (const Tube& tube : doc.Tubes) {
    buffer.WriteLong(cursor, tube.End1Type);
    buffer.WriteLong(cursor, tube.End1Sub);
    buffer.WriteLong(cursor, tube.End1Index);
    buffer.WriteZeros(cursor, kReservedTubeGap);
    buffer.WriteLong(cursor, tube.End2Type);
    buffer.WriteLong(cursor, tube.End2Sub);
    buffer.WriteLong(cursor, tube.End2Index);
    buffer.WriteZeros(cursor, kReservedTubeGap);
    buffer.WriteLong(cursor, tube.TubeType);
    buffer.WriteLong(cursor, tube.Int1);
    buffer.WriteSingle(cursor, tube.Value1);
    buffer.WriteZeros(cursor, kReservedTubeGap);
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.TubeSubChunkCount);
}

}  // namespace trackio
