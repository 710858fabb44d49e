// SUPP (the support container), FUND (footers) and RASC (rail connectors).
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedSupp = 32;
constexpr int32_t kReservedRun = 16;
constexpr int32_t kReservedFooterMiddle = 6;
constexpr int32_t kReservedFooterTail = 64;
constexpr int32_t kReservedEntry = 16;
constexpr int64_t kFooterBytes = 92;
constexpr int64_t kMinConnectorBytes = 4;
constexpr int64_t kEntryBytes = 24;
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
    // The file puts the position after the flags and values.
    footer.Flag1 = buffer.ReadFlag(cursor);
    footer.Value1 = buffer.ReadSingle(cursor);
    footer.Flag2 = buffer.ReadFlag(cursor);
    footer.Value2 = buffer.ReadSingle(cursor);
    buffer.Skip(cursor, kReservedFooterMiddle);
    footer.Position.x = buffer.ReadSingle(cursor);
    footer.Position.y = buffer.ReadSingle(cursor);
    footer.Position.z = buffer.ReadSingle(cursor);
    buffer.Skip(cursor, kReservedFooterTail);
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
    buffer.WriteFlag(cursor, footer.Flag1);
    buffer.WriteSingle(cursor, footer.Value1);
    buffer.WriteFlag(cursor, footer.Flag2);
    buffer.WriteSingle(cursor, footer.Value2);
    buffer.WriteZeros(cursor, kReservedFooterMiddle);
    buffer.WriteSingle(cursor, footer.Position.x);
    buffer.WriteSingle(cursor, footer.Position.y);
    buffer.WriteSingle(cursor, footer.Position.z);
    buffer.WriteZeros(cursor, kReservedFooterTail);
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
      entry.Int1 = buffer.ReadLong(cursor);
      entry.Value1 = buffer.ReadSingle(cursor);
      buffer.Skip(cursor, kReservedEntry);
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
      buffer.WriteLong(cursor, entry.Int1);
      buffer.WriteSingle(cursor, entry.Value1);
      buffer.WriteZeros(cursor, kReservedEntry);
    }
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.RascSubChunkCount);
}

}  // namespace trackio
