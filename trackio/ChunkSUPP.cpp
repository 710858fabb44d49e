// SUPP (the support container), FUND (footers) and RASC (rail connectors).
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedSupp = 32;
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedFooterMiddle = 6;
constexpr int32_t kReservedFooterTail = 64;
constexpr int32_t kReservedEntry = 16;
constexpr int32_t kFooterBytes = 92;
constexpr int64_t kMinConnectorBytes = 4;
constexpr int32_t kEntryBytes = 24;
}  // namespace

void ReadChunkSUPP(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.SuppSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedSupp);
  doc.SuppSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkSUPP(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "SUPP");
  buffer.WriteLong(cursor, doc.SuppSize);
  buffer.WriteZeros(cursor, kReservedSupp);
  buffer.WriteLong(cursor, doc.SuppSubChunkCount);
}

void ReadChunkFUND(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.FundSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count = ReadTableCount(buffer, cursor, kFooterBytes, "footer count");
  doc.Footers.assign(static_cast<size_t>(count), Footer{});
  for (Footer& footer : doc.Footers) {
    RecordReader record = buffer.ReadRecord(cursor, kFooterBytes, "a footer");
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
  }
  buffer.Skip(cursor, kReservedRun);
  doc.FundSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkFUND(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "FUND");
  buffer.WriteLong(cursor, doc.FundSize);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.FooterCount());
  for (const Footer& footer : doc.Footers) {
    RecordWriter record = buffer.WriteRecord(cursor, kFooterBytes);
    record.WriteFlag(footer.Flag1);
    record.WriteSingle(footer.Value1);
    record.WriteFlag(footer.Flag2);
    record.WriteSingle(footer.Value2);
    record.WriteZeros(kReservedFooterMiddle);
    record.WriteSingle(footer.Position.x);
    record.WriteSingle(footer.Position.y);
    record.WriteSingle(footer.Position.z);
    record.WriteZeros(kReservedFooterTail);
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.FundSubChunkCount);
}

void ReadChunkRASC(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.RascSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count =
      ReadTableCount(buffer, cursor, kMinConnectorBytes, "rail connector count");
  doc.RailConnectors.assign(static_cast<size_t>(count), RailConnector{});
  for (RailConnector& connector : doc.RailConnectors) {
    const int32_t countOffset = cursor;
    const int32_t entryCount = buffer.ReadLong(cursor);
    // A count of 0 or less is an empty list; it is saved as 0.
    if (entryCount <= 0) continue;
    buffer.RequireRecords(cursor, entryCount, kEntryBytes, "rail connector entry count",
                          countOffset);
    connector.Entries.resize(static_cast<size_t>(entryCount));
    for (RailConnectorEntry& entry : connector.Entries) {
      RecordReader record = buffer.ReadRecord(cursor, kEntryBytes, "a rail connector entry");
      entry.Int1 = record.ReadLong();
      entry.Value1 = record.ReadSingle();
      record.Skip(kReservedEntry);
    }
  }
  buffer.Skip(cursor, kReservedRun);
  doc.RascSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkRASC(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "RASC");
  buffer.WriteLong(cursor, doc.RascSize);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.RailConnectorCount());
  for (const RailConnector& connector : doc.RailConnectors) {
    buffer.WriteLong(cursor, connector.EntryCount());
    for (const RailConnectorEntry& entry : connector.Entries) {
      RecordWriter record = buffer.WriteRecord(cursor, kEntryBytes);
      record.WriteLong(entry.Int1);
      record.WriteSingle(entry.Value1);
      record.WriteZeros(kReservedEntry);
    }
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.RascSubChunkCount);
}

}  // namespace trackio
