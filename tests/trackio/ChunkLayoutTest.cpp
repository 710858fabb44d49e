// Byte layouts and size figures of every chunk type.
#include <gtest/gtest.h>

#include "TrackTesting.h"

using namespace tracktesting;
using trackbuilder::CanonicalFile;
using trackbuilder::Noise;
using trackbuilder::SampleDocument;
using trackio::Single;
using trackio::TrackDocument;

namespace {

// The size field of the first chunk with `tag` in a saved file.
int32_t SavedSize(const std::vector<uint8_t>& file, const std::string& tag) {
  const int64_t offset = ChunkOffset(file, tag);
  EXPECT_GE(offset, 0) << tag;
  return offset < 0 ? -1 : LongAt(file, offset + 4);
}

// Bytes from the chunk with `tag` up to the next chunk (or the end).
std::vector<uint8_t> ChunkBytes(const std::vector<uint8_t>& file, const std::string& tag,
                                int64_t length) {
  const int64_t offset = ChunkOffset(file, tag);
  return std::vector<uint8_t>(file.begin() + offset, file.begin() + offset + length);
}

std::vector<uint8_t> TagThen(const char* tag, const std::vector<uint8_t>& rest) {
  trackbuilder::Bytes bytes;
  bytes.Raw(tag).Append(rest);
  return bytes.data();
}

// A segment with every field at its default but its kind.
trackio::Segment SegmentOfKind(int32_t kind) {
  trackio::Segment segment;
  segment.Kind = kind;
  return segment;
}

}  // namespace

TEST(ChunkLayout, EmptyDocumentIs665BytesWithTheKnownSizes) {
  TrackDocument doc;
  const auto file = Saved(doc);
  ASSERT_EQ(file.size(), 665u);
  const std::vector<std::pair<const char*, int32_t>> sizes = {
      {"NLIM", 657}, {"TRCK", 477}, {"INFO", 24}, {"BEZR", 40}, {"SEGM", 41},
      {"SUPP", 276}, {"FUND", 40},  {"RASC", 40}, {"FREN", 40}, {"TUBE", 40},
      {"CATW", 40},  {"SCEN", 88},  {"SCOB", 40}, {"ENVC", 44}};
  for (const auto& [tag, size] : sizes) EXPECT_EQ(SavedSize(file, tag), size) << tag;
  EXPECT_EQ(ChunkOffset(file, "TERA"), -1);
  // Version 1.3.0.0, three top-level chunks.
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 8, file.begin() + 12), (std::vector<uint8_t>{1, 3, 0, 0}));
  EXPECT_EQ(LongAt(file, 28), 3);
}

TEST(ChunkLayout, EmptySceneryAndEnvironmentBytes) {
  const auto file = Saved(TrackDocument{});
  std::vector<uint8_t> scen = TagThen("SCEN", {0, 0, 0, 0x58});
  scen.insert(scen.end(), 16 + 4 + 16, 0);
  scen.insert(scen.end(), {0, 0, 0, 1});
  std::vector<uint8_t> scob = TagThen("SCOB", {0, 0, 0, 0x28});
  scob.insert(scob.end(), 16 + 4 + 16 + 4, 0);
  scen.insert(scen.end(), scob.begin(), scob.end());
  EXPECT_EQ(ChunkBytes(file, "SCEN", 96), scen);

  std::vector<uint8_t> envc = TagThen("ENVC", {0, 0, 0, 0x2C});
  envc.insert(envc.end(), 16 + 4 + 4 + 16 + 4, 0);
  EXPECT_EQ(ChunkBytes(file, "ENVC", 52), envc);
  EXPECT_EQ(ChunkOffset(file, "ENVC") + 52, static_cast<int64_t>(file.size()));
}

TEST(ChunkLayout, SavedBytesMatchTheLayoutTables) {
  // The builder writes straight from the layout tables; the library's save
  // must agree with it byte for byte, for content in every chunk type.
  const TrackDocument sample = SampleDocument();
  EXPECT_EQ(Saved(sample), CanonicalFile(sample));
  TrackDocument noTerrain = sample;
  noTerrain.TerrainPresent = false;
  EXPECT_EQ(Saved(noTerrain), CanonicalFile(noTerrain));
}

TEST(ChunkLayout, EveryFieldIsReadFromItsPlace) {
  const TrackDocument sample = SampleDocument();
  EXPECT_EQ(Loaded(CanonicalFile(sample)), Framed(sample));
}

TEST(ChunkLayout, ANormalisedSaveNormalisesFramingAndFiller) {
  // Reserved runs full of other bytes, flags stored as 1, colours with a
  // leading byte, old version bytes and wrong sizes all come back in the
  // form the tool wrote before it saved exactly.
  const TrackDocument sample = SampleDocument();
  TrackDocument oldVersion = sample;
  oldVersion.NlimVersion2 = 2;
  trackbuilder::Chunk noisy = trackbuilder::CanonicalTree(oldVersion, Noise{0xAA, 1, 0x7F});
  noisy.size = 12345;
  noisy.children[0].size = -7;
  noisy.children[0].subChunkCount = 4;
  EXPECT_EQ(SavedNormalised(Loaded(noisy.Serialize())), CanonicalFile(sample));
}

