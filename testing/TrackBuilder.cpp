#include "TrackBuilder.h"

#include <cmath>
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

Bytes& Bytes::Color(int32_t value, uint8_t leadingByte) {
  Byte(leadingByte);
  Byte(static_cast<uint8_t>(value >> 16));
  Byte(static_cast<uint8_t>(value >> 8));
  return Byte(static_cast<uint8_t>(value));
}

Bytes& Bytes::Flag(bool value, uint8_t trueByte) { return Byte(value ? trueByte : 0); }

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

Chunk NlimChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Byte(doc.NlimVersion1).Byte(doc.NlimVersion2).Byte(doc.NlimVersion3).Byte(doc.NlimVersion4);
  b.Fill(16, noise.reserved);
  return Make("NLIM", std::move(b));
}

Chunk TrckChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Long(doc.TrackSetting1).Long(doc.ColorSetCount()).Long(doc.TrackSetting2);
  for (const auto& set : doc.ColorSets) {
    b.Flag(set.Flag, noise.trueByte).Fill(7, noise.reserved).Text(set.Name);
    b.Color(set.Color1, noise.colorLead).Color(set.Color2, noise.colorLead);
    b.Color(set.Color3, noise.colorLead).Color(set.Color4, noise.colorLead);
  }
  for (int32_t color : doc.TrackColor) b.Color(color, noise.colorLead);
  b.Fill(16, noise.reserved);
  return Make("TRCK", std::move(b));
}

Chunk InfoChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Text(doc.InfoText);
  return Make("INFO", std::move(b));
}

Chunk BezrChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.BezierVertexCount());
  for (const auto& v : doc.BezierVertices) {
    for (Single value : v.Value) b.Single(value);
    b.Flag(v.Flag1, noise.trueByte).Flag(v.Flag3, noise.trueByte).Flag(v.Flag2, noise.trueByte);
    b.Fill(17, noise.reserved);
  }
  b.Fill(16, noise.reserved);
  return Make("BEZR", std::move(b));
}

Chunk SegmChunk(const TrackDocument& doc, const Noise& noise) {
  const uint8_t t = noise.trueByte;
  const uint8_t r = noise.reserved;
  Bytes b;
  b.Long(doc.SegmentCount()).Flag(doc.SegmHeaderFlag, t).Fill(16, r);
  for (const auto& s : doc.Segments) {
    b.Long(s.Kind).Flag(s.Flag1, t);
    b.Color(s.Color1, noise.colorLead).Color(s.Color2, noise.colorLead).Color(s.Color3, noise.colorLead);
    b.Flag(s.Flag2, t).Fill(15, r);
    const int32_t length = KindPartLength(s.Kind);
    if (length >= 0) b.Long(length);
    switch (s.Kind) {
      case 1: {
        const auto& d = s.Kind1Data;
        b.Single(d.Value1).Single(d.Value2).Single(d.Value3).Single(d.Value4);
        b.Byte(d.Byte1).Byte(d.Byte2).Flag(d.Flag1, t).Byte(d.Byte3).Single(d.Value5).Fill(4, r);
        b.Flag(d.Flag3, t).Single(d.Value9).Fill(4, r).Single(d.Value10).Single(d.Value11).Fill(4, r);
        b.Flag(d.Flag2, t).Single(d.Value6).Single(d.Value7).Single(d.Value8).Fill(64, r);
        break;
      }
      case 2: {
        const auto& d = s.Kind2Data;
        b.Fill(3, r).Byte(d.Byte1).Single(d.Value1).Single(d.Value2).Single(d.Value3).Fill(4, r);
        b.Flag(d.Flag1, t).Flag(d.Flag2, t).Fill(14, r);
        break;
      }
      case 3: {
        const auto& d = s.Kind3Data;
        b.Single(d.Value1).Single(d.Value2).Single(d.Value3).Fill(3, r).Byte(d.Byte1);
        b.Flag(d.Flag1, t).Flag(d.Flag2, t).Fill(10, r);
        break;
      }
      case 4: {
        const auto& d = s.Kind4Data;
        b.Single(d.Value1).Single(d.Value2).Single(d.Value3).Fill(4, r).Single(d.Value7);
        b.Flag(d.Flag1, t).Flag(d.Flag3, t).Single(d.Value4).Single(d.Value5).Single(d.Value6);
        b.Flag(d.Flag4, t).Flag(d.Flag5, t).Flag(d.Flag2, t).Fill(13, r);
        break;
      }
      default: break;
    }
  }
  b.Fill(16, r);
  return Make("SEGM", std::move(b));
}

Chunk SuppChunk(const Noise& noise) {
  Bytes b;
  b.Fill(32, noise.reserved);
  return Make("SUPP", std::move(b));
}

