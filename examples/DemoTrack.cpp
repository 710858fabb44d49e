#include "DemoTrack.h"

#include "TrackBuilder.h"

namespace demotrack {

namespace {

using trackbuilder::Point;
using trackbuilder::TubeBetween;
using trackio::Single;

Single F(float value) { return Single::FromFloat(value); }

trackio::Footer FooterAt(float x, float z) {
  trackio::Footer footer;
  footer.Position = Point(x, 0, z);
  footer.Flag1 = true;
  footer.Value1 = F(0.5f);
  return footer;
}

constexpr int32_t kFooter = trackio::kEndTypeFooter;
constexpr int32_t kFreeNode = trackio::kEndTypeFreeNode;

void AddTrack(trackio::TrackDocument& doc) {
  doc.NlimVersion1 = 1;
  doc.NlimVersion2 = 3;
  doc.TrackSetting1 = 1;
  doc.TrackSetting2 = 0;
  doc.ColorSets = {{true, 0xC81E1E, 0xF0F0F0, 0x323232, 0x808080, "Red and white"}};
  doc.TrackColor = {0xC81E1E, 0xF0F0F0, 0x323232, 0x808080, 0x1E1EC8, 0x000000, 0xFFFFFF, 0x646464};
  doc.InfoText = "Tarnwick demo track: supports of every tube type";

  // A short climb: four vertices along x, rising.
  for (int i = 0; i < 4; ++i) {
    trackio::BezierVertex vertex;
    const float x = 10.0f * static_cast<float>(i);
    const float y = 20.0f + 5.0f * static_cast<float>(i);
    const float values[10] = {x, y, 0, x - 3, y - 1.5f, 0, x + 3, y + 1.5f, 0, 0};
    for (int k = 0; k < 10; ++k) vertex.Value[k] = F(values[k]);
    vertex.Flag1 = i == 0;
    doc.BezierVertices.push_back(vertex);
  }
  doc.SegmHeaderFlag = true;
  for (int32_t kind : {0, 1, 2}) {
    trackio::Segment segment;
    segment.Kind = kind;
    segment.Color1 = 0xC81E1E;
    segment.Color2 = 0xF0F0F0;
    segment.Color3 = 0x323232;
    if (kind == 1) segment.Kind1Data = {F(1), F(0), F(0), F(0), true, F(12), 1, 2, 3, false,
                                        F(0), F(0), F(0), false, F(0), F(0), F(0)};
    if (kind == 2) segment.Kind2Data = {F(4), F(2.5f), F(0), 1, true, false};
    doc.Segments.push_back(segment);
  }
}

void AddSupports(trackio::TrackDocument& doc) {
  doc.Footers = {FooterAt(0, 0), FooterAt(10, 0), FooterAt(20, 0), FooterAt(30, 0), FooterAt(40, 0),
                 FooterAt(5, 8)};
  doc.FreeNodes = {
      Point(0, 32, 0),      // 0: above footer 0
      Point(10, 12, 0),     // 1: above footer 1
      Point(20, 24, 0),     // 2: above footer 2
      Point(30, 28, 0),     // 3: above footer 3
      Point(40, 45, 0),     // 4: above footer 4
      Point(12, 27, 2.5f),  // 5: leaning away from footer 5
      Point(10, 14.5f, 0),  // 6: just above free node 1
  };
  doc.Tubes = {
      TubeBetween(kFooter, 0, kFreeNode, 0, 0),    // 32 long: 4 flanges of type 1
      TubeBetween(kFooter, 1, kFreeNode, 1, 0),    // 12 long: 2 flanges
      TubeBetween(kFooter, 2, kFreeNode, 2, 1),    // 24 long: 3 flanges of type 5
      TubeBetween(kFreeNode, 1, kFreeNode, 2, 2),  // brace, about 16 long: 2 flanges of type 0
      TubeBetween(kFreeNode, 2, kFreeNode, 3, 3),  // type 3: none
      TubeBetween(kFooter, 3, kFreeNode, 3, 4),    // type 4: none
      TubeBetween(kFooter, 4, kFreeNode, 4, 5),    // 45 long: 5 flanges of type 6
      TubeBetween(kFreeNode, 3, kFreeNode, 4, 6),  // type 6: none
      TubeBetween(kFooter, 5, kFreeNode, 5, 1),    // skewed, about 28 long: 3 flanges
      TubeBetween(kFreeNode, 1, kFreeNode, 6, 0),  // 2.5 long: too short
      TubeBetween(3, 0, kFreeNode, 0, 0),          // an end that is neither footer nor free node
  };
  doc.RailConnectors.resize(2);
  doc.RailConnectors[0].Entries = {{0, F(0.25f)}, {1, F(0.75f)}};
  doc.RailConnectors[1].Entries = {{2, F(0.5f)}};
  doc.Catwalks = {{0, 1, 2, 0, 1, 0, 8}};
}

void AddSurroundings(trackio::TrackDocument& doc) {
  doc.SceneryEntries = {{F(0), F(0), F(0), F(1), 0}};
  trackio::SceneryObject tree;
  tree.Text1 = "objects/tree.nl2sce";
  tree.Text2 = "Tree";
  for (int i = 0; i < 15; ++i) tree.Value[i] = F(i < 3 ? 15.0f * static_cast<float>(i) : 1.0f);
  doc.SceneryObjects = {tree};

  doc.TerrainPresent = true;
  doc.TerrainColumnCount = 4;
  doc.TerrainRowCount = 3;
  doc.TerrainValue1 = F(16.0f);
  doc.TerrainValue2 = F(16.0f);
  doc.TerrainText1 = "grass";
  doc.TerrainValue3 = F(1.0f);
  doc.TerrainText2 = "dirt";
  doc.TerrainValue4 = F(1.0f);
  doc.TerrainText3 = "rock";
  doc.TerrainValue5 = F(0.5f);
  doc.TerrainByte1 = 1;
  doc.TerrainFlag1 = true;
  for (int i = 0; i < 12; ++i) doc.TerrainGrid.push_back(F(0.25f * static_cast<float>(i % 5)));

  doc.EnvironmentText1 = "Clear sky";
  doc.EnvironmentText2 = "Afternoon";
}

}  // namespace

trackio::TrackDocument DemoTrackDocument() {
  trackio::TrackDocument doc;
  AddTrack(doc);
  AddSupports(doc);
  AddSurroundings(doc);
  return doc;
}

std::vector<uint8_t> DemoTrackFile() { return trackbuilder::CanonicalFile(DemoTrackDocument()); }

}  // namespace demotrack
