// The load and save drivers: the chunk walk, the fixed tree and its sizes.
#include <algorithm>
#include <array>
#include <cassert>
#include <cctype>
#include <filesystem>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <system_error>

#include "trackio/ChunkCodecs.h"
#include "trackio/FileAccess.h"
#include "trackio/FileInPieces.h"
#include "trackio/TrackIO.h"

namespace trackio {

namespace {

// One kind of chunk the tool knows: its codecs, its framing values and its
// place in the tree a save writes.
struct KnownChunk {
  ChunkKind kind;
  const char* tag;
  std::optional<ChunkKind> parent;  // none for the root
  void (*read)(ChunkReader&, TrackDocument&);
  void (*write)(ChunkWriter&, const TrackDocument&);
  int64_t (*bytes)(const TrackDocument&);
  void (*normalise)(TrackDocument&);
  int32_t TrackDocument::*size;
  int32_t TrackDocument::*subChunkCount;
};

#define TRACKIO_KNOWN_CHUNK(TAG, Title, PARENT)                                                        \
  KnownChunk {                                                                                        \
    ChunkKind::TAG, #TAG, PARENT, ReadChunk##TAG, WriteChunk##TAG, ChunkBytes##TAG, NormaliseChunk##TAG, \
        &TrackDocument::Title##Size, &TrackDocument::Title##SubChunkCount                            \
  }

// The fixed tree, in the order a save writes it (the order of ChunkKind):
// every chunk's children follow it, each with its own children.
constexpr KnownChunk kKnownChunks[] = {
    TRACKIO_KNOWN_CHUNK(NLIM, Nlim, std::nullopt),
    TRACKIO_KNOWN_CHUNK(TRCK, Trck, ChunkKind::NLIM),
    TRACKIO_KNOWN_CHUNK(INFO, Info, ChunkKind::TRCK),
    TRACKIO_KNOWN_CHUNK(BEZR, Bezr, ChunkKind::TRCK),
    TRACKIO_KNOWN_CHUNK(SEGM, Segm, ChunkKind::TRCK),
    TRACKIO_KNOWN_CHUNK(SUPP, Supp, ChunkKind::TRCK),
    TRACKIO_KNOWN_CHUNK(FUND, Fund, ChunkKind::SUPP),
    TRACKIO_KNOWN_CHUNK(RASC, Rasc, ChunkKind::SUPP),
    TRACKIO_KNOWN_CHUNK(FREN, Fren, ChunkKind::SUPP),
    TRACKIO_KNOWN_CHUNK(TUBE, Tube, ChunkKind::SUPP),
    TRACKIO_KNOWN_CHUNK(CATW, Catw, ChunkKind::SUPP),
    TRACKIO_KNOWN_CHUNK(SCEN, Scen, ChunkKind::NLIM),
    TRACKIO_KNOWN_CHUNK(SCOB, Scob, ChunkKind::SCEN),
    TRACKIO_KNOWN_CHUNK(TERA, Tera, ChunkKind::NLIM),
    TRACKIO_KNOWN_CHUNK(ENVC, Envc, ChunkKind::NLIM),
};

#undef TRACKIO_KNOWN_CHUNK

constexpr size_t kKindCount = std::size(kKnownChunks);

constexpr bool InChunkKindOrder() {
  for (size_t i = 0; i < kKindCount; ++i) {
    if (static_cast<size_t>(kKnownChunks[i].kind) != i) return false;
  }
  return true;
}
static_assert(InChunkKindOrder());

const KnownChunk& Known(ChunkKind kind) { return kKnownChunks[static_cast<size_t>(kind)]; }

// The known chunk a tag below the root names. The walk is flat: a known
// chunk is read wherever it stands, and its children are counted into the
// walk. NLIM below the root is a chunk of an unknown kind.
const KnownChunk* FindKnownChunk(const std::string& tag) {
  for (const KnownChunk& chunk : kKnownChunks) {
    if (chunk.parent && tag == chunk.tag) return &chunk;
  }
  return nullptr;
}

// The known children of `kind` in the order a save writes them.
template <typename Visit>
void ForEachChild(ChunkKind kind, Visit visit) {
  for (const KnownChunk& chunk : kKnownChunks) {
    if (chunk.parent == kind) visit(chunk.kind);
  }
}

// Whether a save writes the known chunk: TERA only when the track has terrain.
bool IsWritten(const TrackDocument& doc, ChunkKind kind) { return kind != ChunkKind::TERA || doc.TerrainPresent; }

// Walks the chunks after the root's own fields, keeping the bytes of each
// chunk of an unknown kind in `unknownBytes` (a file read in pieces has
// given them up by the time the walk ends); throws TrackFormatError.
void WalkChunks(ChunkReader& reader, TrackDocument& doc, std::vector<FoundChunk>* found,
                std::vector<std::vector<uint8_t>>& unknownBytes) {
  ReadContext& context = reader.Context();
  int32_t remaining = doc.NlimSubChunkCount;
  while (remaining > 0) {
    const int64_t offset = reader.Position();
    context.chunkTag.clear();
    RawBytes<4> storedTag;
    const std::string tag = reader.ReadTag(&storedTag);
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
      std::vector<uint8_t>& bytes = unknownBytes.emplace_back(storedTag.begin(), storedTag.end());
      entry.storedSize = reader.SkipChunk(&bytes);
      entry.skipped = true;
    }
    if (found != nullptr) found->push_back(std::move(entry));
    reader.ReportProgress();
    --remaining;
  }
}

// Reads the chunks the walk met as the tree a save writes, placing every
// chunk of an unknown kind; see LoadedTrack::formsFixedTree. Apart from the
// root, only known chunks under their fixed parent open a level, so the
// recursion is as deep as the fixed tree.
class FixedTreeReading {
 public:
  FixedTreeReading(const std::vector<FoundChunk>& found, size_t unknownChunks) : found_(found) {
    places_.reserve(unknownChunks);
  }

