#include "trackio/MemoryHints.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace trackio {

void AdviseHugePages(const void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (bytes < 2 * kHugePage) return;
  // Only whole huge pages inside the block: the advice applies to pages, and
  // the memory around the block belongs to others.
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (last > first) {
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint: failure is harmless
  }
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace trackio
