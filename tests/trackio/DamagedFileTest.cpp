// Damaged files fail cleanly, naming the chunk and the byte where the fault lies.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "TrackTesting.h"

using namespace tracktesting;
using trackio::TrackDocument;
using trackio::TrackErrorKind;

namespace {

void PutLong(std::vector<uint8_t>& bytes, int64_t offset, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(offset + i)] = static_cast<uint8_t>(bits >> (24 - 8 * i));
}

// A document with one record in every table, so every count has a record
// after it.
TrackDocument OneOfEach() {
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.ColorSets.resize(1);
  doc.BezierVertices.resize(1);
  doc.Segments.resize(1);
  doc.Footers.resize(1);
  doc.RailConnectors.resize(1);
  doc.RailConnectors[0].Entries.resize(1);
  doc.FreeNodes.resize(1);
  doc.Tubes.resize(1);
  doc.Catwalks.resize(1);
  doc.SceneryEntries.resize(1);
  doc.SceneryObjects.resize(1);
  doc.TerrainPresent = true;
  doc.TerrainColumnCount = 1;
  doc.TerrainRowCount = 1;
  doc.TerrainGrid.resize(1);
  return doc;
}

struct Damage {
  const char* name;
  const char* chunk;        // the chunk the error must name ("" for none)
  int64_t fieldOffset;      // of the faulty field, from the chunk's tag
  int32_t value;            // written there
  const char* message;      // a part of the error sentence
};

// Each count or length set to a value the file cannot hold.
const Damage kDamages[] = {
    {"negative colour set count", "TRCK", 12, -1, "colour set count -1 is negative"},
    {"huge colour set count", "TRCK", 12, 1 << 30, "promises more bytes than the file holds"},
    {"negative vertex count", "BEZR", 24, -3, "bezier vertex count -3 is negative"},
    {"huge vertex count", "BEZR", 24, std::numeric_limits<int32_t>::max(), "promises more bytes"},
    {"negative segment count", "SEGM", 8, -1, "segment count -1 is negative"},
    {"huge segment count", "SEGM", 8, 100000000, "promises more bytes"},
    {"negative footer count", "FUND", 24, -1, "footer count -1 is negative"},
    {"huge footer count", "FUND", 24, 1 << 24, "promises more bytes"},
    {"negative rail connector count", "RASC", 24, -2, "rail connector count -2 is negative"},
    {"huge rail connector entry count", "RASC", 28, 1 << 28, "rail connector entry count"},
    {"negative free node count", "FREN", 24, -1, "free node count -1 is negative"},
    {"huge free node count", "FREN", 24, 1 << 29, "promises more bytes"},
    {"negative tube count", "TUBE", 24, -5, "tube count -5 is negative"},
    {"huge tube count", "TUBE", 24, 1 << 26, "promises more bytes"},
    {"negative catwalk count", "CATW", 24, -1, "catwalk count -1 is negative"},
    {"negative catwalk trailer", "CATW", 28 + 24, -8, "catwalk trailer length -8 is negative"},
    {"huge catwalk trailer", "CATW", 28 + 24, 1 << 30, "the file ends inside a reserved run"},
    {"negative scenery entry count", "SCEN", 24, -1, "scenery entry count -1 is negative"},
    {"negative scenery object count", "SCOB", 24, -1, "scenery object count -1 is negative"},
    {"huge scenery object count", "SCOB", 24, 1 << 20, "promises more bytes"},
    {"huge scenery text length", "SCOB", 28, 1 << 30, "the file ends inside a text"},
    {"negative terrain columns", "TERA", 8, -1, "terrain column count -1 is negative"},
    {"negative terrain rows", "TERA", 12, -4, "terrain row count -4 is negative"},
    {"huge terrain grid", "TERA", 8, 1 << 30, "a terrain grid of 1073741824 columns and 1 rows"},
    {"huge info text length", "INFO", 24, 1 << 30, "the file ends inside a text"},
    {"huge environment text", "ENVC", 24, std::numeric_limits<int32_t>::max(), "ends inside a text"},
};

}  // namespace

