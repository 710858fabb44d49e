// Builds track files from code for tests, examples, fuzz seeds and
// benchmarks.
//
// The builder writes bytes straight from the file layouts, independently of
// the library's writers, so a test can compare the two. Chunks are trees of
// tag, body, sub-chunk count and children; the size field is computed from
// the bytes unless a test overrides it to build a damaged file. Every byte
// the tool does not interpret is written as the document holds it.
#pragma once

#include <cstddef>
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
  Bytes& Color(trackio::Color value);
  Bytes& Flag(trackio::FlagByte value);
  Bytes& Raw(const std::string& text);        // the characters, no length
  Bytes& Text(const std::string& text);       // a long length, then the characters
  Bytes& Zeros(int count);
  Bytes& Fill(int count, uint8_t value);      // a reserved run holding other bytes
  Bytes& Append(const std::vector<uint8_t>& bytes);
  template <size_t N>
  Bytes& Run(const trackio::RawBytes<N>& run) {  // a reserved run as held
    bytes_.insert(bytes_.end(), run.begin(), run.end());
    return *this;
  }

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
  std::vector<uint8_t> verbatim{};      // when not empty, the whole chunk as it stands

  Chunk& Child(Chunk child) {
    children.push_back(std::move(child));
    return *this;
  }
  std::vector<uint8_t> Serialize() const;
};

// Values for the bytes the tool does not interpret, which a normalised save
// sets to fixed values: reserved runs and catwalk trailers, the byte of every
// set flag, the leading byte of every colour.
struct Noise {
  // 0 keeps reserved runs and trailers zero; any other value fills them,
  // across the whole track, with bytes counting up from it (skipping 0), so
  // that no two neighbouring runs hold the same bytes.
  uint8_t reserved = 0;
  uint8_t trueByte = 255;
  uint8_t colorLead = 0;
};

// `doc` with every reserved run, catwalk trailer, set flag and colour filled
// in as `noise` says. With the default noise, these hold the fixed values.
trackio::TrackDocument Noisy(trackio::TrackDocument doc, const Noise& noise);
// `doc` as a normalised save must write it: the fixed values, version
// 1.3.0.0, no chunks of unknown kinds.
trackio::TrackDocument Normal(trackio::TrackDocument doc);

// A point, and a tube between two nodes (sub numbers, Int1 and Value1 zero).
trackio::Vec3 Point(float x, float y, float z);
trackio::Tube TubeBetween(int32_t end1Type, int32_t end1Index, int32_t end2Type, int32_t end2Index,
                          int32_t tubeType);

// One chunk per type, body from the document's fields, no children.
Chunk NlimChunk(const trackio::TrackDocument& doc);
Chunk TrckChunk(const trackio::TrackDocument& doc);
Chunk InfoChunk(const trackio::TrackDocument& doc);
Chunk BezrChunk(const trackio::TrackDocument& doc);
Chunk SegmChunk(const trackio::TrackDocument& doc);
Chunk SuppChunk(const trackio::TrackDocument& doc);
Chunk FundChunk(const trackio::TrackDocument& doc);
Chunk RascChunk(const trackio::TrackDocument& doc);
Chunk FrenChunk(const trackio::TrackDocument& doc);
Chunk TubeChunk(const trackio::TrackDocument& doc);
Chunk CatwChunk(const trackio::TrackDocument& doc);
Chunk ScenChunk(const trackio::TrackDocument& doc);
Chunk ScobChunk(const trackio::TrackDocument& doc);
Chunk TeraChunk(const trackio::TrackDocument& doc);
Chunk EnvcChunk(const trackio::TrackDocument& doc);

// The whole tree in the order and shape a save writes it (TERA only when
// TerrainPresent), with the document's chunks of unknown kinds at their
// places: byte for byte what an exact save of `doc` must produce. With
// noise, the tree of Noisy(doc, noise).
Chunk CanonicalTree(const trackio::TrackDocument& doc);
Chunk CanonicalTree(const trackio::TrackDocument& doc, const Noise& noise);
std::vector<uint8_t> CanonicalFile(const trackio::TrackDocument& doc);
std::vector<uint8_t> CanonicalFile(const trackio::TrackDocument& doc, const Noise& noise);
// What a normalised save of `doc` must produce: CanonicalFile(Normal(doc)).
std::vector<uint8_t> NormalFile(const trackio::TrackDocument& doc);

// `doc` with a chunk of an unknown kind at every place of the tree a save
// writes: first, between and last among the children of every known chunk
// and at the top level (the places at TERA only with terrain). Each has its
// own tag ("U000", "U001", …, one of them in lower case) and body; one, in
// SUPP, has children of its own, a TUBE chunk among them.
trackio::TrackDocument WithUnknownChunksEverywhere(trackio::TrackDocument doc);

// An empty document: no records, version 1.3.0.0.
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
