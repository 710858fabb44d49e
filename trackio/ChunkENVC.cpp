// ENVC: the environment's two texts; the last chunk of every saved file.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
}

void ReadChunkENVC(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.EnvcSize = buffer.ReadLong(cursor);
  buffer.Skip(cursor, kReservedRun);
  doc.EnvironmentText1 = ReadLengthPrefixedText(buffer, cursor);
  doc.EnvironmentText2 = ReadLengthPrefixedText(buffer, cursor);
  buffer.Skip(cursor, kReservedRun);
  doc.EnvcSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkENVC(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "ENVC");
  buffer.WriteLong(cursor, doc.EnvcSize);
  buffer.WriteZeros(cursor, kReservedRun);
  WriteLengthPrefixedText(buffer, cursor, doc.EnvironmentText1);
  WriteLengthPrefixedText(buffer, cursor, doc.EnvironmentText2);
  buffer.WriteZeros(cursor, kReservedRun);
  buffer.WriteLong(cursor, doc.EnvcSubChunkCount);
}

}  // namespace trackio
