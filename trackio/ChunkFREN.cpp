// FREN (free nodes) and TUBE (support tubes).
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedNode = 16;
constexpr int32_t kReservedTubeGap = 4;
constexpr int32_t kFreeNodeBytes = 28;
constexpr int32_t kTubeBytes = 48;
}  // namespace

void ReadChunkFREN(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.FrenSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count = ReadTableCount(buffer, cursor, kFreeNodeBytes, "free node count");
  doc.FreeNodes.assign(static_cast<size_t>(count), FreeNode{});
  for (FreeNode& node : doc.FreeNodes) {
    RecordReader record = buffer.ReadRecord(cursor, kFreeNodeBytes, "a free node");
    node.x = record.ReadSingle();
    node.y = record.ReadSingle();
    node.z = record.ReadSingle();
    record.Skip(kReservedNode);
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
    RecordWriter record = buffer.WriteRecord(cursor, kFreeNodeBytes);
    record.WriteSingle(node.x);
    record.WriteSingle(node.y);
    record.WriteSingle(node.z);
    record.WriteZeros(kReservedNode);
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
    RecordReader record = buffer.ReadRecord(cursor, kTubeBytes, "a tube");
    // In the file each end's sub number comes before its index.
    tube.End1Type = record.ReadLong();
    tube.End1Sub = record.ReadLong();
    tube.End1Index = record.ReadLong();
    record.Skip(kReservedTubeGap);
    tube.End2Type = record.ReadLong();
    tube.End2Sub = record.ReadLong();
    tube.End2Index = record.ReadLong();
    record.Skip(kReservedTubeGap);
    tube.TubeType = record.ReadLong();
    tube.Int1 = record.ReadLong();
    tube.Value1 = record.ReadSingle();
    record.Skip(kReservedTubeGap);
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
    RecordWriter record = buffer.WriteRecord(cursor, kTubeBytes);
    record.WriteLong(tube.End1Type);
    record.WriteLong(tube.End1Sub);
    record.WriteLong(tube.End1Index);
    record.WriteZeros(kReservedTubeGap);
    record.WriteLong(tube.End2Type);
    record.WriteLong(tube.End2Sub);
    record.WriteLong(tube.End2Index);
    record.WriteZeros(kReservedTubeGap);
    record.WriteLong(tube.TubeType);
    record.WriteLong(tube.Int1);
    record.WriteSingle(tube.Value1);
    record.WriteZeros(kReservedTubeGap);
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.TubeSubChunkCount);
}

}  // namespace trackio
