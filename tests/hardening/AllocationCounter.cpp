#include "AllocationCounter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in a header, so delete knows what it frees.
// 16 bytes keep the block aligned as malloc aligns it.
constexpr size_t kHeader = 16;

// Plain counters: the tests that measure run on one thread.
int64_t held = 0;
int64_t startHeld = 0;
int64_t peakHeld = 0;
size_t largestAllowed = SIZE_MAX;

void* Allocate(size_t size) {
  if (size > largestAllowed) throw std::bad_alloc();
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  held += static_cast<int64_t>(size);
  if (held > peakHeld) peakHeld = held;
  return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  char* block = static_cast<char*>(pointer) - kHeader;
  held -= static_cast<int64_t>(*reinterpret_cast<size_t*>(block));
  std::free(block);
}

}  // namespace

namespace allocationcounter {

void Start() {
  startHeld = held;
  peakHeld = held;
}

uint64_t PeakBytes() { return static_cast<uint64_t>(peakHeld - startHeld); }

void RefuseAbove(size_t bytes) { largestAllowed = bytes; }

}  // namespace allocationcounter

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, size_t) noexcept { Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
