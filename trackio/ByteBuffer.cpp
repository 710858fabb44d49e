#include "trackio/ByteBuffer.h"

#include <cctype>
#include <cstring>
#include <limits>

namespace trackio {

namespace {

constexpr int64_t kMaxCursor = std::numeric_limits<int32_t>::max();

using bigendian::Load32;
using bigendian::Store32;

[[noreturn]] void FailPastEnd(const char* what, int32_t cursor) {
  throw TrackFormatError(TrackErrorKind::Damaged,
                         std::string("the file ends inside ") + what, cursor);
}

}  // namespace

const uint8_t* ByteBuffer::Take(int32_t cursor, int64_t width, const char* what) const {
  if (cursor < 0 || width < 0 || cursor + width > Size()) FailPastEnd(what, cursor);
  return bytes_.data() + cursor;
}

uint8_t ByteBuffer::ReadByte(int32_t& cursor) const {
  const uint8_t value = *Take(cursor, 1, "a byte field");
  cursor += 1;
  return value;
}

int32_t ByteBuffer::ReadLong(int32_t& cursor) const {
  const uint32_t pattern = Load32(Take(cursor, 4, "a long field"));
  cursor += 4;
  return static_cast<int32_t>(pattern);
}

Single ByteBuffer::ReadSingle(int32_t& cursor) const {
  const uint32_t pattern = Load32(Take(cursor, 4, "a single field"));
  cursor += 4;
  return Single{pattern};
}

int32_t ByteBuffer::ReadColor(int32_t& cursor) const {
  // The leading byte is ignored, but it stands before the value bytes, so
  // the field is checked as a whole and a fault is reported at its start.
  const uint8_t* p = Take(cursor, 4, "a colour field");
  cursor += 4;
  return (int32_t{p[1]} << 16) | (int32_t{p[2]} << 8) | int32_t{p[3]};
}

std::string ByteBuffer::ReadString(int32_t& cursor, int32_t length) const {
  if (length <= 0) return std::string();
  const uint8_t* p = Take(cursor, length, "a text");
  cursor += length;
  return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
}

std::string ByteBuffer::ReadTag(int32_t& cursor) const {
  const uint8_t* p = Take(cursor, 4, "a chunk tag");
  std::string tag(reinterpret_cast<const char*>(p), 4);
  for (char& c : tag) {
    // Only ASCII letters change case; other bytes are kept as they are.
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  cursor += 4;
  return tag;
}

void ByteBuffer::Skip(int32_t& cursor, int32_t count) const {
  if (count < 0 || cursor < 0 || int64_t{cursor} + count > Size()) {
    FailPastEnd("a reserved run", cursor);
  }
  cursor += count;
}

void ByteBuffer::RequireRecords(int32_t cursor, int64_t count, int64_t recordSize,
                                const char* what, int64_t countOffset) const {
  const int64_t remaining = Size() - cursor;
  if (count < 0) {
    throw TrackFormatError(TrackErrorKind::Damaged,
                           std::string(what) + " " + std::to_string(count) + " is negative",
                           countOffset);
  }
  // Divided rather than multiplied: a terrain row of 4 × 2^31 bytes times a
  // row count near 2^31 would overflow 64 bits.
  if (recordSize > 0 && count > remaining / recordSize) {
    throw TrackFormatError(TrackErrorKind::Damaged,
                           std::string(what) + " " + std::to_string(count) +
                               " promises more bytes than the file holds",
                           countOffset);
  }
}

uint8_t* ByteBuffer::Append(int32_t& cursor, int64_t width) {
  const int64_t end = int64_t{cursor} + width;
  if (end > kMaxCursor) {
    throw TrackFormatError(TrackErrorKind::TooLarge,
                           "the track is larger than a track file can hold", cursor);
  }
  // In a buffer sized ahead the room is already there; otherwise resize()
  // grows within the capacity reserved ahead (or doubles it).
  if (end > Size()) bytes_.resize(static_cast<size_t>(end));
  uint8_t* field = bytes_.data() + cursor;
  cursor = static_cast<int32_t>(end);
  return field;
}

void ByteBuffer::WriteByte(int32_t& cursor, uint8_t value) { *Append(cursor, 1) = value; }

void ByteBuffer::WriteLong(int32_t& cursor, int32_t value) {
  Store32(Append(cursor, 4), static_cast<uint32_t>(value));
}

void ByteBuffer::WriteSingle(int32_t& cursor, Single value) {
  Store32(Append(cursor, 4), value.bits);
}

void ByteBuffer::WriteColor(int32_t& cursor, int32_t value) {
  Store32(Append(cursor, 4), static_cast<uint32_t>(value) & 0x00FFFFFFu);
}

void ByteBuffer::WriteString(int32_t& cursor, std::string_view text) {
  if (text.empty()) return;
  std::memcpy(Append(cursor, static_cast<int64_t>(text.size())), text.data(), text.size());
}

void ByteBuffer::WriteTag(int32_t& cursor, std::string_view tag) { WriteString(cursor, tag); }

void ByteBuffer::WriteZeros(int32_t& cursor, int32_t count) {
  if (count <= 0) return;
  std::memset(Append(cursor, count), 0, static_cast<size_t>(count));
}

std::string ReadLengthPrefixedText(const ByteBuffer& buffer, int32_t& cursor) {
  const int32_t length = buffer.ReadLong(cursor);
  return buffer.ReadString(cursor, length);
}

void WriteLengthPrefixedText(ByteBuffer& buffer, int32_t& cursor, const std::string& text) {
  if (text.size() > static_cast<size_t>(kMaxCursor)) {
    throw TrackFormatError(TrackErrorKind::TooLarge, "a text is longer than a track file can hold",
                           cursor);
  }
  buffer.WriteLong(cursor, static_cast<int32_t>(text.size()));
  buffer.WriteString(cursor, text);
}

}  // namespace trackio
