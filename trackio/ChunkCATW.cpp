// CATW: catwalks, each followed by a trailer whose length it gives.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int64_t kMinCatwalkBytes = 28;
}  // namespace

void ReadChunkCATW(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.CatwSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  const int32_t count = ReadTableCount(buffer, cursor, kMinCatwalkBytes, "catwalk count");
  doc.Catwalks.assign(static_cast<size_t>(count), Catwalk{});
  for (Catwalk& catwalk : doc.Catwalks) {
    catwalk.Int1 = buffer.ReadLong(cursor);
    catwalk.Int2 = buffer.ReadLong(cursor);
    catwalk.Int3 = buffer.ReadLong(cursor);
    catwalk.Int4 = buffer.ReadLong(cursor);
    catwalk.Int5 = buffer.ReadLong(cursor);
    catwalk.Int6 = buffer.ReadLong(cursor);
    const int32_t lengthOffset = cursor;
    catwalk.TrailerLength = buffer.ReadLong(cursor);
    // A negative length would move the cursor backwards and disagree with
    // the bytes a save writes: the file is damaged.
    if (catwalk.TrailerLength < 0) {
      throw TrackFormatError(TrackErrorKind::Damaged,
                             "catwalk trailer length " + std::to_string(catwalk.TrailerLength) +
                                 " is negative",
                             lengthOffset);
    }
    // The trailer's content is not kept; a save writes as many zero bytes.
    buffer.Skip(cursor, catwalk.TrailerLength);
  }
  buffer.Skip(cursor, kReservedRun);
  doc.CatwSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkCATW(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "CATW");
  buffer.WriteLong(cursor, doc.CatwSize);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.CatwalkCount());
  for (const Catwalk& catwalk : doc.Catwalks) {
    buffer.WriteLong(cursor, catwalk.Int1);
    buffer.WriteLong(cursor, catwalk.Int2);
    buffer.WriteLong(cursor, catwalk.Int3);
    buffer.WriteLong(cursor, catwalk.Int4);
    buffer.WriteLong(cursor, catwalk.Int5);
    buffer.WriteLong(cursor, catwalk.Int6);
    buffer.WriteLong(cursor, catwalk.TrailerLength);
    buffer.WriteZeros(cursor, catwalk.TrailerLength);
  }
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.CatwSubChunkCount);
}

}  // namespace trackio
