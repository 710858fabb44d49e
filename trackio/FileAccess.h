// Whole-file reads and safe whole-file replacement.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "trackio/ByteSink.h"
#include "trackio/TrackError.h"
#include "trackio/TrackResult.h"

namespace trackio {

// The file system's name for a narrow path. Every narrow path that meets
// std::filesystem or the C runtime goes through here: on Windows,
// fs::path(std::string) would read the bytes in a code page that is not the
// one the program gets its names in, so a name such as 日本.nltrack would
// not be found.
std::filesystem::path ToPath(const std::string& path);

// The other way: a narrow name as the program shows and takes it.
std::string ToNarrow(const std::filesystem::path& path);

// True when a folder exists at `path`.
bool IsFolder(const std::string& path);

// The whole file at `path`, followed by `extraZeroBytes` zero bytes (so the
// caller's buffer needs no second allocation). Only a regular file is read,
// and one longer than `maxLength` is refused before anything is allocated;
// a file this machine has no memory for fails as TooLarge, with its size.
TrackResult<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t extraZeroBytes,
                                                uintmax_t maxLength);

// What a replacement may do to a file that already stands at its target:
// the caller's consent, which a window gives after the user confirmed its
// overwrite question and the command line with --force.
enum class Overwrite {
  Refuse,   // create the file only: whatever stands at the target, or appears there while the
            // file is written, stays as it is
  Replace,  // replace a regular file (or what a link names), keeping what belongs to it
};

// A replacement that succeeded.
struct SavedFile {
  std::string path;         // as the caller named it
  int64_t otherNames = 0;   // hard links of the replaced file, which keep its old content
};

// Why a replacement of `path` would be refused now, without writing
// anything: an empty error when it may go ahead. Refused, whatever the
// consent: a folder (IsAFolder), a device, FIFO or socket, on Windows a
// reserved device name such as NUL or COM1.txt (NotAFile), a link the system
// will not follow (FileSystem). With Overwrite::Refuse also any file
// (Exists) and a link to nothing (LinkToNothing); with Overwrite::Replace
// a link to nothing is itself replaced.
TrackError CheckReplaceTarget(const std::string& path, Overwrite overwrite);

// Writes what `produce` hands its sink to a new hidden file, ".NAME.tmp-"
// and six letters, beside the file `path` names (a symbolic link is followed
// as the system follows it, so the link stays a link), flushes it to the
// disk and moves it into place in one step. The pieces go to the disk a
// buffer at a time, so the whole file is never held in memory.
// What CheckReplaceTarget refuses is refused first. A replaced file keeps its
// owner and group where the process may give them, its mode (set-user-ID and
// set-group-ID only while the owner stays), its extended attributes and ACL;
// on Windows ReplaceFileW keeps attributes and security settings. With
// Overwrite::Refuse the file is created without ever replacing one: a file
// that appears at `path` meanwhile is left alone (AppearedWhileSaving).
// On any failure (including `produce` or the sink throwing) `path` is left
// as it was, no temporary file remains, nothing is rethrown, and the error
// says why: kind FileSystem, the kind and offset of a TrackFormatError that
// `produce` threw, or TooLarge when memory ran out. The temporary file is
// removed too when the process is interrupted once InstallInterruptCleanup
// (trackio/Interruption.h) has run.
TrackResult<SavedFile> ReplaceFileStreaming(const std::string& path, Overwrite overwrite,
                                            const std::function<void(ByteSink&)>& produce);

}  // namespace trackio
