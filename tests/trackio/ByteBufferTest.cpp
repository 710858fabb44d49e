#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "trackio/ByteBuffer.h"

using trackio::ByteBuffer;
using trackio::Single;
using trackio::TrackFormatError;

namespace {

ByteBuffer Of(std::vector<uint8_t> bytes) { return ByteBuffer(std::move(bytes)); }

template <typename Write>
std::vector<uint8_t> Written(Write write) {
  ByteBuffer buffer;
  int32_t cursor = 0;
  write(buffer, cursor);
  EXPECT_EQ(cursor, buffer.Size());
  return buffer.Bytes();
}

}  // namespace

TEST(byte_buffer, longs_are_big_endian_twos_complement) {
  int32_t cursor = 0;
  EXPECT_EQ(Of({0x00, 0x00, 0x01, 0x02}).ReadLong(cursor), 258);
  EXPECT_EQ(cursor, 4);
  EXPECT_EQ(Written([](ByteBuffer& b, int32_t& c) { b.WriteLong(c, -2); }),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFE}));
}

TEST(byte_buffer, singles_keep_their_bit_patterns) {
  EXPECT_EQ(Written([](ByteBuffer& b, int32_t& c) { b.WriteSingle(c, Single::FromFloat(1.0f)); }),
            (std::vector<uint8_t>{0x3F, 0x80, 0x00, 0x00}));
  // A signalling NaN with a payload, negative zero and a denormal come back
  // bit for bit.
  for (uint32_t bits : {0x7FA00001u, 0x80000000u, 0x00000001u, 0x3F800000u}) {
    const auto bytes = Written([bits](ByteBuffer& b, int32_t& c) { b.WriteSingle(c, Single{bits}); });
    int32_t cursor = 0;
    EXPECT_EQ(Of(bytes).ReadSingle(cursor).bits, bits);
  }
}

TEST(byte_buffer, colours_drop_their_leading_byte) {
  int32_t cursor = 0;
  EXPECT_EQ(Of({0x7F, 0x12, 0x34, 0x56}).ReadColor(cursor), 1193046);
  EXPECT_EQ(cursor, 4);
  EXPECT_EQ(Written([](ByteBuffer& b, int32_t& c) { b.WriteColor(c, 0x7F123456); }),
            (std::vector<uint8_t>{0x00, 0x12, 0x34, 0x56}));
}

TEST(byte_buffer, tags_read_upper_case_and_write_as_given) {
  int32_t cursor = 0;
  EXPECT_EQ(Of({0x74, 0x72, 0x63, 0x6B}).ReadTag(cursor), "TRCK");
  EXPECT_EQ(Written([](ByteBuffer& b, int32_t& c) { b.WriteTag(c, "ENVC"); }),
            (std::vector<uint8_t>{'E', 'N', 'V', 'C'}));
}

TEST(byte_buffer, strings_take_every_byte_and_ignore_non_positive_lengths) {
  const ByteBuffer buffer = Of({0x41, 0x00, 0x42});
  int32_t cursor = 0;
  const std::string text = buffer.ReadString(cursor, 3);
  EXPECT_EQ(text, std::string("A\0B", 3));
  EXPECT_EQ(cursor, 3);
  EXPECT_EQ(Written([&](ByteBuffer& b, int32_t& c) { b.WriteString(c, text); }), buffer.Bytes());

  for (int32_t length : {0, -5}) {
    cursor = 1;
    EXPECT_EQ(buffer.ReadString(cursor, length), "");
    EXPECT_EQ(cursor, 1);
  }
  EXPECT_TRUE(Written([](ByteBuffer& b, int32_t& c) { b.WriteString(c, ""); }).empty());
}

TEST(byte_buffer, zeros_and_flags) {
  ByteBuffer buffer;
  int32_t cursor = 0;
  buffer.WriteZeros(cursor, 8);
  buffer.WriteZeros(cursor, 16);
  EXPECT_EQ(cursor, 24);
  EXPECT_EQ(buffer.Bytes(), std::vector<uint8_t>(24, 0));

  const auto flags = Written([](ByteBuffer& b, int32_t& c) {
    b.WriteFlag(c, true);
    b.WriteFlag(c, false);
  });
  EXPECT_EQ(flags, (std::vector<uint8_t>{255, 0}));
  cursor = 0;
  EXPECT_TRUE(Of({7}).ReadFlag(cursor));
}

TEST(byte_buffer, reads_past_the_end_fail_without_moving_the_cursor) {
  const ByteBuffer buffer = Of({1, 2, 3, 4, 5});
  struct Case {
    const char* name;
    std::function<void(int32_t&)> read;
  };
  const std::vector<Case> cases = {
      {"long", [&](int32_t& c) { buffer.ReadLong(c); }},
      {"single", [&](int32_t& c) { buffer.ReadSingle(c); }},
      {"colour", [&](int32_t& c) { buffer.ReadColor(c); }},
      {"tag", [&](int32_t& c) { buffer.ReadTag(c); }},
      {"string", [&](int32_t& c) { buffer.ReadString(c, 4); }},
      {"skip", [&](int32_t& c) { buffer.Skip(c, 4); }},
  };
  for (const Case& one : cases) {
    int32_t cursor = 2;
    EXPECT_THROW(one.read(cursor), TrackFormatError) << one.name;
    EXPECT_EQ(cursor, 2) << one.name;
  }
  int32_t cursor = 5;
  EXPECT_THROW(buffer.ReadByte(cursor), TrackFormatError);
  // A colour reads only its last three bytes.
  cursor = 0;
  EXPECT_EQ(Of({9, 0, 0, 1}).ReadColor(cursor), 1);
}

TEST(byte_buffer, huge_lengths_fail_cleanly) {
  const ByteBuffer buffer = Of({1, 2, 3, 4});
  int32_t cursor = 2;
  EXPECT_THROW(buffer.ReadString(cursor, std::numeric_limits<int32_t>::max()), TrackFormatError);
  EXPECT_THROW(buffer.Skip(cursor, std::numeric_limits<int32_t>::max()), TrackFormatError);
  EXPECT_THROW(buffer.Skip(cursor, -1), TrackFormatError);
  EXPECT_THROW(buffer.RequireRecords(cursor, 1 << 30, 48, "tube count", 0), TrackFormatError);
  EXPECT_THROW(buffer.RequireRecords(cursor, -1, 48, "tube count", 0), TrackFormatError);
  EXPECT_NO_THROW(buffer.RequireRecords(cursor, 2, 1, "tube count", 0));
}
