// The in-memory content of one track file.
//
// Every record is a plain aggregate; tables are std::vector whose size is
// the count the file stores beside them (the count accessors expose it under
// the file's own name). Stored floats are carried as 32-bit patterns so that
// NaN payloads, negative zeros and denormals survive a load and a save.
//
// Every byte the tool does not interpret is carried as it stood in the file,
// beside the fields it sits between: reserved runs (RawBytes), the leading
// byte of each colour (Color), the exact byte of each flag (FlagByte),
// catwalk trailers, the version bytes and chunks of unknown kinds. Records
// made in code hold the values the tool has always written: zeros, 255 for
// a set flag, version 1.3.0.0.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// A flag as it stands in the file: one byte, any nonzero value meaning set.
// A load keeps the byte (1, 0x80, 255 …); a flag made from a bool holds 255
// for set and 0 for clear.
struct FlagByte {
  uint8_t byte = 0;

  constexpr FlagByte() = default;
  constexpr FlagByte(bool set) : byte(set ? 255 : 0) {}  // NOLINT: implicit on purpose
  static constexpr FlagByte FromByte(uint8_t byte) {
    FlagByte flag;
    flag.byte = byte;
    return flag;
  }
  constexpr bool IsSet() const { return byte != 0; }
  constexpr explicit operator bool() const { return IsSet(); }
  friend bool operator==(FlagByte, FlagByte) = default;
};

// A colour as it stands in the file: a leading byte the tool does not
// interpret, then the 24-bit value, most significant byte first, carried as
// one 32-bit pattern. A colour made from a value has the leading byte 0.
struct Color {
  uint32_t bits = 0;

  constexpr Color() = default;
  constexpr Color(int32_t value) : bits(static_cast<uint32_t>(value) & kValueBits) {}  // NOLINT: implicit on purpose
  static constexpr Color FromBits(uint32_t bits) {
    Color color;
    color.bits = bits;
    return color;
  }
  constexpr int32_t Value() const { return static_cast<int32_t>(bits & kValueBits); }
  constexpr uint8_t LeadingByte() const { return static_cast<uint8_t>(bits >> 24); }
  friend bool operator==(Color, Color) = default;

 private:
  static constexpr uint32_t kValueBits = 0x00FFFFFFu;
};

// A run of bytes the tool does not interpret (a reserved run), as it stands
// in the file.
template <size_t N>
using RawBytes = std::array<uint8_t, N>;

// A point or vector in track coordinates.
struct Vec3 {
  Single x, y, z;
  friend bool operator==(const Vec3&, const Vec3&) = default;
};

// ---- TRCK and INFO ---------------------------------------------------------

struct ColorSet {
  FlagByte Flag;
  Color Color1, Color2, Color3, Color4;
  std::string Name;
  RawBytes<7> Reserved{};  // after the flag
  friend bool operator==(const ColorSet&, const ColorSet&) = default;
};

// ---- BEZR ------------------------------------------------------------------

struct BezierVertex {
  std::array<Single, 10> Value{};  // Value1 … Value10
  FlagByte Flag1, Flag2, Flag3;
  RawBytes<17> Reserved{};  // after the flags
  friend bool operator==(const BezierVertex&, const BezierVertex&) = default;
};

// ---- SEGM ------------------------------------------------------------------

struct SegmentKind1Data {
  Single Value1, Value2, Value3, Value4;
  FlagByte Flag1;
  Single Value5;
  uint8_t Byte1 = 0, Byte2 = 0, Byte3 = 0;
  FlagByte Flag2;
  Single Value6, Value7, Value8;
  FlagByte Flag3;
  Single Value9, Value10, Value11;
  // In file order: after Value5, after Value9, after Value11, at the end.
  RawBytes<4> ReservedAfterValue5{}, ReservedAfterValue9{}, ReservedAfterValue11{};
  RawBytes<64> ReservedTail{};
  friend bool operator==(const SegmentKind1Data&, const SegmentKind1Data&) = default;
};

struct SegmentKind2Data {
  Single Value1, Value2, Value3;
  uint8_t Byte1 = 0;
  FlagByte Flag1, Flag2;
  RawBytes<3> ReservedHead{};          // before Byte1
  RawBytes<4> ReservedAfterValue3{};
  RawBytes<14> ReservedTail{};
  friend bool operator==(const SegmentKind2Data&, const SegmentKind2Data&) = default;
};

