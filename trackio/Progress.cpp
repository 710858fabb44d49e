#include "trackio/Progress.h"

#include <algorithm>
#include <utility>

namespace trackio {

namespace {
constexpr int64_t kMaxReports = 256;
constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
}  // namespace

ProgressThrottle::ProgressThrottle(ProgressCallback callback, int64_t total, int64_t minimumStep)
    : callback_(std::move(callback)),
      total_(total),
      step_(std::max({int64_t{1}, minimumStep, total / kMaxReports})),
      next_(callback_ ? 0 : kNever) {}

void ProgressThrottle::Report(int64_t done) {
  done = std::min(done, total_);
  if (done <= reported_) return;
  callback_(done, total_);
  reported_ = done;
  next_ = done == total_ ? kNever : done + step_;
}

void ProgressThrottle::Finish() {
  if (!callback_ || reported_ == total_) return;
  callback_(total_, total_);
  reported_ = total_;
  next_ = kNever;
}

}  // namespace trackio
