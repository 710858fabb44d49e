#include "trackio/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>
#include <stdexcept>
#include <system_error>

#include "trackio/FileAccessDetail.h"
#include "trackio/FileInPieces.h"
#include "trackio/TemporaryFile.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace trackio {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// A wide name back in the ANSI code page, for messages: path::string()
// would give UTF-8, which an ANSI message box shows garbled.
std::string ToAnsi(const fs::path& path) {
  const std::wstring& wide = path.native();
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                      nullptr, nullptr);
  return text;
}
#endif

// A file opened for reading, closed when it goes out of scope.
struct ReadableFile {
  std::FILE* stream = nullptr;
  ~ReadableFile() {
    if (stream != nullptr) std::fclose(stream);
  }
};

// Opens `path` for reading, only when it is a regular file no longer than
// `maxLength` (so that nothing waits on a FIFO), and gives its length.
TrackError OpenForReading(const std::string& path, uintmax_t maxLength, ReadableFile& file, uintmax_t& length) {
#ifdef _WIN32
  file.stream = _wfopen(ToPath(path).c_str(), L"rb");
  if (file.stream == nullptr) return FileSystemError("cannot open the file: " + std::string(std::strerror(errno)));
  struct _stat64 status {};
  if (_fstat64(_fileno(file.stream), &status) != 0) {
    return FileSystemError("cannot read the file size: " + std::string(std::strerror(errno)));
  }
  if ((status.st_mode & _S_IFMT) != _S_IFREG) return ErrorOf(TrackErrorKind::NotAFile, "is not a regular file");
  length = static_cast<uintmax_t>(status.st_size);
  if (length > maxLength) return TooLongForATrack(length);
#else
  TrackResult<detail::OpenedFile> opened = detail::OpenRegularFile(path, maxLength);
  if (!opened) return opened.Error();
  file.stream = ::fdopen(opened->descriptor, "rb");
  if (file.stream == nullptr) {
    const int error = errno;
    ::close(opened->descriptor);
    return FileSystemError("cannot open the file: " + std::string(std::strerror(error)));
  }
  length = opened->length;
#endif
  return {};
}

}  // namespace

#ifdef _WIN32
// Narrow names are in the ANSI code page, as the dialogs and the command
// line give them; both programs declare UTF-8 as theirs.
fs::path ToPath(const std::string& path) {
  const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
  return fs::path(wide);
}

std::string ToNarrow(const fs::path& path) { return ToAnsi(path); }
#else
fs::path ToPath(const std::string& path) { return fs::path(path); }

std::string ToNarrow(const fs::path& path) { return path.string(); }
#endif

std::string detail::RandomLetters(size_t count) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine = [] {
    uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
      seed ^= (uint64_t{std::random_device{}()} << 32) | std::random_device{}();
    } catch (const std::exception&) {
      // No source of randomness: the clock alone; creation retries on a clash.
    }
    return std::mt19937_64(seed);
  }();
  std::string letters(count, 'X');
  for (char& letter : letters) letter = kLetters[engine() % (sizeof kLetters - 1)];
  return letters;
}

bool IsRegularFile(const std::string& path) {
  std::error_code code;
  return !path.empty() && fs::is_regular_file(ToPath(path), code);
}

bool IsFolder(const std::string& path) {
  std::error_code code;
  return !path.empty() && fs::is_directory(ToPath(path), code);
}

TrackResult<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t extraZeroBytes,
                                                uintmax_t maxLength) {
  ReadableFile file;
  uintmax_t length = 0;
  if (TrackError error = OpenForReading(path, maxLength, file, length)) return error;
  std::vector<uint8_t> bytes;
  try {
    bytes.assign(static_cast<size_t>(length) + extraZeroBytes, 0);
  } catch (const std::bad_alloc&) {
    return TrackError{TrackErrorKind::TooLarge,
                      "the track is too large for this machine's memory (" + std::to_string(length) + " bytes)", {},
                      -1};
  }
  const size_t read = length == 0 ? 0 : std::fread(bytes.data(), 1, static_cast<size_t>(length), file.stream);
  if (std::ferror(file.stream) != 0 || read != length) return FileSystemError("cannot read the whole file");
  return bytes;
}

