#include "TrackBuilder.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <utility>

namespace trackbuilder {

using trackio::Single;
using trackio::TrackDocument;

// ---- Bytes -----------------------------------------------------------------

Bytes& Bytes::Byte(uint8_t value) {
  bytes_.push_back(value);
  return *this;
}

Bytes& Bytes::Long(int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<uint8_t>(bits >> shift));
  return *this;
}

Bytes& Bytes::Float(float value) { return Single(Single::FromFloat(value)); }

Bytes& Bytes::Single(trackio::Single value) { return Long(static_cast<int32_t>(value.bits)); }

Bytes& Bytes::Color(trackio::Color value) { return Long(static_cast<int32_t>(value.bits)); }

Bytes& Bytes::Flag(trackio::FlagByte value) { return Byte(value.byte); }

Bytes& Bytes::Raw(const std::string& text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}

Bytes& Bytes::Text(const std::string& text) {
  Long(static_cast<int32_t>(text.size()));
  return Raw(text);
}

Bytes& Bytes::Zeros(int count) { return Fill(count, 0); }

Bytes& Bytes::Fill(int count, uint8_t value) {
  bytes_.insert(bytes_.end(), static_cast<size_t>(count), value);
  return *this;
}

Bytes& Bytes::Append(const std::vector<uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

std::vector<uint8_t> Chunk::Serialize() const {
  if (!verbatim.empty()) return verbatim;
  std::vector<uint8_t> childBytes;
  for (const Chunk& child : children) {
    const std::vector<uint8_t> one = child.Serialize();
    childBytes.insert(childBytes.end(), one.begin(), one.end());
  }
  const auto computed = static_cast<int32_t>(body.size() + 4 + childBytes.size());
  Bytes out;
  out.Raw(tag).Long(size.value_or(computed)).Append(body.data());
  out.Long(subChunkCount.value_or(static_cast<int32_t>(children.size()))).Append(childBytes);
  return out.data();
}

// ---- chunks ----------------------------------------------------------------

namespace {

Chunk Make(const char* tag, Bytes body) { return Chunk{tag, std::move(body), {}, {}, {}}; }

int32_t KindPartLength(int32_t kind) {
  switch (kind) {
    case 0: return 0;
    case 1: return 126;
    case 2: return 36;
    case 3: return 28;
    case 4: return 50;
    default: return -1;
  }
}

}  // namespace

Chunk NlimChunk(const TrackDocument& doc) {
  Bytes b;
  b.Byte(doc.NlimVersion1).Byte(doc.NlimVersion2).Byte(doc.NlimVersion3).Byte(doc.NlimVersion4);
  b.Run(doc.NlimReserved);
  return Make("NLIM", std::move(b));
}

Chunk TrckChunk(const TrackDocument& doc) {
  Bytes b;
  b.Long(doc.TrackSetting1).Long(doc.ColorSetCount()).Long(doc.TrackSetting2);
  for (const auto& set : doc.ColorSets) {
    b.Flag(set.Flag).Run(set.Reserved).Text(set.Name);
    b.Color(set.Color1).Color(set.Color2).Color(set.Color3).Color(set.Color4);
  }
  for (trackio::Color color : doc.TrackColor) b.Color(color);
  b.Run(doc.TrckReserved);
  return Make("TRCK", std::move(b));
}

Chunk InfoChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.InfoReserved).Text(doc.InfoText);
  return Make("INFO", std::move(b));
}

Chunk BezrChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.BezrReservedHead).Long(doc.BezierVertexCount());
  for (const auto& v : doc.BezierVertices) {
    for (Single value : v.Value) b.Single(value);
    b.Flag(v.Flag1).Flag(v.Flag3).Flag(v.Flag2).Run(v.Reserved);
  }
  b.Run(doc.BezrReservedTail);
  return Make("BEZR", std::move(b));
}

