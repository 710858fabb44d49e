#include "trackio/ChunkReader.h"

#include <algorithm>
#include <cstring>

namespace trackio {

std::string ReadContext::ChunkName() const {
  return "the " + chunkTag + " chunk at byte " + std::to_string(chunkOffset);
}

void ChunkReader::FailPastEnd() const {
  const ReadContext& context = *context_;
  std::string message;
  if (context.chunkTag.empty()) {
    message = "the file ends inside a chunk tag";
  } else if (context.itemNoun != nullptr) {
    message = context.ChunkName() + " ends inside " + context.itemNoun + " " +
              std::to_string(context.itemIndex);
  } else {
    message = "the file ends inside " + context.ChunkName();
  }
  throw TrackFormatError(TrackErrorKind::Damaged, message, position_);
}

void ChunkReader::MakeReadable(int64_t width) {
  if (width < 0 || width > end_ - position_) FailPastEnd();
  ReadContext& context = *context_;
  if (context.source != nullptr && context.readable < position_ + width) {
    context.readable = context.source->MakeReadable(position_ + width, position_);
  }
  limit_ = std::min(end_, context.readable);
}

void ChunkReader::Fail(const std::string& detail, int64_t offset) const {
  throw TrackFormatError(TrackErrorKind::Damaged, context_->ChunkName() + " " + detail, offset);
}

std::string ChunkReader::ReadString(int32_t length) {
  if (length <= 0) return std::string();
  const uint8_t* p = Take(length);
  return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
}

std::string TagFromBytes(const uint8_t* bytes) {
  std::string tag(reinterpret_cast<const char*>(bytes), 4);
  for (char& c : tag) {
    // Only ASCII letters change case; other bytes are kept as they are.
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return tag;
}

std::string ChunkReader::ReadTag(RawBytes<4>* asStored) {
  const uint8_t* p = Take(4);
  if (asStored != nullptr) std::memcpy(asStored->data(), p, 4);
  return TagFromBytes(p);
}

std::string ChunkReader::ReadText() {
  const int32_t length = ReadLong();
  return ReadString(length);
}

int32_t ChunkReader::SkipChunk(std::vector<uint8_t>* copy) {
  const int64_t sizeOffset = position_;
  const int32_t size = ReadLong();
  if (size < 0) Fail("has a negative size (" + std::to_string(size) + ")", sizeOffset);
  // The extra zero byte after the file counts, as it does for reads.
  if (size > Remaining()) {
    Fail("is " + std::to_string(size) + " bytes long, but the file ends first", sizeOffset);
  }
  if (copy == nullptr) {
    Skip(size);
    return size;
  }
  copy->reserve(copy->size() + 4 + static_cast<size_t>(size));
  uint8_t sizeField[4];
  bigendian::Store32(sizeField, static_cast<uint32_t>(size));
  copy->insert(copy->end(), sizeField, sizeField + 4);
  constexpr int64_t kPiece = int64_t{1} << 20;
  for (int64_t left = size; left > 0;) {
    const int64_t piece = std::min(left, kPiece);
    const uint8_t* bytes = Take(piece);
    copy->insert(copy->end(), bytes, bytes + piece);
    left -= piece;
  }
  return size;
}

void ChunkReader::RequireRecords(int64_t count, int64_t minRecordBytes, RecordNoun noun,
                                 int64_t countOffset) const {
  if (count < 0) {
    Fail("gives a negative " + std::string(noun.one) + " count (" + std::to_string(count) + ")",
         countOffset);
  }
  // Divided rather than multiplied, so that no count can overflow.
  if (minRecordBytes > 0 && count > Remaining() / minRecordBytes) {
    Fail("promises " + std::to_string(count) + " " + (count == 1 ? noun.one : noun.many) +
             ", but the file ends first",
         countOffset);
  }
}

int32_t ChunkReader::ReadTableCount(int64_t minRecordBytes, RecordNoun noun) {
  const int64_t countOffset = position_;
  const int32_t count = ReadLong();
  RequireRecords(count, minRecordBytes, noun, countOffset);
  return count;
}

}  // namespace trackio
