// The field codecs of the chunk reader and the chunk writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

#include "trackio/ChunkReader.h"
#include "trackio/ChunkWriter.h"

using trackio::ChunkReader;
using trackio::ChunkWriter;
using trackio::Single;
using trackio::TrackFormatError;

namespace {

// A reader over bytes of its own, as a chunk's reader sees them.
struct Reading {
  explicit Reading(std::vector<uint8_t> data, int64_t skip = 0)
      : bytes(std::move(data)), reader(bytes.data(), static_cast<int64_t>(bytes.size()), context) {
    context.chunkTag = "TEST";
    context.chunkOffset = 0;
    reader.Skip(skip);
  }
  std::vector<uint8_t> bytes;
  trackio::ReadContext context;
  ChunkReader reader;
};

template <typename Write>
std::vector<uint8_t> Written(Write write) {
  trackio::MemorySink sink;
  ChunkWriter writer(sink, 0);
  write(writer);
  const int64_t position = writer.Position();
  writer.Finish();
  EXPECT_EQ(position, static_cast<int64_t>(sink.bytes.size()));
  return sink.bytes;
}

}  // namespace

TEST(ChunkCodec, LongsAreBigEndianTwosComplement) {
  Reading in({0x00, 0x00, 0x01, 0x02});
  EXPECT_EQ(in.reader.ReadLong(), 258);
  EXPECT_EQ(in.reader.Position(), 4);
  EXPECT_EQ(Written([](ChunkWriter& w) { w.WriteLong(-2); }), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFE}));
}

TEST(ChunkCodec, SinglesKeepTheirBitPatterns) {
  EXPECT_EQ(Written([](ChunkWriter& w) { w.WriteSingle(Single::FromFloat(1.0f)); }),
            (std::vector<uint8_t>{0x3F, 0x80, 0x00, 0x00}));
  // A signalling NaN with a payload, negative zero and a denormal come back
  // bit for bit.
  for (uint32_t bits : {0x7FA00001u, 0x80000000u, 0x00000001u, 0x3F800000u}) {
    Reading in(Written([bits](ChunkWriter& w) { w.WriteSingle(Single{bits}); }));
    EXPECT_EQ(in.reader.ReadSingle().bits, bits);
  }
}

TEST(ChunkCodec, ColoursKeepTheirLeadingByteBesideTheirValue) {
  Reading in({0x7F, 0x12, 0x34, 0x56});
  const trackio::Color color = in.reader.ReadColor();
  EXPECT_EQ(color.Value(), 1193046);
  EXPECT_EQ(color.LeadingByte(), 0x7F);
  EXPECT_EQ(in.reader.Position(), 4);
  EXPECT_EQ(Written([color](ChunkWriter& w) { w.WriteColor(color); }), in.bytes);
  // A colour made from a value has the leading byte 0.
  EXPECT_EQ(Written([](ChunkWriter& w) { w.WriteColor(0x7F123456); }),
            (std::vector<uint8_t>{0x00, 0x12, 0x34, 0x56}));
}

TEST(ChunkCodec, TagsReadUpperCaseAndWriteAsGiven) {
  Reading in({0x74, 0x72, 0x63, 0x6B});
  EXPECT_EQ(in.reader.ReadTag(), "TRCK");
  EXPECT_EQ(Written([](ChunkWriter& w) { w.WriteTag("ENVC"); }), (std::vector<uint8_t>{'E', 'N', 'V', 'C'}));
}

TEST(ChunkCodec, StringsTakeEveryByteAndIgnoreNonPositiveLengths) {
  Reading in({0x41, 0x00, 0x42});
  const std::string text = in.reader.ReadString(3);
  EXPECT_EQ(text, std::string("A\0B", 3));
  EXPECT_EQ(in.reader.Position(), 3);
  EXPECT_EQ(Written([&](ChunkWriter& w) { w.WriteString(text); }), in.bytes);

  for (int32_t length : {0, -5}) {
    Reading again({0x41, 0x00, 0x42}, 1);
    EXPECT_EQ(again.reader.ReadString(length), "");
    EXPECT_EQ(again.reader.Position(), 1);
  }
  EXPECT_TRUE(Written([](ChunkWriter& w) { w.WriteString(""); }).empty());
}

