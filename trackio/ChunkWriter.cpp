#include "trackio/ChunkWriter.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "trackio/TrackError.h"

namespace trackio {

int64_t ProgressStep(int64_t total) {
  constexpr int64_t kMaxReports = 256;
  return std::max<int64_t>(int64_t{1} << 20, total / kMaxReports);
}

// Has the sink write one buffer at a time on a thread of its own, while the
// writer fills another: the buffers change hands, nothing is copied. What
// the sink throws is thrown by the next hand-over or the wait at the end.
class ChunkWriter::WritingThread {
 public:
  explicit WritingThread(ByteSink& sink) : sink_(sink), pending_(kBufferBytes), thread_([this] { Run(); }) {}

  ~WritingThread() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // Takes the first `size` bytes of `buffer` to write, and gives `buffer` an
  // empty one back.
  void Write(std::vector<uint8_t>& buffer, size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pendingSize_ == 0; });
    RethrowFailure();
    buffer.swap(pending_);
    pendingSize_ = size;
    lock.unlock();
    changed_.notify_all();
  }

  // Waits until everything handed over is written.
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pendingSize_ == 0; });
    RethrowFailure();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return pendingSize_ > 0 || stopping_; });
      if (pendingSize_ == 0) return;
      lock.unlock();
      std::exception_ptr failure;
      try {
        sink_.Write(pending_.data(), pendingSize_);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      if (failure && !failure_) failure_ = failure;
      pendingSize_ = 0;
      changed_.notify_all();
    }
  }

  void RethrowFailure() {
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }

  ByteSink& sink_;
  std::vector<uint8_t> pending_;
  size_t pendingSize_ = 0;  // bytes of pending_ still to write
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;  // last: it starts once the rest is there
};

ChunkWriter::ChunkWriter(ByteSink& sink, int64_t length, ProgressCallback progress, Handover handover)
    : sink_(sink),
      buffer_(kBufferBytes),
      length_(length),
      progress_(std::move(progress)),
      nextReport_(progress_ ? 0 : std::numeric_limits<int64_t>::max()),
      reportStep_(ProgressStep(length)) {
  if (handover == Handover::OnItsThread) {
    try {
      thread_ = std::make_unique<WritingThread>(sink_);
    } catch (const std::system_error&) {
      // No thread to be had: the buffers are written here.
    }
  }
}

ChunkWriter::~ChunkWriter() = default;

void ChunkWriter::HandOver() {
  if (used_ > 0) {
    if (thread_) {
      thread_->Write(buffer_, used_);
    } else {
      sink_.Write(buffer_.data(), used_);
    }
  }
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
  if (thread_) thread_->Wait();
  if (progress_) progress_(length_, length_);
}

}  // namespace trackio
