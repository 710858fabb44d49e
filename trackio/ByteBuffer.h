// The byte buffer that holds a whole track file while it is read or built,
// and the field codecs: the only code that touches its bytes.
//
// Every number is big-endian. The cursor is the driver's, passed by
// reference; a read either handles its whole field and advances the cursor,
// or throws TrackFormatError with the cursor unmoved.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trackio/TrackDocument.h"
#include "trackio/TrackError.h"

namespace trackio {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  explicit ByteBuffer(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t>& Bytes() { return bytes_; }
  int64_t Size() const { return static_cast<int64_t>(bytes_.size()); }
  void Reserve(size_t capacity) { bytes_.reserve(capacity); }
  void Clear() { bytes_.clear(); }

  // ---- readers ----
  uint8_t ReadByte(int32_t& cursor) const;
  int32_t ReadLong(int32_t& cursor) const;
  Single ReadSingle(int32_t& cursor) const;
  int32_t ReadColor(int32_t& cursor) const;  // top byte 0; the leading file byte is ignored
  std::string ReadString(int32_t& cursor, int32_t length) const;  // length <= 0: empty
  std::string ReadTag(int32_t& cursor) const;                     // upper-cased

  // Moves the cursor over `count` reserved or unread bytes. Fails when the
  // skip would leave the buffer, so the fault is reported where it lies.
  void Skip(int32_t& cursor, int32_t count) const;

  // Fails unless `count` records of at least `recordSize` bytes each can
  // still follow the cursor; called before a table is allocated so that a
  // damaged count never makes us allocate what the file cannot hold. The
  // error names `what` and points at `countOffset`, where the count stands.
  void RequireRecords(int32_t cursor, int64_t count, int64_t recordSize, const char* what,
                      int64_t countOffset) const;

  // ---- writers: append at the cursor, which always stands at the end ----
  void WriteByte(int32_t& cursor, uint8_t value);
  void WriteLong(int32_t& cursor, int32_t value);
  void WriteSingle(int32_t& cursor, Single value);
  void WriteColor(int32_t& cursor, int32_t value);  // 0, then bits 16–23, 8–15, 0–7
  void WriteString(int32_t& cursor, std::string_view text);
  void WriteTag(int32_t& cursor, std::string_view tag);
  void WriteZeros(int32_t& cursor, int32_t count);

  // A flag byte: nonzero reads as true; true is written as 255.
  bool ReadFlag(int32_t& cursor) const { return ReadByte(cursor) != 0; }
  void WriteFlag(int32_t& cursor, bool value) { WriteByte(cursor, value ? 255 : 0); }

 private:
  // The one bounds check under every read: `width` bytes at `cursor`.
  const uint8_t* Take(int32_t cursor, int64_t width, const char* what) const;
  // Makes room for `width` bytes at the end; returns where they go.
  uint8_t* Append(int32_t& cursor, int64_t width);

  std::vector<uint8_t> bytes_;
};

// Decoding of a length-prefixed text: a long L, then L bytes; L <= 0 reads as
// the empty text and consumes nothing more.
std::string ReadLengthPrefixedText(const ByteBuffer& buffer, int32_t& cursor);
void WriteLengthPrefixedText(ByteBuffer& buffer, int32_t& cursor, const std::string& text);

}  // namespace trackio
