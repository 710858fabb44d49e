// The byte buffer that holds a whole track file while it is read or built,
// and the field codecs: the only code that touches its bytes.
//
// Every number is big-endian. The cursor is the driver's, passed by
// reference; a read either handles its whole field and advances the cursor,
// or throws TrackFormatError with the cursor unmoved.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "trackio/TrackDocument.h"
#include "trackio/TrackError.h"

namespace trackio {

namespace bigendian {
inline uint32_t Load32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
inline void Store32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>(value >> 16);
  p[2] = static_cast<uint8_t>(value >> 8);
  p[3] = static_cast<uint8_t>(value);
}
}  // namespace bigendian

// The fields of one fixed-size record, read after a single bounds check for
// the whole record (ByteBuffer::ReadRecord). Tables of such records are the
// bulk of a large track, so their loops carry no check per field; the
// assertions only guard the record layouts in debug builds.
class RecordReader {
 public:
  uint8_t ReadByte() { return *Take(1); }
  bool ReadFlag() { return ReadByte() != 0; }
  int32_t ReadLong() { return static_cast<int32_t>(bigendian::Load32(Take(4))); }
  Single ReadSingle() { return Single{bigendian::Load32(Take(4))}; }
  void Skip(int32_t count) { Take(count); }

 private:
  friend class ByteBuffer;
  RecordReader(const uint8_t* at, const uint8_t* end) : at_(at), end_(end) {}
  const uint8_t* Take(int32_t width) {
    assert(width >= 0 && end_ - at_ >= width);
    const uint8_t* field = at_;
    at_ += width;
    return field;
  }

  const uint8_t* at_;
  const uint8_t* end_;
};

// The fields of one fixed-size record, written into room made for the whole
// record at once (ByteBuffer::WriteRecord); the writing counterpart of
// RecordReader. Every byte of the record must be written.
class RecordWriter {
 public:
  void WriteByte(uint8_t value) { *Take(1) = value; }
  void WriteFlag(bool value) { WriteByte(value ? 255 : 0); }
  void WriteLong(int32_t value) { bigendian::Store32(Take(4), static_cast<uint32_t>(value)); }
  void WriteSingle(Single value) { bigendian::Store32(Take(4), value.bits); }
  void WriteZeros(int32_t count) { std::memset(Take(count), 0, static_cast<size_t>(count)); }

 private:
  friend class ByteBuffer;
  RecordWriter(uint8_t* at, uint8_t* end) : at_(at), end_(end) {}
  uint8_t* Take(int32_t width) {
    assert(width >= 0 && end_ - at_ >= width);
    uint8_t* field = at_;
    at_ += width;
    return field;
  }

  uint8_t* at_;
  uint8_t* end_;
};

class ByteBuffer {
 public:
  ByteBuffer() = default;
  explicit ByteBuffer(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t>& Bytes() { return bytes_; }
  int64_t Size() const { return static_cast<int64_t>(bytes_.size()); }
  // Empties the buffer and makes it `length` zero bytes long, the length of
  // the file about to be written: the writers then fill it in place instead
  // of growing it field by field. A writer that reaches past `length` still
  // grows it; the caller cuts the buffer to the final cursor.
  void SizeForWriting(size_t length) {
    bytes_.clear();
    bytes_.resize(length);
  }

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

  // A record of `width` bytes at the cursor, checked once as a whole; the
  // cursor moves past it. Fails, naming `what`, when it does not fit.
  RecordReader ReadRecord(int32_t& cursor, int32_t width, const char* what) const {
    const uint8_t* record = Take(cursor, width, what);
    cursor += width;
    return RecordReader(record, record + width);
  }

  // ---- writers: write at the cursor, which stands at the end of what has
  // been written so far, growing the buffer when they reach past its end ----
  void WriteByte(int32_t& cursor, uint8_t value);
  void WriteLong(int32_t& cursor, int32_t value);
  void WriteSingle(int32_t& cursor, Single value);
  void WriteColor(int32_t& cursor, int32_t value);  // 0, then bits 16–23, 8–15, 0–7
  void WriteString(int32_t& cursor, std::string_view text);
  void WriteTag(int32_t& cursor, std::string_view tag);
  void WriteZeros(int32_t& cursor, int32_t count);

  // Room for a record of `width` bytes at the end; the cursor moves past it.
  RecordWriter WriteRecord(int32_t& cursor, int32_t width) {
    uint8_t* record = Append(cursor, width);
    return RecordWriter(record, record + width);
  }

  // A flag byte: nonzero reads as true; true is written as 255.
  bool ReadFlag(int32_t& cursor) const { return ReadByte(cursor) != 0; }
  void WriteFlag(int32_t& cursor, bool value) { WriteByte(cursor, value ? 255 : 0); }

 private:
  // The one bounds check under every read: `width` bytes at `cursor`.
  const uint8_t* Take(int32_t cursor, int64_t width, const char* what) const;
  // Makes room for `width` bytes at the cursor and moves it past them;
  // returns where they go.
  uint8_t* Append(int32_t& cursor, int64_t width);

  std::vector<uint8_t> bytes_;
};

// Decoding of a length-prefixed text: a long L, then L bytes; L <= 0 reads as
// the empty text and consumes nothing more.
std::string ReadLengthPrefixedText(const ByteBuffer& buffer, int32_t& cursor);
void WriteLengthPrefixedText(ByteBuffer& buffer, int32_t& cursor, const std::string& text);

}  // namespace trackio