TEST(ChunkLayout, SegmentSizesFollowTheirKinds) {
  const auto sizeWith = [](std::vector<int32_t> kinds) {
    TrackDocument doc;
    for (int32_t kind : kinds) doc.Segments.push_back(SegmentOfKind(kind));
    return SavedSize(Saved(doc), "SEGM");
  };
  EXPECT_EQ(sizeWith({}), 41);
  EXPECT_EQ(sizeWith({0}), 78);
  EXPECT_EQ(sizeWith({1}), 204);
  EXPECT_EQ(sizeWith({0, 1, 2, 3, 4}), 466);
  EXPECT_EQ(sizeWith({5}), 41 + 33);
  EXPECT_EQ(sizeWith({-1}), 41 + 33);
}

TEST(ChunkLayout, KindPartLengthIsWrittenFixedAndNeverTrusted) {
  TrackDocument doc;
  trackio::Segment segment = SegmentOfKind(1);
  segment.Kind1Data.Value11 = Single::FromFloat(9.5f);
  segment.Kind1Data.Byte3 = 77;
  doc.Segments = {segment};
  std::vector<uint8_t> file = CanonicalFile(doc);
  const int64_t part = ChunkOffset(file, "SEGM") + 29 + 33;
  ASSERT_EQ(LongAt(file, part), 126);
  file[static_cast<size_t>(part + 3)] = 200;  // a wrong length long
  const TrackDocument loaded = Loaded(file);
  EXPECT_EQ(loaded.Segments[0].Kind1Data, segment.Kind1Data);
  EXPECT_EQ(LongAt(Saved(loaded), part), 126);
}

TEST(ChunkLayout, KindFourFlagsSitWhereTheLayoutPutsThem) {
  TrackDocument doc;
  doc.Segments = {SegmentOfKind(4)};
  std::vector<uint8_t> file = CanonicalFile(doc);
  const auto part = static_cast<size_t>(ChunkOffset(file, "SEGM") + 29 + 33);
  file[part + 24] = 1;
  EXPECT_TRUE(Loaded(file).Segments[0].Kind4Data.Flag1);
  file[part + 24] = 0;
  file[part + 40] = 1;
  const TrackDocument loaded = Loaded(file);
  EXPECT_TRUE(loaded.Segments[0].Kind4Data.Flag2);
  EXPECT_FALSE(loaded.Segments[0].Kind4Data.Flag1);
  EXPECT_EQ(Saved(loaded)[part + 40], 1) << "an exact save keeps the flag's byte";
  EXPECT_EQ(SavedNormalised(loaded)[part + 40], 255);
}

TEST(ChunkLayout, BezierFlagsAreStoredOneThreeTwo) {
  TrackDocument doc;
  doc.BezierVertices.resize(1);
  std::vector<uint8_t> file = CanonicalFile(doc);
  const auto flags = static_cast<size_t>(ChunkOffset(file, "BEZR") + 28 + 40);
  const std::vector<std::array<bool, 3>> expected = {{true, false, false}, {false, false, true},
                                                     {false, true, false}};
  for (size_t i = 0; i < 3; ++i) {
    for (size_t j = 0; j < 3; ++j) file[flags + j] = j == i ? 1 : 0;
    const trackio::BezierVertex v = Loaded(file).BezierVertices[0];
    EXPECT_EQ((std::array<bool, 3>{v.Flag1.IsSet(), v.Flag2.IsSet(), v.Flag3.IsSet()}), expected[i]) << i;
  }
  EXPECT_EQ(SavedSize(Saved(Loaded(file)), "BEZR"), 100);
}

TEST(ChunkLayout, TubeEndsStoreSubBeforeIndex) {
  TrackDocument doc;
  doc.Tubes.resize(1);
  std::vector<uint8_t> file = CanonicalFile(doc);
  const int64_t element = ChunkOffset(file, "TUBE") + 28;
  for (int i = 0; i < 3; ++i) file[static_cast<size_t>(element + 4 * i + 3)] = std::array<uint8_t, 3>{2, 7, 3}[i];
  const trackio::Tube tube = Loaded(file).Tubes[0];
  EXPECT_EQ(tube.End1Type, 2);
  EXPECT_EQ(tube.End1Sub, 7);
  EXPECT_EQ(tube.End1Index, 3);
  const auto saved = Saved(Loaded(file));
  EXPECT_EQ(LongAt(saved, element + 4), 7);
  EXPECT_EQ(LongAt(saved, element + 8), 3);
}