Chunk SegmChunk(const TrackDocument& doc) {
  Bytes b;
  b.Long(doc.SegmentCount()).Flag(doc.SegmHeaderFlag).Run(doc.SegmReservedHead);
  for (const auto& s : doc.Segments) {
    b.Long(s.Kind).Flag(s.Flag1).Color(s.Color1).Color(s.Color2).Color(s.Color3);
    b.Flag(s.Flag2).Run(s.Reserved);
    const int32_t length = KindPartLength(s.Kind);
    if (length >= 0) b.Long(length);
    switch (s.Kind) {
      case 1: {
        const auto& d = s.Kind1Data;
        b.Single(d.Value1).Single(d.Value2).Single(d.Value3).Single(d.Value4);
        b.Byte(d.Byte1).Byte(d.Byte2).Flag(d.Flag1).Byte(d.Byte3).Single(d.Value5).Run(d.ReservedAfterValue5);
        b.Flag(d.Flag3).Single(d.Value9).Run(d.ReservedAfterValue9).Single(d.Value10).Single(d.Value11);
        b.Run(d.ReservedAfterValue11).Flag(d.Flag2).Single(d.Value6).Single(d.Value7).Single(d.Value8);
        b.Run(d.ReservedTail);
        break;
      }
      case 2: {
        const auto& d = s.Kind2Data;
        b.Run(d.ReservedHead).Byte(d.Byte1).Single(d.Value1).Single(d.Value2).Single(d.Value3);
        b.Run(d.ReservedAfterValue3).Flag(d.Flag1).Flag(d.Flag2).Run(d.ReservedTail);
        break;
      }
      case 3: {
        const auto& d = s.Kind3Data;
        b.Single(d.Value1).Single(d.Value2).Single(d.Value3).Run(d.ReservedAfterValue3).Byte(d.Byte1);
        b.Flag(d.Flag1).Flag(d.Flag2).Run(d.ReservedTail);
        break;
      }
      case 4: {
        const auto& d = s.Kind4Data;
        b.Single(d.Value1).Single(d.Value2).Single(d.Value3).Run(d.ReservedAfterValue3).Single(d.Value7);
        b.Flag(d.Flag1).Flag(d.Flag3).Single(d.Value4).Single(d.Value5).Single(d.Value6);
        b.Flag(d.Flag4).Flag(d.Flag5).Flag(d.Flag2).Run(d.ReservedTail);
        break;
      }
      default: break;
    }
  }
  b.Run(doc.SegmReservedTail);
  return Make("SEGM", std::move(b));
}

Chunk SuppChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.SuppReserved);
  return Make("SUPP", std::move(b));
}

Chunk FundChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.FundReservedHead).Long(doc.FooterCount());
  for (const auto& f : doc.Footers) {
    b.Flag(f.Flag1).Single(f.Value1).Flag(f.Flag2).Single(f.Value2).Run(f.ReservedBeforePosition);
    b.Single(f.Position.x).Single(f.Position.y).Single(f.Position.z).Run(f.ReservedTail);
  }
  b.Run(doc.FundReservedTail);
  return Make("FUND", std::move(b));
}

Chunk RascChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.RascReservedHead).Long(doc.RailConnectorCount());
  for (const auto& c : doc.RailConnectors) {
    b.Long(c.EntryCount());
    for (const auto& e : c.Entries) b.Long(e.Int1).Single(e.Value1).Run(e.Reserved);
  }
  b.Run(doc.RascReservedTail);
  return Make("RASC", std::move(b));
}

Chunk FrenChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.FrenReservedHead).Long(doc.FreeNodeCount());
  for (size_t i = 0; i < doc.FreeNodes.size(); ++i) {
    const trackio::FreeNode& n = doc.FreeNodes[i];
    b.Single(n.x).Single(n.y).Single(n.z);
    b.Run(i < doc.FreeNodeReserved.size() ? doc.FreeNodeReserved[i] : trackio::FreeNodeReservedBytes{});
  }
  b.Run(doc.FrenReservedTail);
  return Make("FREN", std::move(b));
}

Chunk TubeChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.TubeReservedHead).Long(doc.TubeCount());
  for (size_t i = 0; i < doc.Tubes.size(); ++i) {
    const trackio::Tube& t = doc.Tubes[i];
    const trackio::TubeReservedBytes r = i < doc.TubeReserved.size() ? doc.TubeReserved[i] : trackio::TubeReservedBytes{};
    b.Long(t.End1Type).Long(t.End1Sub).Long(t.End1Index).Run(r.AfterEnd1);
    b.Long(t.End2Type).Long(t.End2Sub).Long(t.End2Index).Run(r.AfterEnd2);
    b.Long(t.TubeType).Long(t.Int1).Single(t.Value1).Run(r.Tail);
  }
  b.Run(doc.TubeReservedTail);
  return Make("TUBE", std::move(b));
}

