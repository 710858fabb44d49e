// SEGM: the track's segments, each a common part and a kind-specific part.
#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedHead = 16;
constexpr int32_t kReservedCommon = 15;
constexpr int32_t kReservedTail = 16;
constexpr int32_t kLengthLong = 4;
constexpr int64_t kCommonPartBytes = 33;

// Kind-specific parts start with a long that holds the number of bytes after
// it; the reader passes over it, the writer writes the kind's fixed value.
void ReadKind1(const ByteBuffer& b, int32_t& c, SegmentKind1Data& d) {
  b.Skip(c, kLengthLong);
  d.Value1 = b.ReadSingle(c);
  d.Value2 = b.ReadSingle(c);
  d.Value3 = b.ReadSingle(c);
  d.Value4 = b.ReadSingle(c);
  d.Byte1 = b.ReadByte(c);
  d.Byte2 = b.ReadByte(c);
  d.Flag1 = b.ReadFlag(c);
  d.Byte3 = b.ReadByte(c);
  d.Value5 = b.ReadSingle(c);
  b.Skip(c, 4);
  d.Flag3 = b.ReadFlag(c);
  d.Value9 = b.ReadSingle(c);
  b.Skip(c, 4);
  d.Value10 = b.ReadSingle(c);
  d.Value11 = b.ReadSingle(c);
  b.Skip(c, 4);
  d.Flag2 = b.ReadFlag(c);
  d.Value6 = b.ReadSingle(c);
  d.Value7 = b.ReadSingle(c);
  d.Value8 = b.ReadSingle(c);
  b.Skip(c, 64);
}

void WriteKind1(ByteBuffer& b, int32_t& c, const SegmentKind1Data& d) {
  b.WriteLong(c, 126);
  b.WriteSingle(c, d.Value1);
  b.WriteSingle(c, d.Value2);
  b.WriteSingle(c, d.Value3);
  b.WriteSingle(c, d.Value4);
  b.WriteByte(c, d.Byte1);
  b.WriteByte(c, d.Byte2);
  b.WriteFlag(c, d.Flag1);
  b.WriteByte(c, d.Byte3);
  b.WriteSingle(c, d.Value5);
  b.WriteZeros(c, 4);
  b.WriteFlag(c, d.Flag3);
  b.WriteSingle(c, d.Value9);
  b.WriteZeros(c, 4);
  b.WriteSingle(c, d.Value10);
  b.WriteSingle(c, d.Value11);
  b.WriteZeros(c, 4);
  b.WriteFlag(c, d.Flag2);
  b.WriteSingle(c, d.Value6);
  b.WriteSingle(c, d.Value7);
  b.WriteSingle(c, d.Value8);
  b.WriteZeros(c, 64);
}

void ReadKind2(const ByteBuffer& b, int32_t& c, SegmentKind2Data& d) {
  b.Skip(c, kLengthLong);
  b.Skip(c, 3);
  d.Byte1 = b.ReadByte(c);
  d.Value1 = b.ReadSingle(c);
  d.Value2 = b.ReadSingle(c);
  d.Value3 = b.ReadSingle(c);
  b.Skip(c, 4);
  d.Flag1 = b.ReadFlag(c);
  d.Flag2 = b.ReadFlag(c);
  b.Skip(c, 14);
}

void WriteKind2(ByteBuffer& b, int32_t& c, const SegmentKind2Data& d) {
  b.WriteLong(c, 36);
  b.WriteZeros(c, 3);
  b.WriteByte(c, d.Byte1);
  b.WriteSingle(c, d.Value1);
  b.WriteSingle(c, d.Value2);
  b.WriteSingle(c, d.Value3);
  b.WriteZeros(c, 4);
  b.WriteFlag(c, d.Flag1);
  b.WriteFlag(c, d.Flag2);
  b.WriteZeros(c, 14);
}

void ReadKind3(const ByteBuffer& b, int32_t& c, SegmentKind3Data& d) {
  b.Skip(c, kLengthLong);
  d.Value1 = b.ReadSingle(c);
  d.Value2 = b.ReadSingle(c);
  d.Value3 = b.ReadSingle(c);
  b.Skip(c, 3);
  d.Byte1 = b.ReadByte(c);
  d.Flag1 = b.ReadFlag(c);
  d.Flag2 = b.ReadFlag(c);
  b.Skip(c, 10);
}

void WriteKind3(ByteBuffer& b, int32_t& c, const SegmentKind3Data& d) {
  b.WriteLong(c, 28);
  b.WriteSingle(c, d.Value1);
  b.WriteSingle(c, d.Value2);
  b.WriteSingle(c, d.Value3);
  b.WriteZeros(c, 3);
  b.WriteByte(c, d.Byte1);
  b.WriteFlag(c, d.Flag1);
  b.WriteFlag(c, d.Flag2);
  b.WriteZeros(c, 10);
}

