// The temporary file of one replacement, from the look at what stands at the
// target to the move into place: one implementation per platform
// (TemporaryFilePosix.cpp, TemporaryFileWindows.cpp). Inside the track
// library only; FileAccess.cpp drives it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "trackio/FileAccessDetail.h"
#include "trackio/TrackError.h"

namespace trackio::detail {

// The words for a target that is neither a regular file nor a folder.
inline constexpr const char* kNotARegularFile =
    "is not a regular file (a device, a FIFO or a socket); nothing was written";

// `count` letters and digits, hard to guess: the end of a temporary name.
std::string RandomLetters(size_t count);

// CheckReplaceTarget's answer on this platform.
TrackError CheckTarget(const std::string& target, Overwrite overwrite);

class TemporaryFile {
 public:
  explicit TemporaryFile(Writeback writeback);
  ~TemporaryFile();  // removes the file unless it was moved into place
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Refuses what CheckTarget refuses; otherwise creates the temporary file
  // beside the file `target` names and gives it what belongs to that file.
  TrackError Create(const std::string& target, Overwrite overwrite);
  // Writes all of `data`, or says why not in `reason`.
  bool Write(const uint8_t* data, size_t size, std::string& reason);
  // Flushes the file to the disk and closes it.
  TrackError Finish();
  // Moves the finished file to the target, replacing only with consent.
  TrackError MoveIntoPlace();

  std::string Path() const;      // the temporary file's, for the tests' seam
  int64_t OtherNames() const;    // hard links of the file replaced

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace trackio::detail