Chunk CatwChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.CatwReservedHead).Long(doc.CatwalkCount());
  for (const auto& c : doc.Catwalks) {
    b.Long(c.Int1).Long(c.Int2).Long(c.Int3).Long(c.Int4).Long(c.Int5).Long(c.Int6).Long(c.TrailerLength);
    if (c.Trailer.empty()) {
      b.Zeros(c.TrailerLength);
    } else {
      b.Append(c.Trailer);
    }
  }
  b.Run(doc.CatwReservedTail);
  return Make("CATW", std::move(b));
}

Chunk ScenChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.ScenReservedHead).Long(doc.SceneryEntryCount());
  for (const auto& e : doc.SceneryEntries) {
    b.Single(e.Value1).Single(e.Value2).Single(e.Value3).Long(e.Int1).Single(e.Value4).Run(e.Reserved);
  }
  b.Run(doc.ScenReservedTail);
  return Make("SCEN", std::move(b));
}

Chunk ScobChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.ScobReservedHead).Long(doc.SceneryObjectCount());
  for (const auto& o : doc.SceneryObjects) {
    b.Text(o.Text2).Text(o.Text1);
    for (int index : {0, 1, 2, 9, 3, 4, 5, 10, 6, 7, 8, 11, 12, 13, 14}) b.Single(o.Value[index]);
    b.Run(o.Reserved);
  }
  b.Run(doc.ScobReservedTail);
  return Make("SCOB", std::move(b));
}

Chunk TeraChunk(const TrackDocument& doc) {
  Bytes b;
  b.Long(doc.TerrainColumnCount).Long(doc.TerrainRowCount);
  b.Single(doc.TerrainValue1).Single(doc.TerrainValue2).Text(doc.TerrainText1);
  b.Single(doc.TerrainValue3).Text(doc.TerrainText2).Single(doc.TerrainValue4);
  b.Flag(doc.TerrainFlag1).Run(doc.TerrainReservedAfterFlag);
  b.Text(doc.TerrainText3).Single(doc.TerrainValue5).Byte(doc.TerrainByte1).Run(doc.TerrainReservedAfterByte);
  for (Single value : doc.TerrainGrid) b.Single(value);
  b.Run(doc.TeraReservedTail);
  return Make("TERA", std::move(b));
}

Chunk EnvcChunk(const TrackDocument& doc) {
  Bytes b;
  b.Run(doc.EnvcReservedHead).Text(doc.EnvironmentText1).Text(doc.EnvironmentText2).Run(doc.EnvcReservedTail);
  return Make("ENVC", std::move(b));
}

namespace {

// The tags of trackio::ChunkKind, in its order.
constexpr const char* kKindTags[] = {"NLIM", "TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC",
                                     "FREN", "TUBE", "CATW", "SCEN", "SCOB", "TERA", "ENVC"};

const char* TagOf(trackio::ChunkKind kind) { return kKindTags[static_cast<size_t>(kind)]; }

// The kind a known tag names, as a position in the save's order.
std::optional<size_t> KindOrder(const Chunk& chunk) {
  if (!chunk.verbatim.empty()) return std::nullopt;
  for (size_t i = 0; i < std::size(kKindTags); ++i) {
    if (chunk.tag == kKindTags[i]) return i;
  }
  return std::nullopt;
}

Chunk* FindChunk(Chunk& chunk, const char* tag) {
  if (chunk.verbatim.empty() && chunk.tag == tag) return &chunk;
  for (Chunk& child : chunk.children) {
    if (Chunk* found = FindChunk(child, tag)) return found;
  }
  return nullptr;
}

// Puts a chunk of an unknown kind where an exact save writes it: among its
// parent's children after the known child it follows (or those before it in
// the save's order, when that one is absent), after the unknown chunks
// placed there before it.
void PlaceUnknownChunk(Chunk& root, const trackio::UnknownChunk& unknown) {
  Chunk* parent = FindChunk(root, TagOf(unknown.parent));
  if (parent == nullptr) return;
  std::vector<Chunk>& children = parent->children;
  size_t at = 0;
  if (unknown.after) {
    for (size_t i = 0; i < children.size(); ++i) {
      const std::optional<size_t> order = KindOrder(children[i]);
      if (order && *order <= static_cast<size_t>(*unknown.after)) at = i + 1;
    }
  }
  while (at < children.size() && !KindOrder(children[at])) ++at;
  Chunk chunk;
  chunk.verbatim = unknown.bytes;
  children.insert(children.begin() + static_cast<std::ptrdiff_t>(at), std::move(chunk));
}

}  // namespace

