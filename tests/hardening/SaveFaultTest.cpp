// Saves that fail the ways a user meets them: the folder is missing or
// read-only, the target is a folder, the disk is full, a write is cut short,
// the bytes cannot be made. Each fault is met by the save driver and by the
// streamed replacement fed in pieces, as a chunk writer feeds it. Every time
// the existing file must be byte for byte as it was, no temporary file may
// be left beside it, and the failure must be reported with its reason. Root ignores permissions, so the read-only folder and the full
// disk are real file systems (a small tmpfs) mounted by the test; without
// root, or where mounting is not allowed, those tests are skipped.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>

#include "TrackTesting.h"
#include "trackio/FileAccess.h"

namespace fs = std::filesystem;
using trackio::TrackDocument;
using trackio::TrackErrorKind;
using tracktesting::ScratchFolder;

namespace {

const std::vector<uint8_t>& OldBytes() {
  static const std::vector<uint8_t> bytes = trackbuilder::CanonicalFile(trackbuilder::SampleDocument());
  return bytes;
}

// A track of about 3.4 MB, so that a save writes in many pieces.
const TrackDocument& LargeTrack() {
  static const TrackDocument doc = trackbuilder::GeneratedDocument(20000);
  return doc;
}

const std::vector<uint8_t>& LargeTrackBytes() {
  static const std::vector<uint8_t> bytes = trackbuilder::CanonicalFile(LargeTrack());
  return bytes;
}

// Hands `bytes` to the sink in pieces of `pieceSize` bytes (the last one
// shorter).
void WriteInPieces(trackio::ByteSink& sink, const std::vector<uint8_t>& bytes, size_t pieceSize) {
  for (size_t at = 0; at < bytes.size(); at += pieceSize) {
    sink.Write(bytes.data() + at, std::min(pieceSize, bytes.size() - at));
  }
}

constexpr size_t kPieceSize = 64 * 1024;

// The two ways a save reaches the disk, each writing the large track to a
// path and giving the error it met.
struct SaveRoute {
  const char* name;
  std::function<trackio::TrackError(const std::string& path)> save;
};

const std::vector<SaveRoute>& SaveRoutes() {
  static const std::vector<SaveRoute> routes{
      {"SaveTrack",
       [](const std::string& path) {
         TrackDocument doc = LargeTrack();
         const trackio::SaveResult saved = trackio::SaveTrack(doc, path);
         return saved ? trackio::TrackError{} : saved.error();
       }},
      {"ReplaceFileStreaming in 64 KiB pieces",
       [](const std::string& path) {
         return trackio::ReplaceFileStreaming(
             path, [](trackio::ByteSink& sink) { WriteInPieces(sink, LargeTrackBytes(), kPieceSize); });
       }},
  };
  return routes;
}

std::vector<std::string> EntriesOf(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Saves to `path` by every route, expecting a failure whose reason contains
// `reason`; checks the folder is left exactly as it was each time.
void ExpectFailedSaveLeavesFolderAlone(const std::string& folder, const std::string& path,
                                       const std::string& reason) {
  const std::vector<std::string> before = EntriesOf(folder);
  const bool hadFile = fs::is_regular_file(path);
  const std::vector<uint8_t> old = hadFile ? trackbuilder::ReadFile(path) : std::vector<uint8_t>{};

  for (const SaveRoute& route : SaveRoutes()) {
    SCOPED_TRACE(route.name);
    const trackio::TrackError error = route.save(path);
    EXPECT_EQ(error.kind, TrackErrorKind::FileSystem) << error.Describe();
    EXPECT_NE(error.message.find(reason), std::string::npos) << error.Describe();

    EXPECT_EQ(EntriesOf(folder), before) << "a temporary file was left behind";
    if (hadFile) {
      EXPECT_EQ(trackbuilder::ReadFile(path), old) << "the existing file changed";
    }
  }
}

// A tmpfs mounted for one test and unmounted when it ends.
class MountedTmpfs {
 public:
  MountedTmpfs(const std::string& folder, const std::string& options) : folder_(folder) {
    fs::create_directories(folder_);
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) reason_ = std::strerror(errno);
  }
  ~MountedTmpfs() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }
  bool RemountReadOnly(const std::string& options) {
    return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, options.c_str()) == 0;
  }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string reason_;
};

#define SKIP_UNLESS_MOUNTED(tmpfs)                                                         \
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";                     \
  if (!(tmpfs).mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << (tmpfs).reason()

