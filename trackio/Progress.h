// Progress reports from long-running work (load, flange, save).
#pragma once

#include <cstdint>
#include <functional>
#include <limits>

namespace trackio {

// Called now and then with the work done and the whole work, in a unit the
// caller of the work names (bytes for load and save, tubes for flanging).
// `done` never decreases and ends equal to `total`. Called on the thread
// doing the work; an empty function costs nothing.
using ProgressCallback = std::function<void(int64_t done, int64_t total)>;

// Work counted in bytes is reported at most once a MiB.
inline constexpr int64_t kBytesBetweenReports = int64_t{1} << 20;

// Decides when long work calls its ProgressCallback: whenever the work done
// has grown by a step since the last report, a step being at least
// `minimumStep` and at least a 256th of the whole, and once at the end. So
// work of any size is reported a few hundred times at most, each report
// with more done than the one before. Without a callback, Update costs one
// comparison.
class ProgressThrottle {
 public:
  ProgressThrottle() = default;  // reports nothing
  ProgressThrottle(ProgressCallback callback, int64_t total, int64_t minimumStep = 1);

  // The work done so far; more than the whole counts as the whole.
  void Update(int64_t done) {
    if (done >= next_) [[unlikely]] Report(done);
  }
  // Reports the whole work done, unless the last report did.
  void Finish();

 private:
  void Report(int64_t done);

  ProgressCallback callback_;
  int64_t total_ = 0;
  int64_t step_ = 1;
  int64_t next_ = std::numeric_limits<int64_t>::max();  // the least work done worth a report
  int64_t reported_ = -1;
};

}  // namespace trackio