TEST(damaged_file, every_hostile_count_fails_with_its_chunk_and_offset) {
  const std::vector<uint8_t> good = trackbuilder::CanonicalFile(OneOfEach());
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.name);
    std::vector<uint8_t> bytes = good;
    const int64_t chunk = ChunkOffset(bytes, damage.chunk);
    ASSERT_GE(chunk, 0);
    PutLong(bytes, chunk + damage.fieldOffset, damage.value);

    TrackDocument doc = trackbuilder::SampleDocument();
    trackio::LoadReport report;
    EXPECT_FALSE(trackio::LoadTrackFromBytes(doc, bytes, &report));
    EXPECT_EQ(report.error.kind, TrackErrorKind::Damaged);
    EXPECT_EQ(report.error.chunk, damage.chunk);
    EXPECT_NE(report.error.message.find(damage.message), std::string::npos) << report.error.message;
    EXPECT_GE(report.error.offset, chunk);
    if (std::string(damage.message).find("ends inside") == std::string::npos) {
      EXPECT_EQ(report.error.offset, chunk + damage.fieldOffset);
    }
    EXPECT_EQ(doc, TrackDocument{}) << "a failed load leaves an empty document";
  }
}

TEST(damaged_file, truncation_anywhere_fails_cleanly) {
  // Cutting the sample file at every length must fail and never crash. Two
  // lengths load, because the buffer's extra zero byte stands in for the
  // missing last byte: the file's own last byte (a zero), and byte 31, the
  // last of the root's chunk count, which then reads as "no chunks".
  const std::vector<uint8_t> whole = trackbuilder::CanonicalFile(trackbuilder::SampleDocument());
  for (size_t length = 0; length < whole.size(); ++length) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    TrackDocument doc;
    trackio::LoadReport report;
    const bool loaded = trackio::LoadTrackFromBytes(doc, cut, &report);
    if (length == whole.size() - 1 || length == 31) {
      EXPECT_TRUE(loaded) << length;
    } else {
      ASSERT_FALSE(loaded) << length;
      EXPECT_NE(report.error.kind, TrackErrorKind::None);
      EXPECT_FALSE(report.error.Describe().empty());
    }
  }
}

TEST(damaged_file, walk_faults) {
  const TrackDocument empty = trackbuilder::EmptyDocument();
  struct WalkCase {
    const char* name;
    std::function<void(trackbuilder::Chunk&)> damage;
    const char* message;
  };
  const std::vector<WalkCase> cases = {
      {"more chunks promised than present", [](trackbuilder::Chunk& root) { root.subChunkCount = 9; },
       "the file ends inside a chunk tag"},
      {"countdown overflow",
       [](trackbuilder::Chunk& root) {
         root.subChunkCount = std::numeric_limits<int32_t>::max();
         root.children[0].subChunkCount = 4;
       },
       "promise more chunks than can be counted"},
      {"negative size of an unknown chunk",
       [](trackbuilder::Chunk& root) {
         root.children.insert(root.children.begin(), trackbuilder::Chunk{"XTRA", {}, {}, {}, -12});
         root.subChunkCount = 4;
       },
       "the size -12 of an unknown chunk is negative"},
      {"unknown chunk reaching past the end",
       [](trackbuilder::Chunk& root) {
         root.children.insert(root.children.begin(), trackbuilder::Chunk{"XTRA", {}, {}, {}, 1 << 30});
         root.subChunkCount = 4;
       },
       "reaches past the end of the file"},
  };
  for (const WalkCase& one : cases) {
    SCOPED_TRACE(one.name);
    trackbuilder::Chunk root = trackbuilder::CanonicalTree(empty);
    one.damage(root);
    TrackDocument doc;
    trackio::LoadReport report;
    EXPECT_FALSE(trackio::LoadTrackFromBytes(doc, root.Serialize(), &report));
    EXPECT_EQ(report.error.kind, TrackErrorKind::Damaged);
    EXPECT_NE(report.error.message.find(one.message), std::string::npos) << report.error.message;
  }
}

TEST(damaged_file, the_error_reads_as_a_sentence) {
  trackio::TrackError error{TrackErrorKind::Damaged, "tube count -5 is negative", "TUBE", 1234};
  EXPECT_EQ(error.Describe(), "tube count -5 is negative in the TUBE chunk at byte 1234");
  error.chunk.clear();
  EXPECT_EQ(error.Describe(), "tube count -5 is negative at byte 1234");
}
