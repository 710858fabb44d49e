// The in-memory content of one track file.
//
// Every record is a plain aggregate; tables are std::vector whose size is
// the count the file stores beside them (the count accessors expose it under
// the file's own name). Stored floats are carried as 32-bit patterns so that
// NaN payloads, negative zeros and denormals survive a load and a save.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace trackio {

// A float32 as it stands in the file: its bit pattern, never converted.
struct Single {
  uint32_t bits = 0;

  static Single FromFloat(float value) { return Single{std::bit_cast<uint32_t>(value)}; }
  float ToFloat() const { return std::bit_cast<float>(bits); }
  friend bool operator==(Single, Single) = default;
};

// A point or vector in track coordinates.
struct Vec3 {
  Single x, y, z;
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

// ---- TRCK and INFO ---------------------------------------------------------

struct ColorSet {
  bool Flag = false;
  int32_t Color1 = 0, Color2 = 0, Color3 = 0, Color4 = 0;
  std::string Name;
  friend bool operator==(const ColorSet&, const ColorSet&) = default;
};

// ---- BEZR ------------------------------------------------------------------

struct BezierVertex {
  std::array<Single, 10> Value{};  // Value1 … Value10
  bool Flag1 = false, Flag2 = false, Flag3 = false;
  friend bool operator==(const BezierVertex&, const BezierVertex&) = default;
};

// ---- SEGM ------------------------------------------------------------------

struct SegmentKind1Data {
  Single Value1, Value2, Value3, Value4;
  bool Flag1 = false;
  Single Value5;
  uint8_t Byte1 = 0, Byte2 = 0, Byte3 = 0;
  bool Flag2 = false;
  Single Value6, Value7, Value8;
  bool Flag3 = false;
  Single Value9, Value10, Value11;
  friend bool operator==(const SegmentKind1Data&, const SegmentKind1Data&) = default;
};

struct SegmentKind2Data {
  Single Value1, Value2, Value3;
  uint8_t Byte1 = 0;
  bool Flag1 = false, Flag2 = false;
  friend bool operator==(const SegmentKind2Data&, const SegmentKind2Data&) = default;
};

struct SegmentKind3Data {
  Single Value1, Value2, Value3;
  uint8_t Byte1 = 0;
  bool Flag1 = false, Flag2 = false;
  friend bool operator==(const SegmentKind3Data&, const SegmentKind3Data&) = default;
};

struct SegmentKind4Data {
  bool Flag1 = false, Flag2 = false;
  Single Value1, Value2, Value3;
  bool Flag3 = false;
  Single Value4, Value5, Value6, Value7;
  bool Flag4 = false, Flag5 = false;
  friend bool operator==(const SegmentKind4Data&, const SegmentKind4Data&) = default;
};

struct Segment {
  int32_t Kind = 0;  // 0 … 4 select a kind-specific part; any other value has none
  int32_t Color1 = 0, Color2 = 0, Color3 = 0;
  bool Flag1 = false, Flag2 = false;
  SegmentKind1Data Kind1Data;
  SegmentKind2Data Kind2Data;
  SegmentKind3Data Kind3Data;
  SegmentKind4Data Kind4Data;
  friend bool operator==(const Segment&, const Segment&) = default;
};

// ---- SUPP, FUND, RASC ------------------------------------------------------

struct Footer {
  Vec3 Position;
  bool Flag1 = false;
  Single Value1;
  bool Flag2 = false;
  Single Value2;
  friend bool operator==(const Footer&, const Footer&) = default;
};

struct RailConnectorEntry {
  int32_t Int1 = 0;
  Single Value1;
  friend bool operator==(const RailConnectorEntry&, const RailConnectorEntry&) = default;
};

struct RailConnector {
  std::vector<RailConnectorEntry> Entries;
  int32_t EntryCount() const { return static_cast<int32_t>(Entries.size()); }
  friend bool operator==(const RailConnector&, const RailConnector&) = default;
};

// ---- FREN and TUBE ---------------------------------------------------------

using FreeNode = Vec3;

// End types of a node reference.
inline constexpr int32_t kEndTypeFooter = 1;
inline constexpr int32_t kEndTypeFreeNode = 2;

struct Tube {
  int32_t End1Type = 0, End1Index = 0, End1Sub = 0;
  int32_t End2Type = 0, End2Index = 0, End2Sub = 0;
  int32_t TubeType = 0;
  int32_t Int1 = 0;
  Single Value1;
  friend bool operator==(const Tube&, const Tube&) = default;
};

// ---- CATW ------------------------------------------------------------------

struct Catwalk {
  int32_t Int1 = 0, Int2 = 0, Int3 = 0, Int4 = 0, Int5 = 0, Int6 = 0;
  int32_t TrailerLength = 0;  // zero bytes that follow the record in the file
  friend bool operator==(const Catwalk&, const Catwalk&) = default;
};

// ---- SCEN and SCOB ---------------------------------------------------------

struct SceneryEntry {
  Single Value1, Value2, Value3, Value4;
  int32_t Int1 = 0;
  friend bool operator==(const SceneryEntry&, const SceneryEntry&) = default;
};

struct SceneryObject {
  std::string Text1, Text2;
  std::array<Single, 15> Value{};  // Value1 … Value15
  friend bool operator==(const SceneryObject&, const SceneryObject&) = default;
};

// ---- The document ----------------------------------------------------------

struct TrackDocument {
  // NLIM
  int32_t NlimSize = 0, NlimSubChunkCount = 0;
  uint8_t NlimVersion1 = 0, NlimVersion2 = 0, NlimVersion3 = 0, NlimVersion4 = 0;

