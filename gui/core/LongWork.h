// Loading, adding flanges and saving a large track take seconds. The
// commands hand such work to the window (MainView::RunLongWork), which runs
// it on a thread of its own with BackgroundWork, so that the interface
// thread stays free to draw the window and a progress box.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <thread>

#include "supports/FlangeGenerator.h"
#include "trackio/Progress.h"
#include "trackio/TrackIO.h"

namespace gui {

// A piece of long work; it reports its progress through the callback.
using LongWork = std::function<void(const trackio::ProgressCallback&)>;

// How long work may take before a skin shows its progress box.
inline constexpr int kProgressDelayMilliseconds = 500;

// What the progress box says, e.g. "Loading coaster.nltrack...".
std::string LoadingLabel(const std::string& path);
std::string AddingFlangesLabel();
std::string SavingLabel(const std::string& path);  // names the file the save writes

// The percentage of `total` that `done` makes, rounded down, as the
// command line shows it; 100 when there is nothing to do.
int PercentDone(int64_t done, int64_t total);

// Runs `work` on a thread of its own from construction on. `changed` is
// called on that thread whenever the percent done changes, and once more
// after the work has ended, so that a skin can wake its interface thread.
class BackgroundWork {
 public:
  BackgroundWork(LongWork work, std::function<void()> changed);
  ~BackgroundWork();  // waits for the work to end
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;

  bool Ended() const { return ended_; }
  int Percent() const { return percent_; }
  // Waits for the work to end and rethrows what it threw.
  void Finish();

 private:
  void Run(const LongWork& work);

  std::function<void()> changed_;
  std::atomic<int> percent_{0};
  std::atomic<bool> ended_{false};
  std::exception_ptr failure_;  // written by the work's thread before ended_
  std::thread thread_;          // last: starts once the rest is ready
};

// The track work the commands run: the library's, or a test's stand-in (a
// load slowed down until the test has seen the progress box).
struct TrackOperations {
  std::function<trackio::LoadResult(const std::string& path, const trackio::ProgressCallback&)>
      load = [](const std::string& path, const trackio::ProgressCallback& progress) {
        return trackio::LoadTrack(path, {.progress = progress});
      };
  std::function<supports::FlangeSummary(trackio::TrackDocument&, const trackio::ProgressCallback&)>
      addFlanges = [](trackio::TrackDocument& document, const trackio::ProgressCallback& progress) {
        return supports::AddFlanges(document, progress);
      };
  std::function<trackio::SaveResult(trackio::TrackDocument&, const std::string& path, trackio::Overwrite,
                                    const trackio::ProgressCallback&)>
      save = [](trackio::TrackDocument& document, const std::string& path, trackio::Overwrite overwrite,
                const trackio::ProgressCallback& progress) {
        return trackio::SaveTrack(document, path, {.progress = progress, .overwrite = overwrite});
      };
};

}  // namespace gui
