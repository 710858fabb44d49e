// TRCK: track-wide settings, colour sets and the track's colours.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReserved = 16;
constexpr int64_t kColorSetBytesBesideName = 28;  // flag, reserved, name length, four colours
constexpr int64_t kSettingsBytes = 12;            // setting 1, colour set count, setting 2
constexpr RecordNoun kColorSet{"colour set", "colour sets"};
}  // namespace

void ReadChunkTRCK(ChunkReader& reader, TrackDocument& doc) {
  doc.TrckSize = reader.ReadLong();
  doc.TrackSetting1 = reader.ReadLong();
  const int64_t countOffset = reader.Position();
  const int32_t colorSetCount = reader.ReadLong();
  doc.TrackSetting2 = reader.ReadLong();
  reader.RequireRecords(colorSetCount, kColorSetBytesBesideName, kColorSet, countOffset);

  doc.ColorSets.assign(static_cast<size_t>(colorSetCount), ColorSet{});
  reader.ReadEach(doc.ColorSets, kColorSet, [](ChunkReader& r, ColorSet& set) {
    set.Flag = r.ReadFlag();
    r.ReadBytes(set.Reserved);
    set.Name = r.ReadText();
    set.Color1 = r.ReadColor();
    set.Color2 = r.ReadColor();
    set.Color3 = r.ReadColor();
    set.Color4 = r.ReadColor();
  });
  for (Color& color : doc.TrackColor) color = reader.ReadColor();
  reader.ReadBytes(doc.TrckReserved);
  doc.TrckSubChunkCount = reader.ReadLong();
}

void WriteChunkTRCK(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("TRCK");
  writer.WriteLong(doc.TrckSize);
  writer.WriteLong(doc.TrackSetting1);
  writer.WriteLong(doc.ColorSetCount());
  writer.WriteLong(doc.TrackSetting2);
  for (const ColorSet& set : doc.ColorSets) {
    writer.WriteFlag(set.Flag);
    writer.WriteBytes(set.Reserved);
    writer.WriteText(set.Name);
    writer.WriteColor(set.Color1);
    writer.WriteColor(set.Color2);
    writer.WriteColor(set.Color3);
    writer.WriteColor(set.Color4);
  }
  for (Color color : doc.TrackColor) writer.WriteColor(color);
  writer.WriteBytes(doc.TrckReserved);
  writer.WriteLong(doc.TrckSubChunkCount);
}

int64_t ChunkBytesTRCK(const TrackDocument& doc) {
  int64_t bytes = kChunkHeadBytes + kSettingsBytes + 4 * static_cast<int64_t>(doc.TrackColor.size()) +
                  kReserved + 4;
  for (const ColorSet& set : doc.ColorSets) {
    bytes += kColorSetBytesBesideName + static_cast<int64_t>(set.Name.size());
  }
  return bytes;
}

void NormaliseChunkTRCK(TrackDocument& doc) {
  for (ColorSet& set : doc.ColorSets) NormaliseAll(set.Flag, set.Reserved, set.Color1, set.Color2, set.Color3, set.Color4);
  for (Color& color : doc.TrackColor) Normalise(color);
  NormaliseAll(doc.TrckReserved);
}

}  // namespace trackio