Chunk FundChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.FooterCount());
  for (const auto& f : doc.Footers) {
    b.Flag(f.Flag1, noise.trueByte).Single(f.Value1).Flag(f.Flag2, noise.trueByte).Single(f.Value2);
    b.Fill(6, noise.reserved).Single(f.Position.x).Single(f.Position.y).Single(f.Position.z);
    b.Fill(64, noise.reserved);
  }
  b.Fill(16, noise.reserved);
  return Make("FUND", std::move(b));
}

Chunk RascChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.RailConnectorCount());
  for (const auto& c : doc.RailConnectors) {
    b.Long(c.EntryCount());
    for (const auto& e : c.Entries) b.Long(e.Int1).Single(e.Value1).Fill(16, noise.reserved);
  }
  b.Fill(16, noise.reserved);
  return Make("RASC", std::move(b));
}

Chunk FrenChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.FreeNodeCount());
  for (const auto& n : doc.FreeNodes) b.Single(n.x).Single(n.y).Single(n.z).Fill(16, noise.reserved);
  b.Fill(16, noise.reserved);
  return Make("FREN", std::move(b));
}

Chunk TubeChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.TubeCount());
  for (const auto& t : doc.Tubes) {
    b.Long(t.End1Type).Long(t.End1Sub).Long(t.End1Index).Fill(4, noise.reserved);
    b.Long(t.End2Type).Long(t.End2Sub).Long(t.End2Index).Fill(4, noise.reserved);
    b.Long(t.TubeType).Long(t.Int1).Single(t.Value1).Fill(4, noise.reserved);
  }
  b.Fill(16, noise.reserved);
  return Make("TUBE", std::move(b));
}

Chunk CatwChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.CatwalkCount());
  for (const auto& c : doc.Catwalks) {
    b.Long(c.Int1).Long(c.Int2).Long(c.Int3).Long(c.Int4).Long(c.Int5).Long(c.Int6);
    b.Long(c.TrailerLength).Fill(c.TrailerLength, noise.reserved);
  }
  b.Fill(16, noise.reserved);
  return Make("CATW", std::move(b));
}

Chunk ScenChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.SceneryEntryCount());
  for (const auto& e : doc.SceneryEntries) {
    b.Single(e.Value1).Single(e.Value2).Single(e.Value3).Long(e.Int1).Single(e.Value4);
    b.Fill(44, noise.reserved);
  }
  b.Fill(16, noise.reserved);
  return Make("SCEN", std::move(b));
}

Chunk ScobChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Long(doc.SceneryObjectCount());
  for (const auto& o : doc.SceneryObjects) {
    b.Text(o.Text2).Text(o.Text1);
    for (int index : {0, 1, 2, 9, 3, 4, 5, 10, 6, 7, 8, 11, 12, 13, 14}) b.Single(o.Value[index]);
    b.Fill(20, noise.reserved);
  }
  b.Fill(16, noise.reserved);
  return Make("SCOB", std::move(b));
}

Chunk TeraChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Long(doc.TerrainColumnCount).Long(doc.TerrainRowCount);
  b.Single(doc.TerrainValue1).Single(doc.TerrainValue2).Text(doc.TerrainText1);
  b.Single(doc.TerrainValue3).Text(doc.TerrainText2).Single(doc.TerrainValue4);
  b.Flag(doc.TerrainFlag1, noise.trueByte).Fill(4, noise.reserved);
  b.Text(doc.TerrainText3).Single(doc.TerrainValue5).Byte(doc.TerrainByte1).Fill(15, noise.reserved);
  for (Single value : doc.TerrainGrid) b.Single(value);
  b.Fill(16, noise.reserved);
  return Make("TERA", std::move(b));
}

Chunk EnvcChunk(const TrackDocument& doc, const Noise& noise) {
  Bytes b;
  b.Fill(16, noise.reserved).Text(doc.EnvironmentText1).Text(doc.EnvironmentText2);
  b.Fill(16, noise.reserved);
  return Make("ENVC", std::move(b));
}

Chunk CanonicalTree(const TrackDocument& doc, const Noise& noise) {
  Chunk supp = SuppChunk(noise);
  supp.Child(FundChunk(doc, noise)).Child(RascChunk(doc, noise)).Child(FrenChunk(doc, noise));
  supp.Child(TubeChunk(doc, noise)).Child(CatwChunk(doc, noise));

  Chunk trck = TrckChunk(doc, noise);
  trck.Child(InfoChunk(doc, noise)).Child(BezrChunk(doc, noise)).Child(SegmChunk(doc, noise));
  trck.Child(std::move(supp));

  Chunk scen = ScenChunk(doc, noise);
  scen.Child(ScobChunk(doc, noise));

  Chunk root = NlimChunk(doc, noise);
  root.Child(std::move(trck)).Child(std::move(scen));
  if (doc.TerrainPresent) root.Child(TeraChunk(doc, noise));
  root.Child(EnvcChunk(doc, noise));
  return root;
}

std::vector<uint8_t> CanonicalFile(const TrackDocument& doc, const Noise& noise) {
  return CanonicalTree(doc, noise).Serialize();
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
