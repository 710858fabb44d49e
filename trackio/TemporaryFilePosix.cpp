// Replacement on Linux and other POSIX systems.
//
// The target is opened the way the system opens it (O_PATH, links followed
// by the kernel, so its rules on links in shared folders decide), and the
// folder that holds the file it names is kept open: the temporary file is
// created, moved and removed relative to that descriptor, so a folder
// renamed meanwhile or a change of working folder cannot send the save
// elsewhere.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "trackio/TemporaryFile.h"
#include "trackio/TemporaryFiles.h"
#include "trackio/TrackResult.h"

namespace trackio::detail {

namespace {

std::string Reason(int error) { return std::strerror(error); }

TrackError WriteFailure(int error) { return FileSystemError("cannot write the file: " + Reason(error)); }

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    Reset(std::exchange(other.descriptor_, -1));
    return *this;
  }
  ~Descriptor() { Reset(); }

  int get() const { return descriptor_; }
  explicit operator bool() const { return descriptor_ >= 0; }
  void Reset(int descriptor = -1) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = descriptor;
  }
  // Closes now and says whether the close reported an error.
  bool Close() {
    const int result = ::close(std::exchange(descriptor_, -1));
    return result == 0;
  }

 private:
  int descriptor_ = -1;
};

// Where a replacement writes.
struct Site {
  Descriptor folder;       // O_PATH; every later step is relative to it
  std::string folderName;  // for messages
  std::string name;        // the entry in `folder` that is replaced or created
  bool replacing = false;  // a regular file stands there, to be replaced
  struct stat existing {}; // that file's status
};

// What a link says, for a message.
std::string LinkText(const std::string& path) {
  std::vector<char> text(PATH_MAX + 1);
  const ssize_t length = ::readlink(path.c_str(), text.data(), text.size() - 1);
  return length < 0 ? std::string("?") : std::string(text.data(), static_cast<size_t>(length));
}

// The path the system reached through `opened`, links and all: what
// /proc says it opened, or failing /proc, the path with its links resolved.
std::string PathReached(int opened, const std::string& target) {
  std::vector<char> text(PATH_MAX + 1);
  const std::string self = "/proc/self/fd/" + std::to_string(opened);
  const ssize_t length = ::readlink(self.c_str(), text.data(), text.size() - 1);
  if (length > 0 && text[0] == '/') return std::string(text.data(), static_cast<size_t>(length));
  char* resolved = ::realpath(target.c_str(), nullptr);
  if (resolved == nullptr) return target;
  std::string path(resolved);
  std::free(resolved);
  return path;
}

