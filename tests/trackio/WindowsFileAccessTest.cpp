// The Windows side of file access: paths in the ANSI code page, replacement
// through a temporary file, ReplaceFileW and MoveFileExW, and the names
// Windows keeps for devices. (Ctrl-C during a save: scripts/test-windows.sh.)
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TrackTesting.h"
#include "trackio/FileAccessDetail.h"
#include "trackio/TrackIO.h"

namespace fs = std::filesystem;
using trackio::Overwrite;
using trackio::TrackErrorKind;
using tracktesting::ScratchFolder;

namespace {

std::vector<uint8_t> Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `name` in the ANSI code page, or empty when the code page cannot spell it.
std::string Ansi(const std::wstring& name) {
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                                         nullptr, 0, nullptr, &lossy);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()), text.data(), length,
                      nullptr, &lossy);
  return lossy ? std::string() : text;
}

trackio::TrackError Replace(const std::string& path, const std::vector<uint8_t>& bytes,
                            Overwrite overwrite = Overwrite::Replace) {
  return trackio::ReplaceFileContents(path, overwrite, bytes).Error();
}

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Removes the save step hook when the test ends.
struct HookRemoved {
  ~HookRemoved() { trackio::SetSaveStepHook({}); }
};

}  // namespace

TEST(WindowsFileAccess, ReplacingLeavesTheNewBytesAndNoTemporaryFile) {
  ScratchFolder folder;
  const std::string path = folder.File("track.nltrack");
  const std::vector<uint8_t> old{1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<uint8_t> fresh{9, 8, 7};

  ASSERT_FALSE(Replace(path, old, Overwrite::Refuse));
  EXPECT_EQ(Replace(path, fresh, Overwrite::Refuse).kind, TrackErrorKind::Exists);
  ASSERT_FALSE(Replace(path, fresh));

  EXPECT_EQ(Contents(path), fresh);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"track.nltrack"});
  const trackio::TrackResult<std::vector<uint8_t>> read = trackio::ReadWholeFile(path, 1, 1000);
  ASSERT_TRUE(read) << read.Error().Describe();
  EXPECT_EQ(*read, (std::vector<uint8_t>{9, 8, 7, 0}));
}

TEST(WindowsFileAccess, AFailedReplacementKeepsTheOldFileAndSaysWhy) {
  ScratchFolder folder;
  const trackio::TrackError missing = Replace(folder.File("no such folder/track.nltrack"), {1, 2});
  EXPECT_EQ(missing.kind, TrackErrorKind::FileSystem);
  EXPECT_FALSE(missing.message.empty());

  // A folder in the way is left alone, and no temporary file is made.
  const std::string blocked = folder.File("blocked.nltrack");
  fs::create_directory(blocked);
  EXPECT_EQ(Replace(blocked, {4}).kind, TrackErrorKind::IsAFolder);
  EXPECT_TRUE(fs::is_directory(blocked));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"blocked.nltrack"});
}

TEST(WindowsFileAccess, PathsAreTakenInTheAnsiCodePage) {
  ScratchFolder folder;
  const std::wstring wideName = L"pi\u00f1a col\u00e9e.nltrack";  // "piña colée"
  const std::string ansiName = Ansi(wideName);
  if (ansiName.empty()) GTEST_SKIP() << "the ANSI code page cannot spell the test name";

  const std::string path = folder.path() + "\\" + ansiName;
  ASSERT_FALSE(Replace(path, {42}));

  const fs::path widePath = fs::path(folder.path()) / wideName;
  EXPECT_TRUE(fs::is_regular_file(widePath));
  EXPECT_TRUE(trackio::IsRegularFile(path));
  const trackio::TrackResult<std::vector<uint8_t>> read = trackio::ReadWholeFile(path, 0, 1000);
  ASSERT_TRUE(read) << read.Error().Describe();
  EXPECT_EQ(*read, std::vector<uint8_t>{42});

  // Messages name the path as the user wrote it, in the same code page.
  const std::string inMissingFolder = folder.path() + "\\" + ansiName + "\\x.nltrack";
  fs::remove(widePath);
  const trackio::TrackError error = Replace(inMissingFolder, {1});
  EXPECT_NE(error.message.find(ansiName), std::string::npos) << error.message;
}

