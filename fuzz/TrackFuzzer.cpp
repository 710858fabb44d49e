// The fuzz target: every input goes through the whole in-memory path with
// its invariants checked (RoundTripCheck.h); a breach aborts.
#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "RoundTripCheck.h"

namespace {

// Bytes held by the load, counted through the sanitizer's allocation hooks.
// Frees of older blocks lower the count, so the peak is the load's own.
std::atomic<bool> metering{false};
std::atomic<int64_t> heldBytes{0};
std::atomic<int64_t> peakHeldBytes{0};

void OnAllocate(const volatile void*, size_t size) {
  if (!metering.load(std::memory_order_relaxed)) return;
  const int64_t held = heldBytes.fetch_add(static_cast<int64_t>(size)) + static_cast<int64_t>(size);
  int64_t peak = peakHeldBytes.load();
  while (held > peak && !peakHeldBytes.compare_exchange_weak(peak, held)) {
  }
}

void OnFree(const volatile void* pointer) {
  if (!metering.load(std::memory_order_relaxed)) return;
  heldBytes.fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer))));
}

void StartMetering() {
  heldBytes = 0;
  peakHeldBytes = 0;
  metering = true;
}

uint64_t StopMetering() {
  metering = false;
  return static_cast<uint64_t>(std::max<int64_t>(peakHeldBytes.load(), 0));
}

const fuzzcheck::AllocationMeter kMeter{StartMetering, StopMetering};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzcheck::CheckTrackInput(data, size, &kMeter);
  return 0;
}
