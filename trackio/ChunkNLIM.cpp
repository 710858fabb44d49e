// The root chunk NLIM, unknown chunks, and table counts shared by all chunks.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedNlim = 16;
}

void ReadChunkNLIM(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.NlimSize = buffer.ReadLong(cursor);
  doc.NlimVersion1 = buffer.ReadByte(cursor);
  doc.NlimVersion2 = buffer.ReadByte(cursor);
  doc.NlimVersion3 = buffer.ReadByte(cursor);
  doc.NlimVersion4 = buffer.ReadByte(cursor);
  buffer.Skip(cursor, kReservedNlim);
  doc.NlimSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkNLIM(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "NLIM");
  buffer.WriteLong(cursor, doc.NlimSize);
  // Every saved file carries the version 1.3.0.0, whatever was loaded.
  buffer.WriteByte(cursor, 1);
  buffer.WriteByte(cursor, 3);
  buffer.WriteByte(cursor, 0);
  buffer.WriteByte(cursor, 0);
  buffer.WriteZeros(cursor, kReservedNlim);
  buffer.WriteLong(cursor, doc.NlimSubChunkCount);
}

int32_t SkipChunk(const ByteBuffer& buffer, int32_t& cursor) {
  const int32_t sizeOffset = cursor;
  const int32_t size = buffer.ReadLong(cursor);
  if (size < 0) {
    throw TrackFormatError(TrackErrorKind::Damaged,
                           "the size " + std::to_string(size) + " of an unknown chunk is negative",
                           sizeOffset);
  }
  // The extra zero byte after the file counts, as it does for reads.
  if (int64_t{cursor} + size > buffer.Size()) {
    throw TrackFormatError(TrackErrorKind::Damaged,
                           "the size " + std::to_string(size) +
                               " of an unknown chunk reaches past the end of the file",
                           sizeOffset);
  }
  cursor += size;
  return size;
}

int32_t ReadTableCount(const ByteBuffer& buffer, int32_t& cursor, int64_t recordSize,
                       const char* what) {
  const int32_t countOffset = cursor;
  const int32_t count = buffer.ReadLong(cursor);
  buffer.RequireRecords(cursor, count, recordSize, what, countOffset);
  return count;
}

}  // namespace trackio
