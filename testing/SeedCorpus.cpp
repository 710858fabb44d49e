#include "SeedCorpus.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <utility>

#include "TrackBuilder.h"

namespace fuzzcheck {

namespace {

using trackbuilder::Chunk;
using trackbuilder::Point;
using trackio::TrackDocument;

constexpr int32_t kHuge = std::numeric_limits<int32_t>::max();

// Where a chunk stands in the tree a save writes (with terrain).
enum Path { kTrck, kInfo, kBezr, kSegm, kSupp, kFund, kRasc, kFren, kTube, kCatw, kScen, kScob, kTera, kEnvc };

Chunk& At(Chunk& root, Path path) {
  Chunk& trck = root.children[0];
  Chunk& supp = trck.children[3];
  Chunk& scen = root.children[1];
  switch (path) {
    case kTrck: return trck;
    case kInfo: return trck.children[0];
    case kBezr: return trck.children[1];
    case kSegm: return trck.children[2];
    case kSupp: return supp;
    case kFund: return supp.children[0];
    case kRasc: return supp.children[1];
    case kFren: return supp.children[2];
    case kTube: return supp.children[3];
    case kCatw: return supp.children[4];
    case kScen: return scen;
    case kScob: return scen.children[0];
    case kTera: return root.children[2];
    case kEnvc: return root.children[3];
  }
  return root;
}

// The body with the long at `offset` (counted from the byte after the size
// field) replaced by `value`.
trackbuilder::Bytes WithLong(const trackbuilder::Bytes& body, size_t offset, int32_t value) {
  std::vector<uint8_t> bytes = body.data();
  const auto bits = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(bits >> (24 - 8 * i));
  trackbuilder::Bytes patched;
  patched.Append(bytes);
  return patched;
}

// A count or length field of the sample, by where it stands.
struct CountField {
  const char* name;
  Path chunk;
  size_t offset;
};

constexpr CountField kCountFields[] = {
    {"colour-sets", kTrck, 4},       {"info-text", kInfo, 16},         {"vertices", kBezr, 16},
    {"segments", kSegm, 0},          {"footers", kFund, 16},           {"connectors", kRasc, 16},
    {"connector-entries", kRasc, 20}, {"free-nodes", kFren, 16},        {"tubes", kTube, 16},
    {"catwalks", kCatw, 16},         {"catwalk-trailer", kCatw, 20 + 24}, {"scenery-entries", kScen, 16},
    {"scenery-objects", kScob, 16},  {"object-text", kScob, 20},       {"terrain-columns", kTera, 0},
    {"terrain-rows", kTera, 4},      {"terrain-text", kTera, 16},      {"environment-text", kEnvc, 16},
};

void Add(std::vector<Seed>& seeds, std::string name, std::vector<uint8_t> bytes) {
  seeds.push_back({std::move(name), std::move(bytes)});
}

void AddWholeTracks(std::vector<Seed>& seeds) {
  const TrackDocument sample = trackbuilder::SampleDocument();
  Add(seeds, "empty", trackbuilder::CanonicalFile(trackbuilder::EmptyDocument()));
  Add(seeds, "sample", trackbuilder::CanonicalFile(sample));
  Add(seeds, "sample-noisy", trackbuilder::CanonicalFile(sample, {0xA5, 1, 0x7F}));
  // A later version's file: every byte the tool does not interpret in use,
  // and chunks of unknown kinds at every place of the tree.
  TrackDocument later = trackbuilder::WithUnknownChunksEverywhere(trackbuilder::Noisy(sample, {0x11, 0x80, 0xFF}));
  later.NlimVersion2 = 6;
  Add(seeds, "sample-later-version", trackbuilder::CanonicalFile(later));
  TrackDocument flat = sample;
  flat.TerrainPresent = false;
  Add(seeds, "sample-without-terrain", trackbuilder::CanonicalFile(flat));
  for (int32_t tubes : {1, 8, 40}) {
    Add(seeds, "generated-" + std::to_string(tubes),
        trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(tubes)));
  }
}

void AddTruncations(std::vector<Seed>& seeds) {
  const std::vector<uint8_t> sample = trackbuilder::CanonicalFile(trackbuilder::SampleDocument());
  for (size_t length : {size_t{4}, size_t{31}, size_t{32}, size_t{100}, sample.size() / 2,
                        sample.size() - 2, sample.size() - 1}) {
    Add(seeds, "truncated-" + std::to_string(length),
        std::vector<uint8_t>(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(length)));
  }
}

void AddHostileCounts(std::vector<Seed>& seeds) {
  const TrackDocument sample = trackbuilder::SampleDocument();
  for (const CountField& field : kCountFields) {
    for (int32_t value : {-1, kHuge}) {
      Chunk root = trackbuilder::CanonicalTree(sample);
      Chunk& chunk = At(root, field.chunk);
      chunk.body = WithLong(chunk.body, field.offset, value);
      Add(seeds, std::string("count-") + field.name + (value < 0 ? "-negative" : "-huge"), root.Serialize());
    }
  }
  // Both grid counts near 2^31: the grid's byte count overflows 64 bits.
  Chunk root = trackbuilder::CanonicalTree(sample);
  Chunk& tera = At(root, kTera);
  tera.body = WithLong(WithLong(tera.body, 0, kHuge), 4, kHuge);
  Add(seeds, "count-terrain-grid-overflow", root.Serialize());
}

void AddReshapedTrees(std::vector<Seed>& seeds) {
  const TrackDocument sample = trackbuilder::SampleDocument();
  const Chunk canonical = trackbuilder::CanonicalTree(sample);

  Chunk lower = canonical;
  lower.tag = "nlim";
  At(lower, kTube).tag = "tube";
  Add(seeds, "lower-case-tags", lower.Serialize());

  Chunk unknown = canonical;
  Chunk stranger{"XTRA", {}, {}, {}, {}};
  stranger.body.Long(7).Zeros(12);
  stranger.Child(trackbuilder::TubeChunk(sample)).Child(Chunk{"ZZZZ", {}, {}, {}, {}});
  unknown.children.insert(unknown.children.begin() + 1, stranger);
  unknown.subChunkCount = static_cast<int32_t>(unknown.children.size());
  Add(seeds, "unknown-chunk-with-children", unknown.Serialize());

  Chunk reordered = canonical;
  std::reverse(reordered.children.begin(), reordered.children.end());
  Add(seeds, "reordered", reordered.Serialize());

  Chunk repeated = canonical;
  At(repeated, kSupp).children.push_back(trackbuilder::TubeChunk(trackbuilder::GeneratedDocument(3)));
  Add(seeds, "repeated-tube-chunk", repeated.Serialize());

  Chunk wrongSizes = canonical;
  wrongSizes.size = 12345;
  At(wrongSizes, kTrck).size = -1;
  At(wrongSizes, kTube).size = 0;
  Add(seeds, "wrong-sizes", wrongSizes.Serialize());

  Chunk nothing = canonical;
  nothing.subChunkCount = 0;
  Add(seeds, "root-promises-nothing", nothing.Serialize());

  Chunk overflow = canonical;
  overflow.subChunkCount = kHuge;
  At(overflow, kTrck).subChunkCount = kHuge;
  Add(seeds, "sub-chunk-counts-overflow", overflow.Serialize());

  std::vector<uint8_t> trailing = canonical.Serialize();
  trailing.insert(trailing.end(), {'T', 'U', 'B', 'E', 0xFF, 0xFF, 0xFF, 0xFF});
  Add(seeds, "trailing-bytes", std::move(trailing));
}

// Tubes at the edges of the flange generator's range.
void AddAwkwardTubes(std::vector<Seed>& seeds) {
  TrackDocument doc = trackbuilder::EmptyDocument();
  doc.Footers.resize(2);
  doc.Footers[0].Position = Point(0, 0, 0);
  doc.Footers[1].Position = Point(0, 3.0f, 0);
  doc.FreeNodes = {Point(0, 320000.0f, 0),      Point(0, 400000.0f, 0),
                   Point(0, 3.01f, 0),          Point(std::numeric_limits<float>::quiet_NaN(), 5, 0),
                   Point(0, 0, std::numeric_limits<float>::infinity()),
                   Point(3.0e38f, 0, 0),        Point(-3.0e38f, 0, 0)};
  const auto tube = trackbuilder::TubeBetween;
  doc.Tubes = {tube(1, 0, 2, 0, 0),  tube(1, 0, 2, 1, 1),  tube(1, 0, 1, 1, 2),  tube(1, 0, 2, 2, 1),
               tube(1, 0, 2, 3, 5),  tube(1, 0, 2, 4, 0),  tube(2, 5, 2, 6, 0),  tube(1, 7, 2, -1, 0),
               tube(2, 99, 1, 0, 2), tube(3, 0, 2, 0, 0),  tube(1, 0, 2, 2, 6)};
  Add(seeds, "awkward-tubes", trackbuilder::CanonicalFile(doc));
}

}  // namespace

std::vector<Seed> SeedCorpus() {
  std::vector<Seed> seeds;
  AddWholeTracks(seeds);
  AddTruncations(seeds);
  AddHostileCounts(seeds);
  AddReshapedTrees(seeds);
  AddAwkwardTubes(seeds);
  return seeds;
}

}  // namespace fuzzcheck
