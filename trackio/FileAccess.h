// Whole-file reads and safe whole-file replacement.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "trackio/ByteSink.h"
#include "trackio/TrackError.h"

namespace trackio {

// The file system's name for a narrow path. Every narrow path that meets
// std::filesystem or the C runtime goes through here: on Windows,
// fs::path(std::string) would read the bytes in a code page that is not the
// one the program gets its names in, so a name such as 日本.nltrack would
// not be found.
std::filesystem::path ToPath(const std::string& path);

// The other way: a narrow name as the program shows and takes it.
std::string ToNarrow(const std::filesystem::path& path);

// True when a regular file (not a directory or device) exists at `path`.
bool IsRegularFile(const std::string& path);
// True when a folder exists at `path`.
bool IsFolder(const std::string& path);

// Reads the whole file into `bytes`, followed by `extraZeroBytes` zero bytes
// (so the caller's buffer needs no second allocation). A file longer than
// `maxLength` is refused before anything is allocated. On failure returns
// false and says why in `error`.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t extraZeroBytes,
                   uintmax_t maxLength, std::string& error);

// Writes what `produce` hands its sink to a new hidden file beside `path`,
// flushes it to the disk and renames it over `path`. The pieces go to the
// disk a buffer at a time, so the whole file is never held in memory.
// A symbolic link at `path` is followed, so the link stays a link.
// Returns an empty TrackError when `path` holds the new bytes. On any
// failure (the file cannot be created, written or renamed, or `produce` or
// the sink throws) `path` is left as it was, no temporary file remains,
// nothing is rethrown, and the error says why: kind FileSystem, the kind
// and offset of a TrackFormatError that `produce` threw, or TooLarge when
// memory ran out.
TrackError ReplaceFileStreaming(const std::string& path,
                                const std::function<void(ByteSink&)>& produce);

// When the written bytes are sent on to the disk: as they are written, a
// few MiB at a time, so that the disk works while the rest of the file is
// being made (Linux; the default), or only by the flush at the end.
enum class Writeback { AsWritten, AtTheEnd };
TrackError ReplaceFileStreaming(const std::string& path,
                                const std::function<void(ByteSink&)>& produce,
                                Writeback writeback);

// Writes `bytes` to a new file beside `path`, flushes it to the disk and
// renames it over `path`. Either `path` ends up holding exactly `bytes`, or
// it is left as it was, no temporary file remains, and `error` says why.
// A symbolic link at `path` is followed, so the link stays a link.
bool ReplaceFileContents(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error);

}  // namespace trackio