// The folder that holds `path`, opened, and the name in it.
TrackResult<Site> SiteOf(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path split(path);
  Site site;
  site.name = split.filename().string();
  site.folderName = split.has_parent_path() ? split.parent_path().string() : std::string(1, '.');
  if (site.name.empty()) return ErrorOf(TrackErrorKind::EmptyPath, "no file name was given (the path ends in a separator)");
  if (site.name == "." || site.name == "..") return ErrorOf(TrackErrorKind::IsAFolder, "is a folder");
  site.folder.Reset(::open(site.folderName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!site.folder) {
    const int error = errno;
    return FileSystemError("cannot create a file in " + site.folderName + ": " + Reason(error));
  }
  return site;
}

// Looks at what stands at `target`, as CheckReplaceTarget describes, and
// finds where the replacement writes.
TrackResult<Site> Examine(const std::string& target, Overwrite overwrite) {
  if (target.empty()) return ErrorOf(TrackErrorKind::EmptyPath, "no file name was given");
  struct stat entry {};
  if (::lstat(target.c_str(), &entry) != 0) {
    const int error = errno;
    if (error == ENOENT) return SiteOf(target);  // nothing there, or no folder (SiteOf says so)
    return FileSystemError("cannot look at " + target + ": " + Reason(error));
  }
  const bool isLink = S_ISLNK(entry.st_mode);
  const Descriptor opened(::open(target.c_str(), O_PATH | O_CLOEXEC));
  if (!opened) {
    const int error = errno;
    if (isLink && (error == ENOENT || error == ELOOP || error == ENOTDIR)) {
      if (overwrite == Overwrite::Refuse) {
        return ErrorOf(TrackErrorKind::LinkToNothing, "is a link to nothing (it points to " + LinkText(target) + ")");
      }
      return SiteOf(target);  // with consent the link itself is replaced
    }
    // For instance a link that another user left in a shared folder such as
    // /tmp, which the system does not follow.
    return FileSystemError((isLink ? "cannot follow the link: " : "cannot open the file: ") + Reason(error));
  }
  struct stat file {};
  if (::fstat(opened.get(), &file) != 0) {
    const int error = errno;
    return FileSystemError("cannot look at " + target + ": " + Reason(error));
  }
  if (S_ISDIR(file.st_mode)) return ErrorOf(TrackErrorKind::IsAFolder, "is a folder");
  if (!S_ISREG(file.st_mode)) return ErrorOf(TrackErrorKind::NotAFile, kNotARegularFile);
  if (overwrite == Overwrite::Refuse) return ErrorOf(TrackErrorKind::Exists, "already exists");

  TrackResult<Site> site = SiteOf(isLink ? PathReached(opened.get(), target) : target);
  if (!site) return site;
  struct stat there {};
  if (::fstatat(site->folder.get(), site->name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 ||
      there.st_dev != file.st_dev || there.st_ino != file.st_ino) {
    return FileSystemError("it changed while it was being looked at; nothing was written");
  }
  site->replacing = true;
  site->existing = file;
  return site;
}

// The temporary file's name: hidden and after the target, but cut so that it
// keeps within the 255 bytes a file name may have even when the target's own
// name is that long.
std::string TemporaryName(const std::string& target) {
  constexpr size_t kMaxName = 255;
  const std::string suffix = ".tmp-" + RandomLetters(6);
  std::string name(1, '.');
  name.append(target, 0, kMaxName - 1 - suffix.size());
  return name + suffix;
}

// The extended attributes of the file being replaced, read through its
// descriptor, or through its path when the process may not open it (ACLs
// and most attributes can be read without reading the file).
class AttributeSource {
 public:
  AttributeSource(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}

  // The names, each ended by a zero byte.
  std::vector<char> Names() const {
    return ReadGrowing([this](char* buffer, size_t size) {
             return descriptor_ >= 0 ? ::flistxattr(descriptor_, buffer, size)
                                     : ::llistxattr(path_.c_str(), buffer, size);
           })
        .value_or(std::vector<char>{});
  }
  // Nothing when the value cannot be read.
  std::optional<std::vector<char>> Value(const char* name) const {
    return ReadGrowing([this, name](char* buffer, size_t size) {
      return descriptor_ >= 0 ? ::fgetxattr(descriptor_, name, buffer, size)
                              : ::lgetxattr(path_.c_str(), name, buffer, size);
    });
  }

 private:
  // Asks for the size, then the bytes; again when they grew in between.
  template <typename Read>
  static std::optional<std::vector<char>> ReadGrowing(Read read) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      const ssize_t size = read(nullptr, 0);
      if (size < 0) return std::nullopt;
      std::vector<char> bytes(static_cast<size_t>(size));
      const ssize_t got = size == 0 ? 0 : read(bytes.data(), bytes.size());
      if (got >= 0) {
        bytes.resize(static_cast<size_t>(got));
        return bytes;
      }
      if (errno != ERANGE) return std::nullopt;
    }
    return std::nullopt;
  }

  int descriptor_;
  std::string path_;
};

constexpr const char* kAccessAcl = "system.posix_acl_access";

// Copies every extended attribute the process may set, the ACL included.
// File capabilities go only with the owner they were given for.
void CopyAttributes(const AttributeSource& from, int to, bool ownerKept) {
  bool hadAcl = false;
  const std::vector<char> names = from.Names();
  for (size_t at = 0; at < names.size();) {
    const char* name = names.data() + at;
    at += std::strlen(name) + 1;
    if (std::strcmp(name, kAccessAcl) == 0) hadAcl = true;
    if (!ownerKept && std::strcmp(name, "security.capability") == 0) continue;
    // What cannot be read or set is left out.
    if (const std::optional<std::vector<char>> value = from.Value(name)) {
      ::fsetxattr(to, name, value->data(), value->size(), 0);
    }
  }
  // A new file takes the folder's default ACL; the replaced file had none.
  if (!hadAcl) ::fremovexattr(to, kAccessAcl);
}

}  // namespace

