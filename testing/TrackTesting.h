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
  trackio::LoadResult loaded = trackio::LoadTrackFromBytes(bytes);
  EXPECT_TRUE(loaded) << loaded.Error().Describe();
  return loaded ? std::move(loaded->document) : trackio::TrackDocument{};
}

// The bytes a save of `doc` writes; fails the test when it cannot be built.
inline std::vector<uint8_t> Saved(trackio::TrackDocument doc, trackio::SaveForm form = trackio::SaveForm::Exact) {
  trackio::TrackResult<std::vector<uint8_t>> built = trackio::BuildTrackFile(doc, form);
  EXPECT_TRUE(built) << built.Error().Describe();
  return built ? std::move(*built) : std::vector<uint8_t>{};
}
inline std::vector<uint8_t> SavedNormalised(trackio::TrackDocument doc) {
  return Saved(std::move(doc), trackio::SaveForm::Normalised);
}

// The document as a save leaves it: framing values set from the content.
inline trackio::TrackDocument Framed(trackio::TrackDocument doc) {
  const trackio::TrackResult<int64_t> prepared = trackio::PrepareForSaving(doc);
  EXPECT_TRUE(prepared) << prepared.Error().Describe();
  return doc;
}

// Offset of the first chunk with `tag` in a file, from the load walk.
inline int64_t ChunkOffset(const std::vector<uint8_t>& bytes, const std::string& tag) {
  const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(bytes, {.listChunks = true});
  if (!loaded) return -1;
  for (const auto& chunk : loaded->chunks) {
    if (chunk.tag == tag) return chunk.offset;
  }
  return -1;
}

inline int32_t LongAt(const std::vector<uint8_t>& bytes, int64_t offset) {
  const auto at = static_cast<size_t>(offset);
  return static_cast<int32_t>((uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                              (uint32_t{bytes[at + 2]} << 8) | uint32_t{bytes[at + 3]});
}

// Overwrites the long at `offset` with `value`, big-endian.
inline void PatchLong(std::vector<uint8_t>& bytes, int64_t offset, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) {
    bytes.at(static_cast<size_t>(offset + i)) = static_cast<uint8_t>(bits >> (24 - 8 * i));
  }
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