Chunk CanonicalTree(const TrackDocument& doc) {
  Chunk supp = SuppChunk(doc);
  supp.Child(FundChunk(doc)).Child(RascChunk(doc)).Child(FrenChunk(doc)).Child(TubeChunk(doc)).Child(CatwChunk(doc));

  Chunk trck = TrckChunk(doc);
  trck.Child(InfoChunk(doc)).Child(BezrChunk(doc)).Child(SegmChunk(doc)).Child(std::move(supp));

  Chunk scen = ScenChunk(doc);
  scen.Child(ScobChunk(doc));

  Chunk root = NlimChunk(doc);
  root.Child(std::move(trck)).Child(std::move(scen));
  if (doc.TerrainPresent) root.Child(TeraChunk(doc));
  root.Child(EnvcChunk(doc));
  for (const trackio::UnknownChunk& unknown : doc.UnknownChunks) PlaceUnknownChunk(root, unknown);
  return root;
}

Chunk CanonicalTree(const TrackDocument& doc, const Noise& noise) { return CanonicalTree(Noisy(doc, noise)); }

std::vector<uint8_t> CanonicalFile(const TrackDocument& doc) { return CanonicalTree(doc).Serialize(); }

std::vector<uint8_t> CanonicalFile(const TrackDocument& doc, const Noise& noise) {
  return CanonicalTree(doc, noise).Serialize();
}

std::vector<uint8_t> NormalFile(const TrackDocument& doc) { return CanonicalFile(Normal(doc)); }

trackio::TrackDocument WithUnknownChunksEverywhere(TrackDocument doc) {
  // The parent of each kind in trackio::ChunkKind's order; the root has none.
  constexpr int kParents[] = {-1, 0, 1, 1, 1, 1, 5, 5, 5, 5, 5, 0, 11, 0, 0};
  constexpr size_t kKinds = std::size(kParents);
  constexpr size_t kTera = 13;
  int number = 0;
  auto add = [&](size_t parent, std::optional<size_t> after) {
    char tag[5];
    std::snprintf(tag, sizeof tag, number == 5 ? "u%03d" : "U%03d", number);
    Chunk chunk{tag, {}, {}, {}, {}};
    chunk.body.Long(number).Fill(number % 7, static_cast<uint8_t>(0xC0 + number));
    if (parent == 5 && after == 7) {  // in SUPP after RASC: children of its own
      TrackDocument other;
      other.Tubes.resize(2);
      chunk.Child(TubeChunk(other)).Child(Chunk{"ZZZZ", {}, {}, {}, {}});
    }
    ++number;
    doc.UnknownChunks.push_back({static_cast<trackio::ChunkKind>(parent),
                                 after ? std::optional(static_cast<trackio::ChunkKind>(*after)) : std::nullopt,
                                 chunk.Serialize()});
  };
  // In the order a save writes them.
  auto visit = [&](auto& self, size_t kind) -> void {
    if (kind == kTera && !doc.TerrainPresent) return;
    add(kind, std::nullopt);
    for (size_t child = kind + 1; child < kKinds; ++child) {
      if (kParents[child] != static_cast<int>(kind)) continue;
      self(self, child);
      if (child != kTera || doc.TerrainPresent) add(kind, child);
    }
  };
  visit(visit, 0);
  return doc;
}

// ---- noise -----------------------------------------------------------------

namespace {

// Fills runs with the bytes Noise::reserved asks for.
class RunFiller {
 public:
  explicit RunFiller(uint8_t start) : next_(start) {}

  uint8_t Next() {
    if (next_ == 0) return 0;
    const uint8_t value = next_;
    next_ = next_ == 255 ? 1 : static_cast<uint8_t>(next_ + 1);
    return value;
  }
  template <typename... Run>
  void Fill(Run&... runs) {
    (FillOne(runs), ...);
  }
  bool Zeros() const { return next_ == 0; }

 private:
  template <size_t N>
  void FillOne(trackio::RawBytes<N>& run) {
    for (uint8_t& byte : run) byte = Next();
  }

  uint8_t next_;
};

class NoiseMaker {
 public:
  explicit NoiseMaker(const Noise& noise) : noise_(noise), runs_(noise.reserved) {}

