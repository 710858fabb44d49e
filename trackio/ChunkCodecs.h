// The reader, the writer and the length of every chunk type, each in the
// file named after its tag (ChunkTUBE.cpp, …).
//
// A reader starts on its chunk's size field (the driver has read the tag)
// and stops on the byte after the chunk's own sub-chunk count; it reads no
// child chunk. A writer writes its chunk from the tag through its own
// sub-chunk count, using the sizes and counts the document holds; the driver
// calls the children's writers next. ChunkBytes<TAG> is how many bytes that
// writer writes: children, written by their own writers, are not included.
#pragma once

#include <cstdint>

#include "trackio/ChunkReader.h"
#include "trackio/ChunkWriter.h"
#include "trackio/TrackDocument.h"

namespace trackio {

#define TRACKIO_DECLARE_CHUNK(TAG)                                 \
  void ReadChunk##TAG(ChunkReader& reader, TrackDocument& doc);    \
  void WriteChunk##TAG(ChunkWriter& writer, const TrackDocument& doc); \
  int64_t ChunkBytes##TAG(const TrackDocument& doc);

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

// Bytes of every chunk's tag and size field.
inline constexpr int64_t kChunkHeadBytes = 8;
// Bytes of a length-prefixed text: its length long, then the text.
inline int64_t TextBytes(const std::string& text) { return 4 + static_cast<int64_t>(text.size()); }

}  // namespace trackio
