#include "trackio/ChunkWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "trackio/TrackError.h"

namespace trackio {

int64_t ProgressStep(int64_t total) {
  constexpr int64_t kMaxReports = 256;
  return std::max<int64_t>(int64_t{1} << 20, total / kMaxReports);
}

ChunkWriter::ChunkWriter(ByteSink& sink, int64_t length, ProgressCallback progress)
    : sink_(sink),
      buffer_(kBufferBytes),
      length_(length),
      progress_(std::move(progress)),
      nextReport_(progress_ ? 0 : std::numeric_limits<int64_t>::max()),
      reportStep_(ProgressStep(length)) {}

void ChunkWriter::HandOver() {
  if (used_ > 0) sink_.Write(buffer_.data(), used_);
  handedOver_ += static_cast<int64_t>(used_);
  used_ = 0;
  if (handedOver_ >= nextReport_) {
    progress_(std::min(handedOver_, length_), length_);
    nextReport_ = handedOver_ + reportStep_;
  }
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
  if (progress_) progress_(length_, length_);
}

}  // namespace trackio
