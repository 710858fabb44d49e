// Counts the memory this test program holds through operator new, so a test
// can measure what one call takes at its peak. The counting replaces the
// global operator new and delete of the whole test program.
#pragma once

#include <cstddef>
#include <cstdint>

#include "RoundTripCheck.h"

namespace allocationcounter {

// Starts a measurement: the peak is counted from what is held now.
void Start();
// The most bytes held at once since Start, above what was held then.
uint64_t PeakBytes();
// From now on one allocation of more than `bytes` throws std::bad_alloc, as
// on a machine short of memory; SIZE_MAX lifts the limit.
void RefuseAbove(size_t bytes);

// The counter in the form the round-trip check takes.
inline constexpr fuzzcheck::AllocationMeter kMeter{Start, PeakBytes};

}  // namespace allocationcounter
