// The reader, the writer, the length and the normaliser of every chunk type,
// each in the file named after its tag (ChunkTUBE.cpp, …).
//
// A reader starts on its chunk's size field (the driver has read the tag)
// and stops on the byte after the chunk's own sub-chunk count; it reads no
// child chunk. A writer writes its chunk from the tag through its own
// sub-chunk count, using the sizes and counts the document holds, and every
// byte the tool does not interpret as the document holds it; the driver
// calls the children's writers next. ChunkBytes<TAG> is how many bytes that
// writer writes: children, written by their own writers, are not included.
// NormaliseChunk<TAG> sets the chunk's uninterpreted bytes to the values a
// normalised save writes: reserved runs and trailers zero, flags 255 or 0,
// colours' leading bytes 0.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "trackio/ChunkReader.h"
#include "trackio/ChunkWriter.h"
#include "trackio/TableMemory.h"
#include "trackio/TrackDocument.h"

namespace trackio {

#define TRACKIO_DECLARE_CHUNK(TAG)                                 \
  void ReadChunk##TAG(ChunkReader& reader, TrackDocument& doc);    \
  void WriteChunk##TAG(ChunkWriter& writer, const TrackDocument& doc); \
  int64_t ChunkBytes##TAG(const TrackDocument& doc);               \
  void NormaliseChunk##TAG(TrackDocument& doc);

TRACKIO_DECLARE_CHUNK(NLIM)
TRACKIO_DECLARE_CHUNK(TRCK)
TRACKIO_DECLARE_CHUNK(INFO)
TRACKIO_DECLARE_CHUNK(BEZR)
TRACKIO_DECLARE_CHUNK(SEGM)
TRACKIO_DECLARE_CHUNK(SUPP)
TRACKIO_DECLARE_CHUNK(FUND)
TRACKIO_DECLARE_CHUNK(RASC)
TRACKIO_DECLARE_CHUNK(FREN)
TRACKIO_DECLARE_CHUNK(TUBE)
TRACKIO_DECLARE_CHUNK(CATW)
TRACKIO_DECLARE_CHUNK(SCEN)
TRACKIO_DECLARE_CHUNK(SCOB)
TRACKIO_DECLARE_CHUNK(TERA)
TRACKIO_DECLARE_CHUNK(ENVC)

#undef TRACKIO_DECLARE_CHUNK

// The values a normalised save writes for bytes the tool does not interpret.
inline void Normalise(FlagByte& flag) { flag = FlagByte(flag.IsSet()); }
inline void Normalise(Color& color) { color = Color(color.Value()); }
template <size_t N>
void Normalise(RawBytes<N>& bytes) {
  bytes.fill(0);
}
template <typename... Fields>
void NormaliseAll(Fields&... fields) {
  (Normalise(fields), ...);
}

// The reserved runs of the free node and tube tables are held beside them,
// only up to the last record whose run holds a nonzero byte: a track whose
// runs are all zero (as most are) holds none, and flanges add none.

// Reads `count` records of `RecordBytes` each into `records`, appended to
// room mapped up front, and their runs into `runs`:
// decode(RecordReader&, Record&, Run&) reads one record and its run.
template <int32_t RecordBytes, typename Record, typename Run, typename Decode>
void ReadTableWithRuns(ChunkReader& reader, size_t count, std::vector<Record>& records, std::vector<Run>& runs,
                       Decode decode) {
  ReserveTable(records, count);
  runs.clear();
  reader.ReadRecordsInOrder(count, RecordBytes, [&](RecordReader& record, size_t index) {
    Run run{};
    decode(record, records.emplace_back(), run);
    if (run == Run{}) return;
    if (runs.size() <= index) runs.resize(index + 1);
    runs[index] = run;
  });
}

// Writes `records`, each with its run (zeros past the last one held):
// encode(RecordWriter&, const Record&, const Run&) writes one record.
template <int32_t RecordBytes, typename Record, typename Run, typename Encode>
void WriteTableWithRuns(ChunkWriter& writer, const std::vector<Record>& records, const std::vector<Run>& runs,
                        Encode encode) {
  auto write = [&writer, &encode](const Record& record, const Run& run) {
    writer.WriteRecord<RecordBytes>([&](RecordWriter& fields) { encode(fields, record, run); });
  };
  const size_t withRuns = std::min(runs.size(), records.size());
  for (size_t i = 0; i < withRuns; ++i) write(records[i], runs[i]);
  // The constant zero run compiles to plain stores.
  constexpr Run kZeroRun{};
  for (size_t i = withRuns; i < records.size(); ++i) write(records[i], kZeroRun);
}

// Bytes of every chunk's tag and size field.
inline constexpr int64_t kChunkHeadBytes = 8;
// Bytes of one record of the free node table (x, y, z, 16 reserved) and of
// the tube table (two ends, type, values, gaps).
inline constexpr int32_t kFreeNodeRecordBytes = 28;
inline constexpr int32_t kTubeRecordBytes = 48;
// Bytes of a length-prefixed text: its length long, then the text.
inline int64_t TextBytes(const std::string& text) { return 4 + static_cast<int64_t>(text.size()); }

}  // namespace trackio