namespace {

using detail::TemporaryFile;

// The size of the pieces the disk is given.
constexpr size_t kWriteBufferSize = size_t{1} << 20;

[[noreturn]] void ThrowWriteFailure(const std::string& reason) {
  throw TrackFormatError(TrackErrorKind::FileSystem, "cannot write the file: " + reason, -1);
}

// Gathers the producer's pieces into whole buffers, so the disk sees few
// large writes whatever sizes the producer writes in.
class FileSink final : public ByteSink {
 public:
  explicit FileSink(TemporaryFile& file) : file_(file) {}

  void Write(const uint8_t* data, size_t size) override {
    if (used_ == 0 && size >= buffer_.size()) {
      WriteOut(data, size);  // a whole buffer or more: no need to copy it first
      return;
    }
    while (size > 0) {
      const size_t piece = std::min(size, buffer_.size() - used_);
      std::memcpy(buffer_.data() + used_, data, piece);
      used_ += piece;
      data += piece;
      size -= piece;
      if (used_ == buffer_.size()) Flush();
    }
  }

  // Writes what is still gathered.
  void Finish() { Flush(); }

 private:
  void Flush() {
    const size_t size = used_;
    used_ = 0;
    if (size > 0) WriteOut(buffer_.data(), size);
  }
  void WriteOut(const uint8_t* data, size_t size) {
    std::string reason;
    if (!file_.Write(data, size, reason)) ThrowWriteFailure(reason);
  }

  TemporaryFile& file_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kWriteBufferSize);
  size_t used_ = 0;
};

// Runs `produce` into `file`; whatever it or the sink throws becomes the
// returned error.
TrackError WriteProduced(TemporaryFile& file, const std::function<void(ByteSink&)>& produce) {
  try {
    FileSink sink(file);
    produce(sink);
    sink.Finish();
    return {};
  } catch (const TrackFormatError& failure) {
    return TrackError{failure.Kind(), failure.what(), {}, failure.Offset()};
  } catch (const std::bad_alloc&) {
    return TrackError{TrackErrorKind::TooLarge, "not enough memory to build the track file", {}, -1};
  } catch (const std::exception& failure) {
    return FileSystemError(std::string("cannot write the file: ") + failure.what());
  } catch (...) {
    return FileSystemError("cannot write the file: an unexpected failure");
  }
}

SaveStepHook& StepHook() {
  static SaveStepHook hook;
  return hook;
}

void Step(SaveStep step, const TemporaryFile& file, const std::string& target) {
  if (StepHook()) StepHook()(step, file.Path(), target);
}

}  // namespace

void SetSaveStepHook(SaveStepHook hook) { StepHook() = std::move(hook); }

TrackError CheckReplaceTarget(const std::string& path, Overwrite overwrite) {
  return detail::CheckTarget(path, overwrite);
}

TrackResult<SavedFile> ReplaceFileStreaming(const std::string& path, Overwrite overwrite,
                                            const std::function<void(ByteSink&)>& produce) {
  return ReplaceFileStreaming(path, overwrite, produce, Writeback::AsWritten);
}

TrackResult<SavedFile> ReplaceFileStreaming(const std::string& path, Overwrite overwrite,
                                            const std::function<void(ByteSink&)>& produce, Writeback writeback) {
  TemporaryFile file(writeback);  // removed when it goes out of scope, unless moved into place
  if (TrackError failure = file.Create(path, overwrite)) return failure;
  Step(SaveStep::Created, file, path);
  if (TrackError failure = WriteProduced(file, produce)) return failure;
  if (TrackError failure = file.Finish()) return failure;
  Step(SaveStep::Written, file, path);
  if (TrackError failure = file.MoveIntoPlace()) return failure;
  return SavedFile{path, file.OtherNames()};
}

TrackResult<SavedFile> ReplaceFileContents(const std::string& path, Overwrite overwrite,
                                           const std::vector<uint8_t>& bytes) {
  return ReplaceFileStreaming(path, overwrite, [&bytes](ByteSink& sink) { sink.Write(bytes.data(), bytes.size()); });
}

}  // namespace trackio
