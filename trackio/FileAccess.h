// Whole-file reads and safe whole-file replacement.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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
