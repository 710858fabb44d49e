// How far a long step has come, shown on a terminal: one line such as
// "tarnwick-cli: big.nltrack: adding flanges 45%", rewritten in place. It
// appears only once the step has taken longer than about a second, so quick
// runs print nothing, and it is wiped when the step ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "trackio/Progress.h"

namespace cli {

class ProgressMeter {
 public:
  // With no terminal the meter stays silent.
  ProgressMeter(std::ostream* terminal, std::string step);
  ~ProgressMeter();
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  // What the working code calls; empty when there is no terminal.
  trackio::ProgressCallback Callback();

 private:
  void Show(int64_t done, int64_t total);

  std::ostream* terminal_;
  std::string step_;
  std::chrono::steady_clock::time_point start_;
  int shownPercent_ = -1;
  size_t shownLength_ = 0;
};

}  // namespace cli
