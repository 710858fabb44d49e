// NLIM: the root chunk, first in every file.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kVersionBytes = 4;
constexpr int32_t kReserved = 16;
}  // namespace

void ReadChunkNLIM(ChunkReader& reader, TrackDocument& doc) {
  doc.NlimSize = reader.ReadLong();
  doc.NlimVersion1 = reader.ReadByte();
  doc.NlimVersion2 = reader.ReadByte();
  doc.NlimVersion3 = reader.ReadByte();
  doc.NlimVersion4 = reader.ReadByte();
  reader.Skip(kReserved);
  doc.NlimSubChunkCount = reader.ReadLong();
}

void WriteChunkNLIM(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("NLIM");
  writer.WriteLong(doc.NlimSize);
  // Every saved file carries the version 1.3.0.0, whatever was loaded.
  writer.WriteByte(1);
  writer.WriteByte(3);
  writer.WriteByte(0);
  writer.WriteByte(0);
  writer.WriteZeros(kReserved);
  writer.WriteLong(doc.NlimSubChunkCount);
}

int64_t ChunkBytesNLIM(const TrackDocument&) { return kChunkHeadBytes + kVersionBytes + kReserved + 4; }

}  // namespace trackio
