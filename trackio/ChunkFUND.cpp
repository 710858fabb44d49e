// FUND: the footers, where supports meet the ground.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int32_t kFooterBytes = 92;  // flags and values, reserved, position, reserved
constexpr RecordNoun kFooter{"footer", "footers"};
}  // namespace

void ReadChunkFUND(ChunkReader& reader, TrackDocument& doc) {
  doc.FundSize = reader.ReadLong();
  reader.ReadBytes(doc.FundReservedHead);
  const int32_t count = reader.ReadTableCount(kFooterBytes, kFooter);
  doc.Footers.assign(static_cast<size_t>(count), Footer{});
  reader.ReadRecords(doc.Footers, kFooterBytes, [](RecordReader& record, Footer& footer) {
    // The file puts the position after the flags and values.
    footer.Flag1 = record.ReadFlag();
    footer.Value1 = record.ReadSingle();
    footer.Flag2 = record.ReadFlag();
    footer.Value2 = record.ReadSingle();
    record.ReadBytes(footer.ReservedBeforePosition);
    footer.Position.x = record.ReadSingle();
    footer.Position.y = record.ReadSingle();
    footer.Position.z = record.ReadSingle();
    record.ReadBytes(footer.ReservedTail);
  });
  reader.ReadBytes(doc.FundReservedTail);
  doc.FundSubChunkCount = reader.ReadLong();
}

void WriteChunkFUND(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("FUND");
  writer.WriteLong(doc.FundSize);
  writer.WriteBytes(doc.FundReservedHead);
  writer.WriteLong(doc.FooterCount());
  for (const Footer& footer : doc.Footers) {
    writer.WriteFlag(footer.Flag1);
    writer.WriteSingle(footer.Value1);
    writer.WriteFlag(footer.Flag2);
    writer.WriteSingle(footer.Value2);
    writer.WriteBytes(footer.ReservedBeforePosition);
    writer.WriteSingle(footer.Position.x);
    writer.WriteSingle(footer.Position.y);
    writer.WriteSingle(footer.Position.z);
    writer.WriteBytes(footer.ReservedTail);
  }
  writer.WriteBytes(doc.FundReservedTail);
  writer.WriteLong(doc.FundSubChunkCount);
}

int64_t ChunkBytesFUND(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + 4 + kFooterBytes * static_cast<int64_t>(doc.Footers.size()) +
         kReservedRun + 4;
}

void NormaliseChunkFUND(TrackDocument& doc) {
  NormaliseAll(doc.FundReservedHead, doc.FundReservedTail);
  for (Footer& footer : doc.Footers) {
    NormaliseAll(footer.Flag1, footer.Flag2, footer.ReservedBeforePosition, footer.ReservedTail);
  }
}

}  // namespace trackio
