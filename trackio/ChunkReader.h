// The reader of a track file's bytes: it owns its position, and every read,
// skip and table goes through one bounds check (Take). A read either handles
// its whole field and moves on, or throws TrackFormatError (kind Damaged)
// with the position unmoved, naming the chunk and the structure being read.
//
// Every number is big-endian. A table of fixed-size records is checked once
// as a whole and then decoded record by record by readers over checked
// sub-ranges of it, so its loop carries no failure path of its own.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "trackio/BigEndian.h"
#include "trackio/Progress.h"
#include "trackio/TrackDocument.h"
#include "trackio/TrackError.h"

namespace trackio {

// Where the bytes come from when a file is read in pieces as the readers
// reach them, rather than held whole: its bytes lie at fixed addresses, but
// only those from a little before the furthest read on are there.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Makes the bytes before `end` readable, and may give up those more than
  // a piece (a MiB) before `keepFrom`, which readers never go back to.
  // Returns how far the bytes are readable now (at least `end`). Throws
  // TrackFormatError (kind FileSystem) when the file cannot be read.
  virtual int64_t MakeReadable(int64_t end, int64_t keepFrom) = 0;
};

// What a table holds, for messages: "tube"/"tubes".
struct RecordNoun {
  const char* one;
  const char* many;
};

// Where a read stands, shared by a reader and the readers over its
// sub-ranges: the chunk and the record being read, and the progress owed.
struct ReadContext {
  std::string chunkTag;            // empty while a tag is read
  int64_t chunkOffset = -1;        // of the chunk's tag
  const char* itemNoun = nullptr;  // the record being read, when in a table
  int64_t itemIndex = 0;

  ByteSource* source = nullptr;  // when the file is read in pieces
  int64_t readable = std::numeric_limits<int64_t>::max();  // how far the bytes are there

  ProgressThrottle progress;  // in bytes read

  // "the TUBE chunk at byte 1200"
  std::string ChunkName() const;
};

// Four bytes as a chunk tag: ASCII letters upper-cased, other bytes kept.
std::string TagFromBytes(const uint8_t* bytes);

// The fields of one record of a fixed-size table. The table's bytes are
// checked and made readable for many records at once, so a record's fields
// need no check of their own.
class RecordReader {
 public:
  explicit RecordReader(const uint8_t* bytes) : at_(bytes) {}

  const uint8_t* Position() const { return at_; }
  uint8_t ReadByte() { return *Next(1); }
  FlagByte ReadFlag() { return FlagByte::FromByte(ReadByte()); }
  int32_t ReadLong() { return static_cast<int32_t>(bigendian::Load32(Next(4))); }
  Single ReadSingle() { return Single{bigendian::Load32(Next(4))}; }
  Color ReadColor() { return Color::FromBits(bigendian::Load32(Next(4))); }
  template <size_t N>
  void ReadBytes(RawBytes<N>& bytes) {
    std::memcpy(bytes.data(), Next(N), N);
  }

 private:
  const uint8_t* Next(size_t width) {
    const uint8_t* field = at_;
    at_ += width;
    return field;
  }

  const uint8_t* at_;
};

class ChunkReader {
 public:
  // Reads the `size` bytes at `bytes`, which must outlive the reader. With a
  // source in `context`, only those it has made readable are there.
  ChunkReader(const uint8_t* bytes, int64_t size, ReadContext& context)
      : ChunkReader(bytes, 0, size, &context) {}

  int64_t Position() const { return position_; }
  int64_t Remaining() const { return end_ - position_; }
  ReadContext& Context() const { return *context_; }

  uint8_t ReadByte() { return *Take(1); }
  FlagByte ReadFlag() { return FlagByte::FromByte(ReadByte()); }
  int32_t ReadLong() { return static_cast<int32_t>(bigendian::Load32(Take(4))); }
  Single ReadSingle() { return Single{bigendian::Load32(Take(4))}; }
  Color ReadColor() { return Color::FromBits(bigendian::Load32(Take(4))); }
  // A reserved run, as it stands.
  template <size_t N>
  void ReadBytes(RawBytes<N>& bytes) {
    std::memcpy(bytes.data(), Take(N), N);
  }
  // The next `count` bytes, as they stand; valid until the next read (a
  // file read in pieces gives up the bytes its readers have left behind).
  std::span<const uint8_t> ReadSpan(int64_t count) {
    const uint8_t* bytes = Take(count);
    return {bytes, static_cast<size_t>(count)};
  }
  std::string ReadString(int32_t length);  // length <= 0: empty
  // ASCII letters upper-cased; `asStored`, when given, gets the bytes as
  // they stand.
  std::string ReadTag(RawBytes<4>* asStored = nullptr);
  // A long L, then L bytes; L <= 0 reads as the empty text.
  std::string ReadText();
  // Moves past `count` bytes without reading them: a file read in pieces
  // need not hold them (a table is passed over whole before its records are
  // read one by one).
  void Skip(int64_t count) {
    if (count < 0 || count > end_ - position_) [[unlikely]] FailPastEnd();
    position_ += count;
  }

