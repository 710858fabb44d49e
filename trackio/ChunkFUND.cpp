// FUND: the footers, where supports meet the ground.
#include "trackio/ChunkCodecs.h"
#include "trackio/TableMemory.h"

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
  ReserveTable(doc.Footers, static_cast<size_t>(count));
  reader.ReadRecordsInOrder(static_cast<size_t>(count), kFooterBytes, [&doc](RecordReader& record, size_t) {
    Footer& footer = doc.Footers.emplace_back();
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
    writer.WriteRecord<kFooterBytes>([&footer](RecordWriter& record) {
      record.WriteFlag(footer.Flag1);
      record.WriteSingle(footer.Value1);
      record.WriteFlag(footer.Flag2);
      record.WriteSingle(footer.Value2);
      record.WriteBytes(footer.ReservedBeforePosition);
      record.WriteSingle(footer.Position.x);
      record.WriteSingle(footer.Position.y);
      record.WriteSingle(footer.Position.z);
      record.WriteBytes(footer.ReservedTail);
    });
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
