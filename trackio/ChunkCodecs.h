// The reader and writer of every chunk type.
//
// A reader starts with the cursor on its chunk's size field (the driver has
// read the tag) and leaves it on the byte after the chunk's own sub-chunk
// count; it reads no child chunk. A writer appends its chunk from the tag
// through its own sub-chunk count, using the sizes and counts the document
// holds; the driver calls the children's writers next.
#pragma once

#include <cstdint>

#include "trackio/ByteBuffer.h"
#include "trackio/TrackDocument.h"

namespace trackio {

#define TRACKIO_DECLARE_CHUNK(TAG)                                                   \
  void ReadChunk##TAG(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc); \
  void WriteChunk##TAG(ByteBuffer& buffer, int32_t& cursor, const TrackDocument& doc);

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

// Passes over a chunk with an unknown tag and all its descendants by its
// size field; returns the size.
int32_t SkipChunk(const ByteBuffer& buffer, int32_t& cursor);

// Bytes of a segment's kind-specific part: 0 for a kind without a layout.
int32_t SegmentKindPartBytes(int32_t kind);

// Reads a table count and fails unless it is non-negative and that many
// records of at least `recordSize` bytes can still follow.
int32_t ReadTableCount(const ByteBuffer& buffer, int32_t& cursor, int64_t recordSize,
                       const char* what);

}  // namespace trackio
