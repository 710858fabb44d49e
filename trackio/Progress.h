// Progress reports from long-running work (load, flange, save).
#pragma once

#include <cstdint>
#include <functional>

namespace trackio {

// Called now and then with the work done and the whole work, in a unit the
// caller of the work names (bytes for load and save, tubes for flanging).
// `done` never decreases and ends equal to `total`. Called on the thread
// doing the work; an empty function costs nothing.
using ProgressCallback = std::function<void(int64_t done, int64_t total)>;

}  // namespace trackio