TEST(WindowsFileAccess, ASaveAndLoadRoundTripThroughTheDrivers) {
  ScratchFolder folder;
  trackio::TrackDocument document = trackbuilder::SampleDocument();
  const trackio::SaveResult saved = trackio::SaveTrack(document, folder.File("sample"));
  ASSERT_TRUE(saved) << saved.Error().Describe();
  const std::string& written = saved->path;
  EXPECT_EQ(written, folder.File("sample.nltrack"));

  trackio::LoadResult loaded = trackio::LoadTrack(written);
  ASSERT_TRUE(loaded) << loaded.Error().Describe();
  EXPECT_EQ(Contents(written), tracktesting::Saved(loaded->document));
}

TEST(WindowsFileAccess, TheNamesOfDevicesAreRefusedWithEveryExtension) {
  // NUL, CON, COM1... name devices in every folder: writing "NUL.nltrack"
  // would write nowhere. A save refuses them even when it may replace, and
  // writes nothing.
  ScratchFolder folder;
  for (const char* name : {"NUL", "nul.nltrack", "CON.svg", "com1.nltrack", "LPT9.txt", "aux", "Prn .nltrack",
                           "CONOUT$"}) {
    SCOPED_TRACE(name);
    const std::string target = folder.File(name);
    EXPECT_EQ(trackio::CheckReplaceTarget(target, Overwrite::Replace).kind, TrackErrorKind::NotAFile);
    trackio::TrackDocument document = trackbuilder::SampleDocument();
    const trackio::SaveResult saved = trackio::SaveTrack(document, target, {.overwrite = Overwrite::Replace});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.Error().kind, TrackErrorKind::NotAFile);
    EXPECT_NE(saved.Error().message.find("is not a regular file (a device, a FIFO or a socket)"), std::string::npos)
        << saved.Error().message;
  }
  EXPECT_TRUE(folder.Entries().empty());
  // Names that only look alike are ordinary files.
  for (const char* name : {"nullify.nltrack", "COM10.nltrack", "console.nltrack", "LPT.nltrack"}) {
    EXPECT_FALSE(trackio::CheckReplaceTarget(folder.File(name), Overwrite::Refuse)) << name;
  }
}

TEST(WindowsFileAccess, AReplacedFileKeepsItsAttributesAndItsOtherNames) {
  ScratchFolder folder;
  const std::string path = folder.File("track.nltrack");
  const std::wstring wide = fs::path(path).wstring();
  ASSERT_FALSE(Replace(path, {1, 2, 3}));
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), kept));
  const std::wstring other = fs::path(folder.File("other.nltrack")).wstring();
  ASSERT_TRUE(CreateHardLinkW(other.c_str(), wide.c_str(), nullptr)) << GetLastError();

  const trackio::TrackResult<trackio::SavedFile> saved = trackio::ReplaceFileContents(path, Overwrite::Replace, {4});
  ASSERT_TRUE(saved) << saved.Error().Describe();
  EXPECT_EQ(Contents(path), std::vector<uint8_t>{4});
  EXPECT_EQ(saved->otherNames, 1);
  EXPECT_EQ(Contents(other), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"other.nltrack", "track.nltrack"}));
  // Wine's ReplaceFileW (8.0) moves the new file into place and no more, so
  // only Windows itself can show the attributes kept.
  if (UnderWine()) GTEST_SKIP() << "Wine's ReplaceFileW does not carry attributes over";
  EXPECT_EQ(GetFileAttributesW(wide.c_str()) & kept, kept) << "ReplaceFileW keeps the attributes";
}

TEST(WindowsFileAccess, AFileThatAppearsWhileSavingIsNotReplaced) {
  // MoveFileExW without MOVEFILE_REPLACE_EXISTING: the file that appeared
  // between the write and the move stays, and the temporary file goes.
  ScratchFolder folder;
  const std::string path = folder.File("race.nltrack");
  const HookRemoved removed;
  trackio::SetSaveStepHook([&](trackio::SaveStep step, const std::string&, const std::string&) {
    if (step == trackio::SaveStep::Written) {
      EXPECT_TRUE(trackbuilder::WriteFile(path, {'m', 'i', 'n', 'e'}));
    }
  });
  EXPECT_EQ(Replace(path, {1, 2, 3}, Overwrite::Refuse).kind, TrackErrorKind::AppearedWhileSaving);
  EXPECT_EQ(Contents(path), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"race.nltrack"});
}
