#include "trackio/FileInPieces.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "trackio/TrackError.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace trackio {

#ifndef _WIN32

TrackResult<detail::OpenedFile> detail::OpenRegularFile(const std::string& path, uint64_t maxLength) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return FileSystemError("cannot open the file: " + std::string(std::strerror(errno)));
  const auto fail = [descriptor](TrackError error) {
    ::close(descriptor);
    return error;
  };
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    return fail(FileSystemError("cannot read the file size: " + std::string(std::strerror(errno))));
  }
  if (!S_ISREG(status.st_mode)) return fail({TrackErrorKind::NotAFile, "is not a regular file", {}, -1});
  const auto length = static_cast<uint64_t>(status.st_size);
  if (length > maxLength) return fail(TooLongForATrack(length));
  return OpenedFile{descriptor, length};
}

#endif

#ifdef __linux__

namespace {

// The bytes read at once. The readers hold at most the piece they are in,
// the one before and those a long field spans; one more is kept to be
// used again.
constexpr int64_t kPieceBytes = int64_t{1} << 20;

// Address space with no memory behind it: reading it fails loudly. Placed
// at `at` when given.
uint8_t* Reserve(size_t bytes, uint8_t* at = nullptr) {
  const int fixed = at != nullptr ? MAP_FIXED : 0;
  void* p = ::mmap(at, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | fixed, -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

[[noreturn]] void ThrowReadFailure(const std::string& reason) {
  throw TrackFormatError(TrackErrorKind::FileSystem, "cannot read the whole file: " + reason, -1);
}

}  // namespace

std::unique_ptr<FileInPieces> FileInPieces::Open(const std::string& path, uint64_t maxLength, TrackError& error) {
  TrackResult<detail::OpenedFile> opened = detail::OpenRegularFile(path, maxLength);
  if (!opened) {
    error = opened.Error();
    return nullptr;
  }
  std::unique_ptr<FileInPieces> file(new FileInPieces());
  file->descriptor_ = opened->descriptor;
  file->length_ = static_cast<int64_t>(opened->length);
  // Whole pieces, one more for the zero byte after the file.
  file->reserved_ = static_cast<size_t>((file->length_ / kPieceBytes + 1) * kPieceBytes);
  file->base_ = Reserve(file->reserved_);
  if (file->base_ == nullptr) return nullptr;  // no address space for it: it is read whole
  ::posix_fadvise(file->descriptor_, 0, 0, POSIX_FADV_SEQUENTIAL);  // a hint: failure is harmless
  return file;
}

FileInPieces::~FileInPieces() {
  if (base_ != nullptr) ::munmap(base_, reserved_);
  if (descriptor_ >= 0) ::close(descriptor_);
}

int64_t FileInPieces::MakeReadable(int64_t end, int64_t keepFrom) {
  // Pieces before the one before `keepFrom` are not read again. Those held
  // are always a run up to the next piece to read.
  const int64_t firstKept = std::max<int64_t>(0, keepFrom / kPieceBytes - 1);
  if (firstKept > nextPiece_) {
    // A skip over whole pieces: those between need not be read at all.
    Release(nextPiece_);
    firstHeld_ = nextPiece_ = firstKept;
  }
  const auto bytes = static_cast<size_t>(kPieceBytes);
  while (nextPiece_ * kPieceBytes < end) {
    uint8_t* at = base_ + nextPiece_ * kPieceBytes;
    void* memory = MAP_FAILED;
    if (firstHeld_ < firstKept) {
      // The memory of a piece left behind moves to the next, pages and all:
      // no page is mapped afresh. Its old place is reserved again, so that
      // a read there would fail rather than find other data.
      uint8_t* from = base_ + firstHeld_ * kPieceBytes;
      memory = ::mremap(from, bytes, bytes, MREMAP_MAYMOVE | MREMAP_FIXED, at);
      if (memory != MAP_FAILED) {
        Reserve(bytes, from);
        ++firstHeld_;
      }
    }
    if (memory == MAP_FAILED &&
        ::mmap(at, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
      ThrowReadFailure(std::strerror(errno));
    }
    ReadPiece(nextPiece_);
    ++nextPiece_;
  }
  // What a long field left behind goes now, but for one piece: the next
  // read that starts inside a piece, as a record across two pieces does,
  // finds no piece behind the one before it and takes that one's memory
  // rather than fresh pages.
  Release(firstKept - 1);
  return std::min(nextPiece_ * kPieceBytes, length_ + 1);
}

void FileInPieces::Release(int64_t before) {
  while (firstHeld_ < std::min(before, nextPiece_)) {
    Reserve(static_cast<size_t>(kPieceBytes), base_ + firstHeld_ * kPieceBytes);
    ++firstHeld_;
  }
}

void FileInPieces::ReadPiece(int64_t piece) {
  uint8_t* at = base_ + piece * kPieceBytes;
  const int64_t start = piece * kPieceBytes;
  const auto count = static_cast<size_t>(std::clamp<int64_t>(length_ - start, 0, kPieceBytes));
  size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(descriptor_, at + done, count - done, static_cast<off_t>(start + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowReadFailure(std::strerror(errno));
    if (got == 0) ThrowReadFailure("the file became shorter while it was read");
    done += static_cast<size_t>(got);
  }
  // After the file: zeros, also where the memory held an earlier piece.
  std::memset(at + count, 0, static_cast<size_t>(kPieceBytes) - count);
}

#else

std::unique_ptr<FileInPieces> FileInPieces::Open(const std::string&, uint64_t, TrackError&) { return nullptr; }

FileInPieces::~FileInPieces() = default;

int64_t FileInPieces::MakeReadable(int64_t, int64_t) { return length_ + 1; }

void FileInPieces::ReadPiece(int64_t) {}

void FileInPieces::Release(int64_t) {}

#endif

}  // namespace trackio