  template <typename... Run>
  void Runs(Run&... runs) {
    runs_.Fill(runs...);
  }
  template <typename... Flag>
  void Flags(Flag&... flags) {
    ((flags = flags.IsSet() ? trackio::FlagByte::FromByte(noise_.trueByte) : trackio::FlagByte(false)), ...);
  }
  template <typename... Color>
  void Colors(Color&... colors) {
    ((colors = trackio::Color::FromBits(uint32_t{noise_.colorLead} << 24 | static_cast<uint32_t>(colors.Value()))),
     ...);
  }
  void Trailer(trackio::Catwalk& catwalk) {
    catwalk.Trailer.clear();
    if (runs_.Zeros()) return;
    for (int32_t i = 0; i < catwalk.TrailerLength; ++i) catwalk.Trailer.push_back(runs_.Next());
  }
  // Runs for every record of a table held beside it, or none when zero.
  template <typename Run, typename Fill>
  void SideRuns(std::vector<Run>& runs, size_t records, Fill fill) {
    runs.clear();
    if (runs_.Zeros()) return;
    runs.resize(records);
    for (Run& run : runs) fill(run);
  }

 private:
  Noise noise_;
  RunFiller runs_;
};

}  // namespace

TrackDocument Noisy(TrackDocument doc, const Noise& noise) {
  NoiseMaker n(noise);
  n.Runs(doc.NlimReserved, doc.TrckReserved, doc.InfoReserved, doc.BezrReservedHead, doc.BezrReservedTail);
  for (auto& set : doc.ColorSets) {
    n.Flags(set.Flag);
    n.Runs(set.Reserved);
    n.Colors(set.Color1, set.Color2, set.Color3, set.Color4);
  }
  for (auto& color : doc.TrackColor) n.Colors(color);
  for (auto& v : doc.BezierVertices) {
    n.Flags(v.Flag1, v.Flag2, v.Flag3);
    n.Runs(v.Reserved);
  }
  n.Flags(doc.SegmHeaderFlag);
  n.Runs(doc.SegmReservedHead, doc.SegmReservedTail);
  for (auto& s : doc.Segments) {
    n.Colors(s.Color1, s.Color2, s.Color3);
    n.Flags(s.Flag1, s.Flag2);
    n.Runs(s.Reserved);
    // Only the part of the segment's kind is in the file.
    auto& k1 = s.Kind1Data;
    auto& k2 = s.Kind2Data;
    auto& k3 = s.Kind3Data;
    auto& k4 = s.Kind4Data;
    switch (s.Kind) {
      case 1:
        n.Flags(k1.Flag1, k1.Flag2, k1.Flag3);
        n.Runs(k1.ReservedAfterValue5, k1.ReservedAfterValue9, k1.ReservedAfterValue11, k1.ReservedTail);
        break;
      case 2:
        n.Flags(k2.Flag1, k2.Flag2);
        n.Runs(k2.ReservedHead, k2.ReservedAfterValue3, k2.ReservedTail);
        break;
      case 3:
        n.Flags(k3.Flag1, k3.Flag2);
        n.Runs(k3.ReservedAfterValue3, k3.ReservedTail);
        break;
      case 4:
        n.Flags(k4.Flag1, k4.Flag2, k4.Flag3, k4.Flag4, k4.Flag5);
        n.Runs(k4.ReservedAfterValue3, k4.ReservedTail);
        break;
      default: break;
    }
  }
  n.Runs(doc.SuppReserved, doc.FundReservedHead, doc.FundReservedTail);
  for (auto& f : doc.Footers) {
    n.Flags(f.Flag1, f.Flag2);
    n.Runs(f.ReservedBeforePosition, f.ReservedTail);
  }
  n.Runs(doc.RascReservedHead, doc.RascReservedTail);
  for (auto& c : doc.RailConnectors) {
    for (auto& e : c.Entries) n.Runs(e.Reserved);
  }
  n.Runs(doc.FrenReservedHead, doc.FrenReservedTail, doc.TubeReservedHead, doc.TubeReservedTail);
  n.SideRuns(doc.FreeNodeReserved, doc.FreeNodes.size(), [&n](trackio::FreeNodeReservedBytes& run) { n.Runs(run); });
  n.SideRuns(doc.TubeReserved, doc.Tubes.size(),
             [&n](trackio::TubeReservedBytes& run) { n.Runs(run.AfterEnd1, run.AfterEnd2, run.Tail); });
  n.Runs(doc.CatwReservedHead, doc.CatwReservedTail);
  for (auto& c : doc.Catwalks) n.Trailer(c);
  n.Runs(doc.ScenReservedHead, doc.ScenReservedTail, doc.ScobReservedHead, doc.ScobReservedTail);
  for (auto& e : doc.SceneryEntries) n.Runs(e.Reserved);
  for (auto& o : doc.SceneryObjects) n.Runs(o.Reserved);
  if (doc.TerrainPresent) {  // otherwise not in the file
    n.Flags(doc.TerrainFlag1);
    n.Runs(doc.TerrainReservedAfterFlag, doc.TerrainReservedAfterByte, doc.TeraReservedTail);
  }
  n.Runs(doc.EnvcReservedHead, doc.EnvcReservedTail);
  return doc;
}