// Fills the file system that holds `folder` until at most `spare` bytes fit.
void FillUpTo(const std::string& folder, size_t spare) {
  const std::string filler = folder + "/filler";
  {
    std::ofstream out(filler, std::ios::binary);
    const std::vector<char> block(4096, 'f');
    while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
  const auto size = fs::file_size(filler);
  fs::resize_file(filler, size > spare ? size - spare : 0);
}

}  // namespace

TEST(SaveFaults, AMissingFolderFailsAndCreatesNothing) {
  ScratchFolder folder;
  ExpectFailedSaveLeavesFolderAlone(folder.path(), folder.File("missing/track.nltrack"),
                                    std::strerror(ENOENT));
  EXPECT_FALSE(fs::exists(folder.File("missing")));
}

TEST(SaveFaults, AFolderInPlaceOfTheTargetIsLeftAlone) {
  ScratchFolder folder;
  const std::string target = folder.File("track.nltrack");
  fs::create_directory(target);
  ASSERT_TRUE(trackbuilder::WriteFile(target + "/inside.nltrack", OldBytes()));
  ExpectFailedSaveLeavesFolderAlone(folder.path(), target, std::strerror(EISDIR));
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(trackbuilder::ReadFile(target + "/inside.nltrack"), OldBytes());
}

TEST(SaveFaults, AReadOnlyFolderFailsAndKeepsTheFile) {
  ScratchFolder folder;
  const std::string mountPoint = folder.File("read-only");
  const std::string target = mountPoint + "/track.nltrack";
  if (::geteuid() != 0) {
    // Without root, the permission bits are enough.
    fs::create_directory(mountPoint);
    ASSERT_TRUE(trackbuilder::WriteFile(target, OldBytes()));
    fs::permissions(mountPoint, fs::perms::owner_read | fs::perms::owner_exec);
    ExpectFailedSaveLeavesFolderAlone(mountPoint, target, std::strerror(EACCES));
    fs::permissions(mountPoint, fs::perms::owner_all);
    return;
  }
  MountedTmpfs tmpfs(mountPoint, "size=1m");
  SKIP_UNLESS_MOUNTED(tmpfs);
  ASSERT_TRUE(trackbuilder::WriteFile(target, OldBytes()));
  ASSERT_TRUE(tmpfs.RemountReadOnly("size=1m")) << std::strerror(errno);
  ExpectFailedSaveLeavesFolderAlone(mountPoint, target, std::strerror(EROFS));
}

TEST(SaveFaults, AFullDiskFailsAndKeepsTheFile) {
  ScratchFolder folder;
  const std::string mountPoint = folder.File("small-disk");
  MountedTmpfs tmpfs(mountPoint, "size=512k");
  SKIP_UNLESS_MOUNTED(tmpfs);
  const std::string target = mountPoint + "/track.nltrack";
  ASSERT_TRUE(trackbuilder::WriteFile(target, OldBytes()));
  // Room for part of the new file only: the write fails midway.
  FillUpTo(mountPoint, 64 * 1024);
  ExpectFailedSaveLeavesFolderAlone(mountPoint, target, std::strerror(ENOSPC));
}

TEST(SaveFaults, AWriteCutShortFailsAndKeepsTheFile) {
  // A file size limit cuts the write short, as a quota or a full disk does
  // part way through: write() returns fewer bytes, then fails with EFBIG.
  ScratchFolder folder;
  const std::string target = folder.File("track.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(target, OldBytes()));

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {}, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit limited = saved;
  limited.rlim_cur = 100 * 1024 + 7;  // an odd size, so the cut falls inside a write
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

  ExpectFailedSaveLeavesFolderAlone(folder.path(), target, std::strerror(EFBIG));

  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);
}

