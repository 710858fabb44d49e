// Damaged files fail cleanly, naming the chunk and the byte where the fault lies.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "HostileFields.h"
#include "TrackTesting.h"

using namespace tracktesting;
using trackio::TrackDocument;
using trackio::TrackErrorKind;

TEST(DamagedFile, EveryHostileFieldIsDescribedByItsChunkAndStructure) {
  const std::vector<uint8_t>& good = HostileBaseFile();
  for (const HostileField& field : HostileFields()) {
    const int64_t chunk = ChunkOffset(good, field.tag);
    ASSERT_GE(chunk, 0) << field.tag;
    const std::string chunkName = std::string("the ") + field.tag + " chunk at byte " + std::to_string(chunk);
    for (int32_t value : field.values) {
      SCOPED_TRACE(std::string(field.name) + " " + std::to_string(value));
      std::vector<uint8_t> bytes = good;
      PatchLong(bytes, chunk + field.offset, value);
      const trackio::LoadResult result = trackio::LoadTrackFromBytes(bytes);
      ASSERT_FALSE(result);
      const std::string sentence = result.Error().Describe();
      if (*field.fault == '\0') {
        EXPECT_EQ(sentence, "damaged track file: the file ends inside " + chunkName);
      } else {
        EXPECT_EQ(sentence.rfind("damaged track file: " + chunkName + " ", 0), 0u) << sentence;
        EXPECT_NE(sentence.find(field.fault), std::string::npos) << sentence;
      }
    }
  }
}

TEST(DamagedFile, ATableCutShortIsReportedAtItsCountInPlainWords) {
  // The count check covers the whole table, so a file that ends inside the
  // last footer is reported where the footer count stands.
  const TrackDocument doc = trackbuilder::GeneratedDocument(10);
  std::vector<uint8_t> file = trackbuilder::CanonicalFile(doc);
  const int64_t fund = ChunkOffset(file, "FUND");
  const int64_t countOffset = fund + 8 + 16;
  const int32_t footers = LongAt(file, countOffset);
  ASSERT_GT(footers, 1);
  file.resize(static_cast<size_t>(countOffset + 4 + (footers - 1) * 92 + 20));

  const trackio::LoadResult result = trackio::LoadTrackFromBytes(file);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.Error().kind, TrackErrorKind::Damaged);
  EXPECT_EQ(result.Error().chunk, "FUND");
  EXPECT_EQ(result.Error().offset, countOffset);
  EXPECT_EQ(result.Error().Describe(), "damaged track file: the FUND chunk at byte " + std::to_string(fund) +
                                           " promises " + std::to_string(footers) +
                                           " footers, but the file ends first");
}

TEST(DamagedFile, TruncationAnywhereFailsCleanly) {
  // Cutting the sample file at every length must fail and never crash. Two
  // lengths load, because the buffer's extra zero byte stands in for the
  // missing last byte: the file's own last byte (a zero), and byte 31, the
  // last of the root's chunk count, which then reads as "no chunks".
  const std::vector<uint8_t> whole = trackbuilder::CanonicalFile(trackbuilder::SampleDocument());
  for (size_t length = 0; length < whole.size(); ++length) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(cut);
    if (length == whole.size() - 1 || length == 31) {
      EXPECT_TRUE(loaded) << length;
    } else {
      ASSERT_FALSE(loaded) << length;
      EXPECT_NE(loaded.Error().kind, TrackErrorKind::None) << length;
      if (length == 0) {
        EXPECT_EQ(loaded.Error().Describe(), "the file is empty");
      }
      EXPECT_FALSE(loaded.Error().Describe().empty());
    }
  }
}

TEST(DamagedFile, WalkFaults) {
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
       "promises more sub-chunks than can be counted"},
      {"negative size of an unknown chunk",
       [](trackbuilder::Chunk& root) {
         root.children.insert(root.children.begin(), trackbuilder::Chunk{"XTRA", {}, {}, {}, -12});
         root.subChunkCount = 4;
       },
       "the XTRA chunk at byte 32 has a negative size (-12)"},
      {"unknown chunk reaching past the end",
       [](trackbuilder::Chunk& root) {
         root.children.insert(root.children.begin(), trackbuilder::Chunk{"XTRA", {}, {}, {}, 1 << 30});
         root.subChunkCount = 4;
       },
       "the XTRA chunk at byte 32 is 1073741824 bytes long, but the file ends first"},
  };
  for (const WalkCase& one : cases) {
    SCOPED_TRACE(one.name);
    trackbuilder::Chunk root = trackbuilder::CanonicalTree(empty);
    one.damage(root);
    const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(root.Serialize());
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.Error().kind, TrackErrorKind::Damaged);
    EXPECT_NE(loaded.Error().message.find(one.message), std::string::npos) << loaded.Error().message;
  }
}
