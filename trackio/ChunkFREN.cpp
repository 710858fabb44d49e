// FREN: the free nodes, points that support tubes may end at.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr RecordNoun kFreeNode{"free node", "free nodes"};
}  // namespace

void ReadChunkFREN(ChunkReader& reader, TrackDocument& doc) {
  doc.FrenSize = reader.ReadLong();
  reader.ReadBytes(doc.FrenReservedHead);
  const int32_t count = reader.ReadTableCount(kFreeNodeRecordBytes, kFreeNode);
  ReadTableWithRuns<kFreeNodeRecordBytes>(
      reader, static_cast<size_t>(count), doc.FreeNodes, doc.FreeNodeReserved,
      [](RecordReader& record, FreeNode& node, FreeNodeReservedBytes& reserved) {
        node.x = record.ReadSingle();
        node.y = record.ReadSingle();
        node.z = record.ReadSingle();
        record.ReadBytes(reserved);
      });
  reader.ReadBytes(doc.FrenReservedTail);
  doc.FrenSubChunkCount = reader.ReadLong();
}

void WriteChunkFREN(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("FREN");
  writer.WriteLong(doc.FrenSize);
  writer.WriteBytes(doc.FrenReservedHead);
  writer.WriteLong(doc.FreeNodeCount());
  WriteTableWithRuns<kFreeNodeRecordBytes>(
      writer, doc.FreeNodes, doc.FreeNodeReserved,
      [](RecordWriter& record, const FreeNode& node, const FreeNodeReservedBytes& reserved) {
        record.WriteSingle(node.x);
        record.WriteSingle(node.y);
        record.WriteSingle(node.z);
        record.WriteBytes(reserved);
      });
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
