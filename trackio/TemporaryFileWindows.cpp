// Replacement on Windows: an existing file is replaced with ReplaceFileW,
// which keeps its attributes, security settings and creation time; a new
// one is moved into place with MoveFileExW, which replaces nothing unless
// the caller consented.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "trackio/TemporaryFile.h"
#include "trackio/TemporaryFiles.h"
#include "trackio/TrackResult.h"

namespace trackio::detail {

namespace {

namespace fs = std::filesystem;

std::string ErrorText(DWORD code) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                 nullptr);
  std::string message(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

std::string LastErrorText() { return ErrorText(GetLastError()); }


// The names Windows gives to devices in every folder, whatever follows the
// first dot: CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 (also with
// the superscript digits 1, 2 and 3), CONIN$ and CONOUT$.
bool IsReservedDeviceName(const std::wstring& name) {
  std::wstring stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(),
                 [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; });
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
      stem == L"CONOUT$") {
    return true;
  }
  const bool port = stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0);
  const wchar_t digit = port ? stem[3] : L'\0';
  return port && ((digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3');
}

// ReplaceFileW refuses a relative name of the file to replace ("The
// directory name is invalid"), so every name is made absolute first.
fs::path Absolute(const fs::path& path) {
  std::error_code code;
  const fs::path absolute = fs::absolute(path, code);
  return code ? path : absolute;
}

// Where a replacement writes.
struct Site {
  fs::path target;          // absolute, links resolved
  bool replacing = false;   // a regular file stands there, to be replaced
};

TrackResult<Site> Examine(const std::string& name, Overwrite overwrite) {
  if (name.empty()) return ErrorOf(TrackErrorKind::EmptyPath, "no file name was given");
  const fs::path path = ToPath(name);
  if (IsReservedDeviceName(path.filename().native())) return ErrorOf(TrackErrorKind::NotAFile, kNotARegularFile);
  std::error_code code;
  const fs::file_status entry = fs::symlink_status(path, code);
  if (entry.type() == fs::file_type::not_found) return Site{Absolute(path), false};
  if (code) return FileSystemError("cannot look at " + name + ": " + code.message());
  const bool isLink = fs::is_symlink(entry);
  const fs::file_status file = fs::status(path, code);
  if (isLink && file.type() == fs::file_type::not_found) {
    if (overwrite == Overwrite::Refuse) {
      const fs::path pointsTo = fs::read_symlink(path, code);
      return ErrorOf(TrackErrorKind::LinkToNothing, "is a link to nothing (it points to " + ToNarrow(pointsTo) + ")");
    }
    return Site{Absolute(path), false};  // with consent the link itself is replaced
  }
  if (code) return FileSystemError("cannot look at " + name + ": " + code.message());
  if (fs::is_directory(file)) return ErrorOf(TrackErrorKind::IsAFolder, "is a folder");
  if (!fs::is_regular_file(file)) return ErrorOf(TrackErrorKind::NotAFile, kNotARegularFile);
  if (overwrite == Overwrite::Refuse) return ErrorOf(TrackErrorKind::Exists, "already exists");
  const fs::path resolved = isLink ? fs::weakly_canonical(path, code) : path;
  return Site{Absolute(code ? path : resolved), true};
}

// The other hard links of the file at `path`.
int64_t OtherNamesOf(const fs::path& path) {
  const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  return known && information.nNumberOfLinks > 1 ? static_cast<int64_t>(information.nNumberOfLinks) - 1 : 0;
}

// The temporary file's name: after the target, as on other systems, and cut
// to the 255 characters a name may have.
std::wstring TemporaryName(const std::wstring& target) {
  constexpr size_t kMaxName = 255;
  const std::string letters = RandomLetters(6);
  const std::wstring suffix = L".tmp-" + std::wstring(letters.begin(), letters.end());
  return L"." + target.substr(0, kMaxName - 1 - suffix.size()) + suffix;
}

}  // namespace

TrackError CheckTarget(const std::string& target, Overwrite overwrite) {
  const TrackResult<Site> site = Examine(target, overwrite);
  return site ? TrackError{} : site.Error();
}

struct TemporaryFile::State {
  Overwrite overwrite = Overwrite::Refuse;
  Site site;
  fs::path name;  // empty once moved into place or removed
  HANDLE handle = INVALID_HANDLE_VALUE;
  int listed = -1;
  int64_t otherNames = 0;

  void Close() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }

  void Discard() {
    Close();
    if (name.empty()) return;
    const temporaryfiles::InterruptionsHeld held;
    DeleteFileW(name.c_str());
    temporaryfiles::Forget(std::exchange(listed, -1));
    name.clear();
  }
};

// Windows has no call that starts writing a range to the disk without
// waiting for it, so `writeback` changes nothing here.
TemporaryFile::TemporaryFile(Writeback) : state_(std::make_unique<State>()) {}

TemporaryFile::~TemporaryFile() { state_->Discard(); }

TrackError TemporaryFile::Create(const std::string& target, Overwrite overwrite) {
  State& s = *state_;
  TrackResult<Site> site = Examine(target, overwrite);
  if (!site) return site.Error();
  s.site = std::move(*site);
  s.overwrite = overwrite;
  if (s.site.replacing) s.otherNames = OtherNamesOf(s.site.target);
  const fs::path folder = s.site.target.parent_path();
  const temporaryfiles::InterruptionsHeld held;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS); ++attempt) {
    const fs::path name = folder / TemporaryName(s.site.target.filename().native());
    // FILE_SHARE_DELETE: an interruption may remove the file while it is open.
    s.handle = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    error = s.handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (error == ERROR_SUCCESS) {
      s.name = name;
      s.listed = temporaryfiles::Remember(name.native());
    }
  }
  if (error != ERROR_SUCCESS) return FileSystemError("cannot create a file in " + ToNarrow(folder) + ": " + ErrorText(error));
  return {};
}

bool TemporaryFile::Write(const uint8_t* data, size_t size, std::string& reason) {
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(state_->handle, data, piece, &written, nullptr) || written != piece) {
      reason = LastErrorText();
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

TrackError TemporaryFile::Finish() {
  State& s = *state_;
  const bool flushed = FlushFileBuffers(s.handle) != 0;
  const std::string reason = flushed ? std::string() : LastErrorText();
  s.Close();
  if (!flushed) return FileSystemError("cannot write the file: " + reason);
  return {};
}

TrackError TemporaryFile::MoveIntoPlace() {
  State& s = *state_;
  const temporaryfiles::InterruptionsHeld held;
  const wchar_t* target = s.site.target.c_str();
  bool moved = false;
  if (s.overwrite == Overwrite::Replace && s.site.replacing) {
    // Without a backup name every failure leaves the target as it was.
    moved = ReplaceFileW(target, s.name.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS,
                         nullptr, nullptr) != 0;
  } else {
    const DWORD replace = s.overwrite == Overwrite::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
    moved = MoveFileExW(s.name.c_str(), target, MOVEFILE_WRITE_THROUGH | replace) != 0;
  }
  if (!moved) {
    const DWORD error = GetLastError();
    if (s.overwrite == Overwrite::Refuse && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
      return ErrorOf(TrackErrorKind::AppearedWhileSaving, "appeared while saving; nothing was replaced");
    }
    return FileSystemError("cannot replace " + ToNarrow(s.site.target) + ": " + ErrorText(error));
  }
  temporaryfiles::Forget(std::exchange(s.listed, -1));
  s.name.clear();
  return {};
}

std::string TemporaryFile::Path() const { return ToNarrow(state_->name); }

int64_t TemporaryFile::OtherNames() const { return state_->otherNames; }

}  // namespace trackio::detail
