// SEGM: the track's segments, each a common part and a kind-specific part.
#include <array>

#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedHead = 16;
constexpr int32_t kReservedTail = 16;
constexpr int64_t kCommonPartBytes = 33;  // kind, flag, three colours, flag, reserved
constexpr int32_t kLengthLong = 4;
constexpr RecordNoun kSegment{"segment", "segments"};

// Bytes of each kind's kind-specific part, by kind. The part starts with a
// long that holds the number of bytes after it (kLengthLong fewer), which a
// reader passes over and a writer derives from here.
constexpr std::array<int32_t, 5> kKindPartBytes = {4, 130, 40, 32, 54};

bool HasKindLayout(int32_t kind) { return kind >= 0 && kind < static_cast<int32_t>(kKindPartBytes.size()); }

// A kind without a layout has no kind-specific part.
int32_t KindPartBytes(int32_t kind) { return HasKindLayout(kind) ? kKindPartBytes[static_cast<size_t>(kind)] : 0; }

void ReadKind1(ChunkReader& reader, SegmentKind1Data& data) {
  data.Value1 = reader.ReadSingle();
  data.Value2 = reader.ReadSingle();
  data.Value3 = reader.ReadSingle();
  data.Value4 = reader.ReadSingle();
  data.Byte1 = reader.ReadByte();
  data.Byte2 = reader.ReadByte();
  data.Flag1 = reader.ReadFlag();
  data.Byte3 = reader.ReadByte();
  data.Value5 = reader.ReadSingle();
  reader.ReadBytes(data.ReservedAfterValue5);
  data.Flag3 = reader.ReadFlag();
  data.Value9 = reader.ReadSingle();
  reader.ReadBytes(data.ReservedAfterValue9);
  data.Value10 = reader.ReadSingle();
  data.Value11 = reader.ReadSingle();
  reader.ReadBytes(data.ReservedAfterValue11);
  data.Flag2 = reader.ReadFlag();
  data.Value6 = reader.ReadSingle();
  data.Value7 = reader.ReadSingle();
  data.Value8 = reader.ReadSingle();
  reader.ReadBytes(data.ReservedTail);
}

void WriteKind1(ChunkWriter& writer, const SegmentKind1Data& data) {
  writer.WriteSingle(data.Value1);
  writer.WriteSingle(data.Value2);
  writer.WriteSingle(data.Value3);
  writer.WriteSingle(data.Value4);
  writer.WriteByte(data.Byte1);
  writer.WriteByte(data.Byte2);
  writer.WriteFlag(data.Flag1);
  writer.WriteByte(data.Byte3);
  writer.WriteSingle(data.Value5);
  writer.WriteBytes(data.ReservedAfterValue5);
  writer.WriteFlag(data.Flag3);
  writer.WriteSingle(data.Value9);
  writer.WriteBytes(data.ReservedAfterValue9);
  writer.WriteSingle(data.Value10);
  writer.WriteSingle(data.Value11);
  writer.WriteBytes(data.ReservedAfterValue11);
  writer.WriteFlag(data.Flag2);
  writer.WriteSingle(data.Value6);
  writer.WriteSingle(data.Value7);
  writer.WriteSingle(data.Value8);
  writer.WriteBytes(data.ReservedTail);
}

void ReadKind2(ChunkReader& reader, SegmentKind2Data& data) {
  reader.ReadBytes(data.ReservedHead);
  data.Byte1 = reader.ReadByte();
  data.Value1 = reader.ReadSingle();
  data.Value2 = reader.ReadSingle();
  data.Value3 = reader.ReadSingle();
  reader.ReadBytes(data.ReservedAfterValue3);
  data.Flag1 = reader.ReadFlag();
  data.Flag2 = reader.ReadFlag();
  reader.ReadBytes(data.ReservedTail);
}