TrackDocument Normal(TrackDocument doc) {
  doc = Noisy(std::move(doc), Noise{});
  doc.NlimVersion1 = 1;
  doc.NlimVersion2 = 3;
  doc.NlimVersion3 = 0;
  doc.NlimVersion4 = 0;
  doc.UnknownChunks.clear();
  return doc;
}

// ---- sample documents ------------------------------------------------------

trackio::Vec3 Point(float x, float y, float z) {
  return {Single::FromFloat(x), Single::FromFloat(y), Single::FromFloat(z)};
}

trackio::Tube TubeBetween(int32_t type1, int32_t index1, int32_t type2, int32_t index2,
                          int32_t tubeType) {
  trackio::Tube tube;
  tube.End1Type = type1;
  tube.End1Index = index1;
  tube.End2Type = type2;
  tube.End2Index = index2;
  tube.TubeType = tubeType;
  return tube;
}

namespace {

Single F(float value) { return Single::FromFloat(value); }

void SetVersion(TrackDocument& doc) {
  doc.NlimVersion1 = 1;
  doc.NlimVersion2 = 3;
}

// Everything besides the support structure, with a few records each.
void AddScenery(TrackDocument& doc) {
  doc.TrackSetting1 = 7;
  doc.TrackSetting2 = -3;
  doc.ColorSets = {{true, 0x112233, 0x445566, 0x778899, 0xAABBCC, "Classic"},
                   {false, 0xFFFFFF, 0, 0x010203, 0x00FF00, ""}};
  for (int i = 0; i < 8; ++i) doc.TrackColor[i] = 0x101010 * (i + 1);
  doc.InfoText = "Built by the track builder";

  trackio::BezierVertex vertex;
  for (int i = 0; i < 10; ++i) vertex.Value[i] = F(static_cast<float>(i) * 1.5f - 4.0f);
  vertex.Flag1 = true;
  vertex.Flag2 = false;
  vertex.Flag3 = true;
  doc.BezierVertices = {vertex, trackio::BezierVertex{}};
  doc.BezierVertices[1].Value[0] = Single{0x7FC12345};  // a NaN with a payload
  doc.BezierVertices[1].Value[1] = Single{0x80000000};  // negative zero
  doc.BezierVertices[1].Value[2] = Single{0x00000001};  // the smallest denormal
  doc.BezierVertices[1].Flag2 = true;

  doc.SegmHeaderFlag = true;
  for (int32_t kind : {0, 1, 2, 3, 4, 7}) {
    trackio::Segment s;
    s.Kind = kind;
    s.Color1 = 0x123456;
    s.Color2 = 0x654321 + kind;
    s.Color3 = kind;
    s.Flag1 = kind % 2 == 0;
    s.Flag2 = kind % 2 == 1;
    s.Kind1Data = kind == 1 ? trackio::SegmentKind1Data{F(1), F(2), F(3), F(4), true, F(5), 6, 7, 8,
                                                        true, F(9), F(10), F(11), false, F(12), F(13), F(14)}
                            : trackio::SegmentKind1Data{};
    if (kind == 2) s.Kind2Data = {F(0.5f), F(-0.5f), F(2.25f), 200, true, false};
    if (kind == 3) s.Kind3Data = {F(3.5f), F(4.5f), F(5.5f), 17, false, true};
    if (kind == 4) {
      s.Kind4Data = {true, false, F(1), F(2), F(3), true, F(4), F(5), F(6), F(7), false, true};
    }
    doc.Segments.push_back(s);
  }

  doc.RailConnectors.resize(3);
  doc.RailConnectors[1].Entries = {{5, F(0.25f)}};
  doc.RailConnectors[2].Entries = {{-1, F(1.0f)}, {2, F(2.0f)}, {3, Single{0xFF800000}}};

  doc.Catwalks = {{1, -2, 3, -4, 5, -6, 0}, {10, 20, 30, 40, 50, 60, 5}, {0, 0, 0, 0, 0, 0, 12}};

  doc.SceneryEntries = {{F(1), F(2), F(3), F(4), -9}, {F(-0.0f), F(1e-40f), F(1e30f), F(5), 0}};
  trackio::SceneryObject object;
  object.Text1 = "objects/tree.nl2sce";
  object.Text2 = "Tree";
  for (int i = 0; i < 15; ++i) object.Value[i] = F(static_cast<float>(i + 1));
  trackio::SceneryObject empty;
  empty.Text2 = std::string("A\0B", 3);  // a zero byte inside a text
  doc.SceneryObjects = {object, empty};

  doc.TerrainPresent = true;
  doc.TerrainColumnCount = 3;
  doc.TerrainRowCount = 2;
  doc.TerrainValue1 = F(1.0f);
  doc.TerrainValue2 = F(2.0f);
  doc.TerrainText1 = "grass";
  doc.TerrainValue3 = F(3.0f);
  doc.TerrainText2 = "";
  doc.TerrainValue4 = F(4.0f);
  doc.TerrainText3 = "rock";
  doc.TerrainValue5 = F(5.0f);
  doc.TerrainByte1 = 42;
  doc.TerrainFlag1 = true;
  for (int i = 0; i < 6; ++i) doc.TerrainGrid.push_back(F(static_cast<float>(i) * 0.5f));

  doc.EnvironmentText1 = "Sunny";
  doc.EnvironmentText2 = "Afternoon";
}

}  // namespace