TEST(ChunkCodec, ZerosAndFlags) {
  EXPECT_EQ(Written([](ChunkWriter& w) {
              w.WriteZeros(8);
              w.WriteZeros(16);
              w.WriteZeros(-3);
            }),
            std::vector<uint8_t>(24, 0));
  EXPECT_EQ(Written([](ChunkWriter& w) {
              w.WriteFlag(true);
              w.WriteFlag(false);
            }),
            (std::vector<uint8_t>{255, 0}));
  // A flag keeps its byte; any nonzero one is set.
  Reading in({7});
  const trackio::FlagByte flag = in.reader.ReadFlag();
  EXPECT_TRUE(flag.IsSet());
  EXPECT_EQ(Written([flag](ChunkWriter& w) { w.WriteFlag(flag); }), std::vector<uint8_t>{7});
}

TEST(ChunkCodec, ReadsPastTheEndFailWithoutMovingAndNameTheChunk) {
  const struct {
    const char* name;
    std::function<void(ChunkReader&)> read;
  } cases[] = {
      {"long", [](ChunkReader& r) { r.ReadLong(); }},
      {"single", [](ChunkReader& r) { r.ReadSingle(); }},
      {"colour", [](ChunkReader& r) { r.ReadColor(); }},
      {"tag", [](ChunkReader& r) { r.ReadTag(); }},
      {"string", [](ChunkReader& r) { r.ReadString(4); }},
      {"text", [](ChunkReader& r) { r.ReadText(); }},
      {"skip", [](ChunkReader& r) { r.Skip(4); }},
      {"huge string", [](ChunkReader& r) { r.ReadString(std::numeric_limits<int32_t>::max()); }},
      {"huge skip", [](ChunkReader& r) { r.Skip(std::numeric_limits<int32_t>::max()); }},
      {"negative skip", [](ChunkReader& r) { r.Skip(-1); }},
  };
  for (const auto& one : cases) {
    Reading in({1, 2, 3, 4, 5}, 2);
    try {
      one.read(in.reader);
      ADD_FAILURE() << one.name << " read past the end";
    } catch (const TrackFormatError& error) {
      EXPECT_EQ(error.Offset(), 2) << one.name;
      EXPECT_STREQ(error.what(), "the file ends inside the TEST chunk at byte 0") << one.name;
    }
    EXPECT_EQ(in.reader.Position(), 2) << one.name;
  }
  Reading atEnd({1}, 1);
  EXPECT_THROW(atEnd.reader.ReadByte(), TrackFormatError);
}

TEST(ChunkCodec, TableCountsAreCheckedAgainstWhatFollows) {
  const trackio::RecordNoun tube{"tube", "tubes"};
  Reading in({1, 2, 3, 4});
  EXPECT_THROW(in.reader.RequireRecords(1 << 30, 48, tube, 0), TrackFormatError);
  EXPECT_THROW(in.reader.RequireRecords(-1, 48, tube, 0), TrackFormatError);
  EXPECT_THROW(in.reader.RequireRecords(std::numeric_limits<int64_t>::max(), 4, tube, 0), TrackFormatError);
  EXPECT_NO_THROW(in.reader.RequireRecords(2, 2, tube, 0));
  try {
    in.reader.RequireRecords(3, 2, tube, 0);
    ADD_FAILURE() << "three records of two bytes fitted in four";
  } catch (const TrackFormatError& error) {
    EXPECT_STREQ(error.what(), "the TEST chunk at byte 0 promises 3 tubes, but the file ends first");
  }
}