  // Passes over a chunk with an unknown tag and all its descendants by its
  // size field, which stands at the position; returns the size. `copy`,
  // when given, gets the size field and every byte it covers appended, read
  // a piece at a time, so a file read in pieces is never held whole.
  int32_t SkipChunk(std::vector<uint8_t>* copy = nullptr);

  // Reads a table count and fails unless it is non-negative and that many
  // records of at least `minRecordBytes` can still follow.
  int32_t ReadTableCount(int64_t minRecordBytes, RecordNoun noun);
  // The check of ReadTableCount for a count read at `countOffset`.
  void RequireRecords(int64_t count, int64_t minRecordBytes, RecordNoun noun, int64_t countOffset) const;

  // Decodes a table of records of exactly `recordBytes` each, one bounds
  // check for the whole table: decode(RecordReader& record, Record&).
  template <typename Record, typename Decode>
  void ReadRecords(std::vector<Record>& records, int64_t recordBytes, Decode decode) {
    ReadRecordsInOrder(records.size(), recordBytes,
                       [&records, &decode](RecordReader& record, size_t index) { decode(record, records[index]); });
  }
  // The same for `count` records, handed over in order by index:
  // decode(RecordReader& record, size_t index). The records are decoded in
  // runs of those whose bytes are there (from a file read in pieces, the
  // source is asked for one record more at a time), with a progress report
  // after each run of at most 64 KiB.
  template <typename Decode>
  void ReadRecordsInOrder(size_t count, int64_t recordBytes, Decode decode) {
    constexpr int64_t kRunBytes = int64_t{1} << 16;
    ChunkReader table = Over(static_cast<int64_t>(count) * recordBytes);
    for (size_t index = 0; index < count;) {
      if (table.limit_ - table.position_ < recordBytes) table.MakeReadable(recordBytes);
      const int64_t readable = std::min(table.limit_ - table.position_, std::max(kRunBytes, recordBytes));
      const size_t ready = std::min(count - index, static_cast<size_t>(readable / recordBytes));
      const uint8_t* bytes = table.bytes_ + table.position_;
      for (const size_t last = index + ready; index < last; ++index, bytes += recordBytes) {
        RecordReader record(bytes);
        decode(record, index);
        assert(record.Position() == bytes + recordBytes);
      }
      table.position_ += static_cast<int64_t>(ready) * recordBytes;
      table.ReportProgress();
    }
  }

  // Decodes records of varying size, each checked field by field; a fault
  // names the record: decode(ChunkReader& reader, Item&).
  template <typename Item, typename Decode>
  void ReadEach(std::vector<Item>& items, RecordNoun noun, Decode decode) {
    context_->itemNoun = noun.one;
    for (size_t index = 0; index < items.size(); ++index) {
      context_->itemIndex = static_cast<int64_t>(index);
      decode(*this, items[index]);
      ReportProgress();
    }
    context_->itemNoun = nullptr;
  }

  // Throws the Damaged error "<the chunk> <detail>" for a fault at `offset`.
  [[noreturn]] void Fail(const std::string& detail, int64_t offset) const;

  // Tells the progress how far the reading has come.
  void ReportProgress() { context_->progress.Update(position_); }

 private:
  ChunkReader(const uint8_t* bytes, int64_t position, int64_t end, ReadContext* context)
      : bytes_(bytes), position_(position), end_(end), limit_(std::min(end, context->readable)),
        context_(context) {}

  // The one bounds check: `width` bytes at the position, which moves past
  // them. Past the bytes read so far, the source reads more first.
  const uint8_t* Take(int64_t width) {
    if (width < 0 || width > limit_ - position_) [[unlikely]] MakeReadable(width);
    const uint8_t* field = bytes_ + position_;
    position_ += width;
    return field;
  }
  // A reader over the next `width` bytes, checked once; this one moves past them.
  ChunkReader Over(int64_t width) {
    const int64_t start = position_;
    Skip(width);
    return ChunkReader(bytes_, start, position_, context_);
  }
  // Fails past the end; otherwise has the source make `width` bytes at the
  // position readable.
  void MakeReadable(int64_t width);
  [[noreturn]] void FailPastEnd() const;

  const uint8_t* bytes_;
  int64_t position_;
  int64_t end_;
  int64_t limit_;  // the end, or how far the bytes were readable when last asked
  ReadContext* context_;
};

}  // namespace trackio