TEST(SaveFaults, AProducerThatFailsMidwayKeepsTheFile) {
  // The bytes cannot be made after a few buffers have gone to the disk: the
  // failure is reported as the producer gave it, and nothing escapes.
  struct Case {
    const char* name;
    std::function<void()> fail;
    TrackErrorKind kind;
    std::string reason;
    int64_t offset;
  };
  const std::vector<Case> cases{
      {"a format error keeps its kind and offset",
       [] { throw trackio::TrackFormatError(TrackErrorKind::TooLarge, "the TUBE chunk is too large", 1234); },
       TrackErrorKind::TooLarge, "the TUBE chunk is too large", 1234},
      {"another exception is a file system failure", [] { throw std::runtime_error("the producer broke"); },
       TrackErrorKind::FileSystem, "the producer broke", -1},
      {"running out of memory", [] { throw std::bad_alloc(); }, TrackErrorKind::TooLarge, "not enough memory", -1},
      {"something that is no exception", [] { throw 42; }, TrackErrorKind::FileSystem, "cannot write the file",
       -1},
  };
  const std::vector<uint8_t>& bytes = LargeTrackBytes();
  const std::vector<uint8_t> beforeFailure(bytes.begin(), bytes.begin() + (5 << 20) / 2 + 3);  // 2.5 buffers
  ScratchFolder folder;
  const std::string target = folder.File("track.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(target, OldBytes()));
  for (const Case& failing : cases) {
    SCOPED_TRACE(failing.name);
    const trackio::TrackError error = trackio::ReplaceFileStreaming(target, [&](trackio::ByteSink& sink) {
      WriteInPieces(sink, beforeFailure, kPieceSize);
      failing.fail();
      WriteInPieces(sink, bytes, kPieceSize);
    });
    EXPECT_EQ(error.kind, failing.kind) << error.Describe();
    EXPECT_NE(error.message.find(failing.reason), std::string::npos) << error.Describe();
    EXPECT_EQ(error.offset, failing.offset);
    EXPECT_EQ(trackbuilder::ReadFile(target), OldBytes()) << "the existing file changed";
    EXPECT_EQ(EntriesOf(folder.path()), std::vector<std::string>{"track.nltrack"});
  }
}

TEST(SaveFaults, TheStreamedReplacementWritesExactlyThePiecesItIsGiven) {
  // Pieces of every size relative to the 1 MiB the disk is given at a time:
  // tiny, uneven, just under, exactly and above one buffer, and the whole
  // file at once.
  ScratchFolder folder;
  const std::string target = folder.File("track.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(target, OldBytes()));
  const std::vector<uint8_t>& bytes = LargeTrackBytes();
  for (const size_t pieceSize : {size_t{1} << 10, size_t{4099}, kPieceSize, (size_t{1} << 20) - 1, size_t{1} << 20,
                                 (size_t{1} << 20) + 1, bytes.size()}) {
    SCOPED_TRACE("pieces of " + std::to_string(pieceSize) + " bytes");
    const trackio::TrackError error = trackio::ReplaceFileStreaming(target, [&](trackio::ByteSink& sink) {
      sink.Write(bytes.data(), 0);  // an empty piece changes nothing
      WriteInPieces(sink, bytes, pieceSize);
    });
    ASSERT_FALSE(error) << error.Describe();
    EXPECT_TRUE(trackbuilder::ReadFile(target) == bytes) << "the file differs from the pieces";
    EXPECT_EQ(EntriesOf(folder.path()), std::vector<std::string>{"track.nltrack"});
  }
  // Nothing written at all: an empty file.
  ASSERT_FALSE(trackio::ReplaceFileStreaming(target, [](trackio::ByteSink&) {}));
  EXPECT_EQ(fs::file_size(target), 0u);
}

TEST(SaveFaults, AfterEachFailureTheSameSaveSucceedsOnceTheFaultIsGone) {
  // The failures above leave nothing that stands in the way of a later save.
  ScratchFolder folder;
  const std::string target = folder.File("track.nltrack");
  for (const SaveRoute& route : SaveRoutes()) {
    SCOPED_TRACE(route.name);
    fs::create_directory(target);
    EXPECT_TRUE(route.save(target));
    fs::remove(target);
    const trackio::TrackError error = route.save(target);
    ASSERT_FALSE(error) << error.Describe();
    EXPECT_TRUE(trackbuilder::ReadFile(target) == LargeTrackBytes());
    EXPECT_EQ(EntriesOf(folder.path()), std::vector<std::string>{"track.nltrack"});
    fs::remove(target);
  }
}

TEST(SaveFaults, TheLongestFileNameCanBeSaved) {
  // The temporary file is named after the target; for a name of the longest
  // length a folder allows, its own name must still fit.
  ScratchFolder folder;
  const std::string name = std::string(255 - 8, 'n') + ".nltrack";
  const std::string target = folder.File(name);
  ASSERT_TRUE(trackbuilder::WriteFile(target, OldBytes()));
  TrackDocument doc = trackbuilder::SampleDocument();
  const trackio::SaveResult saved = trackio::SaveTrack(doc, target);
  ASSERT_TRUE(saved) << saved.error().Describe();
  EXPECT_EQ(trackbuilder::ReadFile(target), trackio::BuildTrackFile(doc));
  EXPECT_EQ(EntriesOf(folder.path()), std::vector<std::string>{name});
}