struct SegmentKind3Data {
  Single Value1, Value2, Value3;
  uint8_t Byte1 = 0;
  FlagByte Flag1, Flag2;
  RawBytes<3> ReservedAfterValue3{};
  RawBytes<10> ReservedTail{};
  friend bool operator==(const SegmentKind3Data&, const SegmentKind3Data&) = default;
};

struct SegmentKind4Data {
  FlagByte Flag1, Flag2;
  Single Value1, Value2, Value3;
  FlagByte Flag3;
  Single Value4, Value5, Value6, Value7;
  FlagByte Flag4, Flag5;
  RawBytes<4> ReservedAfterValue3{};
  RawBytes<13> ReservedTail{};
  friend bool operator==(const SegmentKind4Data&, const SegmentKind4Data&) = default;
};

struct Segment {
  int32_t Kind = 0;  // 0 … 4 select a kind-specific part; any other value has none
  Color Color1, Color2, Color3;
  FlagByte Flag1, Flag2;
  SegmentKind1Data Kind1Data;
  SegmentKind2Data Kind2Data;
  SegmentKind3Data Kind3Data;
  SegmentKind4Data Kind4Data;
  RawBytes<15> Reserved{};  // the common part's, after Flag2
  friend bool operator==(const Segment&, const Segment&) = default;
};

// ---- SUPP, FUND, RASC ------------------------------------------------------

struct Footer {
  Vec3 Position;
  FlagByte Flag1;
  Single Value1;
  FlagByte Flag2;
  Single Value2;
  RawBytes<6> ReservedBeforePosition{};
  RawBytes<64> ReservedTail{};
  friend bool operator==(const Footer&, const Footer&) = default;
};

struct RailConnectorEntry {
  int32_t Int1 = 0;
  Single Value1;
  RawBytes<16> Reserved{};
  friend bool operator==(const RailConnectorEntry&, const RailConnectorEntry&) = default;
};

struct RailConnector {
  std::vector<RailConnectorEntry> Entries;
  int32_t EntryCount() const { return static_cast<int32_t>(Entries.size()); }
  friend bool operator==(const RailConnector&, const RailConnector&) = default;
};

// ---- FREN and TUBE ---------------------------------------------------------

using FreeNode = Vec3;
// The reserved run after each free node's point. The table of free nodes
// grows by millions with flanging, so these runs are held beside it.
using FreeNodeReservedBytes = RawBytes<16>;

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

// The reserved runs of a tube record, held beside the table of tubes as those
// of free nodes are.
struct TubeReservedBytes {
  RawBytes<4> AfterEnd1{}, AfterEnd2{}, Tail{};
  friend bool operator==(const TubeReservedBytes&, const TubeReservedBytes&) = default;
};

// ---- CATW ------------------------------------------------------------------

struct Catwalk {
  int32_t Int1 = 0, Int2 = 0, Int3 = 0, Int4 = 0, Int5 = 0, Int6 = 0;
  int32_t TrailerLength = 0;  // bytes that follow the record in the file
  // The trailer's bytes as loaded; empty when they are all zero, which is
  // how a save writes a trailer without them.
  std::vector<uint8_t> Trailer{};
  friend bool operator==(const Catwalk&, const Catwalk&) = default;
};

// ---- SCEN and SCOB ---------------------------------------------------------

struct SceneryEntry {
  Single Value1, Value2, Value3, Value4;
  int32_t Int1 = 0;
  RawBytes<44> Reserved{};
  friend bool operator==(const SceneryEntry&, const SceneryEntry&) = default;
};

struct SceneryObject {
  std::string Text1, Text2;
  std::array<Single, 15> Value{};  // Value1 … Value15
  RawBytes<20> Reserved{};
  friend bool operator==(const SceneryObject&, const SceneryObject&) = default;
};

// ---- Chunks of unknown kinds ----------------------------------------------

// The kinds of chunk the tool reads, in the order a save writes them (the
// tree's pre-order).
enum class ChunkKind : uint8_t { NLIM, TRCK, INFO, BEZR, SEGM, SUPP, FUND, RASC, FREN, TUBE, CATW, SCEN, SCOB, TERA, ENVC };

// A chunk of a kind the tool does not know, carried verbatim: its tag, its
// size field and every byte the size covers, its own children included. It
// is a child of the known chunk `parent`, right after its known child
// `after` (before all of them when `after` is empty), following the unknown
// chunks placed there before it.
struct UnknownChunk {
  ChunkKind parent = ChunkKind::NLIM;
  std::optional<ChunkKind> after{};
  std::vector<uint8_t> bytes{};
  friend bool operator==(const UnknownChunk&, const UnknownChunk&) = default;
};

