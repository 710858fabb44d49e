// Whole-file reads and safe whole-file replacement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trackio {

// True when a regular file (not a directory or device) exists at `path`.
bool IsRegularFile(const std::string& path);

// Reads the whole file into `bytes`, followed by `extraZeroBytes` zero bytes
// (so the caller's buffer needs no second allocation). A file longer than
// `maxLength` is refused before anything is allocated. On failure returns
// false and says why in `error`.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t extraZeroBytes,
                   uintmax_t maxLength, std::string& error);

// Writes `bytes` to a new file beside `path`, flushes it to the disk and
// renames it over `path`. Either `path` ends up holding exactly `bytes`, or
// it is left as it was, no temporary file remains, and `error` says why.
// A symbolic link at `path` is followed, so the link stays a link.
bool ReplaceFileContents(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error);

}  // namespace trackio
