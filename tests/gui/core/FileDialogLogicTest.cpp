#include "gui/core/FileDialogLogic.h"

#include <gtest/gtest.h>

#include <string>

namespace app {
namespace {

using namespace std::string_literals;

const std::string kFilter = "NoLimits Tracks (*.nltrack)|*.nltrack";

TEST(FileDialogFlags, OpenAndSaveWithTheCommandsOptions) {
  EXPECT_EQ(OpenDialogFlags(true, false, true, 0), 0x1004);
  EXPECT_EQ(SaveDialogFlags(true, 0), 0x6);
  EXPECT_EQ(OpenDialogFlags(false, true, false, 0), kOfnReadOnly);
  // The save dialog hides the read-only box whatever the caller asks.
  EXPECT_EQ(SaveDialogFlags(false, 0), kOfnHideReadOnly);
}

TEST(FileDialogFlags, HookAndTemplateAreDroppedOtherCallerBitsPass) {
  EXPECT_EQ(OpenDialogFlags(false, false, false, 0x60), 0);
  EXPECT_EQ(OpenDialogFlags(false, false, false, 0x80), 0x80);
  EXPECT_EQ(OpenDialogFlags(true, false, true, 0x60 | 0x80 | 0x200000), 0x1004 | 0x80 | 0x200000);
  EXPECT_EQ(SaveDialogFlags(true, 0x60), 0x6);
  EXPECT_EQ(SaveDialogFlags(true, 0x80), 0x86);
  // A negative (high-bit) caller value keeps its other bits.
  EXPECT_EQ(SaveDialogFlags(false, -1), -1 & ~0x60);
}

TEST(FileDialogFilter, ConvertsToNulSeparatedPairsEndingInTwoNuls) {
  EXPECT_EQ(ConvertFilter(kFilter), "NoLimits Tracks (*.nltrack)\0*.nltrack\0\0"s);
  EXPECT_EQ(ParseFilterList(ConvertFilter(kFilter)),
            (std::vector<FilterPair>{{"NoLimits Tracks (*.nltrack)", "*.nltrack"}}));
  EXPECT_EQ(ConvertFilter(""), "\0\0"s);
  EXPECT_TRUE(ParseFilterList(ConvertFilter("")).empty());
}

TEST(FileDialogFilter, PairsAreReadLikeTheSystemDialogReadsThem) {
  const auto pairs = ParseFilterList(ConvertFilter("Tracks|*.nltrack|All files|*.*"));
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0], (FilterPair{"Tracks", "*.nltrack"}));
  EXPECT_EQ(pairs[1], (FilterPair{"All files", "*.*"}));
  EXPECT_EQ(PreselectedFilter(2, pairs.size()), 2);

  // A description without its pattern is dropped; an empty entry ends the list.
  EXPECT_EQ(ParseFilterList(ConvertFilter("A|*.a|B")), (std::vector<FilterPair>{{"A", "*.a"}}));
  EXPECT_EQ(ParseFilterList(ConvertFilter("A|*.a||B|*.b")), (std::vector<FilterPair>{{"A", "*.a"}}));
  EXPECT_TRUE(ParseFilterList(ConvertFilter("|*.a")).empty());
}

TEST(FileDialogFilter, ColonSplitsLikeABar) {
  EXPECT_EQ(ConvertFilter("Tracks:*.nltrack"), ConvertFilter("Tracks|*.nltrack"));
  // A description holding ":" is cut in two, and the pairs shift.
  const auto pairs = ParseFilterList(ConvertFilter("Tracks: all|*.nltrack"));
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0], (FilterPair{"Tracks", " all"}));
}

TEST(FileDialogFilter, PreselectionFallsBackToTheFirstEntry) {
  EXPECT_EQ(PreselectedFilter(1, 2), 1);
  EXPECT_EQ(PreselectedFilter(0, 2), 1);
  EXPECT_EQ(PreselectedFilter(3, 2), 1);
  EXPECT_EQ(PreselectedFilter(-4, 2), 1);
  EXPECT_EQ(PreselectedFilter(1, 0), 0);
}

TEST(FileDialogBuffers, NamesArePaddedToTheSystemBufferOrNotProposed) {
  const auto buffer = DialogTextBuffer("/tracks/a.nltrack");
  ASSERT_EQ(buffer.size(), 260u);
  EXPECT_EQ(std::string(buffer.data()), "/tracks/a.nltrack");
  EXPECT_EQ(buffer.back(), '\0');

  const std::string longest(259, 'x');
  const auto fits = DialogTextBuffer(longest);
  ASSERT_EQ(fits.back(), '\0');
  EXPECT_EQ(std::string(fits.data()), longest);
  const auto tooLong = DialogTextBuffer(longest + "y");
  EXPECT_EQ(tooLong, std::vector<char>(260, '\0'));
}

// A runner that records the request and answers with a set outcome.
struct ScriptedRunner {
  FileDialogOutcome answer;
  FileDialogRequest seen;
  FileDialogRunner Runner() {
    return [this](const FileDialogRequest& request) {
      seen = request;
      return answer;
    };
  }
};

