// SUPP: the container of the support chunks FUND, RASC, FREN, TUBE, CATW.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReserved = 32;
}

void ReadChunkSUPP(ChunkReader& reader, TrackDocument& doc) {
  doc.SuppSize = reader.ReadLong();
  reader.ReadBytes(doc.SuppReserved);
  doc.SuppSubChunkCount = reader.ReadLong();
}

void WriteChunkSUPP(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("SUPP");
  writer.WriteLong(doc.SuppSize);
  writer.WriteBytes(doc.SuppReserved);
  writer.WriteLong(doc.SuppSubChunkCount);
}

int64_t ChunkBytesSUPP(const TrackDocument&) { return kChunkHeadBytes + kReserved + 4; }

void NormaliseChunkSUPP(TrackDocument& doc) { NormaliseAll(doc.SuppReserved); }

}  // namespace trackio
