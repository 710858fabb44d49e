// TERA: the terrain, written only when the loaded file had one.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedAfterFlag = 4;
constexpr int32_t kReservedAfterByte = 15;
constexpr int32_t kReservedTail = 16;
constexpr int64_t kGridValueBytes = 4;
// The fields around the grid: counts, five values, three text lengths, a
// flag, a byte and the reserved runs.
constexpr int64_t kFieldBytes = 8 + 5 * 4 + 3 * 4 + 1 + 1 + kReservedAfterFlag + kReservedAfterByte;

int32_t ReadGridDimension(ChunkReader& reader, const char* what) {
  const int64_t offset = reader.Position();
  const int32_t value = reader.ReadLong();
  if (value < 0) reader.Fail("gives a negative " + std::string(what) + " (" + std::to_string(value) + ")", offset);
  return value;
}
}  // namespace

void ReadChunkTERA(ChunkReader& reader, TrackDocument& doc) {
  doc.TeraSize = reader.ReadLong();
  const int64_t columnsOffset = reader.Position();
  doc.TerrainColumnCount = ReadGridDimension(reader, "terrain column count");
  doc.TerrainRowCount = ReadGridDimension(reader, "terrain row count");
  doc.TerrainValue1 = reader.ReadSingle();
  doc.TerrainValue2 = reader.ReadSingle();
  doc.TerrainText1 = reader.ReadText();
  doc.TerrainValue3 = reader.ReadSingle();
  doc.TerrainText2 = reader.ReadText();
  doc.TerrainValue4 = reader.ReadSingle();
  doc.TerrainFlag1 = reader.ReadFlag();
  reader.ReadBytes(doc.TerrainReservedAfterFlag);
  doc.TerrainText3 = reader.ReadText();
  doc.TerrainValue5 = reader.ReadSingle();
  doc.TerrainByte1 = reader.ReadByte();
  reader.ReadBytes(doc.TerrainReservedAfterByte);

  // The grid holds columns × rows values; compared by division so that two
  // hostile counts cannot overflow the product.
  const int64_t columns = doc.TerrainColumnCount;
  const int64_t rows = doc.TerrainRowCount;
  if (columns > 0 && rows > reader.Remaining() / (kGridValueBytes * columns)) {
    reader.Fail("promises a terrain grid of " + std::to_string(columns) + " columns and " +
                    std::to_string(rows) + " rows, but the file ends first",
                columnsOffset);
  }
  doc.TerrainGrid.resize(static_cast<size_t>(columns * rows));
  // Row by row.
  reader.ReadRecords(doc.TerrainGrid, kGridValueBytes, [](RecordReader& record, Single& value) {
    value = record.ReadSingle();
  });
  reader.ReadBytes(doc.TeraReservedTail);
  doc.TeraSubChunkCount = reader.ReadLong();
  doc.TerrainPresent = true;  // only once everything above was read
}

void WriteChunkTERA(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("TERA");
  writer.WriteLong(doc.TeraSize);
  writer.WriteLong(doc.TerrainColumnCount);
  writer.WriteLong(doc.TerrainRowCount);
  writer.WriteSingle(doc.TerrainValue1);
  writer.WriteSingle(doc.TerrainValue2);
  writer.WriteText(doc.TerrainText1);
  writer.WriteSingle(doc.TerrainValue3);
  writer.WriteText(doc.TerrainText2);
  writer.WriteSingle(doc.TerrainValue4);
  writer.WriteFlag(doc.TerrainFlag1);
  writer.WriteBytes(doc.TerrainReservedAfterFlag);
  writer.WriteText(doc.TerrainText3);
  writer.WriteSingle(doc.TerrainValue5);
  writer.WriteByte(doc.TerrainByte1);
  writer.WriteBytes(doc.TerrainReservedAfterByte);
  for (Single value : doc.TerrainGrid) writer.WriteSingle(value);
  writer.WriteBytes(doc.TeraReservedTail);
  writer.WriteLong(doc.TeraSubChunkCount);
}

// From the grid's counts, as its size field says; a save first checks that
// the grid holds that many values.
int64_t ChunkBytesTERA(const TrackDocument& doc) {
  return kChunkHeadBytes + kFieldBytes +
         static_cast<int64_t>(doc.TerrainText1.size() + doc.TerrainText2.size() + doc.TerrainText3.size()) +
         kGridValueBytes * int64_t{doc.TerrainColumnCount} * doc.TerrainRowCount + kReservedTail + 4;
}

void NormaliseChunkTERA(TrackDocument& doc) {
  NormaliseAll(doc.TerrainFlag1, doc.TerrainReservedAfterFlag, doc.TerrainReservedAfterByte, doc.TeraReservedTail);
}

}  // namespace trackio
