// The fuzzer's round-trip check on the seed corpus and on every input the
// fuzzer (or its check on the seeds) has found, each rebuilt from code. The
// terrain grid whose size overflowed is a memory-bound case in
// LoadBoundsTest.cpp, the one place it is tested on its own.
#include <gtest/gtest.h>

#include <set>

#include "AllocationCounter.h"
#include "RoundTripCheck.h"
#include "SavedFileLayout.h"
#include "SeedCorpus.h"
#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"

using trackio::Single;
using trackio::TrackDocument;
using trackbuilder::Point;
using trackbuilder::TubeBetween;

namespace {

// Flanging is checked up to the largest seed's 32,003 flanges.
std::string Breach(const std::vector<uint8_t>& bytes) {
  return fuzzcheck::FindBreach(bytes.data(), bytes.size(), &allocationcounter::kMeter, 100000);
}

}  // namespace

TEST(FuzzRegression, EverySeedKeepsTheRoundTripInvariants) {
  for (const fuzzcheck::Seed& seed : fuzzcheck::SeedCorpus()) {
    EXPECT_EQ(Breach(seed.bytes), "") << seed.name;
  }
}

TEST(FuzzRegression, TheByteForByteCheckTellsWellFramedSeedsFromTheOthers) {
  // The check saves an input exactly and compares the bytes when its own
  // walk finds the input framed as a save frames it: the whole tracks, noisy
  // or not, with or without unknown chunks; not the reshaped ones.
  const std::set<std::string> wellFramed = {"empty",       "sample",      "sample-noisy", "sample-later-version",
                                            "sample-without-terrain",     "generated-1",  "generated-8",
                                            "generated-40", "unknown-chunk-with-children", "awkward-tubes"};
  for (const fuzzcheck::Seed& seed : fuzzcheck::SeedCorpus()) {
    EXPECT_EQ(fuzzcheck::FindLayoutFault(seed.bytes).empty(), wellFramed.count(seed.name) == 1) << seed.name;
  }
}

TEST(FuzzRegression, AnEndBeyondTheFreeNodesNeverNamesANewFlangeNode) {
  // Found by the check on the "awkward-tubes" seed: the free node index 4 of
  // the second tube lay beyond the table when flanging started, but once the
  // first tube's flanges had been appended it named one of them (at y =
  // 19.775), so the damaged tube got three flanges toward a flange node and
  // AddFlanges added more than CountFlanges (and its size guard) allowed for.
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Footers.resize(1);
  doc.Footers[0].Position = Point(0, 0, 0);
  doc.FreeNodes = {Point(0, 30, 0)};
  doc.Tubes = {TubeBetween(1, 0, 2, 0, 0),    // 30 long: 4 flanges, free nodes 1 to 8
               TubeBetween(1, 0, 2, 4, 0)};   // damaged: free node 4 does not exist yet
  const supports::FlangeSummary planned = supports::CountFlanges(doc);
  EXPECT_EQ(planned.flangesAdded, 4);
  EXPECT_EQ(planned.tubesSkippedOutOfRange, 1);

  const supports::FlangeSummary done = supports::AddFlanges(doc);
  EXPECT_EQ(done.flangesAdded, 4);
  EXPECT_EQ(doc.Tubes.size(), 2u + 4u);
  EXPECT_EQ(doc.FreeNodes.size(), 1u + 8u);
  EXPECT_EQ(Breach(trackbuilder::CanonicalFile(doc)), "");
}

TEST(FuzzRegression, AColourCutOffByTheEndOfTheFileIsReportedAtItsStart) {
  // Found by the fuzzer: a file that ended inside a colour was reported at the
  // colour's second byte (the colour reader checked only its value bytes).
  // Here the file ends two bytes into the fourth track colour, at byte 64.
  trackbuilder::Chunk root = trackbuilder::NlimChunk(trackbuilder::EmptyDocument());
  root.Child(trackbuilder::TrckChunk(TrackDocument{}));
  std::vector<uint8_t> bytes = root.Serialize();
  const int64_t fourthColour = 32 + 8 + 12 + 3 * 4;
  bytes.resize(static_cast<size_t>(fourthColour + 2));

  const trackio::LoadResult loaded = trackio::LoadTrackFromBytes(bytes);
  ASSERT_FALSE(loaded);
  EXPECT_EQ(loaded.Error().kind, trackio::TrackErrorKind::Damaged);
  EXPECT_EQ(loaded.Error().chunk, "TRCK");
  EXPECT_EQ(loaded.Error().offset, fourthColour);
  EXPECT_EQ(Breach(bytes), "");
}
