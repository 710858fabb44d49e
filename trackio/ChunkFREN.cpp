// FREN: the free nodes, points that support tubes may end at.
#include <algorithm>

#include "trackio/ChunkCodecs.h"
#include "trackio/TableMemory.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr RecordNoun kFreeNode{"free node", "free nodes"};
}  // namespace

void ReadChunkFREN(ChunkReader& reader, TrackDocument& doc) {
  doc.FrenSize = reader.ReadLong();
  reader.ReadBytes(doc.FrenReservedHead);
  const int32_t count = reader.ReadTableCount(kFreeNodeRecordBytes, kFreeNode);
  ReserveTable(doc.FreeNodes, static_cast<size_t>(count));
  doc.FreeNodeReserved.clear();
  reader.ReadRecordsInOrder(static_cast<size_t>(count), kFreeNodeRecordBytes, [&doc](RecordReader& record, size_t index) {
    FreeNode& node = doc.FreeNodes.emplace_back();
    node.x = record.ReadSingle();
    node.y = record.ReadSingle();
    node.z = record.ReadSingle();
    FreeNodeReservedBytes reserved;
    record.ReadBytes(reserved);
    KeepReservedRun(doc.FreeNodeReserved, index, reserved);
  });
  reader.ReadBytes(doc.FrenReservedTail);
  doc.FrenSubChunkCount = reader.ReadLong();
}

namespace {

// One free node record, its reserved run as given.
void WriteFreeNode(ChunkWriter& writer, const FreeNode& node, const FreeNodeReservedBytes& reserved) {
  writer.WriteRecord<kFreeNodeRecordBytes>([&node, &reserved](RecordWriter& record) {
    record.WriteSingle(node.x);
    record.WriteSingle(node.y);
    record.WriteSingle(node.z);
    record.WriteBytes(reserved);
  });
}

}  // namespace

void WriteChunkFREN(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("FREN");
  writer.WriteLong(doc.FrenSize);
  writer.WriteBytes(doc.FrenReservedHead);
  writer.WriteLong(doc.FreeNodeCount());
  const size_t withRuns = std::min(doc.FreeNodeReserved.size(), doc.FreeNodes.size());
  for (size_t i = 0; i < withRuns; ++i) WriteFreeNode(writer, doc.FreeNodes[i], doc.FreeNodeReserved[i]);
  // The constant zero run compiles to plain stores.
  constexpr FreeNodeReservedBytes kZeroRun{};
  for (size_t i = withRuns; i < doc.FreeNodes.size(); ++i) WriteFreeNode(writer, doc.FreeNodes[i], kZeroRun);
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
