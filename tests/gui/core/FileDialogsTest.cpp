#include "gui/core/FileDialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gui {
namespace {

const std::string kFilter = "NoLimits Tracks (*.nltrack)|*.nltrack";
using Pairs = std::vector<FilterPair>;

// The core's dialogs around a runner that records the request and answers
// with a set outcome, as a skin's dialog would.
struct ScriptedRunner {
  FileDialogOutcome answer;  // cancelled unless set
  FileDialogRequest seen;
  RunnerFileDialogs dialogs{[this](const FileDialogRequest& request) {
    seen = request;
    return answer;
  }};
};

TEST(FileDialogFilter, PairsAreReadLikeTheSystemDialogReadsThem) {
  const struct {
    std::string filter;
    Pairs pairs;
  } cases[] = {
      {kFilter, {{"NoLimits Tracks (*.nltrack)", "*.nltrack"}}},
      {"Tracks|*.nltrack|All files|*.*", {{"Tracks", "*.nltrack"}, {"All files", "*.*"}}},
      // ":" separates like "|", so a description holding one is cut in two.
      {"Tracks:*.nltrack", {{"Tracks", "*.nltrack"}}},
      {"Tracks: all|*.nltrack", {{"Tracks", " all"}}},
      // A description without its pattern is dropped; an empty entry ends the list.
      {"A|*.a|B", {{"A", "*.a"}}},
      {"A|*.a||B|*.b", {{"A", "*.a"}}},
      {"|*.a", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseFilter(c.filter), c.pairs) << c.filter;
}

TEST(FileDialogFilter, PreselectionFallsBackToTheFirstEntry) {
  EXPECT_EQ(PreselectedFilter(2, 2), 2);
  EXPECT_EQ(PreselectedFilter(1, 2), 1);
  EXPECT_EQ(PreselectedFilter(0, 2), 1);
  EXPECT_EQ(PreselectedFilter(3, 2), 1);
  EXPECT_EQ(PreselectedFilter(-4, 2), 1);
  EXPECT_EQ(PreselectedFilter(1, 0), 0);
}

// The flags a dialog is shown with: the options asked for, plus the caller's
// extra flags without the hook and template bits.
TEST(FileDialogRun, TheDialogRunsWithTheOptionsAskedForAndTheCallersOtherBits) {
  const struct {
    bool mustExist, readOnly, hideReadOnly;
    int32_t extraFlags, shownWith;
  } opens[] = {
      {true, false, true, 0, 0x1004},  // as "Load Track" asks
      {false, true, false, 0, kOfnReadOnly},
      {false, false, false, 0x60, 0},
      {false, false, false, 0x80, 0x80},
      {true, false, true, 0x60 | 0x80 | 0x200000, 0x1004 | 0x80 | 0x200000},
  };
  for (const auto& c : opens) {
    ScriptedRunner script;
    std::string fileName, fileTitle;
    bool readOnly = c.readOnly;
    int32_t filterIndex = 1, extraFlags = c.extraFlags;
    script.dialogs.ShowOpenDialog(fileName, fileTitle, c.mustExist, readOnly, c.hideReadOnly,
                                  kFilter, filterIndex, "", "", "", kNoOwnerWindow, extraFlags);
    EXPECT_EQ(script.seen.kind, FileDialogKind::Open);
    EXPECT_EQ(script.seen.flags, c.shownWith) << "extra flags " << c.extraFlags;
  }
  const struct {
    bool overwritePrompt;
    int32_t extraFlags, shownWith;
  } saves[] = {
      {true, 0, 0x6},  // as "Save Track" asks
      {false, 0, kOfnHideReadOnly},  // a save never offers the read-only box
      {true, 0x60, 0x6},
      {true, 0x80, 0x86},
      {false, -1, -1 & ~0x60},  // a negative (high-bit) value keeps its other bits
  };
  for (const auto& c : saves) {
    ScriptedRunner script;
    std::string fileName, fileTitle;
    int32_t filterIndex = 1, extraFlags = c.extraFlags;
    script.dialogs.ShowSaveDialog(fileName, fileTitle, c.overwritePrompt, kFilter, filterIndex, "",
                                  "", "", kNoOwnerWindow, extraFlags);
    EXPECT_EQ(script.seen.kind, FileDialogKind::Save);
    EXPECT_EQ(script.seen.flags, c.shownWith) << "extra flags " << c.extraFlags;
  }
}

TEST(FileDialogRun, AConfirmedOpenSeesTheRequestAndHandsBackTheAnswer) {
  ScriptedRunner script;
  script.answer = {true, "/tracks/new.nltrack", "new.nltrack", 0x1004 | 0x80, 1};
  std::string fileName = "/tracks/old.nltrack", fileTitle;
  bool readOnly = false;
  int32_t filterIndex = 2, extraFlags = 0x80;
  int owner = 0;
  EXPECT_TRUE(script.dialogs.ShowOpenDialog(fileName, fileTitle, true, readOnly, true,
                                            "Tracks|*.nltrack|All|*.*", filterIndex, "/tracks",
                                            "Load Track...", "nltrack", &owner, extraFlags));
  const FileDialogRequest expected{FileDialogKind::Open,
                                   "/tracks/old.nltrack",
                                   "",
                                   {{"Tracks", "*.nltrack"}, {"All", "*.*"}},
                                   2,
                                   "/tracks",
                                   "Load Track...",
                                   "nltrack",
                                   &owner,
                                   0x1004 | 0x80};
  EXPECT_TRUE(script.seen == expected);
  // The caller gets back the dialog's path, title, flags and filter.
  EXPECT_EQ(fileName, "/tracks/new.nltrack");
  EXPECT_EQ(fileTitle, "new.nltrack");
  EXPECT_EQ(extraFlags, 0x1004 | 0x80);
  EXPECT_EQ(filterIndex, 1);
  EXPECT_FALSE(readOnly);  // hidden box, not ticked

  // Left ticked, the box turns ReadOnly true; it never turns it back.
  script.answer.flags = kOfnReadOnly;
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_TRUE(script.dialogs.ShowOpenDialog(fileName, fileTitle, true, readOnly, false, kFilter,
                                              filterIndex, "", "", "", kNoOwnerWindow, extraFlags));
    EXPECT_TRUE(readOnly);
    script.answer.flags = 0;
  }
}

TEST(FileDialogRun, ACancelEmptiesTheNamesAndTheFlagsAndReturnsFalse) {
  ScriptedRunner script;  // answers "cancelled"
  std::string fileName = "/tracks/kept.nltrack", fileTitle = "kept.nltrack";
  bool readOnly = true;
  int32_t filterIndex = 2, extraFlags = 0x80;
  EXPECT_FALSE(script.dialogs.ShowOpenDialog(fileName, fileTitle, true, readOnly, true, kFilter,
                                             filterIndex, "", "", "nltrack", kNoOwnerWindow,
                                             extraFlags));
  EXPECT_EQ(fileName, "");
  EXPECT_EQ(fileTitle, "");
  EXPECT_EQ(extraFlags, 0);
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(filterIndex, 2);

  fileName = "/tracks/kept.nltrack";
  fileTitle = "kept.nltrack";
  extraFlags = 0x80;
  EXPECT_FALSE(script.dialogs.ShowSaveDialog(fileName, fileTitle, true, kFilter, filterIndex, "",
                                             "", "nltrack", kNoOwnerWindow, extraFlags));
  EXPECT_EQ(fileName, "");
  EXPECT_EQ(fileTitle, "");
  EXPECT_EQ(extraFlags, 0);
}

TEST(FileDialogRun, AConfirmedSaveHandsBackTheChosenName) {
  ScriptedRunner script;
  script.answer = {true, "/tracks/x.txt", "x.txt", 0x6, 1};
  std::string fileName = "/tracks/a.nltrack", fileTitle;
  int32_t filterIndex = 1, extraFlags = 0;
  EXPECT_TRUE(script.dialogs.ShowSaveDialog(fileName, fileTitle, true, kFilter, filterIndex, "",
                                            "Save Track As...", "nltrack", kNoOwnerWindow,
                                            extraFlags));
  EXPECT_EQ(script.seen.fileName, "/tracks/a.nltrack");
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
}  // namespace gui