  // The places of the unknown chunks, in file order, or nothing when the
  // chunks do not form the tree.
  std::optional<std::vector<UnknownChunk>> Places() {
    if (found_.empty() || !Children(ChunkKind::NLIM, found_.front().subChunkCount) || next_ != found_.size()) {
      return std::nullopt;
    }
    return std::move(places_);
  }

 private:
  bool Children(ChunkKind parent, int32_t count) {
    if (count < 0) return false;
    std::optional<ChunkKind> lastKnown;
    for (int32_t i = 0; i < count; ++i) {
      if (next_ == found_.size()) return false;
      const FoundChunk& chunk = found_[next_++];
      const KnownChunk* known = FindKnownChunk(chunk.tag);
      if (known == nullptr) {
        places_.push_back({parent, lastKnown, {}});
        continue;
      }
      // Under its fixed parent, after the known siblings that come before it.
      if (known->parent != parent || (lastKnown && *lastKnown >= known->kind)) return false;
      lastKnown = known->kind;
      if (!Children(known->kind, chunk.subChunkCount)) return false;
    }
    return true;
  }

  const std::vector<FoundChunk>& found_;
  size_t next_ = 1;  // after the root
  std::vector<UnknownChunk> places_;
};

// Lists the unknown chunks the walk met in `loaded`, and when the file forms
// the fixed tree, moves the bytes of each (`unknownBytes`, in file order)
// into the document at its place.
void KeepUnknownChunks(const std::vector<FoundChunk>& found, std::vector<std::vector<uint8_t>>& unknownBytes,
                       LoadedTrack& loaded) {
  const size_t unknown = unknownBytes.size();  // one for each chunk the walk skipped
  loaded.unknownChunks.reserve(unknown);
  for (const FoundChunk& chunk : found) {
    if (chunk.skipped) loaded.unknownChunks.push_back(chunk);
  }
  std::optional<std::vector<UnknownChunk>> places = FixedTreeReading(found, unknown).Places();
  loaded.formsFixedTree = places.has_value();
  if (!places) return;
  assert(places->size() == unknownBytes.size());
  for (size_t i = 0; i < places->size(); ++i) (*places)[i].bytes = std::move(unknownBytes[i]);
  loaded.document.UnknownChunks = std::move(*places);
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
  context.progress = ProgressThrottle(options.progress, fileLength, kBytesBetweenReports);
  ChunkReader reader(bytes, fileLength + 1, context);

  LoadedTrack loaded;
  loaded.fileLength = fileLength;
  std::vector<FoundChunk> found;
  try {
    if (reader.ReadTag() != "NLIM") {
      return TrackError{TrackErrorKind::NotATrack, "it does not begin with an NLIM chunk", {}, 0};
    }
    ReadChunkNLIM(reader, loaded.document);
    found.push_back({"NLIM", 0, loaded.document.NlimSize, loaded.document.NlimSubChunkCount, false});
    reader.ReportProgress();
    std::vector<std::vector<uint8_t>> unknownBytes;
    WalkChunks(reader, loaded.document, &found, unknownBytes);
    KeepUnknownChunks(found, unknownBytes, loaded);
  } catch (const TrackFormatError& failure) {
    if (options.chunksBeforeFault != nullptr) *options.chunksBeforeFault = std::move(found);
    return TrackError{failure.Kind(), failure.what(), context.chunkTag, failure.Offset()};
  } catch (const std::bad_alloc&) {
    return ErrorOf(TrackErrorKind::TooLarge, "the track is too large for this machine's memory (" +
                                                 std::to_string(fileLength) + " bytes)");
  }
  if (options.listChunks) loaded.chunks = std::move(found);
  context.progress.Finish();
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
  if (!bytes) return bytes.Error();
  return LoadPaddedFile(bytes->data(), static_cast<int64_t>(bytes->size()) - 1, nullptr, options);
}

namespace {

// The chunks of unknown kinds that each known chunk holds: how many, and
// their bytes in all.
struct UnknownChildren {
  std::array<int64_t, kKindCount> count{};
  std::array<int64_t, kKindCount> bytes{};
};

UnknownChildren UnknownChildrenOf(const TrackDocument& doc) {
  UnknownChildren children;
  for (const UnknownChunk& chunk : doc.UnknownChunks) {
    const auto parent = static_cast<size_t>(chunk.parent);
    children.count[parent] += 1;
    children.bytes[parent] += static_cast<int64_t>(chunk.bytes.size());
  }
  return children;
}

// Sets every sub-chunk count to the fixed tree's value, counting the chunks
// of unknown kinds the document places in each.
void SetSubChunkCounts(TrackDocument& doc) {
  const UnknownChildren unknown = UnknownChildrenOf(doc);
  for (const KnownChunk& chunk : kKnownChunks) {
    int64_t count = unknown.count[static_cast<size_t>(chunk.kind)];
    ForEachChild(chunk.kind, [&](ChunkKind child) { count += IsWritten(doc, child) ? 1 : 0; });
    doc.*chunk.subChunkCount = static_cast<int32_t>(count);
  }
}

// Chunks of unknown kinds are carried as they were loaded; a document built
// in code must hold whole chunks at places of the fixed tree.
TrackError CheckUnknownChunks(const TrackDocument& doc) {
  for (const UnknownChunk& chunk : doc.UnknownChunks) {
    const std::vector<uint8_t>& bytes = chunk.bytes;
    bool whole = bytes.size() >= static_cast<size_t>(kChunkHeadBytes) &&
                 static_cast<uint64_t>(bigendian::Load32(bytes.data() + 4)) + kChunkHeadBytes == bytes.size();
    if (whole) whole = FindKnownChunk(TagFromBytes(bytes.data())) == nullptr;
    if (!whole || !IsWritten(doc, chunk.parent) || (chunk.after && Known(*chunk.after).parent != chunk.parent)) {
      return ErrorOf(TrackErrorKind::Inconsistent, "a chunk of an unknown kind is not whole or out of place");
    }
  }
  return {};
}

TrackError CheckTablesCanBeWritten(const TrackDocument& doc) {
  const int64_t cells = int64_t{doc.TerrainColumnCount} * doc.TerrainRowCount;
  if (doc.TerrainPresent && (doc.TerrainColumnCount < 0 || doc.TerrainRowCount < 0 ||
                             static_cast<int64_t>(doc.TerrainGrid.size()) != cells)) {
    return ErrorOf(TrackErrorKind::Inconsistent, "the terrain grid does not match its row and column counts");
  }
  for (const Catwalk& catwalk : doc.Catwalks) {
    if (catwalk.TrailerLength < 0) {
      return ErrorOf(TrackErrorKind::Inconsistent, "a catwalk trailer length is negative");
    }
    if (!catwalk.Trailer.empty() && catwalk.Trailer.size() != static_cast<size_t>(catwalk.TrailerLength)) {
      return ErrorOf(TrackErrorKind::Inconsistent, "a catwalk trailer does not match its length");
    }
  }
  if (doc.FreeNodeReserved.size() > doc.FreeNodes.size() || doc.TubeReserved.size() > doc.Tubes.size()) {
    return ErrorOf(TrackErrorKind::Inconsistent, "there are reserved bytes for records that do not exist");
  }
  return CheckUnknownChunks(doc);
}

// The whole length of every chunk of the fixed tree, children included
// (chunks of unknown kinds too), summed in 64 bits so that nothing overflows
// before it is checked against the format's signed 32-bit fields. A chunk's
// size field is its length less its tag and size field.
using ChunkLengths = std::array<int64_t, kKindCount>;

int64_t LengthOf(const TrackDocument& doc, const UnknownChildren& unknown, ChunkKind kind, ChunkLengths& lengths) {
  const auto index = static_cast<size_t>(kind);
  int64_t length = IsWritten(doc, kind) ? Known(kind).bytes(doc) + unknown.bytes[index] : 0;
  ForEachChild(kind, [&](ChunkKind child) { length += LengthOf(doc, unknown, child, lengths); });
  lengths[index] = length;
  return length;
}

ChunkLengths LengthsOf(const TrackDocument& doc) {
  ChunkLengths lengths{};
  LengthOf(doc, UnknownChildrenOf(doc), ChunkKind::NLIM, lengths);
  return lengths;
}

void WriteUnknownChunks(ChunkWriter& writer, const TrackDocument& doc, ChunkKind parent,
                        std::optional<ChunkKind> after) {
  for (const UnknownChunk& chunk : doc.UnknownChunks) {
    if (chunk.parent == parent && chunk.after == after) writer.WriteBytes(chunk.bytes.data(), chunk.bytes.size());
  }
}

// Writes the known chunk `kind` and everything under it: its known children
// in the fixed order, each unknown one at its place.
void WriteChunkTree(ChunkWriter& writer, const TrackDocument& doc, ChunkKind kind) {
  Known(kind).write(writer, doc);
  WriteUnknownChunks(writer, doc, kind, std::nullopt);
  ForEachChild(kind, [&](ChunkKind child) {
    if (IsWritten(doc, child)) WriteChunkTree(writer, doc, child);
    WriteUnknownChunks(writer, doc, kind, child);
  });
}

// Sets every size field from the document, or says why the document cannot
// be written.
TrackError ComputeChunkSizes(TrackDocument& doc) {
  if (TrackError error = CheckTablesCanBeWritten(doc)) return error;
  const ChunkLengths lengths = LengthsOf(doc);
  const int64_t fileLength = lengths[static_cast<size_t>(ChunkKind::NLIM)];
  // A saved file must load again; every other chunk is shorter than the
  // file, so its size field fits as well.
  if (fileLength > kMaxTrackFileLength) {
    return ErrorOf(TrackErrorKind::TooLarge,
                   "the track would be larger than a track file can be (" + std::to_string(fileLength) + " bytes)");
  }
  // Without terrain, TeraSize keeps its value.
  for (const KnownChunk& chunk : kKnownChunks) {
    if (IsWritten(doc, chunk.kind)) {
      doc.*chunk.size = static_cast<int32_t>(lengths[static_cast<size_t>(chunk.kind)] - kChunkHeadBytes);
    }
  }
  return {};
}

}  // namespace

int64_t SavedFileLength(const TrackDocument& doc) { return LengthsOf(doc)[static_cast<size_t>(ChunkKind::NLIM)]; }

bool FitsTrackFile(const TrackDocument& doc, int64_t addedFreeNodes, int64_t addedTubes) {
  // The file's length is the one limit: a file short enough to load holds
  // fewer records than a table's 32-bit count can name. An added record
  // holds no reserved bytes, so each adds exactly its record. Divided, so
  // that no count can overflow.
  int64_t room = kMaxTrackFileLength - SavedFileLength(doc);
  if (room < 0 || addedFreeNodes < 0 || addedTubes < 0 || addedFreeNodes > room / kFreeNodeRecordBytes) {
    return false;
  }
  room -= addedFreeNodes * kFreeNodeRecordBytes;
  return addedTubes <= room / kTubeRecordBytes;
}

void NormaliseTrack(TrackDocument& doc) {
  for (const KnownChunk& chunk : kKnownChunks) chunk.normalise(doc);
  std::vector<UnknownChunk>().swap(doc.UnknownChunks);
}

TrackResult<int64_t> PrepareForSaving(TrackDocument& doc, SaveForm form) {
  if (form == SaveForm::Normalised) NormaliseTrack(doc);
  SetSubChunkCounts(doc);
  if (TrackError error = ComputeChunkSizes(doc)) return error;
  return int64_t{doc.NlimSize} + kChunkHeadBytes;
}

void WriteTrackFile(const TrackDocument& doc, ByteSink& sink, const ProgressCallback& progress) {
  const int64_t length = int64_t{doc.NlimSize} + kChunkHeadBytes;
  ChunkWriter writer(sink, length, progress);
  WriteChunkTree(writer, doc, ChunkKind::NLIM);
  // The writers write exactly the lengths the sizes were computed from.
  assert(writer.Position() == length);
  writer.Finish();
}

TrackResult<std::vector<uint8_t>> BuildTrackFile(TrackDocument& doc, SaveForm form) {
  const TrackResult<int64_t> length = PrepareForSaving(doc, form);
  if (!length) return length.Error();
  try {
    MemorySink sink;
    sink.bytes.reserve(static_cast<size_t>(*length));
    WriteTrackFile(doc, sink);
    return std::move(sink.bytes);
  } catch (const std::bad_alloc&) {
    return ErrorOf(TrackErrorKind::TooLarge, "not enough memory to build the track file");
  }
}

std::vector<FoundChunk> LeftOutBySave(const LoadedTrack& loaded, SaveForm form) {
  if (form == SaveForm::Exact && loaded.formsFixedTree) return {};
  return loaded.unknownChunks;
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
  // The sizes first: a track that cannot be written fails before any
  // temporary file exists.
  if (const TrackResult<int64_t> prepared = PrepareForSaving(document, options.form); !prepared) {
    return prepared.Error();
  }
  // The chunks stream into the temporary file that replaces the target.
  return ReplaceFileStreaming(target, options.overwrite,
                              [&](ByteSink& sink) { WriteTrackFile(document, sink, options.progress); });
}

}  // namespace trackio