// ---- The document ----------------------------------------------------------

struct TrackDocument {
  // NLIM. A document made in code carries the version 1.3.0.0.
  int32_t NlimSize = 0, NlimSubChunkCount = 0;
  uint8_t NlimVersion1 = 1, NlimVersion2 = 3, NlimVersion3 = 0, NlimVersion4 = 0;
  RawBytes<16> NlimReserved{};

  // TRCK
  int32_t TrckSize = 0, TrckSubChunkCount = 0;
  int32_t TrackSetting1 = 0;
  std::vector<ColorSet> ColorSets;
  int32_t TrackSetting2 = 0;
  std::array<Color, 8> TrackColor{};  // TrackColor1 … TrackColor8
  RawBytes<16> TrckReserved{};         // after the colours

  // INFO
  int32_t InfoSize = 0, InfoSubChunkCount = 0;
  RawBytes<16> InfoReserved{};
  std::string InfoText;

  // BEZR
  int32_t BezrSize = 0, BezrSubChunkCount = 0;
  RawBytes<16> BezrReservedHead{};
  std::vector<BezierVertex> BezierVertices;
  RawBytes<16> BezrReservedTail{};

  // SEGM
  int32_t SegmSize = 0, SegmSubChunkCount = 0;
  FlagByte SegmHeaderFlag;
  RawBytes<16> SegmReservedHead{};
  std::vector<Segment> Segments;
  RawBytes<16> SegmReservedTail{};

  // SUPP, FUND, RASC
  int32_t SuppSize = 0, SuppSubChunkCount = 0;
  RawBytes<32> SuppReserved{};
  int32_t FundSize = 0, FundSubChunkCount = 0;
  RawBytes<16> FundReservedHead{};
  std::vector<Footer> Footers;
  RawBytes<16> FundReservedTail{};
  int32_t RascSize = 0, RascSubChunkCount = 0;
  RawBytes<16> RascReservedHead{};
  std::vector<RailConnector> RailConnectors;
  RawBytes<16> RascReservedTail{};

  // FREN, TUBE. The reserved runs of the first records only, up to the last
  // one that holds a nonzero byte; those of the other records are zeros.
  int32_t FrenSize = 0, FrenSubChunkCount = 0;
  RawBytes<16> FrenReservedHead{};
  std::vector<FreeNode> FreeNodes;
  std::vector<FreeNodeReservedBytes> FreeNodeReserved;
  RawBytes<16> FrenReservedTail{};
  int32_t TubeSize = 0, TubeSubChunkCount = 0;
  RawBytes<16> TubeReservedHead{};
  std::vector<Tube> Tubes;
  std::vector<TubeReservedBytes> TubeReserved;
  RawBytes<16> TubeReservedTail{};

  // CATW
  int32_t CatwSize = 0, CatwSubChunkCount = 0;
  RawBytes<16> CatwReservedHead{};
  std::vector<Catwalk> Catwalks;
  RawBytes<16> CatwReservedTail{};

  // SCEN, SCOB
  int32_t ScenSize = 0, ScenSubChunkCount = 0;
  RawBytes<16> ScenReservedHead{};
  std::vector<SceneryEntry> SceneryEntries;
  RawBytes<16> ScenReservedTail{};
  int32_t ScobSize = 0, ScobSubChunkCount = 0;
  RawBytes<16> ScobReservedHead{};
  std::vector<SceneryObject> SceneryObjects;
  RawBytes<16> ScobReservedTail{};

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
  FlagByte TerrainFlag1;
  RawBytes<4> TerrainReservedAfterFlag{};
  RawBytes<15> TerrainReservedAfterByte{};
  // Row-major: row r, column c is TerrainGrid[r * TerrainColumnCount + c].
  std::vector<Single> TerrainGrid;
  RawBytes<16> TeraReservedTail{};

  // ENVC
  int32_t EnvcSize = 0, EnvcSubChunkCount = 0;
  RawBytes<16> EnvcReservedHead{};
  std::string EnvironmentText1, EnvironmentText2;
  RawBytes<16> EnvcReservedTail{};

  // Chunks of unknown kinds, in the order a save writes them. A load keeps
  // them only when the file's chunks form the tree a save writes.
  std::vector<UnknownChunk> UnknownChunks;

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
