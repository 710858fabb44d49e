// A file read in pieces as a ChunkReader reaches them, for loading a track
// without holding the whole file: its bytes lie at fixed addresses, with one
// zero byte after them, but only the MiB or so about the furthest read are
// there. The memory of a piece the readers have left behind is used again
// for the next, so a file of any length is read into the same few pages.
// Linux only; elsewhere Open returns nothing and the file is read whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "trackio/ChunkReader.h"
#include "trackio/TrackError.h"
#include "trackio/TrackResult.h"

namespace trackio {

#ifndef _WIN32
namespace detail {

// The regular file at `path`, no longer than `maxLength`, open for reading,
// and its length; the caller closes the descriptor. Opened without waiting,
// so nothing hangs on a FIFO put in the file's place. Fails as
// ReadWholeFile says it: the file cannot be opened, is not a regular file or
// is too long.
struct OpenedFile {
  int descriptor = -1;
  uint64_t length = 0;
};
TrackResult<OpenedFile> OpenRegularFile(const std::string& path, uint64_t maxLength);

}  // namespace detail
#endif

class FileInPieces : public ByteSource {
 public:
  // The regular file at `path`, when it can be read in pieces here. Returns
  // nothing when it cannot be, and then sets `error` to why when the file
  // cannot be read at all (as ReadWholeFile says it): the file cannot be
  // opened, is not a regular file or is longer than `maxLength`.
  static std::unique_ptr<FileInPieces> Open(const std::string& path, uint64_t maxLength, TrackError& error);

  ~FileInPieces() override;
  FileInPieces(const FileInPieces&) = delete;
  FileInPieces& operator=(const FileInPieces&) = delete;

  // The address of byte 0; the bytes run to Length(), and a zero byte follows.
  const uint8_t* Bytes() const { return base_; }
  int64_t Length() const { return length_; }

  int64_t MakeReadable(int64_t end, int64_t keepFrom) override;

 private:
  FileInPieces() = default;
  void ReadPiece(int64_t piece);
  // Gives up the memory of the pieces held before `before`.
  void Release(int64_t before);

  int descriptor_ = -1;
  uint8_t* base_ = nullptr;
  size_t reserved_ = 0;    // bytes of address space from base_
  int64_t length_ = 0;
  int64_t firstHeld_ = 0;  // the pieces from here to nextPiece_ hold memory
  int64_t nextPiece_ = 0;  // the first piece not read yet
};

}  // namespace trackio
