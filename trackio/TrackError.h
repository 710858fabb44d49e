// Why a load or a save did not succeed.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace trackio {

enum class TrackErrorKind {
  None,
  EmptyPath,        // no file name was given
  NoSuchFile,       // nothing at the path
  IsAFolder,        // a folder at the path
  NotAFile,         // something at the path that is neither a file nor a folder
  LinkToNothing,    // a symbolic link at the path names nothing (or leads in a circle)
  Exists,           // a file stands where a save may only create one
  AppearedWhileSaving,  // a file appeared where a save that may only create one was writing
  EmptyFile,        // the file holds no bytes
  WrongExtension,   // the name does not end in ".nltrack"
  NotATrack,        // the file does not start with the NLIM tag
  Damaged,          // the chunks cannot be read: see chunk and offset
  FileSystem,       // the file could not be opened, read, written or replaced
  TooLarge,         // a size or count does not fit the format's 32-bit fields
  Inconsistent,     // the document's own fields disagree, so it cannot be written
  Unexpected,       // a failure the library did not foresee (a last guard's catch)
};

struct TrackError {
  TrackErrorKind kind = TrackErrorKind::None;
  std::string message;  // the detail, in plain words (see TrackError.cpp)
  std::string chunk;    // tag of the chunk being read, when there is one
  int64_t offset = -1;  // byte offset in the file where the fault lies, or -1

  explicit operator bool() const { return kind != TrackErrorKind::None; }
  // The whole sentence for the user, e.g. "damaged track file: the FUND
  // chunk at byte 903 promises 6 footers, but the file ends first".
  std::string Describe() const;
};

// An error about the file as a whole: no chunk, no byte offset.
inline TrackError ErrorOf(TrackErrorKind kind, std::string message) { return {kind, std::move(message), {}, -1}; }
inline TrackError FileSystemError(std::string message) {
  return ErrorOf(TrackErrorKind::FileSystem, std::move(message));
}
// A file of `length` bytes, more than any track file may have.
inline TrackError TooLongForATrack(uint64_t length) {
  return ErrorOf(TrackErrorKind::TooLarge,
                 "the file is larger than a track file can be (" + std::to_string(length) + " bytes)");
}

// Thrown inside the library while reading or building a file; the public
// load and save functions turn it into a TrackError result.
class TrackFormatError : public std::runtime_error {
 public:
  TrackFormatError(TrackErrorKind kind, const std::string& message, int64_t offset)
      : std::runtime_error(message), kind_(kind), offset_(offset) {}
  TrackErrorKind Kind() const { return kind_; }
  int64_t Offset() const { return offset_; }

 private:
  TrackErrorKind kind_;
  int64_t offset_;
};

}  // namespace trackio