TrackError CheckTarget(const std::string& target, Overwrite overwrite) {
  const TrackResult<Site> site = Examine(target, overwrite);
  return site ? TrackError{} : site.Error();
}

struct TemporaryFile::State {
  Writeback writeback;
  Overwrite overwrite = Overwrite::Refuse;
  Site site;
  std::string name;  // empty once moved into place or removed
  Descriptor file;
  Descriptor oldFile;  // the file being replaced, when it may be read
  int listed = -1;   // the place on the interruption list
  uint64_t written = 0;
  uint64_t writebackStarted = 0;
  int64_t otherNames = 0;

  // How many bytes are written before the disk is asked to take them.
  static constexpr size_t kWritebackStep = size_t{8} << 20;

  // Opens the file being replaced for reading, when the process may: its
  // extended attributes are read through it.
  void OpenTheOldFile() {
    const struct stat& old = site.existing;
    oldFile.Reset(::openat(site.folder.get(), site.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (oldFile && (::fstat(oldFile.get(), &opened) != 0 || opened.st_ino != old.st_ino || opened.st_dev != old.st_dev)) {
      oldFile.Reset();
    }
    ReleaseCachedPages(oldFile.get());
  }

  // Gives the new file what belongs to the one it replaces: owner and group
  // as far as the process may, extended attributes, then the mode. Done
  // once the bytes are written, since a write by a process without
  // CAP_FSETID clears set-user-ID, set-group-ID and file capabilities.
  TrackError KeepWhatBelongsToTheOldFile() {
    const struct stat& old = site.existing;
    // Root keeps both; another user keeps a group it belongs to.
    if (::fchown(file.get(), old.st_uid, old.st_gid) != 0) (void)!::fchown(file.get(), static_cast<uid_t>(-1), old.st_gid);
    struct stat now {};
    if (::fstat(file.get(), &now) != 0) return WriteFailure(errno);
    const bool ownerKept = now.st_uid == old.st_uid;
    CopyAttributes(AttributeSource(oldFile.get(), site.folderName + "/" + site.name), file.get(), ownerKept);
    mode_t mode = old.st_mode & 07777;
    if (!ownerKept) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (now.st_gid != old.st_gid) mode &= ~static_cast<mode_t>(S_ISGID);
    if (::fchmod(file.get(), mode) != 0) return WriteFailure(errno);
    otherNames = old.st_nlink > 1 ? static_cast<int64_t>(old.st_nlink) - 1 : 0;
    return {};
  }

  // The cached pages of the file being replaced are of no use once the new
  // file is moved over it; dropping them first lets the new file's pages
  // take their memory instead of memory the system has not used for a
  // while (docs/DEVELOPING.md, Performance). Only clean cached copies go;
  // the file itself stays whole on the disk until the move.
  static void ReleaseCachedPages(int descriptor) {
#ifdef POSIX_FADV_DONTNEED
    if (descriptor >= 0) ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);  // a hint
#else
    (void)descriptor;
#endif
  }

  // Asks the system to start writing what has been written since the last
  // time to the disk, without waiting for it: the disk works while the rest
  // of the file is made, and the flush at the end has little left to do.
  void StartWriteback() {
#ifdef SYNC_FILE_RANGE_WRITE
    if (writeback != Writeback::AsWritten || written - writebackStarted < kWritebackStep) return;
    // A hint: should it fail, the flush at the end still writes everything.
    ::sync_file_range(file.get(), static_cast<off_t>(writebackStarted), static_cast<off_t>(written - writebackStarted),
                      SYNC_FILE_RANGE_WRITE);
    writebackStarted = written;
#endif
  }

  // Creates the new name without ever replacing a file. Returns 0, or -1
  // with errno set (EEXIST: a file stands there).
  int MoveWithoutReplacing() {
    const int folder = site.folder.get();
    if (::renameat2(folder, name.c_str(), folder, site.name.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
    // A file system without RENAME_NOREPLACE: a second name made by link()
    // cannot replace a file either.
    if (::linkat(folder, name.c_str(), folder, site.name.c_str(), 0) == 0) {
      ::unlinkat(folder, name.c_str(), 0);
      return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return -1;
    // Nor hard links (FAT): a look just before the rename is all there is.
    struct stat there {};
    if (::fstatat(folder, site.name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0) {
      errno = EEXIST;
      return -1;
    }
    return ::renameat(folder, name.c_str(), folder, site.name.c_str());
  }

  void SyncFolder() {
    const Descriptor opened(::openat(site.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (opened) ::fsync(opened.get());  // best effort: the move itself has already happened
  }

  void Discard() {
    file.Reset();
    if (name.empty()) return;
    const temporaryfiles::InterruptionsHeld held;
    ::unlinkat(site.folder.get(), name.c_str(), 0);
    temporaryfiles::Forget(std::exchange(listed, -1));
    name.clear();
  }
};

TemporaryFile::TemporaryFile(Writeback writeback) : state_(std::make_unique<State>()) {
  state_->writeback = writeback;
}

TemporaryFile::~TemporaryFile() { state_->Discard(); }

TrackError TemporaryFile::Create(const std::string& target, Overwrite overwrite) {
  State& s = *state_;
  TrackResult<Site> site = Examine(target, overwrite);
  if (!site) return site.Error();
  s.site = std::move(*site);
  s.overwrite = overwrite;
  {
    const temporaryfiles::InterruptionsHeld held;
    // A new file gets what the folder gives new files (umask, default ACL);
    // one that replaces another starts closed and takes that file's mode.
    const mode_t mode = s.site.replacing ? 0600 : 0666;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
      const std::string name = TemporaryName(s.site.name);
      s.file.Reset(::openat(s.site.folder.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
      error = s.file ? 0 : errno;
      if (s.file) {
        s.name = name;
        s.listed = temporaryfiles::Remember(s.site.folder.get(), name.c_str());
      }
    }
    if (!s.file) return FileSystemError("cannot create a file in " + s.site.folderName + ": " + Reason(error));
  }
  if (s.site.replacing) s.OpenTheOldFile();
  return {};
}

bool TemporaryFile::Write(const uint8_t* data, size_t size, std::string& reason) {
  State& s = *state_;
  while (size > 0) {
    const size_t piece = std::min(size, State::kWritebackStep);
    const ssize_t written = ::write(s.file.get(), data, piece);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      reason = Reason(written == 0 ? EIO : errno);
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
    s.written += static_cast<uint64_t>(written);
    s.StartWriteback();
  }
  return true;
}

TrackError TemporaryFile::Finish() {
  State& s = *state_;
  if (s.site.replacing) {
    if (TrackError failure = s.KeepWhatBelongsToTheOldFile()) return failure;
  }
  if (::fsync(s.file.get()) != 0) return WriteFailure(errno);
  if (!s.file.Close()) return WriteFailure(errno);
  return {};
}

TrackError TemporaryFile::MoveIntoPlace() {
  State& s = *state_;
  {
    const temporaryfiles::InterruptionsHeld held;
    const int folder = s.site.folder.get();
    const int moved = s.overwrite == Overwrite::Replace
                          ? ::renameat(folder, s.name.c_str(), folder, s.site.name.c_str())
                          : s.MoveWithoutReplacing();
    if (moved != 0) {
      const int error = errno;
      if (error == EEXIST && s.overwrite == Overwrite::Refuse) {
        return ErrorOf(TrackErrorKind::AppearedWhileSaving, "appeared while saving; nothing was replaced");
      }
      return FileSystemError("cannot replace " + s.site.folderName + "/" + s.site.name + ": " + Reason(error));
    }
    temporaryfiles::Forget(std::exchange(s.listed, -1));
    s.name.clear();
  }
  s.SyncFolder();
  return {};
}

std::string TemporaryFile::Path() const { return state_->site.folderName + "/" + state_->name; }

int64_t TemporaryFile::OtherNames() const { return state_->otherNames; }

}  // namespace trackio::detail
