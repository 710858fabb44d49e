// FREN: the free nodes, points that support tubes may end at.
#include <algorithm>

#include "trackio/ChunkCodecs.h"
#include "trackio/TableMemory.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedNode = 16;
constexpr RecordNoun kFreeNode{"free node", "free nodes"};
}  // namespace

void ReadChunkFREN(ChunkReader& reader, TrackDocument& doc) {
  doc.FrenSize = reader.ReadLong();
  reader.ReadBytes(doc.FrenReservedHead);
  const int32_t count = reader.ReadTableCount(kFreeNodeRecordBytes, kFreeNode);
  doc.FreeNodes.clear();
  GrowTable(doc.FreeNodes, static_cast<size_t>(count));
  doc.FreeNodeReserved.clear();
  reader.ReadRecords(doc.FreeNodes, kFreeNodeRecordBytes, [&doc](ChunkReader& record, FreeNode& node) {
    node.x = record.ReadSingle();
    node.y = record.ReadSingle();
    node.z = record.ReadSingle();
    FreeNodeReservedBytes reserved;
    record.ReadBytes(reserved);
    KeepReservedRun(doc.FreeNodeReserved, doc.FreeNodes.size(), static_cast<size_t>(&node - doc.FreeNodes.data()),
                    reserved);
  });
  TrimReservedRuns(doc.FreeNodeReserved);
  reader.ReadBytes(doc.FrenReservedTail);
  doc.FrenSubChunkCount = reader.ReadLong();
}

void WriteChunkFREN(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("FREN");
  writer.WriteLong(doc.FrenSize);
  writer.WriteBytes(doc.FrenReservedHead);
  writer.WriteLong(doc.FreeNodeCount());
  const size_t withRuns = std::min(doc.FreeNodeReserved.size(), doc.FreeNodes.size());
  for (size_t i = 0; i < withRuns; ++i) {
    const FreeNode& node = doc.FreeNodes[i];
    writer.WriteSingle(node.x);
    writer.WriteSingle(node.y);
    writer.WriteSingle(node.z);
    writer.WriteBytes(doc.FreeNodeReserved[i]);
  }
  for (size_t i = withRuns; i < doc.FreeNodes.size(); ++i) {
    const FreeNode& node = doc.FreeNodes[i];
    writer.WriteSingle(node.x);
    writer.WriteSingle(node.y);
    writer.WriteSingle(node.z);
    writer.WriteZeros(kReservedNode);
  }
  writer.WriteBytes(doc.FrenReservedTail);
  writer.WriteLong(doc.FrenSubChunkCount);
}

int64_t ChunkBytesFREN(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + 4 +
         kFreeNodeRecordBytes * static_cast<int64_t>(doc.FreeNodes.size()) + kReservedRun + 4;
}

void NormaliseChunkFREN(TrackDocument& doc) {
  NormaliseAll(doc.FrenReservedHead, doc.FrenReservedTail);
  std::vector<FreeNodeReservedBytes>().swap(doc.FreeNodeReserved);
}

}  // namespace trackio