TEST(ChunkLayout, TableChunkSizes) {
  TrackDocument doc;
  doc.Tubes.resize(10);
  doc.RailConnectors.resize(3);
  doc.RailConnectors[1].Entries.resize(1);
  doc.RailConnectors[2].Entries.resize(3);
  doc.Catwalks = {{0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 4}, {0, 0, 0, 0, 0, 0, 12}};
  doc.Footers.resize(2);
  const auto file = Saved(doc);
  EXPECT_EQ(SavedSize(file, "TUBE"), 520);
  EXPECT_EQ(SavedSize(file, "RASC"), 148);
  EXPECT_EQ(SavedSize(file, "CATW"), 140);
  EXPECT_EQ(SavedSize(file, "FUND"), 40 + 2 * 92);
  EXPECT_EQ(SavedSize(file, "SUPP"), 76 + 40 + 2 * 92 + 148 + 40 + 520 + 140);
  EXPECT_EQ(static_cast<int64_t>(file.size()), LongAt(file, 4) + 8);
}

TEST(ChunkLayout, CatwalkTrailersKeepTheirBytesUnlessNormalised) {
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Catwalks = {{-1, 2, -3, 4, -5, 6, 5}, {7, 7, 7, 7, 7, 7, 3}};
  const std::vector<uint8_t> noisy = CanonicalFile(doc, Noise{0x5A, 255, 0});
  TrackDocument loaded = Loaded(noisy);
  ASSERT_EQ(loaded.Catwalks.size(), 2u);
  EXPECT_EQ(loaded.Catwalks[0].Trailer.size(), 5u);
  EXPECT_EQ(loaded.Catwalks[1].Trailer.size(), 3u);
  for (trackio::Catwalk& catwalk : loaded.Catwalks) catwalk.Trailer.clear();
  EXPECT_EQ(loaded.Catwalks, doc.Catwalks);
  EXPECT_EQ(Saved(Loaded(noisy)), noisy);
  EXPECT_EQ(SavedNormalised(Loaded(noisy)), CanonicalFile(doc));
  EXPECT_EQ(SavedSize(Saved(Loaded(noisy)), "CATW"), 40 + 33 + 31);
}

TEST(ChunkLayout, TerrainGridAndSizes) {
  TrackDocument doc;
  doc.TerrainPresent = true;
  const auto bare = Saved(doc);
  EXPECT_EQ(SavedSize(bare, "TERA"), 81);
  EXPECT_EQ(LongAt(bare, 28), 4);  // the root counts TERA
  EXPECT_EQ(ChunkOffset(bare, "ENVC") - ChunkOffset(bare, "TERA"), 89);
  EXPECT_GT(ChunkOffset(bare, "TERA"), ChunkOffset(bare, "SCOB"));

  doc.TerrainColumnCount = 3;
  doc.TerrainRowCount = 2;
  for (int i = 0; i < 6; ++i) doc.TerrainGrid.push_back(Single::FromFloat(static_cast<float>(i)));
  doc.TerrainFlag1 = true;
  const auto file = Saved(doc);
  const int64_t grid = ChunkOffset(file, "TERA") + 69;
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(static_cast<uint32_t>(LongAt(file, grid + 4 * i)), Single::FromFloat(static_cast<float>(i)).bits);
  }
  EXPECT_EQ(file[static_cast<size_t>(ChunkOffset(file, "TERA") + 40)], 0xFF);
  EXPECT_EQ(SavedSize(file, "TERA"), 81 + 24);
}

TEST(ChunkLayout, NegativeTextLengthsReadAsEmptyAndSaveAsZero) {
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.ColorSets.resize(1);
  std::vector<uint8_t> file = CanonicalFile(doc);
  // The colour set's name length, and the ENVC first text length, set to -5 / -1.
  const int64_t nameLength = ChunkOffset(file, "TRCK") + 20 + 8;
  const int64_t envcLength = ChunkOffset(file, "ENVC") + 24;
  for (int64_t at : {nameLength, envcLength}) {
    for (int i = 0; i < 4; ++i) file[static_cast<size_t>(at + i)] = 0xFF;
  }
  const TrackDocument loaded = Loaded(file);
  EXPECT_EQ(loaded.ColorSets[0].Name, "");
  EXPECT_EQ(loaded.EnvironmentText1, "");
  EXPECT_EQ(Saved(loaded), CanonicalFile(doc));
}

TEST(ChunkLayout, NegativeRailConnectorEntryCountSavesAsZero) {
  TrackDocument doc;
  doc.RailConnectors.resize(1);
  std::vector<uint8_t> file = CanonicalFile(doc);
  const int64_t entryCount = ChunkOffset(file, "RASC") + 28;
  for (int i = 0; i < 4; ++i) file[static_cast<size_t>(entryCount + i)] = 0xFF;
  const TrackDocument loaded = Loaded(file);
  EXPECT_EQ(loaded.RailConnectors[0].EntryCount(), 0);
  const auto saved = Saved(loaded);
  EXPECT_EQ(LongAt(saved, entryCount), 0);
  EXPECT_EQ(SavedSize(saved, "RASC"), 44);
}
