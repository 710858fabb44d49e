// TERA: the terrain, written only when the loaded file had one.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedAfterFlag = 4;
constexpr int32_t kReservedAfterByte = 15;
constexpr int32_t kReservedTail = 16;

int32_t ReadGridDimension(const ByteBuffer& buffer, int32_t& cursor, const char* what) {
  const int32_t offset = cursor;
  const int32_t value = buffer.ReadLong(cursor);
  if (value < 0) {
    throw TrackFormatError(TrackErrorKind::Damaged,
                           std::string(what) + " " + std::to_string(value) + " is negative",
                           offset);
  }
  return value;
}
}  // namespace

void ReadChunkTERA(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.TeraSize = buffer.ReadLong(cursor);
  const int32_t columnsOffset = cursor;
  doc.TerrainColumnCount = ReadGridDimension(buffer, cursor, "terrain column count");
  doc.TerrainRowCount = ReadGridDimension(buffer, cursor, "terrain row count");
  doc.TerrainValue1 = buffer.ReadSingle(cursor);
  doc.TerrainValue2 = buffer.ReadSingle(cursor);
  doc.TerrainText1 = ReadLengthPrefixedText(buffer, cursor);
  doc.TerrainValue3 = buffer.ReadSingle(cursor);
  doc.TerrainText2 = ReadLengthPrefixedText(buffer, cursor);
  doc.TerrainValue4 = buffer.ReadSingle(cursor);
  doc.TerrainFlag1 = buffer.ReadFlag(cursor);
  buffer.Skip(cursor, kReservedAfterFlag);
  doc.TerrainText3 = ReadLengthPrefixedText(buffer, cursor);
  doc.TerrainValue5 = buffer.ReadSingle(cursor);
  doc.TerrainByte1 = buffer.ReadByte(cursor);
  buffer.Skip(cursor, kReservedAfterByte);

  // The grid holds columns × rows values of 4 bytes; compared by division so
  // that two hostile counts cannot overflow the product.
  const int64_t columns = doc.TerrainColumnCount;
  const int64_t rows = doc.TerrainRowCount;
  if (columns > 0 && rows > (buffer.Size() - cursor) / (4 * columns)) {
    throw TrackFormatError(TrackErrorKind::Damaged,
                           "a terrain grid of " + std::to_string(columns) + " columns and " +
                               std::to_string(rows) + " rows promises more bytes than the file holds",
                           columnsOffset);
  }
  doc.TerrainGrid.resize(static_cast<size_t>(columns * rows));
  for (Single& value : doc.TerrainGrid) value = buffer.ReadSingle(cursor);  // row by row
  buffer.Skip(cursor, kReservedTail);
  doc.TeraSubChunkCount = buffer.ReadLong(cursor);
  doc.TerrainPresent = true;  // only once everything above was read
}

void WriteChunkTERA(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "TERA");
  buffer.WriteLong(cursor, doc.TeraSize);
  buffer.WriteLong(cursor, doc.TerrainColumnCount);
  buffer.WriteLong(cursor, doc.TerrainRowCount);
  buffer.WriteSingle(cursor, doc.TerrainValue1);
  buffer.WriteSingle(cursor, doc.TerrainValue2);
  WriteLengthPrefixedText(buffer, cursor, doc.TerrainText1);
  buffer.WriteSingle(cursor, doc.TerrainValue3);
  WriteLengthPrefixedText(buffer, cursor, doc.TerrainText2);
  buffer.WriteSingle(cursor, doc.TerrainValue4);
  buffer.WriteFlag(cursor, doc.TerrainFlag1);
  buffer.WriteZeros(cursor, kReservedAfterFlag);
  WriteLengthPrefixedText(buffer, cursor, doc.TerrainText3);
  buffer.WriteSingle(cursor, doc.TerrainValue5);
  buffer.WriteByte(cursor, doc.TerrainByte1);
  buffer.WriteZeros(cursor, kReservedAfterByte);
  for (Single value : doc.TerrainGrid) buffer.WriteSingle(cursor, value);
  buffer.WriteZeros(cursor, kReservedTail);
  buffer.WriteLong(cursor, doc.TeraSubChunkCount);
}

}  // namespace trackio