void ReadKind4(const ByteBuffer& b, int32_t& c, SegmentKind4Data& d) {
  b.Skip(c, kLengthLong);
  d.Value1 = b.ReadSingle(c);
  d.Value2 = b.ReadSingle(c);
  d.Value3 = b.ReadSingle(c);
  b.Skip(c, 4);
  d.Value7 = b.ReadSingle(c);
  d.Flag1 = b.ReadFlag(c);
  d.Flag3 = b.ReadFlag(c);
  d.Value4 = b.ReadSingle(c);
  d.Value5 = b.ReadSingle(c);
  d.Value6 = b.ReadSingle(c);
  d.Flag4 = b.ReadFlag(c);
  d.Flag5 = b.ReadFlag(c);
  d.Flag2 = b.ReadFlag(c);
  b.Skip(c, 13);
}

void WriteKind4(ByteBuffer& b, int32_t& c, const SegmentKind4Data& d) {
  b.WriteLong(c, 50);
  b.WriteSingle(c, d.Value1);
  b.WriteSingle(c, d.Value2);
  b.WriteSingle(c, d.Value3);
  b.WriteZeros(c, 4);
  b.WriteSingle(c, d.Value7);
  b.WriteFlag(c, d.Flag1);
  b.WriteFlag(c, d.Flag3);
  b.WriteSingle(c, d.Value4);
  b.WriteSingle(c, d.Value5);
  b.WriteSingle(c, d.Value6);
  b.WriteFlag(c, d.Flag4);
  b.WriteFlag(c, d.Flag5);
  b.WriteFlag(c, d.Flag2);
  b.WriteZeros(c, 13);
}

}  // namespace

int32_t SegmentKindPartBytes(int32_t kind) {
  switch (kind) {
    case 0: return 4;
    case 1: return 130;
    case 2: return 40;
    case 3: return 32;
    case 4: return 54;
    default: return 0;  // a kind without a layout has no kind-specific part
  }
}

void ReadChunkSEGM(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc) {
  doc.SegmSize = buffer.ReadLong(cursor);
  const int32_t countOffset = cursor;
  const int32_t count = buffer.ReadLong(cursor);
  doc.SegmHeaderFlag = buffer.ReadFlag(cursor);
  buffer.Skip(cursor, kReservedHead);
  buffer.RequireRecords(cursor, count, kCommonPartBytes, "segment count", countOffset);

  doc.Segments.assign(static_cast<size_t>(count), Segment{});
  for (Segment& segment : doc.Segments) {
    segment.Kind = buffer.ReadLong(cursor);
    segment.Flag1 = buffer.ReadFlag(cursor);
    segment.Color1 = buffer.ReadColor(cursor);
    segment.Color2 = buffer.ReadColor(cursor);
    segment.Color3 = buffer.ReadColor(cursor);
    segment.Flag2 = buffer.ReadFlag(cursor);
    buffer.Skip(cursor, kReservedCommon);
    switch (segment.Kind) {
      case 0: buffer.Skip(cursor, kLengthLong); break;
      case 1: ReadKind1(buffer, cursor, segment.Kind1Data); break;
      case 2: ReadKind2(buffer, cursor, segment.Kind2Data); break;
      case 3: ReadKind3(buffer, cursor, segment.Kind3Data); break;
      case 4: ReadKind4(buffer, cursor, segment.Kind4Data); break;
      default: break;
    }
  }
  buffer.Skip(cursor, kReservedTail);
  doc.SegmSubChunkCount = buffer.ReadLong(cursor);
}

void WriteChunkSEGM(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc) {
  buffer.WriteTag(cursor, "SEGM");
  buffer.WriteLong(cursor, doc.SegmSize);
  buffer.WriteLong(cursor, doc.SegmentCount());
  buffer.WriteFlag(cursor, doc.SegmHeaderFlag);
  buffer.WriteZeros(cursor, kReservedHead);
  for (const Segment& segment : doc.Segments) {
    buffer.WriteLong(cursor, segment.Kind);
    buffer.WriteFlag(cursor, segment.Flag1);
    buffer.WriteColor(cursor, segment.Color1);
    buffer.WriteColor(cursor, segment.Color2);
    buffer.WriteColor(cursor, segment.Color3);
    buffer.WriteFlag(cursor, segment.Flag2);
    buffer.WriteZeros(cursor, kReservedCommon);
    switch (segment.Kind) {
      case 0: buffer.WriteLong(cursor, 0); break;
      case 1: WriteKind1(buffer, cursor, segment.Kind1Data); break;
      case 2: WriteKind2(buffer, cursor, segment.Kind2Data); break;
      case 3: WriteKind3(buffer, cursor, segment.Kind3Data); break;
      case 4: WriteKind4(buffer, cursor, segment.Kind4Data); break;
      default: break;
    }
  }
  buffer.WriteZeros(cursor, kReservedTail);
  buffer.WriteLong(cursor, doc.SegmSubChunkCount);
}

}  // namespace trackio
