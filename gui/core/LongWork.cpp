#include "gui/core/LongWork.h"

#include <utility>

#include "trackio/FileAccess.h"

namespace gui {

namespace {

std::string FileNameOf(const std::string& path) {
  return trackio::ToNarrow(trackio::ToPath(path).filename());
}

}  // namespace

std::string LoadingLabel(const std::string& path) { return "Loading " + FileNameOf(path) + "..."; }

std::string AddingFlangesLabel() { return "Adding flanges..."; }

std::string SavingLabel(const std::string& path) {
  return "Saving " + FileNameOf(trackio::WithTrackExtension(path)) + "...";
}

int PercentDone(int64_t done, int64_t total) {
  return total > 0 ? static_cast<int>(done * 100 / total) : 100;
}

BackgroundWork::BackgroundWork(LongWork work, std::function<void()> changed)
    : changed_(std::move(changed)), thread_([this, work = std::move(work)] { Run(work); }) {}

BackgroundWork::~BackgroundWork() {
  if (thread_.joinable()) thread_.join();
}

void BackgroundWork::Run(const LongWork& work) {
  try {
    work([this](int64_t done, int64_t total) {
      const int percent = PercentDone(done, total);
      if (percent_.exchange(percent) != percent) changed_();
    });
  } catch (...) {
    failure_ = std::current_exception();
  }
  ended_ = true;
  changed_();
}

void BackgroundWork::Finish() {
  if (thread_.joinable()) thread_.join();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace gui
