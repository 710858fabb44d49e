// The load and save drivers: the chunk walk, the fixed tree and its sizes.
#include <algorithm>
#include <cassert>
#include <cctype>
#include <limits>

#include "trackio/ChunkCodecs.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackIO.h"

namespace trackio {

namespace {

using ChunkReader = void (*)(const ByteBuffer&, int32_t&, TrackDocument&);

struct KnownChunk {
  const char* tag;
  ChunkReader read;
  int32_t TrackDocument::*size;
  int32_t TrackDocument::*subChunkCount;
};

// Every known tag and its reader. The walk is flat: a known chunk is read
// wherever it stands, and its children are counted into the walk.
constexpr KnownChunk kKnownChunks[] = {
    {"TRCK", ReadChunkTRCK, &TrackDocument::TrckSize, &TrackDocument::TrckSubChunkCount},
    {"INFO", ReadChunkINFO, &TrackDocument::InfoSize, &TrackDocument::InfoSubChunkCount},
    {"BEZR", ReadChunkBEZR, &TrackDocument::BezrSize, &TrackDocument::BezrSubChunkCount},
    {"SEGM", ReadChunkSEGM, &TrackDocument::SegmSize, &TrackDocument::SegmSubChunkCount},
    {"SUPP", ReadChunkSUPP, &TrackDocument::SuppSize, &TrackDocument::SuppSubChunkCount},
    {"FUND", ReadChunkFUND, &TrackDocument::FundSize, &TrackDocument::FundSubChunkCount},
    {"RASC", ReadChunkRASC, &TrackDocument::RascSize, &TrackDocument::RascSubChunkCount},
    {"FREN", ReadChunkFREN, &TrackDocument::FrenSize, &TrackDocument::FrenSubChunkCount},
    {"TUBE", ReadChunkTUBE, &TrackDocument::TubeSize, &TrackDocument::TubeSubChunkCount},
    {"CATW", ReadChunkCATW, &TrackDocument::CatwSize, &TrackDocument::CatwSubChunkCount},
    {"SCEN", ReadChunkSCEN, &TrackDocument::ScenSize, &TrackDocument::ScenSubChunkCount},
    {"SCOB", ReadChunkSCOB, &TrackDocument::ScobSize, &TrackDocument::ScobSubChunkCount},
    {"TERA", ReadChunkTERA, &TrackDocument::TeraSize, &TrackDocument::TeraSubChunkCount},
    {"ENVC", ReadChunkENVC, &TrackDocument::EnvcSize, &TrackDocument::EnvcSubChunkCount},
};

const KnownChunk* FindKnownChunk(const std::string& tag) {
  for (const KnownChunk& chunk : kKnownChunks) {
    if (tag == chunk.tag) return &chunk;
  }
  return nullptr;
}

void Fail(LoadReport* report, TrackErrorKind kind, std::string message, std::string chunk = {},
          int64_t offset = -1) {
  if (report != nullptr) report->error = TrackError{kind, std::move(message), std::move(chunk), offset};
}

// Walks the chunks after the root's own fields; throws TrackFormatError.
void WalkChunks(const ByteBuffer& buffer, int32_t& cursor, TrackDocument& doc,
                std::vector<FoundChunk>* found, std::string& currentTag) {
  int32_t remaining = doc.NlimSubChunkCount;
  while (remaining > 0) {
    const int32_t offset = cursor;
    currentTag.clear();
    const std::string tag = buffer.ReadTag(cursor);
    currentTag = tag;
    FoundChunk entry{tag, offset, 0, 0, false};
    if (const KnownChunk* known = FindKnownChunk(tag)) {
      known->read(buffer, cursor, doc);
      entry.storedSize = doc.*known->size;
      entry.subChunkCount = doc.*known->subChunkCount;
      if (__builtin_add_overflow(remaining, entry.subChunkCount, &remaining)) {
        throw TrackFormatError(TrackErrorKind::Damaged,
                               "the sub-chunk counts promise more chunks than can be counted",
                               offset);
      }
    } else {
      entry.storedSize = SkipChunk(buffer, cursor);
      entry.skipped = true;
    }
    if (found != nullptr) found->push_back(std::move(entry));
    --remaining;
  }
}

}  // namespace

bool HasTrackExtension(const std::string& path) {
  constexpr size_t kLength = 8;  // ".nltrack"
  const std::string tail = path.size() < kLength ? path : path.substr(path.size() - kLength);
  std::string lower(tail);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == kTrackExtension;
}

std::string WithTrackExtension(const std::string& path) {
  return HasTrackExtension(path) ? path : path + kTrackExtension;
}

namespace {

// Loads a whole file held in memory with one zero byte after it: a file that
// lacks only a final 0 byte still loads, as it always has.
bool LoadPaddedFile(TrackDocument& document, std::vector<uint8_t> paddedBytes, LoadReport* report,
                    bool listChunks) {
  const ByteBuffer buffer(std::move(paddedBytes));

  TrackDocument loaded;
  std::vector<FoundChunk>* found = listChunks && report != nullptr ? &report->chunks : nullptr;
  if (found != nullptr) found->clear();
  std::string currentTag = "NLIM";
  try {
    int32_t cursor = 0;
    if (buffer.ReadTag(cursor) != "NLIM") {
      ResetTrackDocument(document);
      Fail(report, TrackErrorKind::NotATrack, "the file does not start with the NLIM tag", {}, 0);
      return false;
    }
    ReadChunkNLIM(buffer, cursor, loaded);
    if (found != nullptr) {
      found->push_back({"NLIM", 0, loaded.NlimSize, loaded.NlimSubChunkCount, false});
    }
    WalkChunks(buffer, cursor, loaded, found, currentTag);
  } catch (const TrackFormatError& failure) {
    ResetTrackDocument(document);
    const bool atTag = currentTag.empty();
    Fail(report, failure.kind(), failure.what(), atTag ? std::string() : currentTag,
         failure.offset());
    return false;
  } catch (const std::bad_alloc&) {
    ResetTrackDocument(document);
    Fail(report, TrackErrorKind::TooLarge, "not enough memory to load the track");
    return false;
  }
  document = std::move(loaded);
  return true;
}

}  // namespace

bool LoadTrackFromBytes(TrackDocument& document, std::vector<uint8_t> fileBytes, LoadReport* report,
                        bool listChunks) {
  if (static_cast<int64_t>(fileBytes.size()) > kMaxTrackFileLength) {
    ResetTrackDocument(document);
    Fail(report, TrackErrorKind::TooLarge, "the file is larger than a track file can be");
    return false;
  }
  fileBytes.push_back(0);  // copies the bytes only when the caller left no room for it
  return LoadPaddedFile(document, std::move(fileBytes), report, listChunks);
}

bool LoadTrack(TrackDocument& document, const std::string& path, LoadReport* report,
               bool listChunks) {
  // The path checks leave the document as it was.
  if (path.empty()) {
    Fail(report, TrackErrorKind::EmptyPath, "no file name was given");
    return false;
  }
  if (!IsRegularFile(path)) {
    Fail(report, TrackErrorKind::NotAFile, "there is no file at " + path);
    return false;
  }
  if (!HasTrackExtension(path)) {
    Fail(report, TrackErrorKind::WrongExtension, "the file name does not end in .nltrack");
    return false;
  }
  std::vector<uint8_t> bytes;
  std::string message;
  // Read with the zero byte after it, so that the file is never copied.
  if (!ReadWholeFile(path, bytes, 1, kMaxTrackFileLength, message)) {
    ResetTrackDocument(document);
    Fail(report, TrackErrorKind::FileSystem, message);
    return false;
  }
  return LoadPaddedFile(document, std::move(bytes), report, listChunks);
}

void SetSubChunkCounts(TrackDocument& doc) {
  doc.NlimSubChunkCount = doc.TerrainPresent ? 4 : 3;
  doc.TrckSubChunkCount = 4;
  doc.InfoSubChunkCount = 0;
  doc.BezrSubChunkCount = 0;
  doc.SegmSubChunkCount = 0;
  doc.SuppSubChunkCount = 5;
  doc.FundSubChunkCount = 0;
  doc.RascSubChunkCount = 0;
  doc.FrenSubChunkCount = 0;
  doc.TubeSubChunkCount = 0;
  doc.CatwSubChunkCount = 0;
  doc.ScenSubChunkCount = 1;
  doc.ScobSubChunkCount = 0;
  doc.TeraSubChunkCount = 0;
  doc.EnvcSubChunkCount = 0;
}

namespace {

// Every size of the fixed tree, summed in 64 bits so that nothing overflows
// before it is checked against the format's signed 32-bit fields.
struct ChunkSizes {
  int64_t envc, tera, scob, scen, catw, tube, fren, rasc, fund, supp, segm, bezr, info, trck, nlim;
};

int64_t TextBytes(const std::string& text) { return static_cast<int64_t>(text.size()); }

void CheckTablesCanBeWritten(const TrackDocument& doc) {
  const int64_t cells = int64_t{doc.TerrainColumnCount} * doc.TerrainRowCount;
  if (doc.TerrainPresent && (doc.TerrainColumnCount < 0 || doc.TerrainRowCount < 0 ||
                             static_cast<int64_t>(doc.TerrainGrid.size()) != cells)) {
    throw TrackFormatError(TrackErrorKind::TooLarge,
                           "the terrain grid does not match its row and column counts", -1);
  }
  for (const Catwalk& catwalk : doc.Catwalks) {
    if (catwalk.TrailerLength < 0) {
      throw TrackFormatError(TrackErrorKind::TooLarge, "a catwalk trailer length is negative", -1);
    }
  }
}

ChunkSizes SizesOf(const TrackDocument& doc) {
  ChunkSizes z{};
  z.envc = 44 + TextBytes(doc.EnvironmentText1) + TextBytes(doc.EnvironmentText2);
  z.tera = 81 + 4 * int64_t{doc.TerrainColumnCount} * doc.TerrainRowCount +
           TextBytes(doc.TerrainText1) + TextBytes(doc.TerrainText2) + TextBytes(doc.TerrainText3);
  z.scob = 40;
  for (const SceneryObject& object : doc.SceneryObjects) {
    z.scob += 88 + TextBytes(object.Text1) + TextBytes(object.Text2);
  }
  z.scen = 48 + 64 * static_cast<int64_t>(doc.SceneryEntries.size()) + z.scob;
  z.catw = 40;
  for (const Catwalk& catwalk : doc.Catwalks) z.catw += 28 + int64_t{catwalk.TrailerLength};
  z.tube = 40 + 48 * static_cast<int64_t>(doc.Tubes.size());
  z.fren = 40 + 28 * static_cast<int64_t>(doc.FreeNodes.size());
  z.rasc = 40;
  for (const RailConnector& connector : doc.RailConnectors) {
    z.rasc += 4 + 24 * static_cast<int64_t>(connector.Entries.size());
  }
  z.fund = 40 + 92 * static_cast<int64_t>(doc.Footers.size());
  z.supp = 76 + z.fund + z.rasc + z.fren + z.tube + z.catw;
  z.segm = 41;
  for (const Segment& segment : doc.Segments) z.segm += 33 + SegmentKindPartBytes(segment.Kind);
  z.bezr = 40 + 60 * static_cast<int64_t>(doc.BezierVertices.size());
  z.info = 24 + TextBytes(doc.InfoText);
  z.trck = 96 + z.info + z.bezr + z.segm + z.supp;
  for (const ColorSet& set : doc.ColorSets) z.trck += 28 + TextBytes(set.Name);
  z.nlim = 48 + z.trck + z.scen + z.envc;
  if (doc.TerrainPresent) z.nlim += 8 + z.tera;
  return z;
}

int32_t FitSize(int64_t size, const char* tag) {
  if (size > std::numeric_limits<int32_t>::max()) {
    throw TrackFormatError(TrackErrorKind::TooLarge,
                           std::string("the ") + tag + " chunk would be larger than a track file can hold",
                           -1);
  }
  return static_cast<int32_t>(size);
}

}  // namespace

int64_t SavedFileLength(const TrackDocument& doc) { return SizesOf(doc).nlim + 8; }

void ComputeChunkSizes(TrackDocument& doc) {
  CheckTablesCanBeWritten(doc);
  const ChunkSizes z = SizesOf(doc);
  // A saved file must load again; every other size is smaller than the file.
  if (z.nlim + 8 > kMaxTrackFileLength) {
    throw TrackFormatError(TrackErrorKind::TooLarge,
                           "the track would be larger than a track file can be (" +
                               std::to_string(z.nlim + 8) + " bytes)",
                           -1);
  }
  doc.EnvcSize = FitSize(z.envc, "ENVC");
  if (doc.TerrainPresent) doc.TeraSize = FitSize(z.tera, "TERA");
  doc.ScobSize = FitSize(z.scob, "SCOB");
  doc.ScenSize = FitSize(z.scen, "SCEN");
  doc.CatwSize = FitSize(z.catw, "CATW");
  doc.TubeSize = FitSize(z.tube, "TUBE");
  doc.FrenSize = FitSize(z.fren, "FREN");
  doc.RascSize = FitSize(z.rasc, "RASC");
  doc.FundSize = FitSize(z.fund, "FUND");
  doc.SuppSize = FitSize(z.supp, "SUPP");
  doc.SegmSize = FitSize(z.segm, "SEGM");
  doc.BezrSize = FitSize(z.bezr, "BEZR");
  doc.InfoSize = FitSize(z.info, "INFO");
  doc.TrckSize = FitSize(z.trck, "TRCK");
  doc.NlimSize = FitSize(z.nlim, "NLIM");
}

std::vector<uint8_t> BuildTrackFile(TrackDocument& doc) {
  SetSubChunkCounts(doc);
  ComputeChunkSizes(doc);

  const int32_t length = doc.NlimSize + 8;  // fits: ComputeChunkSizes checked it
  ByteBuffer buffer;
  buffer.SizeForWriting(static_cast<size_t>(length));
  int32_t cursor = 0;
  WriteChunkNLIM(buffer, cursor, doc);
  WriteChunkTRCK(buffer, cursor, doc);
  WriteChunkINFO(buffer, cursor, doc);
  WriteChunkBEZR(buffer, cursor, doc);
  WriteChunkSEGM(buffer, cursor, doc);
  WriteChunkSUPP(buffer, cursor, doc);
  WriteChunkFUND(buffer, cursor, doc);
  WriteChunkRASC(buffer, cursor, doc);
  WriteChunkFREN(buffer, cursor, doc);
  WriteChunkTUBE(buffer, cursor, doc);
  WriteChunkCATW(buffer, cursor, doc);
  WriteChunkSCEN(buffer, cursor, doc);
  WriteChunkSCOB(buffer, cursor, doc);
  if (doc.TerrainPresent) WriteChunkTERA(buffer, cursor, doc);
  WriteChunkENVC(buffer, cursor, doc);
  // The writers fill exactly the length the sizes promise; should they ever
  // disagree, the file still holds exactly the bytes written.
  assert(cursor == length);
  buffer.Bytes().resize(static_cast<size_t>(cursor));
  return std::move(buffer.Bytes());
}

bool SaveTrack(TrackDocument& document, const std::string& path, TrackError* error,
               std::string* writtenPath) {
  auto fail = [error](TrackErrorKind kind, std::string message) {
    if (error != nullptr) *error = TrackError{kind, std::move(message), {}, -1};
    return false;
  };
  if (path.empty()) return fail(TrackErrorKind::EmptyPath, "no file name was given");
  std::vector<uint8_t> bytes;
  try {
    bytes = BuildTrackFile(document);
  } catch (const TrackFormatError& failure) {
    return fail(failure.kind(), failure.what());
  } catch (const std::bad_alloc&) {
    return fail(TrackErrorKind::TooLarge, "not enough memory to build the track file");
  }
  const std::string target = WithTrackExtension(path);
  std::string message;
  if (!ReplaceFileContents(target, bytes, message)) {
    return fail(TrackErrorKind::FileSystem, message);
  }
  if (writtenPath != nullptr) *writtenPath = target;
  if (error != nullptr) *error = TrackError{};
  return true;
}

}  // namespace trackio
