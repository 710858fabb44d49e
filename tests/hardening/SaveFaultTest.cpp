// Saves that fail the ways a user meets them: the folder is missing or
// read-only, the target is a folder, the disk is full, a write is cut short.
// Every time the existing file must be byte for byte as it was, no temporary
// file may be left beside it, and the failure must be reported with its
// reason. Root ignores permissions, so the read-only folder and the full
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

#include "TrackTesting.h"

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

std::vector<std::string> EntriesOf(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Saves `doc` to `path` expecting a failure whose reason contains `reason`;
// checks the folder is left exactly as it was.
void ExpectFailedSaveLeavesFolderAlone(const std::string& folder, const std::string& path,
                                       const std::string& reason) {
  const std::vector<std::string> before = EntriesOf(folder);
  const std::string target = path;
  const bool hadFile = fs::is_regular_file(target);
  const std::vector<uint8_t> old = hadFile ? trackbuilder::ReadFile(target) : std::vector<uint8_t>{};

  TrackDocument doc = LargeTrack();
  const trackio::SaveResult saved = trackio::SaveTrack(doc, path);
  ASSERT_FALSE(saved);
  const trackio::TrackError& error = saved.error();
  EXPECT_EQ(error.kind, TrackErrorKind::FileSystem) << error.Describe();
  EXPECT_NE(error.message.find(reason), std::string::npos) << error.Describe();

  EXPECT_EQ(EntriesOf(folder), before) << "a temporary file was left behind";
  if (hadFile) {
    EXPECT_EQ(trackbuilder::ReadFile(target), old) << "the existing file changed";
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

TEST(SaveFaults, AfterEachFailureTheSameSaveSucceedsOnceTheFaultIsGone) {
  // The failures above leave nothing that stands in the way of a later save.
  ScratchFolder folder;
  const std::string target = folder.File("track.nltrack");
  fs::create_directory(target);
  TrackDocument doc = LargeTrack();
  EXPECT_FALSE(trackio::SaveTrack(doc, target));
  fs::remove(target);
  const trackio::SaveResult saved = trackio::SaveTrack(doc, target);
  ASSERT_TRUE(saved) << saved.error().Describe();
  EXPECT_EQ(trackbuilder::ReadFile(target), trackio::BuildTrackFile(doc));
  EXPECT_EQ(EntriesOf(folder.path()), std::vector<std::string>{"track.nltrack"});
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
