// INFO: the track's description text; TRCK's first child.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReserved = 16;
}

void ReadChunkINFO(ChunkReader& reader, TrackDocument& doc) {
  doc.InfoSize = reader.ReadLong();
  reader.ReadBytes(doc.InfoReserved);
  doc.InfoText = reader.ReadText();
  doc.InfoSubChunkCount = reader.ReadLong();
}

void WriteChunkINFO(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("INFO");
  writer.WriteLong(doc.InfoSize);
  writer.WriteBytes(doc.InfoReserved);
  writer.WriteText(doc.InfoText);
  writer.WriteLong(doc.InfoSubChunkCount);
}

int64_t ChunkBytesINFO(const TrackDocument& doc) {
  return kChunkHeadBytes + kReserved + TextBytes(doc.InfoText) + 4;
}

void NormaliseChunkINFO(TrackDocument& doc) { NormaliseAll(doc.InfoReserved); }

}  // namespace trackio
