// TUBE: the support tubes, each between two ends.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr RecordNoun kTube{"tube", "tubes"};
}  // namespace

void ReadChunkTUBE(ChunkReader& reader, TrackDocument& doc) {
  doc.TubeSize = reader.ReadLong();
  reader.ReadBytes(doc.TubeReservedHead);
  const int32_t count = reader.ReadTableCount(kTubeRecordBytes, kTube);
  ReadTableWithRuns<kTubeRecordBytes>(
      reader, static_cast<size_t>(count), doc.Tubes, doc.TubeReserved,
      [](RecordReader& record, Tube& tube, TubeReservedBytes& reserved) {
        // In the file each end's sub number comes before its index.
        tube.End1Type = record.ReadLong();
        tube.End1Sub = record.ReadLong();
        tube.End1Index = record.ReadLong();
        record.ReadBytes(reserved.AfterEnd1);
        tube.End2Type = record.ReadLong();
        tube.End2Sub = record.ReadLong();
        tube.End2Index = record.ReadLong();
        record.ReadBytes(reserved.AfterEnd2);
        tube.TubeType = record.ReadLong();
        tube.Int1 = record.ReadLong();
        tube.Value1 = record.ReadSingle();
        record.ReadBytes(reserved.Tail);
      });
  reader.ReadBytes(doc.TubeReservedTail);
  doc.TubeSubChunkCount = reader.ReadLong();
}

void WriteChunkTUBE(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("TUBE");
  writer.WriteLong(doc.TubeSize);
  writer.WriteBytes(doc.TubeReservedHead);
  writer.WriteLong(doc.TubeCount());
  WriteTableWithRuns<kTubeRecordBytes>(
      writer, doc.Tubes, doc.TubeReserved, [](RecordWriter& record, const Tube& tube, const TubeReservedBytes& reserved) {
        record.WriteLong(tube.End1Type);
        record.WriteLong(tube.End1Sub);
        record.WriteLong(tube.End1Index);
        record.WriteBytes(reserved.AfterEnd1);
        record.WriteLong(tube.End2Type);
        record.WriteLong(tube.End2Sub);
        record.WriteLong(tube.End2Index);
        record.WriteBytes(reserved.AfterEnd2);
        record.WriteLong(tube.TubeType);
        record.WriteLong(tube.Int1);
        record.WriteSingle(tube.Value1);
        record.WriteBytes(reserved.Tail);
      });
  writer.WriteBytes(doc.TubeReservedTail);
  writer.WriteLong(doc.TubeSubChunkCount);
}

int64_t ChunkBytesTUBE(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + 4 + kTubeRecordBytes * static_cast<int64_t>(doc.Tubes.size()) +
         kReservedRun + 4;
}

void NormaliseChunkTUBE(TrackDocument& doc) {
  NormaliseAll(doc.TubeReservedHead, doc.TubeReservedTail);
  std::vector<TubeReservedBytes>().swap(doc.TubeReserved);
}

}  // namespace trackio