TrackDocument EmptyDocument() {
  TrackDocument doc;
  SetVersion(doc);
  return doc;
}

TrackDocument SampleDocument() {
  TrackDocument doc;
  SetVersion(doc);
  AddScenery(doc);

  doc.Footers = {{Point(0, 0, 0), true, F(0.5f), false, F(1.5f)},
                 {Point(20, 0, 0), false, F(0), true, F(-1)},
                 {Point(0, 0, 40), true, F(2), true, F(3)}};
  doc.FreeNodes = {Point(0, 30, 0), Point(20, 16, 0), Point(0, 12.5f, 40), Point(10, 30, 0),
                   Point(1, 1, 1)};
  // Tubes of every type between footers and free nodes; a few that are
  // short, of other types or with other end types get no flanges.
  doc.Tubes = {TubeBetween(1, 0, 2, 0, 0),   // 30 long, type 0
               TubeBetween(1, 1, 2, 1, 1),   // 16 long, type 1
               TubeBetween(1, 2, 2, 2, 2),   // 12.5 long, type 2
               TubeBetween(2, 0, 2, 3, 5),   // 10 long, type 5
               TubeBetween(2, 0, 2, 1, 3),   // type 3: none
               TubeBetween(2, 1, 2, 3, 4),   // type 4: none
               TubeBetween(2, 0, 3, 0, 0),   // an end of type 3: none
               TubeBetween(1, 0, 2, 4, 0)};  // 1.7 long: none
  doc.Tubes[0].End1Sub = 4;
  doc.Tubes[0].Int1 = -1;
  doc.Tubes[0].Value1 = F(0.75f);
  return doc;
}

TrackDocument GeneratedDocument(int32_t tubeCount) {
  TrackDocument doc;
  SetVersion(doc);
  AddScenery(doc);
  // Each tube rises from a footer on a grid to a free node above it, leaning
  // a little. Heights run from 15 to about 300 units, giving 2 to about 30
  // flanges per tube; the tube types cycle through those that get flanges.
  constexpr int32_t kTypes[] = {0, 1, 2, 5};
  uint32_t state = 12345;
  auto next = [&state]() {
    state = state * 1664525u + 1013904223u;  // a fixed linear congruential sequence
    return state >> 8;
  };
  doc.Footers.reserve(static_cast<size_t>(tubeCount));
  doc.FreeNodes.reserve(static_cast<size_t>(tubeCount));
  doc.Tubes.reserve(static_cast<size_t>(tubeCount));
  for (int32_t i = 0; i < tubeCount; ++i) {
    const float x = static_cast<float>(i % 1000) * 4.0f;
    const float z = static_cast<float>(i / 1000) * 4.0f;
    const float height = 15.0f + static_cast<float>(next() % 28500) / 100.0f;
    const float lean = static_cast<float>(next() % 200) / 100.0f - 1.0f;
    trackio::Footer footer;
    footer.Position = Point(x, 0, z);
    doc.Footers.push_back(footer);
    doc.FreeNodes.push_back(Point(x + lean, height, z - lean));
    doc.Tubes.push_back(TubeBetween(1, i, 2, i, kTypes[i % 4]));
  }
  return doc;
}

