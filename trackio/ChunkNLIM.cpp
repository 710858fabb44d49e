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
  reader.ReadBytes(doc.NlimReserved);
  doc.NlimSubChunkCount = reader.ReadLong();
}

void WriteChunkNLIM(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("NLIM");
  writer.WriteLong(doc.NlimSize);
  writer.WriteByte(doc.NlimVersion1);
  writer.WriteByte(doc.NlimVersion2);
  writer.WriteByte(doc.NlimVersion3);
  writer.WriteByte(doc.NlimVersion4);
  writer.WriteBytes(doc.NlimReserved);
  writer.WriteLong(doc.NlimSubChunkCount);
}

int64_t ChunkBytesNLIM(const TrackDocument&) { return kChunkHeadBytes + kVersionBytes + kReserved + 4; }

void NormaliseChunkNLIM(TrackDocument& doc) {
  // The version the tool has always written, whatever was loaded.
  doc.NlimVersion1 = 1;
  doc.NlimVersion2 = 3;
  doc.NlimVersion3 = 0;
  doc.NlimVersion4 = 0;
  NormaliseAll(doc.NlimReserved);
}

}  // namespace trackio
