// Loading and saving track files.
//
// LoadTrack checks the path, reads the whole file and walks its chunk tree
// by the countdown of promised chunks. SaveTrack fixes the tree's shape,
// computes every size, then streams the chunks into the file that replaces
// the target in one step, so a failed save never harms the file it replaces.
//
// A save is exact: it writes every byte the document holds as it was loaded,
// chunks of unknown kinds included, and recomputes only sizes, sub-chunk
// counts, table counts and text lengths, so that a load and a save give the
// file back and flanging changes only what the flanges need. A normalised
// save writes the form the tool wrote before version 1.2 instead.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "trackio/ByteSink.h"
#include "trackio/FileAccess.h"
#include "trackio/Progress.h"
#include "trackio/TrackDocument.h"
#include "trackio/TrackError.h"
#include "trackio/TrackResult.h"

namespace trackio {

inline constexpr const char* kTrackExtension = ".nltrack";

// The longest file that loads and saves: offsets are signed 32-bit values,
// and a loaded file is followed by one extra zero byte.
inline constexpr int64_t kMaxTrackFileLength = std::numeric_limits<int32_t>::max() - 1;

// A chunk as the load walk met it.
struct FoundChunk {
  std::string tag;          // upper-cased
  int64_t offset = 0;       // of the tag
  int32_t storedSize = 0;   // the size field as stored
  int32_t subChunkCount = 0;  // as stored; 0 for a skipped chunk
  bool skipped = false;     // unknown tag: passed over by its size
};

struct LoadOptions {
  bool listChunks = false;    // fill LoadedTrack::chunks
  ProgressCallback progress{};  // bytes read out of the file's length
  // When a load fails on a damaged file, receives the chunks read whole
  // before the fault, so that the intact part can be shown.
  std::vector<FoundChunk>* chunksBeforeFault = nullptr;
};

struct LoadedTrack {
  TrackDocument document;
  std::vector<FoundChunk> chunks;  // in file order, when listChunks was set
  // Every chunk of an unknown kind the walk met, in file order (not the
  // chunks inside them, which it passes over with them).
  std::vector<FoundChunk> unknownChunks;
  // Whether the file's chunks form the tree a save writes: read in pre-order
  // by their sub-chunk counts, every count met exactly, every known chunk a
  // child of its fixed parent, at most once and in the order a save writes
  // them. Then the document carries the unknown chunks at their places;
  // otherwise it holds none of them, and every save leaves them out.
  bool formsFixedTree = false;
  int64_t fileLength = 0;  // the bytes read
};

enum class SaveForm {
  Exact,       // every byte as loaded; only what the document's changes need is new
  Normalised,  // reserved runs and catwalk trailers zero, flags 255 or 0, colours'
               // leading bytes 0, version 1.3.0.0, no chunks of unknown kinds
};

struct SaveOptions {
  ProgressCallback progress{};  // bytes written out of the file's length
  // Whether a file at the target may be replaced: the command line says
  // Replace only with --force, a window only once the user has agreed to
  // replace that very file. Refuse creates the file or fails, even when a
  // file appears at the target while the track is written.
  Overwrite overwrite = Overwrite::Replace;
  SaveForm form = SaveForm::Exact;
};

using LoadResult = TrackResult<LoadedTrack>;
using SaveResult = TrackResult<SavedFile>;  // the path written, ".nltrack" appended

// Loads the track at `path`: refused when the path is empty, names no
// regular file, does not end in ".nltrack", or the file is empty.
LoadResult LoadTrack(const std::string& path, const LoadOptions& options = {});

// The same walk over bytes already in memory (no path checks). A vector
// with room for one more byte is never copied.
LoadResult LoadTrackFromBytes(std::vector<uint8_t> fileBytes, const LoadOptions& options = {});

// The chunks of unknown kinds that a save of `loaded` in `form` leaves out.
std::vector<FoundChunk> LeftOutBySave(const LoadedTrack& loaded, SaveForm form);

// Saves `document` to `path`, appending ".nltrack" when the name lacks it,
// and returns the path written. Sets the framing values (sub-chunk counts,
// sizes) of the document, and a normalised save normalises it as well.
// Refuses what CheckSaveTarget refuses; otherwise replaces the file as
// ReplaceFileStreaming does (FileAccess.h). On failure the existing file is
// untouched and no temporary file is left behind.
SaveResult SaveTrack(TrackDocument& document, const std::string& path, const SaveOptions& options = {});

// Why a save to `path` would be refused now (see CheckReplaceTarget), or an
// empty error: the name with ".nltrack" appended is the one looked at, but a
// device, FIFO or socket at the name as given is refused as well, so that
// naming /dev/stdout never makes /dev/stdout.nltrack.
TrackError CheckSaveTarget(const std::string& path, Overwrite overwrite);

// Sets every byte the tool does not interpret to the value a normalised
// save writes, and drops the chunks of unknown kinds.
void NormaliseTrack(TrackDocument& document);

// Normalises the document for a normalised save, sets the framing values a
// save writes (sub-chunk counts, sizes) and returns the file's length, or
// why the track cannot be written: TooLarge, Inconsistent.
TrackResult<int64_t> PrepareForSaving(TrackDocument& document, SaveForm form = SaveForm::Exact);

// Writes a document prepared by PrepareForSaving into `sink`, a piece of at
// most 1 MiB at a time. Throws what the sink throws.
void WriteTrackFile(const TrackDocument& document, ByteSink& sink, const ProgressCallback& progress = {});

// Builds the bytes SaveTrack would write, in memory, or says why it cannot
// (as PrepareForSaving does, or TooLarge when the memory runs out).
TrackResult<std::vector<uint8_t>> BuildTrackFile(TrackDocument& document, SaveForm form = SaveForm::Exact);

// The path a save writes to: ".nltrack" appended when the last eight
// characters are not ".nltrack" in any letter case.
std::string WithTrackExtension(const std::string& path);
bool HasTrackExtension(const std::string& path);

// The length in bytes of the file a save of `document` would write (which
// may exceed what the format can hold; a save then fails).
int64_t SavedFileLength(const TrackDocument& document);

// Whether `document` could still be saved with `addedFreeNodes` more free
// nodes and `addedTubes` more tubes: the file no longer than
// kMaxTrackFileLength, and so every table within its 32-bit count.
bool FitsTrackFile(const TrackDocument& document, int64_t addedFreeNodes, int64_t addedTubes);

}  // namespace trackio
