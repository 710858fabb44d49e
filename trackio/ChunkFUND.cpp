// FUND: the footers, where supports meet the ground.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedFooterMiddle = 6;
constexpr int32_t kReservedFooterTail = 64;
constexpr int32_t kFooterBytes = 92;  // flags and values, reserved, position, reserved
constexpr RecordNoun kFooter{"footer", "footers"};
}  // namespace

void ReadChunkFUND(ChunkReader& reader, TrackDocument& doc) {
  doc.FundSize = reader.ReadLong();
  reader.Skip(kReservedRun);
  const int32_t count = reader.ReadTableCount(kFooterBytes, kFooter);
  doc.Footers.assign(static_cast<size_t>(count), Footer{});
  reader.ReadRecords(doc.Footers, kFooterBytes, [](ChunkReader& record, Footer& footer) {
    // The file puts the position after the flags and values.
    footer.Flag1 = record.ReadFlag();
    footer.Value1 = record.ReadSingle();
    footer.Flag2 = record.ReadFlag();
    footer.Value2 = record.ReadSingle();
    record.Skip(kReservedFooterMiddle);
    footer.Position.x = record.ReadSingle();
    footer.Position.y = record.ReadSingle();
    footer.Position.z = record.ReadSingle();
    record.Skip(kReservedFooterTail);
  });
  reader.Skip(kReservedRun);
  doc.FundSubChunkCount = reader.ReadLong();
}

void WriteChunkFUND(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("FUND");
  writer.WriteLong(doc.FundSize);
  writer.WriteZeros(kReservedRun);
  writer.WriteLong(doc.FooterCount());
  for (const Footer& footer : doc.Footers) {
    writer.WriteFlag(footer.Flag1);
    writer.WriteSingle(footer.Value1);
    writer.WriteFlag(footer.Flag2);
    writer.WriteSingle(footer.Value2);
    writer.WriteZeros(kReservedFooterMiddle);
    writer.WriteSingle(footer.Position.x);
    writer.WriteSingle(footer.Position.y);
    writer.WriteSingle(footer.Position.z);
    writer.WriteZeros(kReservedFooterTail);
  }
  writer.WriteZeros(kReservedRun);
  writer.WriteLong(doc.FundSubChunkCount);
}

int64_t ChunkBytesFUND(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + 4 + kFooterBytes * static_cast<int64_t>(doc.Footers.size()) +
         kReservedRun + 4;
}

}  // namespace trackio