  // TRCK
  int32_t TrckSize = 0, TrckSubChunkCount = 0;
  int32_t TrackSetting1 = 0;
  std::vector<ColorSet> ColorSets;
  int32_t TrackSetting2 = 0;
  std::array<int32_t, 8> TrackColor{};  // TrackColor1 … TrackColor8

  // INFO
  int32_t InfoSize = 0, InfoSubChunkCount = 0;
  std::string InfoText;

  // BEZR
  int32_t BezrSize = 0, BezrSubChunkCount = 0;
  std::vector<BezierVertex> BezierVertices;

  // SEGM
  int32_t SegmSize = 0, SegmSubChunkCount = 0;
  bool SegmHeaderFlag = false;
  std::vector<Segment> Segments;

  // SUPP, FUND, RASC
  int32_t SuppSize = 0, SuppSubChunkCount = 0;
  int32_t FundSize = 0, FundSubChunkCount = 0;
  std::vector<Footer> Footers;
  int32_t RascSize = 0, RascSubChunkCount = 0;
  std::vector<RailConnector> RailConnectors;

  // FREN, TUBE
  int32_t FrenSize = 0, FrenSubChunkCount = 0;
  std::vector<FreeNode> FreeNodes;
  int32_t TubeSize = 0, TubeSubChunkCount = 0;
  std::vector<Tube> Tubes;

  // CATW
  int32_t CatwSize = 0, CatwSubChunkCount = 0;
  std::vector<Catwalk> Catwalks;

  // SCEN, SCOB
  int32_t ScenSize = 0, ScenSubChunkCount = 0;
  std::vector<SceneryEntry> SceneryEntries;
  int32_t ScobSize = 0, ScobSubChunkCount = 0;
  std::vector<SceneryObject> SceneryObjects;

  // TERA: present only when the loaded file had one.
  int32_t TeraSize = 0, TeraSubChunkCount = 0;
  bool TerrainPresent = false;
  int32_t TerrainColumnCount = 0, TerrainRowCount = 0;
  Single TerrainValue1, TerrainValue2;
  std::string TerrainText1;
  Single TerrainValue3;
  std::string TerrainText2;
  Single TerrainValue4;
  std::string TerrainText3;
  Single TerrainValue5;
  uint8_t TerrainByte1 = 0;
  bool TerrainFlag1 = false;
  // Row-major: row r, column c is TerrainGrid[r * TerrainColumnCount + c].
  std::vector<Single> TerrainGrid;

  // ENVC
  int32_t EnvcSize = 0, EnvcSubChunkCount = 0;
  std::string EnvironmentText1, EnvironmentText2;

  // Counts under the file's names. Tables never exceed what an int32 holds:
  // the readers size them from int32 counts and the editing operations refuse
  // to grow them further.
  int32_t ColorSetCount() const { return Count(ColorSets); }
  int32_t BezierVertexCount() const { return Count(BezierVertices); }
  int32_t SegmentCount() const { return Count(Segments); }
  int32_t FooterCount() const { return Count(Footers); }
  int32_t RailConnectorCount() const { return Count(RailConnectors); }
  int32_t FreeNodeCount() const { return Count(FreeNodes); }
  int32_t TubeCount() const { return Count(Tubes); }
  int32_t CatwalkCount() const { return Count(Catwalks); }
  int32_t SceneryEntryCount() const { return Count(SceneryEntries); }
  int32_t SceneryObjectCount() const { return Count(SceneryObjects); }

  friend bool operator==(const TrackDocument&, const TrackDocument&) = default;

 private:
  template <typename Table>
  static int32_t Count(const Table& table) { return static_cast<int32_t>(table.size()); }
};

}  // namespace trackio
