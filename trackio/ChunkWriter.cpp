#include "trackio/ChunkWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "trackio/TrackError.h"

namespace trackio {

ChunkWriter::ChunkWriter(ByteSink& sink, int64_t length, ProgressCallback progress)
    : sink_(sink), buffer_(kBufferBytes), progress_(std::move(progress), length, kBytesBetweenReports) {}

void ChunkWriter::HandOver() {
  if (used_ > 0) sink_.Write(buffer_.data(), used_);
  handedOver_ += static_cast<int64_t>(used_);
  used_ = 0;
  progress_.Update(handedOver_);
}

void ChunkWriter::WriteString(std::string_view text) {
  while (!text.empty()) {
    if (used_ == kBufferBytes) HandOver();
    const size_t piece = std::min(text.size(), kBufferBytes - used_);
    std::memcpy(buffer_.data() + used_, text.data(), piece);
    used_ += piece;
    text.remove_prefix(piece);
  }
}

void ChunkWriter::WriteText(const std::string& text) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw TrackFormatError(TrackErrorKind::TooLarge, "a text is longer than a track file can hold",
                           Position());
  }
  WriteLong(static_cast<int32_t>(text.size()));
  WriteString(text);
}

void ChunkWriter::WriteZerosAcrossBuffers(int64_t count) {
  while (count > 0) {
    if (used_ == kBufferBytes) HandOver();
    const size_t piece = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(kBufferBytes - used_)));
    std::memset(buffer_.data() + used_, 0, piece);
    used_ += piece;
    count -= static_cast<int64_t>(piece);
  }
}

void ChunkWriter::Finish() {
  HandOver();
  progress_.Finish();
}

}  // namespace trackio