TEST(FileDialogRun, ConfirmedOpenSeesTheConvertedRequestAndHandsBackTheAnswer) {
  ScriptedRunner script;
  script.answer = {true, "/tracks/new.nltrack", "new.nltrack", 0x1004 | 0x80, 1};
  std::string fileName = "/tracks/old.nltrack", fileTitle;
  bool readOnly = false;
  int32_t filterIndex = 2, extraFlags = 0x60 | 0x80;
  EXPECT_TRUE(RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, true,
                            "Tracks|*.nltrack|All|*.*", filterIndex, "/tracks", "Load Track...",
                            "nltrack", kNoOwnerWindow, extraFlags));
  // The dialog sees the system's flags and filter form, without hook and template bits.
  const FileDialogRequest& request = script.seen;
  EXPECT_EQ(request.kind, FileDialogKind::Open);
  EXPECT_EQ(request.fileName, "/tracks/old.nltrack");
  EXPECT_EQ(request.flags, 0x1004 | 0x80);
  EXPECT_EQ(request.filter, "Tracks\0*.nltrack\0All\0*.*\0\0"s);
  EXPECT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filterIndex, 2);
  EXPECT_EQ(request.initialDir, "/tracks");
  EXPECT_EQ(request.dialogTitle, "Load Track...");
  EXPECT_EQ(request.defaultExt, "nltrack");
  EXPECT_EQ(request.owner, 0);  // -1: no owner
  // The caller gets back the dialog's path, title, flags and filter.
  EXPECT_EQ(fileName, "/tracks/new.nltrack");
  EXPECT_EQ(fileTitle, "new.nltrack");
  EXPECT_EQ(extraFlags, 0x1004 | 0x80);
  EXPECT_EQ(filterIndex, 1);
  EXPECT_FALSE(readOnly);  // hidden box, not ticked

  int32_t ownerFlags = 0;
  RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, true, kFilter, filterIndex,
                "", "", "", 4711, ownerFlags);
  EXPECT_EQ(script.seen.owner, 4711);

  // Left ticked, the box turns ReadOnly true; it never turns it back.
  readOnly = false;
  script.answer.flags = kOfnReadOnly;
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_TRUE(RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, false, kFilter,
                              filterIndex, "", "", "", kNoOwnerWindow, extraFlags));
    EXPECT_TRUE(readOnly);
    script.answer.flags = 0;
  }
}

TEST(FileDialogRun, CancelEmptiesNamesAndFlagsAndReturnsFalse) {
  ScriptedRunner script;  // answers "cancelled"
  std::string fileName = "/tracks/kept.nltrack", fileTitle = "kept.nltrack";
  bool readOnly = true;
  int32_t filterIndex = 2, extraFlags = 0x80;
  EXPECT_FALSE(RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, true, kFilter,
                             filterIndex, "", "", "nltrack", kNoOwnerWindow, extraFlags));
  EXPECT_EQ(fileName, "");
  EXPECT_EQ(fileTitle, "");
  EXPECT_EQ(extraFlags, 0);
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(filterIndex, 2);

  fileName = "/tracks/kept.nltrack";
  extraFlags = 0x80;
  EXPECT_FALSE(RunSaveDialog(script.Runner(), fileName, fileTitle, true, kFilter, filterIndex, "",
                             "", "nltrack", kNoOwnerWindow, extraFlags));
  EXPECT_EQ(fileName, "");
  EXPECT_EQ(extraFlags, 0);
}

TEST(FileDialogRun, SaveRequestAndConfirmedResult) {
  ScriptedRunner script;
  script.answer = {true, "/tracks/x.txt", "x.txt", 0x6, 1};
  std::string fileName = "/tracks/a.nltrack", fileTitle;
  int32_t filterIndex = 1, extraFlags = 0x40;
  EXPECT_TRUE(RunSaveDialog(script.Runner(), fileName, fileTitle, true, kFilter, filterIndex, "",
                            "Save Track As...", "nltrack", 12, extraFlags));
  EXPECT_EQ(script.seen.kind, FileDialogKind::Save);
  EXPECT_EQ(script.seen.flags, 0x6);
  EXPECT_EQ(script.seen.fileName, "/tracks/a.nltrack");
  EXPECT_EQ(script.seen.owner, 12);
  EXPECT_EQ(fileName, "/tracks/x.txt");
  EXPECT_EQ(fileTitle, "x.txt");
  EXPECT_EQ(extraFlags, 0x6);
}

TEST(FileDialogExtension, AddedToANameWithoutOne) {
  const struct {
    const char* path;
    const char* ext;
    const char* completed;
  } cases[] = {
      {"/tracks/coaster", "nltrack", "/tracks/coaster.nltrack"},
      {"/tracks/coaster.nltrack", "nltrack", "/tracks/coaster.nltrack"},
      {"/tracks/coaster.txt", "nltrack", "/tracks/coaster.txt"},
      {"/tracks.old/coaster", "nltrack", "/tracks.old/coaster.nltrack"},
      {"C:\\tracks.old\\coaster", "nltrack", "C:\\tracks.old\\coaster.nltrack"},
      {"/tracks/coaster", "", "/tracks/coaster"},
      {"/tracks/", "nltrack", "/tracks/"},
      {"", "nltrack", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WithDefaultExtension(c.path, c.ext), c.completed) << c.path;
}

}  // namespace
}  // namespace app
