// A save never writes a file that a load would refuse.
#include <gtest/gtest.h>

#include "TrackBuilder.h"
#include "trackio/TrackIO.h"

namespace {

TEST(ComputeChunkSizes, AllowsExactlyTheLongestFileALoadAccepts) {
  // A catwalk trailer stretches the file without holding memory.
  trackio::TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Catwalks = {trackio::Catwalk{}};
  const int64_t withoutTrailer = trackio::SavedFileLength(doc);
  doc.Catwalks[0].TrailerLength = static_cast<int32_t>(trackio::kMaxTrackFileLength - withoutTrailer);
  ASSERT_EQ(trackio::SavedFileLength(doc), trackio::kMaxTrackFileLength);
  EXPECT_NO_THROW(trackio::ComputeChunkSizes(doc));

  doc.Catwalks[0].TrailerLength += 1;
  try {
    trackio::ComputeChunkSizes(doc);
    ADD_FAILURE() << "a file one byte longer than a load accepts was sized";
  } catch (const trackio::TrackFormatError& error) {
    EXPECT_EQ(error.kind(), trackio::TrackErrorKind::TooLarge);
  }
}

}  // namespace