void WriteKind2(ChunkWriter& writer, const SegmentKind2Data& data) {
  writer.WriteBytes(data.ReservedHead);
  writer.WriteByte(data.Byte1);
  writer.WriteSingle(data.Value1);
  writer.WriteSingle(data.Value2);
  writer.WriteSingle(data.Value3);
  writer.WriteBytes(data.ReservedAfterValue3);
  writer.WriteFlag(data.Flag1);
  writer.WriteFlag(data.Flag2);
  writer.WriteBytes(data.ReservedTail);
}

void ReadKind3(ChunkReader& reader, SegmentKind3Data& data) {
  data.Value1 = reader.ReadSingle();
  data.Value2 = reader.ReadSingle();
  data.Value3 = reader.ReadSingle();
  reader.ReadBytes(data.ReservedAfterValue3);
  data.Byte1 = reader.ReadByte();
  data.Flag1 = reader.ReadFlag();
  data.Flag2 = reader.ReadFlag();
  reader.ReadBytes(data.ReservedTail);
}

void WriteKind3(ChunkWriter& writer, const SegmentKind3Data& data) {
  writer.WriteSingle(data.Value1);
  writer.WriteSingle(data.Value2);
  writer.WriteSingle(data.Value3);
  writer.WriteBytes(data.ReservedAfterValue3);
  writer.WriteByte(data.Byte1);
  writer.WriteFlag(data.Flag1);
  writer.WriteFlag(data.Flag2);
  writer.WriteBytes(data.ReservedTail);
}

void ReadKind4(ChunkReader& reader, SegmentKind4Data& data) {
  data.Value1 = reader.ReadSingle();
  data.Value2 = reader.ReadSingle();
  data.Value3 = reader.ReadSingle();
  reader.ReadBytes(data.ReservedAfterValue3);
  data.Value7 = reader.ReadSingle();
  data.Flag1 = reader.ReadFlag();
  data.Flag3 = reader.ReadFlag();
  data.Value4 = reader.ReadSingle();
  data.Value5 = reader.ReadSingle();
  data.Value6 = reader.ReadSingle();
  data.Flag4 = reader.ReadFlag();
  data.Flag5 = reader.ReadFlag();
  data.Flag2 = reader.ReadFlag();
  reader.ReadBytes(data.ReservedTail);
}

void WriteKind4(ChunkWriter& writer, const SegmentKind4Data& data) {
  writer.WriteSingle(data.Value1);
  writer.WriteSingle(data.Value2);
  writer.WriteSingle(data.Value3);
  writer.WriteBytes(data.ReservedAfterValue3);
  writer.WriteSingle(data.Value7);
  writer.WriteFlag(data.Flag1);
  writer.WriteFlag(data.Flag3);
  writer.WriteSingle(data.Value4);
  writer.WriteSingle(data.Value5);
  writer.WriteSingle(data.Value6);
  writer.WriteFlag(data.Flag4);
  writer.WriteFlag(data.Flag5);
  writer.WriteFlag(data.Flag2);
  writer.WriteBytes(data.ReservedTail);
}

void ReadKindPart(ChunkReader& reader, Segment& segment) {
  if (!HasKindLayout(segment.Kind)) return;
  reader.Skip(kLengthLong);
  switch (segment.Kind) {
    case 1: ReadKind1(reader, segment.Kind1Data); break;
    case 2: ReadKind2(reader, segment.Kind2Data); break;
    case 3: ReadKind3(reader, segment.Kind3Data); break;
    case 4: ReadKind4(reader, segment.Kind4Data); break;
    default: break;  // kind 0: the length long alone
  }
}

void WriteKindPart(ChunkWriter& writer, const Segment& segment) {
  if (!HasKindLayout(segment.Kind)) return;
  writer.WriteLong(KindPartBytes(segment.Kind) - kLengthLong);
  switch (segment.Kind) {
    case 1: WriteKind1(writer, segment.Kind1Data); break;
    case 2: WriteKind2(writer, segment.Kind2Data); break;
    case 3: WriteKind3(writer, segment.Kind3Data); break;
    case 4: WriteKind4(writer, segment.Kind4Data); break;
    default: break;
  }
}

}  // namespace

