// The whole in-memory path on one input, with its invariants checked: load
// the bytes; when that succeeds, save them exactly (a well-framed input must
// come back byte for byte), add flanges, build the file, load the built
// bytes and build again, and build the normalised file too. The fuzz target
// runs it on every input it makes; the hardening tests run it on the seed
// corpus and on every input the fuzzer has ever found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzcheck {

// Measures the memory a load takes: `start` before it, `peakBytes` after it
// (the highest number of bytes held at once, counted from `start`).
struct AllocationMeter {
  void (*start)();
  uint64_t (*peakBytes)();
};

// A load may hold at most this many bytes per input byte, plus the
// allowance, at any moment: the buffer, its one extra byte, and tables
// whose records are at most a few times larger in memory than in the file.
inline constexpr uint64_t kLoadBytesPerInputByte = 64;
inline constexpr uint64_t kLoadAllowanceBytes = 1 << 20;

// The fuzzer checks flanging only when it adds at most this many flanges. A
// tube can get up to 32,768 flanges, and inputs with tens of thousands of
// them slow the fuzzer down a hundredfold without reaching new code; 5,000
// flanges add 520 KB to the saved file. The tests pass a larger bound.
inline constexpr int64_t kMaxFlangesChecked = 5000;

// Empty when every invariant holds; otherwise a description of the first
// breach. Failures of the library itself (a crash, an exception other than
// the documented load and save results) are not caught.
std::string FindBreach(const uint8_t* data, size_t size, const AllocationMeter* meter = nullptr,
                       int64_t maxFlanges = kMaxFlangesChecked);

// FindBreach, printing the breach and aborting when there is one.
void CheckTrackInput(const uint8_t* data, size_t size, const AllocationMeter* meter = nullptr);

}  // namespace fuzzcheck
