// ENVC: the environment's two texts; the last chunk of every saved file.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
}

void ReadChunkENVC(ChunkReader& reader, TrackDocument& doc) {
  doc.EnvcSize = reader.ReadLong();
  reader.ReadBytes(doc.EnvcReservedHead);
  doc.EnvironmentText1 = reader.ReadText();
  doc.EnvironmentText2 = reader.ReadText();
  reader.ReadBytes(doc.EnvcReservedTail);
  doc.EnvcSubChunkCount = reader.ReadLong();
}

void WriteChunkENVC(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("ENVC");
  writer.WriteLong(doc.EnvcSize);
  writer.WriteBytes(doc.EnvcReservedHead);
  writer.WriteText(doc.EnvironmentText1);
  writer.WriteText(doc.EnvironmentText2);
  writer.WriteBytes(doc.EnvcReservedTail);
  writer.WriteLong(doc.EnvcSubChunkCount);
}

int64_t ChunkBytesENVC(const TrackDocument& doc) {
  return kChunkHeadBytes + kReservedRun + TextBytes(doc.EnvironmentText1) + TextBytes(doc.EnvironmentText2) +
         kReservedRun + 4;
}

void NormaliseChunkENVC(TrackDocument& doc) { NormaliseAll(doc.EnvcReservedHead, doc.EnvcReservedTail); }

}  // namespace trackio
