// A file of under 1 MiB never makes a load hold more than 64 MiB, whatever
// its counts say: hostile counts in every chunk type fail cleanly, naming the
// chunk and the byte where the fault lies, and the densest honest files of
// every record type load within the bound. Memory is measured by counting
// every operator new of this test program (AllocationCounter).
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <sstream>

#include "AllocationCounter.h"
#include "HostileFields.h"
#include "TrackTesting.h"
#include "cli/Cli.h"

using trackio::TrackDocument;
using trackio::TrackErrorKind;

namespace {

constexpr size_t kFileBound = size_t{1} << 20;
constexpr uint64_t kMemoryBound = uint64_t{64} << 20;
constexpr int32_t kMax = tracktesting::kMaxLong;
constexpr int32_t kMin = tracktesting::kMinLong;
using tracktesting::PatchLong;

struct Measured {
  bool loaded = false;
  trackio::TrackError error;
  uint64_t peakBytes = 0;
  TrackDocument doc;
};

Measured MeasureLoad(const std::vector<uint8_t>& bytes, bool listChunks = false) {
  Measured result;
  allocationcounter::Start();
  trackio::LoadResult loaded = trackio::LoadTrackFromBytes(bytes, {.listChunks = listChunks});
  result.peakBytes = allocationcounter::PeakBytes();
  result.loaded = static_cast<bool>(loaded);
  result.error = loaded.Error();
  if (loaded) result.doc = std::move(loaded->document);
  return result;
}

const std::vector<uint8_t>& BaseFile() { return tracktesting::HostileBaseFile(); }

void ExpectCleanFailure(const Measured& result, const std::string& chunk, int64_t offset,
                        const std::string& what) {
  EXPECT_FALSE(result.loaded) << what;
  EXPECT_EQ(result.error.kind, TrackErrorKind::Damaged) << what << ": " << result.error.Describe();
  EXPECT_EQ(result.error.chunk, chunk) << what << ": " << result.error.Describe();
  EXPECT_EQ(result.error.offset, offset) << what << ": " << result.error.Describe();
  EXPECT_EQ(result.doc, TrackDocument{}) << what;
  EXPECT_LE(result.peakBytes, kMemoryBound) << what;
}

}  // namespace

TEST(LoadBounds, TheBaseTrackIsJustUnderTheFileBoundAndLoads) {
  ASSERT_LT(BaseFile().size(), kFileBound);
  ASSERT_GT(BaseFile().size(), kFileBound * 3 / 4);
  const Measured result = MeasureLoad(BaseFile());
  EXPECT_TRUE(result.loaded) << result.error.Describe();
  EXPECT_LE(result.peakBytes, kMemoryBound);
}

TEST(LoadBounds, HostileCountsInEveryChunkFailCleanlyWithinTheMemoryBound) {
  for (const tracktesting::HostileField& field : tracktesting::HostileFields()) {
    const int64_t chunk = tracktesting::ChunkOffset(BaseFile(), field.tag);
    ASSERT_GE(chunk, 0) << field.tag;
    for (int32_t value : field.values) {
      std::vector<uint8_t> bytes = BaseFile();
      PatchLong(bytes, chunk + field.offset, value);
      ExpectCleanFailure(MeasureLoad(bytes), field.tag, chunk + field.faultOffset,
                         std::string(field.name) + " " + std::to_string(value));
    }
  }
}

TEST(LoadBounds, ATerrainGridWhoseSizeOverflows64BitsFailsCleanly) {
  // Found by the fuzzer: 4 × columns × rows overflowed the 64-bit check for
  // two counts near 2^31, wrapped to a negative number that passed, and the
  // grid's allocation then threw an exception the load did not expect.
  const int64_t tera = tracktesting::ChunkOffset(BaseFile(), "TERA");
  for (const auto& [columns, rows] : {std::pair{kMax, kMax}, std::pair{0x40000001, kMax}, std::pair{0x60000000, 0x7FFFFFF0}}) {
    std::vector<uint8_t> bytes = BaseFile();
    PatchLong(bytes, tera + 8, columns);
    PatchLong(bytes, tera + 12, rows);
    ExpectCleanFailure(MeasureLoad(bytes), "TERA", tera + 8,
                       "terrain " + std::to_string(columns) + " x " + std::to_string(rows));
  }
}

