// TRCK (track-wide settings, colours and colour sets) and its first child INFO.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedColorSet = 7;
constexpr int32_t kReservedTrck = 16;
constexpr int32_t kReservedInfo = 16;
constexpr int64_t kMinColorSetBytes = 28;  // flag, reserved, name length, four colours
}  // namespace

void ReadChunkTRCK(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.TrckSize = buffer.ReadLong(cursor);
  doc.TrackSetting1 = buffer.ReadLong(cursor);
  const int32_t countOffset = cursor;
  const int32_t colorSetCount = buffer.ReadLong(cursor);
  doc.TrackSetting2 = buffer.ReadLong(cursor);
  buffer.RequireRecords(cursor, colorSetCount, kMinColorSetBytes, "colour set count", countOffset);

  doc.ColorSets.assign(static_cast<size_t>(colorSetCount), ColorSet{});
  for (ColorSet& set : doc.ColorSets) {
    set.Flag = buffer.ReadFlag(cursor);
    buffer.Skip(cursor, kReservedColorSet);
    set.Name = ReadLengthPrefixedText(buffer, cursor);
    set.Color1 = buffer.ReadColor(cursor);
    set.Color2 = buffer.ReadColor(cursor);
    set.Color3 = buffer.ReadColor(cursor);
    set.Color4 = buffer.ReadColor(cursor);
  }
  for (int32_t& color : doc.TrackColor) color = buffer.ReadColor(cursor);
  buffer.Skip(cursor, kReservedTrck);
  doc.TrckSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkTRCK(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "TRCK");
  buffer.WriteLong(cursor, doc.TrckSize);
  buffer.WriteLong(cursor, doc.TrackSetting1);
  buffer.WriteLong(cursor, doc.ColorSetCount());
  buffer.WriteLong(cursor, doc.TrackSetting2);
  for (const ColorSet& set : doc.ColorSets) {
    buffer.WriteFlag(cursor, set.Flag);
    buffer.WriteZeros(cursor, kReservedColorSet);
    WriteLengthPrefixedText(buffer, cursor, set.Name);
    buffer.WriteColor(cursor, set.Color1);
    buffer.WriteColor(cursor, set.Color2);
    buffer.WriteColor(cursor, set.Color3);
    buffer.WriteColor(cursor, set.Color4);
  }
  for (int32_t color : doc.TrackColor) buffer.WriteColor(cursor, color);
  buffer.WriteZeros(cursor, kReservedTrck);
  buffer.WriteLong(cursor, doc.TrckSubChunkCount);
}

void ReadChunkINFO(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.InfoSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedInfo);
  doc.InfoText = ReadLengthPrefixedText(buffer, cursor);
  doc.InfoSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkINFO(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "INFO");
  buffer.WriteLong(cursor, doc.InfoSize);
  buffer.WriteZeros(cursor, kReservedInfo);
  WriteLengthPrefixedText(buffer, cursor, doc.InfoText);
  buffer.WriteLong(cursor, doc.InfoSubChunkCount);
}

}  // namespace trackio
