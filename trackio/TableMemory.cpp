#include "trackio/TableMemory.h"

#include <cstdint>
#include <system_error>
#include <thread>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace trackio {

void MapMemoryAhead(void* begin, void* end) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  // Below this, the page faults cost less than a thread.
  constexpr uintptr_t kLarge = uintptr_t{1} << 20;
  constexpr uintptr_t kPage = 4096;
  const auto from = (reinterpret_cast<uintptr_t>(begin) + kPage - 1) & ~(kPage - 1);
  const auto to = reinterpret_cast<uintptr_t>(end) & ~(kPage - 1);
  if (to <= from || to - from < kLarge) return;
  // A hint: should it fail, the pages are mapped as they are written.
  auto map = [](uintptr_t first, uintptr_t last) {
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
  };
  const uintptr_t middle = (from + (to - from) / 2) & ~(kPage - 1);
  std::thread helper;
  try {
    if (std::thread::hardware_concurrency() > 1 && middle < to) helper = std::thread(map, middle, to);
  } catch (const std::system_error&) {
    // No thread to be had: this one maps it all.
  }
  map(from, helper.joinable() ? middle : to);
  if (helper.joinable()) helper.join();
#else
  (void)begin;
  (void)end;
#endif
}

}  // namespace trackio
