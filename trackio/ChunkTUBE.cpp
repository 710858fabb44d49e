// TUBE: the support tubes, each between two ends.
#include "trackio/ChunkCodecs.h"
#include "trackio/RecordSizes.h"
#include "trackio/TableMemory.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedTubeGap = 4;
constexpr RecordNoun kTube{"tube", "tubes"};
}  // namespace

void ReadChunkTUBE(ChunkReader& reader, TrackDocument& doc) {
  doc.TubeSize = reader.ReadLong();
  reader.Skip(kReservedRun);
  const int32_t count = reader.ReadTableCount(kTubeRecordBytes, kTube);
  doc.Tubes.clear();
  GrowTable(doc.Tubes, static_cast<size_t>(count));
  reader.ReadRecords(doc.Tubes, kTubeRecordBytes, [](ChunkReader& record, Tube& tube) {
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
  });
  reader.Skip(kReservedRun);
  doc.TubeSubChunkCount = reader.ReadLong();
}

void WriteChunkTUBE(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("TUBE");
  writer.WriteLong(doc.TubeSize);
  writer.WriteZeros(kReservedRun);
  writer.WriteLong(doc.TubeCount());
  for (const Tube& tube : doc.Tubes) {
    writer.WriteLong(tube.End1Type);
    writer.WriteLong(tube.End1Sub);
    writer.WriteLong(tube.End1Index);
    writer.WriteZeros(kReservedTubeGap);
    writer.WriteLong(tube.End2Type);
    writer.WriteLong(tube.End2Sub);
    writer.WriteLong(tube.End2Index);
    writer.WriteZeros(kReservedTubeGap);
    writer.WriteLong(tube.TubeType);
    writer.WriteLong(tube.Int1);
    writer.WriteSingle(tube.Value1);
    writer.WriteZeros(kReservedTubeGap);
  }
  writer.WriteZeros(kReservedRun);
  writer.WriteLong(doc.TubeSubChunkCount);
}

int64_t ChunkBytesTUBE(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + 4 + kTubeRecordBytes * static_cast<int64_t>(doc.Tubes.size()) +
         kReservedRun + 4;
}

}  // namespace trackio
