// The load and save drivers: the chunk walk, the fixed tree and its sizes.
#include <algorithm>
#include <cassert>
#include <cctype>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <system_error>

#include "trackio/ChunkCodecs.h"
#include "trackio/FileAccess.h"
#include "trackio/FileInPieces.h"
#include "trackio/TrackIO.h"

namespace trackio {

namespace {

using ChunkRead = void (*)(ChunkReader&, TrackDocument&);

struct KnownChunk {
  const char* tag;
  ChunkRead read;
  int32_t TrackDocument::*size;
  int32_t TrackDocument::*subChunkCount;
};

// Every known tag below the root and its reader. The walk is flat: a known
// chunk is read wherever it stands, and its children are counted into the walk.
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

TrackError ErrorOf(TrackErrorKind kind, std::string message) {
  return TrackError{kind, std::move(message), {}, -1};
}

// Walks the chunks after the root's own fields; throws TrackFormatError.
void WalkChunks(ChunkReader& reader, TrackDocument& doc, std::vector<FoundChunk>* found) {
  ReadContext& context = reader.Context();
  int32_t remaining = doc.NlimSubChunkCount;
  while (remaining > 0) {
    const int64_t offset = reader.Position();
    context.chunkTag.clear();
    const std::string tag = reader.ReadTag();
    context.chunkTag = tag;
    context.chunkOffset = offset;
    FoundChunk entry{tag, offset, 0, 0, false};
    if (const KnownChunk* known = FindKnownChunk(tag)) {
      known->read(reader, doc);
      entry.storedSize = doc.*known->size;
      entry.subChunkCount = doc.*known->subChunkCount;
      if (__builtin_add_overflow(remaining, entry.subChunkCount, &remaining)) {
        reader.Fail("promises more sub-chunks than can be counted", offset);
      }
    } else {
      entry.storedSize = reader.SkipChunk();
      entry.skipped = true;
    }
    if (found != nullptr) found->push_back(std::move(entry));
    reader.ReportProgress();
    --remaining;
  }
}

// Loads a file of `fileLength` bytes at `bytes`, with one zero byte after
// them: a file that lacks only a final 0 byte still loads, as it always has.
// With a `source`, the bytes are read as the readers reach them.
LoadResult LoadPaddedFile(const uint8_t* bytes, int64_t fileLength, ByteSource* source,
                          const LoadOptions& options) {
  if (fileLength == 0) return ErrorOf(TrackErrorKind::EmptyFile, "the file is empty");

  ReadContext context;
  if (source != nullptr) {
    context.source = source;
    context.readable = 0;
  }
  context.chunkTag = "NLIM";
  context.chunkOffset = 0;
  if (options.progress) {
    context.progress = options.progress;
    context.progressTotal = fileLength;
    context.reportStep = ProgressStep(fileLength);
    context.nextReport = 0;
  }
  ChunkReader reader(bytes, fileLength + 1, context);

  LoadedTrack loaded;
  std::vector<FoundChunk>* found = options.listChunks ? &loaded.chunks : nullptr;
  try {
    if (reader.ReadTag() != "NLIM") {
      return TrackError{TrackErrorKind::NotATrack, "it does not begin with an NLIM chunk", {}, 0};
    }
    ReadChunkNLIM(reader, loaded.document);
    if (found != nullptr) {
      found->push_back({"NLIM", 0, loaded.document.NlimSize, loaded.document.NlimSubChunkCount, false});
    }
    reader.ReportProgress();
    WalkChunks(reader, loaded.document, found);
  } catch (const TrackFormatError& failure) {
    return TrackError{failure.kind(), failure.what(), context.chunkTag, failure.offset()};
  } catch (const std::bad_alloc&) {
    return ErrorOf(TrackErrorKind::TooLarge, "the track is too large for this machine's memory (" +
                                                 std::to_string(fileLength) + " bytes)");
  }
  if (options.progress) options.progress(fileLength, fileLength);
  return loaded;
}

// What stands at `path`, when it is not a regular file.
TrackError PathError(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code failure;
  const fs::file_status status = fs::status(ToPath(path), failure);
  switch (status.type()) {
    case fs::file_type::regular: return {};
    case fs::file_type::not_found: return ErrorOf(TrackErrorKind::NoSuchFile, "no such file");
    case fs::file_type::directory: return ErrorOf(TrackErrorKind::IsAFolder, "is a folder");
    case fs::file_type::none: return ErrorOf(TrackErrorKind::FileSystem, failure.message());
    default: return ErrorOf(TrackErrorKind::NotAFile, "is not a regular file");
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

LoadResult LoadTrackFromBytes(std::vector<uint8_t> fileBytes, const LoadOptions& options) {
  if (static_cast<int64_t>(fileBytes.size()) > kMaxTrackFileLength) {
    return ErrorOf(TrackErrorKind::TooLarge, "the file is larger than a track file can be");
  }
  fileBytes.push_back(0);  // copies the bytes only when the caller left no room for it
  return LoadPaddedFile(fileBytes.data(), static_cast<int64_t>(fileBytes.size()) - 1, nullptr, options);
}

LoadResult LoadTrack(const std::string& path, const LoadOptions& options) {
  if (path.empty()) return ErrorOf(TrackErrorKind::EmptyPath, "no file name was given");
  if (TrackError error = PathError(path)) return error;
  if (!HasTrackExtension(path)) {
    return ErrorOf(TrackErrorKind::WrongExtension, "the name does not end in .nltrack");
  }
  // Read in pieces where that can be done: only the document is held, not
  // the file's bytes too.
  TrackError error;
  if (const std::unique_ptr<FileInPieces> file = FileInPieces::Open(path, kMaxTrackFileLength, error)) {
    return LoadPaddedFile(file->Bytes(), file->Length(), file.get(), options);
  }
  if (error) return error;
  // Read with the zero byte after it, so that the file is never copied.
  TrackResult<std::vector<uint8_t>> bytes = ReadWholeFile(path, 1, kMaxTrackFileLength);
  if (!bytes) return bytes.error();
  return LoadPaddedFile(bytes->data(), static_cast<int64_t>(bytes->size()) - 1, nullptr, options);
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

// The whole length of every chunk of the fixed tree, children included,
// summed in 64 bits so that nothing overflows before it is checked against
// the format's signed 32-bit fields. A chunk's size field is its length
// less its tag and size field.
struct ChunkLengths {
  int64_t envc, tera, scob, scen, catw, tube, fren, rasc, fund, supp, segm, bezr, info, trck, nlim;
};

void CheckTablesCanBeWritten(const TrackDocument& doc) {
  const int64_t cells = int64_t{doc.TerrainColumnCount} * doc.TerrainRowCount;
  if (doc.TerrainPresent && (doc.TerrainColumnCount < 0 || doc.TerrainRowCount < 0 ||
                             static_cast<int64_t>(doc.TerrainGrid.size()) != cells)) {
    throw TrackFormatError(TrackErrorKind::Inconsistent,
                           "the terrain grid does not match its row and column counts", -1);
  }
  for (const Catwalk& catwalk : doc.Catwalks) {
    if (catwalk.TrailerLength < 0) {
      throw TrackFormatError(TrackErrorKind::Inconsistent, "a catwalk trailer length is negative", -1);
    }
  }
}

ChunkLengths LengthsOf(const TrackDocument& doc) {
  ChunkLengths z{};
  z.info = ChunkBytesINFO(doc);
  z.bezr = ChunkBytesBEZR(doc);
  z.segm = ChunkBytesSEGM(doc);
  z.fund = ChunkBytesFUND(doc);
  z.rasc = ChunkBytesRASC(doc);
  z.fren = ChunkBytesFREN(doc);
  z.tube = ChunkBytesTUBE(doc);
  z.catw = ChunkBytesCATW(doc);
  z.supp = ChunkBytesSUPP(doc) + z.fund + z.rasc + z.fren + z.tube + z.catw;
  z.trck = ChunkBytesTRCK(doc) + z.info + z.bezr + z.segm + z.supp;
  z.scob = ChunkBytesSCOB(doc);
  z.scen = ChunkBytesSCEN(doc) + z.scob;
  z.tera = doc.TerrainPresent ? ChunkBytesTERA(doc) : 0;
  z.envc = ChunkBytesENVC(doc);
  z.nlim = ChunkBytesNLIM(doc) + z.trck + z.scen + z.tera + z.envc;
  return z;
}

int32_t SizeField(int64_t length, const char* tag) {
  const int64_t size = length - kChunkHeadBytes;
  if (size > std::numeric_limits<int32_t>::max()) {
    throw TrackFormatError(TrackErrorKind::TooLarge,
                           std::string("the ") + tag + " chunk would be larger than a track file can hold",
                           -1);
  }
  return static_cast<int32_t>(size);
}

}  // namespace

int64_t SavedFileLength(const TrackDocument& doc) { return LengthsOf(doc).nlim; }

void ComputeChunkSizes(TrackDocument& doc) {
  CheckTablesCanBeWritten(doc);
  const ChunkLengths z = LengthsOf(doc);
  // A saved file must load again; every other size is smaller than the file.
  if (z.nlim > kMaxTrackFileLength) {
    throw TrackFormatError(TrackErrorKind::TooLarge,
                           "the track would be larger than a track file can be (" + std::to_string(z.nlim) +
                               " bytes)",
                           -1);
  }
  doc.EnvcSize = SizeField(z.envc, "ENVC");
  if (doc.TerrainPresent) doc.TeraSize = SizeField(z.tera, "TERA");
  doc.ScobSize = SizeField(z.scob, "SCOB");
  doc.ScenSize = SizeField(z.scen, "SCEN");
  doc.CatwSize = SizeField(z.catw, "CATW");
  doc.TubeSize = SizeField(z.tube, "TUBE");
  doc.FrenSize = SizeField(z.fren, "FREN");
  doc.RascSize = SizeField(z.rasc, "RASC");
  doc.FundSize = SizeField(z.fund, "FUND");
  doc.SuppSize = SizeField(z.supp, "SUPP");
  doc.SegmSize = SizeField(z.segm, "SEGM");
  doc.BezrSize = SizeField(z.bezr, "BEZR");
  doc.InfoSize = SizeField(z.info, "INFO");
  doc.TrckSize = SizeField(z.trck, "TRCK");
  doc.NlimSize = SizeField(z.nlim, "NLIM");
}

int64_t PrepareForSaving(TrackDocument& doc) {
  SetSubChunkCounts(doc);
  ComputeChunkSizes(doc);
  return int64_t{doc.NlimSize} + kChunkHeadBytes;
}

void WriteTrackFile(const TrackDocument& doc, ByteSink& sink, const ProgressCallback& progress) {
  const int64_t length = int64_t{doc.NlimSize} + kChunkHeadBytes;
  ChunkWriter writer(sink, length, progress);
  WriteChunkNLIM(writer, doc);
  WriteChunkTRCK(writer, doc);
  WriteChunkINFO(writer, doc);
  WriteChunkBEZR(writer, doc);
  WriteChunkSEGM(writer, doc);
  WriteChunkSUPP(writer, doc);
  WriteChunkFUND(writer, doc);
  WriteChunkRASC(writer, doc);
  WriteChunkFREN(writer, doc);
  WriteChunkTUBE(writer, doc);
  WriteChunkCATW(writer, doc);
  WriteChunkSCEN(writer, doc);
  WriteChunkSCOB(writer, doc);
  if (doc.TerrainPresent) WriteChunkTERA(writer, doc);
  WriteChunkENVC(writer, doc);
  // The writers write exactly the lengths the sizes were computed from.
  assert(writer.Position() == length);
  writer.Finish();
}

std::vector<uint8_t> BuildTrackFile(TrackDocument& doc) {
  const int64_t length = PrepareForSaving(doc);
  MemorySink sink;
  sink.bytes.reserve(static_cast<size_t>(length));
  WriteTrackFile(doc, sink);
  return std::move(sink.bytes);
}

TrackError CheckSaveTarget(const std::string& path, Overwrite overwrite) {
  if (path.empty()) return ErrorOf(TrackErrorKind::EmptyPath, "no file name was given");
  const std::string target = WithTrackExtension(path);
  if (target != path) {
    const TrackError asGiven = CheckReplaceTarget(path, Overwrite::Replace);
    if (asGiven.kind == TrackErrorKind::NotAFile) return asGiven;
  }
  return CheckReplaceTarget(target, overwrite);
}

SaveResult SaveTrack(TrackDocument& document, const std::string& path, const SaveOptions& options) {
  if (TrackError refused = CheckSaveTarget(path, options.overwrite)) return refused;
  const std::string target = WithTrackExtension(path);
  try {
    // The sizes first: a track that cannot be written fails before any
    // temporary file exists.
    PrepareForSaving(document);
  } catch (const TrackFormatError& failure) {
    return ErrorOf(failure.kind(), failure.what());
  }
  // The chunks stream into the temporary file that replaces the target.
  return ReplaceFileStreaming(target, options.overwrite,
                              [&](ByteSink& sink) { WriteTrackFile(document, sink, options.progress); });
}

}  // namespace trackio