TEST(LoadBounds, HostileChunkWalkCountsFailCleanly) {
  const std::vector<uint8_t>& base = BaseFile();
  const auto size = static_cast<int64_t>(base.size());

  // The root promises more chunks than the file holds: the walk runs into
  // the end of the file where the next tag should stand.
  std::vector<uint8_t> promising = base;
  PatchLong(promising, 28, 1000000000);
  ExpectCleanFailure(MeasureLoad(promising), "", size, "root sub-chunk count");

  // The promised chunks overflow the countdown as soon as TRCK adds its four.
  std::vector<uint8_t> overflowing = base;
  PatchLong(overflowing, 28, kMax);
  ExpectCleanFailure(MeasureLoad(overflowing), "TRCK", tracktesting::ChunkOffset(base, "TRCK"),
                     "sub-chunk counts");

  // An unknown chunk whose size reaches past the end, or is negative.
  const int64_t info = tracktesting::ChunkOffset(base, "INFO");
  for (int32_t value : {kMax, 0x40000000, -1, kMin}) {
    std::vector<uint8_t> unknown = base;
    unknown.at(static_cast<size_t>(info)) = 'X';
    PatchLong(unknown, info + 4, value);
    ExpectCleanFailure(MeasureLoad(unknown, true), "XNFO", info + 4, "unknown chunk size " + std::to_string(value));
  }
}

namespace {

struct DenseTrack {
  const char* name;
  std::vector<uint8_t> bytes;
  bool listChunks = false;
};

TrackDocument Empty() { return trackbuilder::EmptyDocument(); }

// Files of just under 1 MiB packed with the smallest records of one type,
// the ones that cost the most memory per file byte.
std::vector<DenseTrack> DenseTracks() {
  std::vector<DenseTrack> tracks;
  auto add = [&tracks](const char* name, const TrackDocument& doc) {
    tracks.push_back({name, trackbuilder::CanonicalFile(doc)});
  };
  TrackDocument doc = Empty();
  doc.ColorSets.resize(37000);
  add("colour sets", doc);
  doc = Empty();
  doc.BezierVertices.resize(17000);
  add("bezier vertices", doc);
  doc = Empty();
  doc.Segments.resize(31000);
  for (auto& segment : doc.Segments) segment.Kind = 9;  // no kind-specific part: 33 bytes
  add("segments", doc);
  doc = Empty();
  doc.Footers.resize(11000);
  add("footers", doc);
  doc = Empty();
  doc.RailConnectors.resize(255000);
  add("rail connectors", doc);
  doc = Empty();
  doc.RailConnectors.resize(1);
  doc.RailConnectors[0].Entries.resize(42000);
  add("rail connector entries", doc);
  doc = Empty();
  doc.FreeNodes.resize(37000);
  add("free nodes", doc);
  doc = Empty();
  doc.Tubes.resize(21500);
  add("tubes", doc);
  doc = Empty();
  doc.Catwalks.resize(37000);
  add("catwalks", doc);
  doc = Empty();
  doc.SceneryEntries.resize(16000);
  add("scenery entries", doc);
  doc = Empty();
  doc.SceneryObjects.resize(11500);
  add("scenery objects", doc);
  doc = Empty();
  doc.TerrainPresent = true;
  doc.TerrainColumnCount = 500;
  doc.TerrainRowCount = 510;
  doc.TerrainGrid.resize(500 * 510);
  add("terrain grid", doc);
  doc = Empty();
  doc.InfoText.assign(1000000, 'i');
  add("info text", doc);

  // Unknown chunks of 8 bytes each, listed as the load meets them.
  trackbuilder::Bytes unknown;
  constexpr int32_t kUnknownChunks = 130000;
  unknown.Raw("NLIM").Long(0).Byte(1).Byte(3).Zeros(2 + 16).Long(kUnknownChunks);
  for (int32_t i = 0; i < kUnknownChunks; ++i) unknown.Raw("ZZZZ").Long(0);
  tracks.push_back({"unknown chunks", unknown.data(), true});
  return tracks;
}

}  // namespace

TEST(LoadBounds, TheDensestFilesOfEveryRecordTypeLoadWithinTheMemoryBound) {
  for (const DenseTrack& track : DenseTracks()) {
    ASSERT_LT(track.bytes.size(), kFileBound) << track.name;
    ASSERT_GT(track.bytes.size(), kFileBound * 9 / 10) << track.name;
    const Measured result = MeasureLoad(track.bytes, track.listChunks);
    EXPECT_TRUE(result.loaded) << track.name << ": " << result.error.Describe();
    EXPECT_LE(result.peakBytes, kMemoryBound) << track.name;
  }
}