void ReadChunkSEGM(ChunkReader& reader, TrackDocument& doc) {
  doc.SegmSize = reader.ReadLong();
  const int64_t countOffset = reader.Position();
  const int32_t count = reader.ReadLong();
  doc.SegmHeaderFlag = reader.ReadFlag();
  reader.ReadBytes(doc.SegmReservedHead);
  reader.RequireRecords(count, kCommonPartBytes, kSegment, countOffset);

  doc.Segments.assign(static_cast<size_t>(count), Segment{});
  reader.ReadEach(doc.Segments, kSegment, [](ChunkReader& r, Segment& segment) {
    segment.Kind = r.ReadLong();
    segment.Flag1 = r.ReadFlag();
    segment.Color1 = r.ReadColor();
    segment.Color2 = r.ReadColor();
    segment.Color3 = r.ReadColor();
    segment.Flag2 = r.ReadFlag();
    r.ReadBytes(segment.Reserved);
    ReadKindPart(r, segment);
  });
  reader.ReadBytes(doc.SegmReservedTail);
  doc.SegmSubChunkCount = reader.ReadLong();
}

void WriteChunkSEGM(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("SEGM");
  writer.WriteLong(doc.SegmSize);
  writer.WriteLong(doc.SegmentCount());
  writer.WriteFlag(doc.SegmHeaderFlag);
  writer.WriteBytes(doc.SegmReservedHead);
  for (const Segment& segment : doc.Segments) {
    writer.WriteLong(segment.Kind);
    writer.WriteFlag(segment.Flag1);
    writer.WriteColor(segment.Color1);
    writer.WriteColor(segment.Color2);
    writer.WriteColor(segment.Color3);
    writer.WriteFlag(segment.Flag2);
    writer.WriteBytes(segment.Reserved);
    WriteKindPart(writer, segment);
  }
  writer.WriteBytes(doc.SegmReservedTail);
  writer.WriteLong(doc.SegmSubChunkCount);
}

int64_t ChunkBytesSEGM(const TrackDocument& doc) {
  int64_t bytes = kChunkHeadBytes + 4 + 1 + kReservedHead + kReservedTail + 4;  // count, flag
  for (const Segment& segment : doc.Segments) bytes += kCommonPartBytes + KindPartBytes(segment.Kind);
  return bytes;
}

void NormaliseChunkSEGM(TrackDocument& doc) {
  NormaliseAll(doc.SegmHeaderFlag, doc.SegmReservedHead, doc.SegmReservedTail);
  for (Segment& s : doc.Segments) {
    NormaliseAll(s.Color1, s.Color2, s.Color3, s.Flag1, s.Flag2, s.Reserved);
    SegmentKind1Data& k1 = s.Kind1Data;
    NormaliseAll(k1.Flag1, k1.Flag2, k1.Flag3, k1.ReservedAfterValue5, k1.ReservedAfterValue9,
                 k1.ReservedAfterValue11, k1.ReservedTail);
    SegmentKind2Data& k2 = s.Kind2Data;
    NormaliseAll(k2.Flag1, k2.Flag2, k2.ReservedHead, k2.ReservedAfterValue3, k2.ReservedTail);
    SegmentKind3Data& k3 = s.Kind3Data;
    NormaliseAll(k3.Flag1, k3.Flag2, k3.ReservedAfterValue3, k3.ReservedTail);
    SegmentKind4Data& k4 = s.Kind4Data;
    NormaliseAll(k4.Flag1, k4.Flag2, k4.Flag3, k4.Flag4, k4.Flag5, k4.ReservedAfterValue3, k4.ReservedTail);
  }
}

}  // namespace trackio
