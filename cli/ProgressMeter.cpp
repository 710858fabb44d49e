#include "cli/ProgressMeter.h"

#include <algorithm>

namespace cli {

namespace {
constexpr std::chrono::milliseconds kQuietStart{1000};
}  // namespace

ProgressMeter::ProgressMeter(std::ostream* terminal, std::string step)
    : terminal_(terminal), step_(std::move(step)), start_(std::chrono::steady_clock::now()) {}

ProgressMeter::~ProgressMeter() {
  if (shownLength_ > 0) *terminal_ << '\r' << std::string(shownLength_, ' ') << '\r' << std::flush;
}

trackio::ProgressCallback ProgressMeter::Callback() {
  if (terminal_ == nullptr) return {};
  return [this](int64_t done, int64_t total) { Show(done, total); };
}

void ProgressMeter::Show(int64_t done, int64_t total) {
  if (std::chrono::steady_clock::now() - start_ < kQuietStart) return;
  const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const std::string line = "tarnwick-cli: " + step_ + " " + std::to_string(percent) + "%";
  *terminal_ << '\r' << line;
  if (line.size() < shownLength_) *terminal_ << std::string(shownLength_ - line.size(), ' ');
  *terminal_ << std::flush;
  shownLength_ = std::max(shownLength_, line.size());
}

}  // namespace cli
