// Builds track files from code for tests, examples, fuzz seeds and
// benchmarks.
//
// The builder writes bytes straight from the file layouts, independently of
// the library's writers, so a test can compare the two. Chunks are trees of
// tag, body, sub-chunk count and children; the size field is computed from
// the bytes unless a test overrides it to build a damaged file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "trackio/TrackDocument.h"

namespace trackbuilder {

// Big-endian byte appender.
class Bytes {
 public:
  Bytes& Byte(uint8_t value);
  Bytes& Long(int32_t value);
  Bytes& Float(float value);
  Bytes& Single(trackio::Single value);
  Bytes& Color(int32_t value, uint8_t leadingByte = 0);
  Bytes& Flag(bool value, uint8_t trueByte = 255);
  Bytes& Raw(const std::string& text);        // the characters, no length
  Bytes& Text(const std::string& text);       // a long length, then the characters
  Bytes& Zeros(int count);
  Bytes& Fill(int count, uint8_t value);      // a reserved run holding other bytes
  Bytes& Append(const std::vector<uint8_t>& bytes);

  const std::vector<uint8_t>& data() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

struct Chunk {
  std::string tag;
  Bytes body;                           // the chunk's own fields after the size
  std::vector<Chunk> children;
  std::optional<int32_t> subChunkCount; // default: the number of children
  std::optional<int32_t> size;          // default: computed from the bytes

  Chunk& Child(Chunk child) {
    children.push_back(std::move(child));
    return *this;
  }
  std::vector<uint8_t> Serialize() const;
};

// Reserved runs filled with this byte instead of zeros, flags written with
// this true byte and colours with this leading byte: the "noisy" form that a
// save must normalise.
struct Noise {
  uint8_t reserved = 0;
  uint8_t trueByte = 255;
  uint8_t colorLead = 0;
};

// A point, and a tube between two nodes (sub numbers, Int1 and Value1 zero).
trackio::Vec3 Point(float x, float y, float z);
trackio::Tube TubeBetween(int32_t end1Type, int32_t end1Index, int32_t end2Type, int32_t end2Index,
                          int32_t tubeType);

// One chunk per type, body from the document's fields, no children.
Chunk NlimChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk TrckChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk InfoChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk BezrChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk SegmChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk SuppChunk(const Noise& noise = {});
Chunk FundChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk RascChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk FrenChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk TubeChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk CatwChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk ScenChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk ScobChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk TeraChunk(const trackio::TrackDocument& doc, const Noise& noise = {});
Chunk EnvcChunk(const trackio::TrackDocument& doc, const Noise& noise = {});

// The whole tree in the order and shape a save writes it (TERA only when
// TerrainPresent). With no noise, this is byte for byte what a save of
// `doc` must produce.
Chunk CanonicalTree(const trackio::TrackDocument& doc, const Noise& noise = {});
std::vector<uint8_t> CanonicalFile(const trackio::TrackDocument& doc, const Noise& noise = {});

// An empty document as a save writes it: no records, version 1.3.0.0.
trackio::TrackDocument EmptyDocument();

// A document with content in every chunk type: colour sets, vertices, a
// segment of every kind, footers, rail connectors, free nodes, tubes of every
// type between footers and free nodes, catwalks with trailers, scenery,
// terrain and environment texts, and some awkward floats (NaN payloads,
// negative zero, denormals).
trackio::TrackDocument SampleDocument();

// A support structure of `tubeCount` tubes with lengths spread so that they
// get from 2 to about 30 flanges, between footers and free nodes, plus a
// little of every other chunk type. Deterministic for a given count.
trackio::TrackDocument GeneratedDocument(int32_t tubeCount);

// A support structure of `tubeCount` tubes shaped like real ones: short
// tubes that get two or three flanges each (2.4 on average), in columns
// braced to their neighbours, with the free nodes in shuffled order so that
// tube ends name nodes all over the table. Deterministic for a given count.
trackio::TrackDocument ShortTubeDocument(int32_t tubeCount);

// Writes bytes to a file; returns false on failure.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

}  // namespace trackbuilder
