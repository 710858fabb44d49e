// Where a built track file goes, a piece at a time: a file being written, or
// memory. The writers fill a buffer of their own and hand it over whenever
// it is full, so a save never holds the whole file in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trackio {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes `size` bytes; they are copied or written before it returns.
  // Throws TrackFormatError (kind FileSystem) when they cannot be written.
  virtual void Write(const uint8_t* data, size_t size) = 0;
};

// Collects everything in memory.
class MemorySink : public ByteSink {
 public:
  void Write(const uint8_t* data, size_t size) override { bytes.insert(bytes.end(), data, data + size); }
  std::vector<uint8_t> bytes;
};

}  // namespace trackio