TEST(ChunkCodec, AFixedRecordTableIsCheckedAsAWholeAndDecodedRecordByRecord) {
  Reading in({0, 0, 1, 2, 0x3F, 0x80, 0, 0, 9, 0, 0, 0, 3, 0, 0, 0, 0, 0});
  struct Pair {
    int32_t count = 0;
    Single value;
    bool flag = false;
  };
  const auto decodePair = [](trackio::RecordReader& record, Pair& pair) {
    pair.count = record.ReadLong();
    pair.value = record.ReadSingle();
    pair.flag = record.ReadFlag().IsSet();
  };
  std::vector<Pair> pairs(2);
  in.reader.ReadRecords(pairs, 9, decodePair);
  EXPECT_EQ(in.reader.Position(), 18);
  EXPECT_EQ(pairs[0].count, 258);
  EXPECT_EQ(pairs[0].value.ToFloat(), 1.0f);
  EXPECT_TRUE(pairs[0].flag);
  EXPECT_EQ(pairs[1].count, 3);
  EXPECT_FALSE(pairs[1].flag);

  // One record too many: nothing is decoded, and the table's start is named.
  Reading shorter({0, 0, 1, 2, 0x3F, 0x80, 0, 0, 9, 0, 0}, 2);
  std::vector<Pair> tooMany(1);
  int decoded = 0;
  EXPECT_THROW(shorter.reader.ReadRecords(tooMany, 10, [&](trackio::RecordReader&, Pair&) { ++decoded; }), TrackFormatError);
  EXPECT_EQ(decoded, 0);
  EXPECT_EQ(shorter.reader.Position(), 2);

  // From a file read in pieces, the table is asked for a record at a time,
  // so the pieces behind can go: a table is never held whole.
  struct RecordSizedSource : trackio::ByteSource {
    int64_t widest = 0;
    int64_t MakeReadable(int64_t end, int64_t keepFrom) override {
      widest = std::max(widest, end - keepFrom);
      return end;
    }
  } source;
  Reading many(std::vector<uint8_t>(9 * 1000));
  many.context.source = &source;
  many.context.readable = 0;
  ChunkReader fromPieces(many.bytes.data(), 9000, many.context);
  std::vector<Pair> thousand(1000);
  fromPieces.ReadRecords(thousand, 9, decodePair);
  EXPECT_EQ(fromPieces.Position(), 9000);
  EXPECT_LE(source.widest, 9);
}

TEST(ChunkCodec, TheWriterHandsOverWholeBuffersAndReportsProgress) {
  // Fields of every width straddle the buffer's end several times over; a
  // long is split across the first two buffers.
  constexpr int64_t kLength = 3 * int64_t{ChunkWriter::kBufferBytes} + 11;
  struct CountingSink : trackio::ByteSink {
    void Write(const uint8_t* data, size_t size) override {
      pieces.push_back(size);
      bytes.insert(bytes.end(), data, data + size);
    }
    std::vector<size_t> pieces;
    std::vector<uint8_t> bytes;
  } sink;
  std::vector<std::pair<int64_t, int64_t>> reports;
  ChunkWriter writer(sink, kLength, [&](int64_t done, int64_t total) { reports.emplace_back(done, total); });
  std::vector<uint8_t> expected(ChunkWriter::kBufferBytes - 2, 0);
  writer.WriteZeros(static_cast<int64_t>(expected.size()));
  writer.WriteLong(0x0A0B0C0D);
  expected.insert(expected.end(), {10, 11, 12, 13});
  const std::string text(1000003, 'q');
  while (static_cast<int64_t>(expected.size()) + 1000003 + 4 + 3 + 1 <= kLength) {
    writer.WriteByte(7);
    writer.WriteLong(0x01020304);
    writer.WriteZeros(3);
    writer.WriteString(text);
    expected.insert(expected.end(), {7, 1, 2, 3, 4, 0, 0, 0});
    expected.insert(expected.end(), text.begin(), text.end());
  }
  const auto rest = kLength - static_cast<int64_t>(expected.size());
  writer.WriteZeros(rest);
  expected.resize(static_cast<size_t>(kLength), 0);
  writer.Finish();

  EXPECT_EQ(sink.bytes, expected);
  const size_t whole = ChunkWriter::kBufferBytes;
  EXPECT_EQ(sink.pieces, (std::vector<size_t>{whole, whole, whole, 11}));
  ASSERT_FALSE(reports.empty());
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_LE(reports[i - 1].first, reports[i].first);
  EXPECT_EQ(reports.back(), std::make_pair(kLength, kLength));
}
