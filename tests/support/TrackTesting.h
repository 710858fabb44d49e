// Small helpers shared by the track tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TrackBuilder.h"
#include "trackio/TrackIO.h"

namespace tracktesting {

// Loads bytes; fails the test when the load fails.
inline trackio::TrackDocument Loaded(const std::vector<uint8_t>& bytes) {
  trackio::TrackDocument doc;
  trackio::LoadReport report;
  EXPECT_TRUE(trackio::LoadTrackFromBytes(doc, bytes, &report)) << report.error.Describe();
  return doc;
}

inline std::vector<uint8_t> Saved(trackio::TrackDocument doc) { return trackio::BuildTrackFile(doc); }

// The document as a save leaves it: framing values set from the content.
inline trackio::TrackDocument Framed(trackio::TrackDocument doc) {
  trackio::SetSubChunkCounts(doc);
  trackio::ComputeChunkSizes(doc);
  return doc;
}

// Offset of the first chunk with `tag` in a file, from the load walk.
inline int64_t ChunkOffset(const std::vector<uint8_t>& bytes, const std::string& tag) {
  trackio::TrackDocument doc;
  trackio::LoadReport report;
  trackio::LoadTrackFromBytes(doc, bytes, &report, true);
  for (const auto& chunk : report.chunks) {
    if (chunk.tag == tag) return chunk.offset;
  }
  return -1;
}

inline int32_t LongAt(const std::vector<uint8_t>& bytes, int64_t offset) {
  const auto at = static_cast<size_t>(offset);
  return static_cast<int32_t>((uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                              (uint32_t{bytes[at + 2]} << 8) | uint32_t{bytes[at + 3]});
}

// A unique scratch folder for one test, removed when it goes out of scope.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

}  // namespace tracktesting
