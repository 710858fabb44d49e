// A flanged track holds tens of thousands of appended records: its saved
// bytes must still be exactly those the track builder writes from the
// layouts, and load back into the same document.
#include <gtest/gtest.h>

#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"

TEST(FlangedFile, SavesByteForByteAsTheBuilderWritesIt) {
  trackio::TrackDocument doc = trackbuilder::GeneratedDocument(2000);
  ASSERT_GT(supports::AddFlanges(doc).flangesAdded, 20000);
  const std::vector<uint8_t> saved = trackio::BuildTrackFile(doc);
  EXPECT_EQ(saved, trackbuilder::CanonicalFile(doc));
  EXPECT_EQ(tracktesting::Loaded(saved), doc);
}
