// The Windows side of file access: paths in the ANSI code page, replacement
// through a temporary file and MoveFileExW.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TrackTesting.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackIO.h"

namespace fs = std::filesystem;
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

}  // namespace

TEST(WindowsFileAccess, ReplacingLeavesTheNewBytesAndNoTemporaryFile) {
  ScratchFolder folder;
  const std::string path = folder.File("track.nltrack");
  const std::vector<uint8_t> old{1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<uint8_t> fresh{9, 8, 7};
  std::string error;

  ASSERT_TRUE(trackio::ReplaceFileContents(path, old, error)) << error;
  ASSERT_TRUE(trackio::ReplaceFileContents(path, fresh, error)) << error;

  EXPECT_EQ(Contents(path), fresh);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"track.nltrack"});
  std::vector<uint8_t> read;
  ASSERT_TRUE(trackio::ReadWholeFile(path, read, 1, 1000, error)) << error;
  EXPECT_EQ(read, (std::vector<uint8_t>{9, 8, 7, 0}));
}

TEST(WindowsFileAccess, AFailedReplacementKeepsTheOldFileAndSaysWhy) {
  ScratchFolder folder;
  const std::string missingFolder = folder.File("no such folder/track.nltrack");
  std::string error;
  EXPECT_FALSE(trackio::ReplaceFileContents(missingFolder, {1, 2}, error));
  EXPECT_FALSE(error.empty());

  // A folder in the way cannot be replaced; it stays, and the temporary file
  // is removed again.
  const std::string blocked = folder.File("blocked.nltrack");
  fs::create_directory(blocked);
  error.clear();
  EXPECT_FALSE(trackio::ReplaceFileContents(blocked, {4}, error));
  EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(blocked));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"blocked.nltrack"});
}

TEST(WindowsFileAccess, PathsAreTakenInTheAnsiCodePage) {
  ScratchFolder folder;
  const std::wstring wideName = L"pi\u00f1a col\u00e9e.nltrack";  // "piña colée"
  const std::string ansiName = Ansi(wideName);
  if (ansiName.empty()) GTEST_SKIP() << "the ANSI code page cannot spell the test name";

  const std::string path = folder.path() + "\\" + ansiName;
  std::string error;
  ASSERT_TRUE(trackio::ReplaceFileContents(path, {42}, error)) << error;

  const fs::path widePath = fs::path(folder.path()) / wideName;
  EXPECT_TRUE(fs::is_regular_file(widePath));
  EXPECT_TRUE(trackio::IsRegularFile(path));
  std::vector<uint8_t> read;
  ASSERT_TRUE(trackio::ReadWholeFile(path, read, 0, 1000, error)) << error;
  EXPECT_EQ(read, std::vector<uint8_t>{42});

  // Messages name the path as the user wrote it, in the same code page.
  const std::string inMissingFolder = folder.path() + "\\" + ansiName + "\\x.nltrack";
  fs::remove(widePath);
  EXPECT_FALSE(trackio::ReplaceFileContents(inMissingFolder, {1}, error));
  EXPECT_NE(error.find(ansiName), std::string::npos) << error;
}

TEST(WindowsFileAccess, ASaveAndLoadRoundTripThroughTheDrivers) {
  ScratchFolder folder;
  trackio::TrackDocument document = trackbuilder::SampleDocument();
  const trackio::SaveResult saved = trackio::SaveTrack(document, folder.File("sample"));
  ASSERT_TRUE(saved) << saved.error().Describe();
  const std::string& written = *saved;
  EXPECT_EQ(written, folder.File("sample.nltrack"));

  trackio::LoadResult loaded = trackio::LoadTrack(written);
  ASSERT_TRUE(loaded) << loaded.error().Describe();
  EXPECT_EQ(Contents(written), trackio::BuildTrackFile(loaded->document));
}