TrackDocument ShortTubeDocument(int32_t tubeCount) {
  TrackDocument doc;
  SetVersion(doc);
  AddScenery(doc);
  // Columns 16 units apart on a grid, each a chain of ten tubes from a
  // footer upwards, 8 to 16 long (two flanges each) or, two times in five,
  // 19 to 26 long (three flanges), and two braces to the column before, each
  // from one of its nodes to the node there nearest 10 units higher.
  constexpr int32_t kTypes[] = {0, 1, 2, 5};
  constexpr int kChainTubes = 10;
  constexpr int kBraceFrom[] = {2, 6};  // the chain nodes that get a brace
  uint32_t state = 54321;
  auto next = [&state]() {
    state = state * 1664525u + 1013904223u;  // a fixed linear congruential sequence
    return state >> 8;
  };
  auto addTube = [&](int32_t end1Type, int32_t end1, int32_t end2, int32_t type) {
    if (doc.TubeCount() < tubeCount) doc.Tubes.push_back(TubeBetween(end1Type, end1, 2, end2, type));
  };
  std::vector<float> heights, previousHeights;  // of the nodes of this and the previous column
  int32_t previousFirst = 0;
  for (int32_t column = 0; doc.TubeCount() < tubeCount; ++column) {
    const float x = static_cast<float>(column % 250) * 16.0f;
    const float z = static_cast<float>(column / 250) * 16.0f;
    trackio::Footer footer;
    footer.Position = Point(x, 0, z);
    doc.Footers.push_back(footer);
    const int32_t first = doc.FreeNodeCount();
    heights.clear();
    float height = 0;
    for (int i = 0; i < kChainTubes; ++i) {
      height += next() % 5 < 2 ? 19.0f + static_cast<float>(next() % 700) / 100.0f
                                : 8.0f + static_cast<float>(next() % 800) / 100.0f;
      const float lean = static_cast<float>(next() % 100) / 100.0f - 0.5f;
      doc.FreeNodes.push_back(Point(x + lean, height, z - lean));
      heights.push_back(height);
      addTube(i == 0 ? 1 : 2, i == 0 ? doc.FooterCount() - 1 : first + i - 1, first + i, kTypes[next() % 4]);
    }
    if (column % 250 != 0) {
      for (const int from : kBraceFrom) {
        const float wanted = heights[static_cast<size_t>(from)] + 10.0f;
        size_t nearest = 0;
        for (size_t j = 1; j < previousHeights.size(); ++j) {
          if (std::abs(previousHeights[j] - wanted) < std::abs(previousHeights[nearest] - wanted)) nearest = j;
        }
        addTube(2, first + from, previousFirst + static_cast<int32_t>(nearest), kTypes[next() % 4]);
      }
    }
    std::swap(heights, previousHeights);
    previousFirst = first;
  }
  // The free-node table in shuffled order, as a track edited over time holds
  // it: tube ends name nodes all over the table.
  std::vector<int32_t> newIndex(doc.FreeNodes.size());
  for (size_t i = 0; i < newIndex.size(); ++i) newIndex[i] = static_cast<int32_t>(i);
  for (size_t i = newIndex.size(); i > 1; --i) std::swap(newIndex[i - 1], newIndex[next() % i]);
  std::vector<trackio::FreeNode> shuffled(doc.FreeNodes.size());
  for (size_t i = 0; i < newIndex.size(); ++i) shuffled[static_cast<size_t>(newIndex[i])] = doc.FreeNodes[i];
  doc.FreeNodes = std::move(shuffled);
  for (trackio::Tube& tube : doc.Tubes) {
    if (tube.End1Type == 2) tube.End1Index = newIndex[static_cast<size_t>(tube.End1Index)];
    tube.End2Index = newIndex[static_cast<size_t>(tube.End2Index)];
  }
  return doc;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace trackbuilder