TEST(LoadBounds, LoadingFromAPathStaysWithinTheMemoryBound) {
  tracktesting::ScratchFolder folder;
  const std::string path = folder.File("big.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(path, BaseFile()));
  allocationcounter::Start();
  ASSERT_TRUE(trackio::LoadTrack(path));
  EXPECT_LE(allocationcounter::PeakBytes(), kMemoryBound);

  // On a machine without the memory for the file's tables (or for its
  // bytes, where a load by path reads the file whole), the load says so,
  // with the size, instead of failing "unexpectedly".
  std::vector<uint8_t> bytes;
  bytes.reserve(BaseFile().size() + 1);  // room for the zero byte after it: never copied
  bytes = BaseFile();
  const std::string tooLarge =
      "the track is too large for this machine's memory (" + std::to_string(BaseFile().size()) + " bytes)";
  allocationcounter::RefuseAbove(64 << 10);
  const trackio::LoadResult read = trackio::LoadTrack(path);
  allocationcounter::RefuseAbove(64 << 10);
  const trackio::LoadResult walked = trackio::LoadTrackFromBytes(std::move(bytes));
  allocationcounter::RefuseAbove(SIZE_MAX);
  for (const trackio::LoadResult* loaded : {&read, &walked}) {
    ASSERT_FALSE(*loaded);
    EXPECT_EQ(loaded->Error().kind, TrackErrorKind::TooLarge);
    EXPECT_EQ(loaded->Error().Describe(), tooLarge);
  }
}

namespace {

// Tubes of type 0, each 327672 units long: 32768 flanges apiece, the most
// one tube can get.
TrackDocument LongTubes(int32_t count) {
  TrackDocument doc = Empty();
  for (int32_t i = 0; i < count; ++i) {
    const float z = static_cast<float>(10 * i);
    trackio::Footer footer;
    footer.Position = {trackio::Single::FromFloat(0), trackio::Single::FromFloat(0), trackio::Single::FromFloat(z)};
    doc.Footers.push_back(footer);
    doc.FreeNodes.push_back(
        {trackio::Single::FromFloat(327672), trackio::Single::FromFloat(0), trackio::Single::FromFloat(z)});
    trackio::Tube tube;
    tube.End1Type = trackio::kEndTypeFooter;
    tube.End1Index = i;
    tube.End2Type = trackio::kEndTypeFreeNode;
    tube.End2Index = i;
    doc.Tubes.push_back(tube);
  }
  return doc;
}

}  // namespace

TEST(LoadBounds, RenderingAnyTrackHoldsLittleMemory) {
  // render writes its picture as it draws it, and refuses one of more lines
  // than anyone can look at before it holds them: 100 long tubes in a 12 KB
  // file once made a 222 MB picture out of 889 MB of memory.
  struct Case {
    const char* what;
    std::vector<uint8_t> track;
    bool flanges;
    int status;
    std::string err;  // "@" stands for the track's path
  };
  const Case cases[] = {
      {"100 long tubes, with their flanges", trackbuilder::CanonicalFile(LongTubes(100)), true, 1,
       "tarnwick-cli: @: the picture would have 3,276,900 lines, more than the 200,000 a picture can usefully show; "
       "nothing was written\n"},
      {"6 long tubes, with their flanges: just under the limit", trackbuilder::CanonicalFile(LongTubes(6)), true, 0,
       ""},
      {"a file of just under 1 MiB of tubes", DenseTracks()[7].bytes, false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tracktesting::ScratchFolder folder;
    const std::string track = folder.File("t.nltrack"), picture = folder.File("t.svg");
    ASSERT_TRUE(trackbuilder::WriteFile(track, c.track));
    std::vector<std::string> args{"render", track, "-o", picture, "-q"};
    if (c.flanges) args.push_back("--flanges");
    std::ostringstream out, err;
    allocationcounter::Start();
    EXPECT_EQ(cli::RunCli(args, out, err), c.status);
    EXPECT_LE(allocationcounter::PeakBytes(), kMemoryBound);
    std::string expected = c.err;
    if (const size_t at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, track);
    EXPECT_EQ(err.str(), expected);
    EXPECT_EQ(folder.Entries().size(), c.status == 0 ? 2u : 1u);
  }
}
