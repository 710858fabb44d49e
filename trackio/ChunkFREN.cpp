// FREN: the free nodes, points that support tubes may end at.
#include "trackio/ChunkCodecs.h"
#include "trackio/RecordSizes.h"
#include "trackio/TableMemory.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedNode = 16;
constexpr RecordNoun kFreeNode{"free node", "free nodes"};
}  // namespace

void ReadChunkFREN(ChunkReader& reader, TrackDocument& doc) {
  doc.FrenSize = reader.ReadLong();
  reader.Skip(kReservedRun);
  const int32_t count = reader.ReadTableCount(kFreeNodeRecordBytes, kFreeNode);
  doc.FreeNodes.clear();
  GrowTable(doc.FreeNodes, static_cast<size_t>(count));
  reader.ReadRecords(doc.FreeNodes, kFreeNodeRecordBytes, [](ChunkReader& record, FreeNode& node) {
    node.x = record.ReadSingle();
    node.y = record.ReadSingle();
    node.z = record.ReadSingle();
    record.Skip(kReservedNode);
  });
  reader.Skip(kReservedRun);
  doc.FrenSubChunkCount = reader.ReadLong();
}

void WriteChunkFREN(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("FREN");
  writer.WriteLong(doc.FrenSize);
  writer.WriteZeros(kReservedRun);
  writer.WriteLong(doc.FreeNodeCount());
  for (const FreeNode& node : doc.FreeNodes) {
    writer.WriteSingle(node.x);
    writer.WriteSingle(node.y);
    writer.WriteSingle(node.z);
    writer.WriteZeros(kReservedNode);
  }
  writer.WriteZeros(kReservedRun);
  writer.WriteLong(doc.FrenSubChunkCount);
}

int64_t ChunkBytesFREN(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + 4 +
         kFreeNodeRecordBytes * static_cast<int64_t>(doc.FreeNodes.size()) + kReservedRun + 4;
}

}  // namespace trackio
