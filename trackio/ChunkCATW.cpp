// CATW: catwalks, each followed by a trailer whose length it gives.
#include <algorithm>

#include "trackio/ChunkCodecs.h"

namespace trackio {

namespace {
constexpr int32_t kReservedRun = 16;
constexpr int64_t kCatwalkBytesBesideTrailer = 28;  // six longs and the trailer length
constexpr RecordNoun kCatwalk{"catwalk", "catwalks"};
}  // namespace

void ReadChunkCATW(ChunkReader& reader, TrackDocument& doc) {
  doc.CatwSize = reader.ReadLong();
  reader.ReadBytes(doc.CatwReservedHead);
  const int32_t count = reader.ReadTableCount(kCatwalkBytesBesideTrailer, kCatwalk);
  doc.Catwalks.assign(static_cast<size_t>(count), Catwalk{});
  reader.ReadEach(doc.Catwalks, kCatwalk, [](ChunkReader& r, Catwalk& catwalk) {
    catwalk.Int1 = r.ReadLong();
    catwalk.Int2 = r.ReadLong();
    catwalk.Int3 = r.ReadLong();
    catwalk.Int4 = r.ReadLong();
    catwalk.Int5 = r.ReadLong();
    catwalk.Int6 = r.ReadLong();
    const int64_t lengthOffset = r.Position();
    catwalk.TrailerLength = r.ReadLong();
    // A negative length would move the position backwards and disagree with
    // the bytes a save writes: the file is damaged.
    if (catwalk.TrailerLength < 0) {
      r.Fail("gives catwalk " + std::to_string(r.Context().itemIndex) + " a negative trailer length (" +
                 std::to_string(catwalk.TrailerLength) + ")",
             lengthOffset);
    }
    const std::span<const uint8_t> trailer = r.ReadSpan(catwalk.TrailerLength);
    // A trailer of zeros, as most are, holds no bytes.
    if (std::any_of(trailer.begin(), trailer.end(), [](uint8_t byte) { return byte != 0; })) {
      catwalk.Trailer.assign(trailer.begin(), trailer.end());
    }
  });
  reader.ReadBytes(doc.CatwReservedTail);
  doc.CatwSubChunkCount = reader.ReadLong();
}

void WriteChunkCATW(ChunkWriter& writer, const TrackDocument& doc) {
  writer.WriteTag("CATW");
  writer.WriteLong(doc.CatwSize);
  writer.WriteBytes(doc.CatwReservedHead);
  writer.WriteLong(doc.CatwalkCount());
  for (const Catwalk& catwalk : doc.Catwalks) {
    writer.WriteLong(catwalk.Int1);
    writer.WriteLong(catwalk.Int2);
    writer.WriteLong(catwalk.Int3);
    writer.WriteLong(catwalk.Int4);
    writer.WriteLong(catwalk.Int5);
    writer.WriteLong(catwalk.Int6);
    writer.WriteLong(catwalk.TrailerLength);
    // A save first checks that a trailer holds no bytes or TrailerLength bytes.
    if (catwalk.Trailer.empty()) {
      writer.WriteZeros(catwalk.TrailerLength);
    } else {
      writer.WriteBytes(catwalk.Trailer.data(), catwalk.Trailer.size());
    }
  }
  writer.WriteBytes(doc.CatwReservedTail);
  writer.WriteLong(doc.CatwSubChunkCount);
}

int64_t ChunkBytesCATW(const TrackDocument& doc) {
  int64_t bytes = kChunkHeadBytes + kReservedRun + 4 + kReservedRun + 4;
  for (const Catwalk& catwalk : doc.Catwalks) bytes += kCatwalkBytesBesideTrailer + int64_t{catwalk.TrailerLength};
  return bytes;
}

void NormaliseChunkCATW(TrackDocument& doc) {
  NormaliseAll(doc.CatwReservedHead, doc.CatwReservedTail);
  for (Catwalk& catwalk : doc.Catwalks) std::vector<uint8_t>().swap(catwalk.Trailer);
}

}  // namespace trackio
