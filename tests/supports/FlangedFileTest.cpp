// A flanged track holds tens of thousands of appended records: its saved
// bytes must still be exactly those the track builder writes from the
// layouts, load back into the same document, and flange to the same bytes.
#include <gtest/gtest.h>

#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"

TEST(FlangedFile, SavesByteForByteAsTheBuilderWritesIt) {
  trackio::TrackDocument doc = trackbuilder::GeneratedDocument(2000);
  const int64_t flanges = supports::AddFlanges(doc).flangesAdded;
  ASSERT_GT(flanges, 20000);
  const std::vector<uint8_t> saved = trackio::BuildTrackFile(doc);
  EXPECT_EQ(saved, trackbuilder::CanonicalFile(doc));
  EXPECT_EQ(tracktesting::Loaded(saved), doc);

  // Flanged again, it gains nothing: every flange is found where it is.
  trackio::TrackDocument again = tracktesting::Loaded(saved);
  const supports::FlangeSummary second = supports::AddFlanges(again);
  EXPECT_EQ(second.flangesAdded, 0);
  EXPECT_EQ(second.flangesAlreadyPresent, flanges);
  EXPECT_EQ(trackio::BuildTrackFile(again), saved);
}
