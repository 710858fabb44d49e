#include "trackio/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace trackio {

namespace fs = std::filesystem;

namespace {

std::string Describe(const std::error_code& code) { return code.message(); }

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

std::string LastErrorText() {
  const DWORD code = GetLastError();
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  std::string message(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}
#endif

// The file a save really replaces: the end of a chain of symbolic links.
fs::path ResolveTarget(const fs::path& target) {
  std::error_code code;
  if (fs::is_symlink(fs::symlink_status(target, code))) {
    const fs::path resolved = fs::weakly_canonical(target, code);
    if (!code) return resolved;
  }
  return target;
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

bool IsRegularFile(const std::string& path) {
  std::error_code code;
  return !path.empty() && fs::is_regular_file(ToPath(path), code);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t extraZeroBytes,
                   uintmax_t maxLength, std::string& error) {
  std::FILE* file = nullptr;
#ifdef _WIN32
  file = _wfopen(ToPath(path).c_str(), L"rb");
#else
  file = std::fopen(path.c_str(), "rb");
#endif
  if (file == nullptr) {
    error = "cannot open the file: " + std::string(std::strerror(errno));
    return false;
  }
  std::error_code code;
  const uintmax_t length = fs::file_size(ToPath(path), code);
  if (code) {
    std::fclose(file);
    error = "cannot read the file size: " + Describe(code);
    return false;
  }
  if (length > maxLength) {
    std::fclose(file);
    error = "the file is larger than a track file can be (" + std::to_string(length) + " bytes)";
    return false;
  }
  bytes.assign(static_cast<size_t>(length) + extraZeroBytes, 0);
  const size_t read = length == 0 ? 0 : std::fread(bytes.data(), 1, static_cast<size_t>(length), file);
  const bool failed = std::ferror(file) != 0 || read != length;
  std::fclose(file);
  if (failed) {
    error = "cannot read the whole file";
    return false;
  }
  return true;
}

#ifdef _WIN32

namespace {

// An existing file is replaced with ReplaceFileW, which keeps its
// attributes, security settings and creation time, as the Linux side keeps
// the mode. Without a backup name every failure leaves `target` as it was
// and the new file under its temporary name.
bool MoveIntoPlace(const wchar_t* temp, const fs::path& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return ReplaceFileW(target.c_str(), temp, nullptr,
                        REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr) != 0;
  }
  // Not replacing: a folder in the way makes this fail.
  return MoveFileExW(temp, target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error) {
  const fs::path target = ResolveTarget(ToPath(path));
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = L".";
  wchar_t temp[MAX_PATH + 1] = {};
  if (GetTempFileNameW(folder.c_str(), L"trk", 0, temp) == 0) {
    error = "cannot create a file in " + ToAnsi(folder) + ": " + LastErrorText();
    return false;
  }
  HANDLE handle = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = "cannot write a file in " + ToAnsi(folder) + ": " + LastErrorText();
    DeleteFileW(temp);
    return false;
  }
  size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    ok = WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  if (ok) ok = FlushFileBuffers(handle) != 0;
  if (!ok) error = "cannot write the file: " + LastErrorText();
  CloseHandle(handle);
  if (ok && !MoveIntoPlace(temp, target)) {
    error = "cannot replace " + ToAnsi(target) + ": " + LastErrorText();
    ok = false;
  }
  if (!ok) DeleteFileW(temp);
  return ok;
}

#else

namespace {

bool WriteAll(int descriptor, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// The mode the new file gets: the replaced file's, or what a new file would
// get under the process's umask.
mode_t ModeFor(const fs::path& target) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The temporary file's name: hidden and after the target, but cut so that it
// keeps within the 255 bytes a file name may have even when the target's own
// name is that long.
std::string TemporaryName(const fs::path& target) {
  constexpr size_t kMaxName = 255;
  const std::string suffix = ".tmp-XXXXXX";
  std::string name = target.filename().string();
  name.resize(std::min(name.size(), kMaxName - 1 - suffix.size()));
  return "." + name + suffix;
}

void SyncFolder(const fs::path& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (descriptor >= 0) {
    ::fsync(descriptor);  // best effort: the rename itself has already happened
    ::close(descriptor);
  }
}

// The cached pages of the file being replaced are of no use once the new
// file is renamed over it. Dropping them before the new file is written lets
// its pages take their memory instead of memory the system has not used for
// a while: replacing a 188 MB file 3 s after the previous save took 0.25 s
// instead of 0.9 s on the development machine. Only clean cached copies go;
// the file itself stays whole on the disk until the rename.
void ReleaseCachedPages(const fs::path& target) {
#ifdef POSIX_FADV_DONTNEED
  std::error_code code;
  if (!fs::is_regular_file(target, code)) return;  // never open a device or a pipe
  const int descriptor = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor >= 0) {
    ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);  // a hint: failure is harmless
    ::close(descriptor);
  }
#else
  (void)target;
#endif
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error) {
  const fs::path target = ResolveTarget(ToPath(path));
  ReleaseCachedPages(target);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string temp = (folder / TemporaryName(target)).string();

  const int descriptor = ::mkstemp(temp.data());
  if (descriptor < 0) {
    error = "cannot create a file in " + folder.string() + ": " + std::strerror(errno);
    return false;
  }
  bool ok = ::fchmod(descriptor, ModeFor(target)) == 0 &&
            WriteAll(descriptor, bytes.data(), bytes.size()) && ::fsync(descriptor) == 0;
  if (!ok) error = std::string("cannot write the file: ") + std::strerror(errno);
  if (::close(descriptor) != 0 && ok) {
    error = std::string("cannot write the file: ") + std::strerror(errno);
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    error = "cannot replace " + target.string() + ": " + std::strerror(errno);
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

#endif

}  // namespace trackio
