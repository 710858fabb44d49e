// The writer of a track file's bytes: it owns its position, fills a buffer
// of its own and hands it to a ByteSink whenever it is full, so a file of
// any length is written with 1 MiB of memory. Every number is big-endian.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "trackio/BigEndian.h"
#include "trackio/ByteSink.h"
#include "trackio/Progress.h"
#include "trackio/TrackDocument.h"

namespace trackio {

// The fields of one fixed-size record, written at a place with room for all
// of them: no field needs a check of its own, and the place is a local
// pointer, so writing a field does not make the compiler store and load the
// writer's position again.
class RecordWriter {
 public:
  explicit RecordWriter(uint8_t* bytes) : at_(bytes) {}

  uint8_t* Position() const { return at_; }
  void WriteFlag(FlagByte flag) { *at_++ = flag.byte; }
  void WriteLong(int32_t value) { Write32(static_cast<uint32_t>(value)); }
  void WriteSingle(Single value) { Write32(value.bits); }
  void WriteColor(Color color) { Write32(color.bits); }
  template <size_t N>
  void WriteBytes(const RawBytes<N>& bytes) {
    std::memcpy(at_, bytes.data(), N);
    at_ += N;
  }

 private:
  void Write32(uint32_t bits) {
    bigendian::Store32(at_, bits);
    at_ += 4;
  }

  uint8_t* at_;
};

class ChunkWriter {
 public:
  static constexpr size_t kBufferBytes = size_t{1} << 20;

  // Writes into `sink` a file of `length` bytes (for progress reports).
  ChunkWriter(ByteSink& sink, int64_t length, ProgressCallback progress = {});

  // Bytes written so far, handed over or not.
  int64_t Position() const { return handedOver_ + static_cast<int64_t>(used_); }

  void WriteByte(uint8_t value) {
    if (used_ == kBufferBytes) [[unlikely]] HandOver();
    buffer_[used_++] = value;
  }
  void WriteFlag(FlagByte flag) { WriteByte(flag.byte); }
  void WriteLong(int32_t value) { Write32(static_cast<uint32_t>(value)); }
  void WriteSingle(Single value) { Write32(value.bits); }
  void WriteColor(Color color) { Write32(color.bits); }
  // Bytes as they stand: a reserved run, a trailer, a whole chunk.
  template <size_t N>
  void WriteBytes(const RawBytes<N>& bytes) {
    WriteBytes(bytes.data(), N);
  }
  void WriteBytes(const uint8_t* bytes, size_t count) {
    // Reserved runs are a few bytes long: inline, with a constant count, the
    // copy compiles to plain stores.
    if (count <= kBufferBytes - used_) [[likely]] {
      if (count > 0) std::memcpy(buffer_.data() + used_, bytes, count);
      used_ += count;
      return;
    }
    WriteString(std::string_view(reinterpret_cast<const char*>(bytes), count));
  }
  void WriteString(std::string_view text);
  void WriteTag(std::string_view tag) { WriteString(tag); }
  // A long with the text's length, then the text.
  void WriteText(const std::string& text);
  void WriteZeros(int64_t count) {  // count <= 0: nothing
    // The reserved runs inside records are a few bytes long: inline, with a
    // constant count, they compile to plain stores.
    if (count > 0 && static_cast<uint64_t>(count) <= kBufferBytes - used_) [[likely]] {
      std::memset(buffer_.data() + used_, 0, static_cast<size_t>(count));
      used_ += static_cast<size_t>(count);
      return;
    }
    WriteZerosAcrossBuffers(count);
  }

  // One record of `N` bytes, whose fields write(RecordWriter&) writes: in
  // place when the buffer has room for the whole record, as it has for all
  // but one record in a buffer.
  template <size_t N, typename Write>
  void WriteRecord(Write write) {
    if (kBufferBytes - used_ >= N) [[likely]] {
      uint8_t* const at = buffer_.data() + used_;
      used_ += N;
      RecordWriter record(at);
      write(record);
      assert(record.Position() == at + N);
      return;
    }
    uint8_t bytes[N];
    RecordWriter record(bytes);
    write(record);
    WriteBytes(bytes, N);
  }

  // Hands the rest to the sink and reports the whole file written.
  void Finish();

 private:
  // A field that does not fit in what is left of the buffer is split across
  // two: every piece handed over but the last is a whole buffer, which the
  // file sink writes out without copying it.
  void Write32(uint32_t bits) {
    if (kBufferBytes - used_ >= 4) [[likely]] {
      bigendian::Store32(buffer_.data() + used_, bits);
      used_ += 4;
      return;
    }
    uint8_t field[4];
    bigendian::Store32(field, bits);
    WriteString(std::string_view(reinterpret_cast<const char*>(field), 4));
  }
  void HandOver();
  void WriteZerosAcrossBuffers(int64_t count);

  ByteSink& sink_;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  int64_t handedOver_ = 0;
  ProgressThrottle progress_;  // in bytes handed over
};

}  // namespace trackio
