// Tables of fixed-size records are read and written a whole record at a
// time, and a save fills a buffer sized to the file ahead: check that this
// changes neither bytes nor error reports.
#include <gtest/gtest.h>

#include "TrackTesting.h"
#include "trackio/ByteBuffer.h"

using namespace tracktesting;
using trackbuilder::CanonicalFile;
using trackio::ByteBuffer;
using trackio::TrackDocument;
using trackio::TrackFormatError;

TEST(large_tables, a_record_is_checked_as_a_whole_before_any_field_is_read) {
  const ByteBuffer buffer(std::vector<uint8_t>{0, 0, 1, 2, 0x3F, 0x80, 0, 0, 9, 7});
  int32_t cursor = 0;
  trackio::RecordReader record = buffer.ReadRecord(cursor, 9, "a test record");
  EXPECT_EQ(cursor, 9);
  EXPECT_EQ(record.ReadLong(), 258);
  EXPECT_EQ(record.ReadSingle().ToFloat(), 1.0f);
  EXPECT_TRUE(record.ReadFlag());

  cursor = 4;
  try {
    buffer.ReadRecord(cursor, 8, "a test record");
    ADD_FAILURE() << "a record reaching past the end was read";
  } catch (const TrackFormatError& error) {
    EXPECT_EQ(error.offset(), 4);
    EXPECT_NE(std::string(error.what()).find("a test record"), std::string::npos) << error.what();
  }
  EXPECT_EQ(cursor, 4);
}

TEST(large_tables, writers_fill_a_buffer_sized_ahead_and_grow_it_past_its_end) {
  ByteBuffer buffer;
  buffer.SizeForWriting(8);
  int32_t cursor = 0;
  trackio::RecordWriter record = buffer.WriteRecord(cursor, 6);
  record.WriteLong(-2);
  record.WriteFlag(true);
  record.WriteZeros(1);
  buffer.WriteSingle(cursor, trackio::Single::FromFloat(1.0f));
  EXPECT_EQ(cursor, 10);
  EXPECT_EQ(buffer.Bytes(), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFE, 255, 0, 0x3F, 0x80, 0, 0}));
}

TEST(large_tables, thousands_of_records_save_and_load_exactly) {
  // Footers, free nodes and tubes in the thousands, beside every other chunk
  // type: the library's bytes must equal the builder's, and the builder's
  // bytes must load back into the same document.
  const TrackDocument generated = trackbuilder::GeneratedDocument(3000);
  const std::vector<uint8_t> file = CanonicalFile(generated);
  EXPECT_EQ(Saved(generated), file);
  EXPECT_EQ(Loaded(file), Framed(generated));
}

TEST(large_tables, a_table_cut_short_is_reported_at_its_count) {
  // The count check covers the whole table, so a file that ends inside the
  // last tube is reported where the tube count stands, as it always was.
  TrackDocument doc = trackbuilder::GeneratedDocument(10);
  std::vector<uint8_t> file = CanonicalFile(doc);
  const int64_t countOffset = ChunkOffset(file, "TUBE") + 8 + 16;
  ASSERT_EQ(LongAt(file, countOffset), 10);
  file.resize(static_cast<size_t>(countOffset + 4 + 9 * 48 + 20));

  TrackDocument loaded;
  trackio::LoadReport report;
  ASSERT_FALSE(trackio::LoadTrackFromBytes(loaded, file, &report));
  EXPECT_EQ(report.error.kind, trackio::TrackErrorKind::Damaged);
  EXPECT_EQ(report.error.chunk, "TUBE");
  EXPECT_EQ(report.error.offset, countOffset);
  EXPECT_EQ(report.error.message, "tube count 10 promises more bytes than the file holds");
}
