#include "app/FileDialogLogic.h"

#include <gtest/gtest.h>

#include <string>

namespace app {
namespace {

using namespace std::string_literals;

const std::string kFilter = "NoLimits Tracks (*.nltrack)|*.nltrack";

TEST(file_dialog_flags, open_and_save_with_the_commands_options) {
  EXPECT_EQ(OpenDialogFlags(true, false, true, 0), 0x1004);
  EXPECT_EQ(SaveDialogFlags(true, 0), 0x6);
  EXPECT_EQ(OpenDialogFlags(false, true, false, 0), kOfnReadOnly);
  // The save dialog hides the read-only box whatever the caller asks.
  EXPECT_EQ(SaveDialogFlags(false, 0), kOfnHideReadOnly);
}

TEST(file_dialog_flags, hook_and_template_are_dropped_other_caller_bits_pass) {
  EXPECT_EQ(OpenDialogFlags(false, false, false, 0x60), 0);
  EXPECT_EQ(OpenDialogFlags(false, false, false, 0x80), 0x80);
  EXPECT_EQ(OpenDialogFlags(true, false, true, 0x60 | 0x80 | 0x200000), 0x1004 | 0x80 | 0x200000);
  EXPECT_EQ(SaveDialogFlags(true, 0x60), 0x6);
  EXPECT_EQ(SaveDialogFlags(true, 0x80), 0x86);
  // A negative (high-bit) caller value keeps its other bits.
  EXPECT_EQ(SaveDialogFlags(false, -1), -1 & ~0x60);
}

TEST(file_dialog_filter, converts_to_nul_separated_pairs_ending_in_two_nuls) {
  EXPECT_EQ(ConvertFilter(kFilter), "NoLimits Tracks (*.nltrack)\0*.nltrack\0\0"s);
  EXPECT_EQ(ParseFilterList(ConvertFilter(kFilter)),
            (std::vector<FilterPair>{{"NoLimits Tracks (*.nltrack)", "*.nltrack"}}));
  EXPECT_EQ(ConvertFilter(""), "\0\0"s);
  EXPECT_TRUE(ParseFilterList(ConvertFilter("")).empty());
}

TEST(file_dialog_filter, pairs_are_read_like_the_system_dialog_reads_them) {
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

TEST(file_dialog_filter, colon_splits_like_a_bar) {
  EXPECT_EQ(ConvertFilter("Tracks:*.nltrack"), ConvertFilter("Tracks|*.nltrack"));
  // A description holding ":" is cut in two, and the pairs shift.
  const auto pairs = ParseFilterList(ConvertFilter("Tracks: all|*.nltrack"));
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0], (FilterPair{"Tracks", " all"}));
}

TEST(file_dialog_filter, preselection_falls_back_to_the_first_entry) {
  EXPECT_EQ(PreselectedFilter(1, 2), 1);
  EXPECT_EQ(PreselectedFilter(0, 2), 1);
  EXPECT_EQ(PreselectedFilter(3, 2), 1);
  EXPECT_EQ(PreselectedFilter(-4, 2), 1);
  EXPECT_EQ(PreselectedFilter(1, 0), 0);
}

TEST(file_dialog_buffers, names_are_padded_to_the_system_buffer_or_not_proposed) {
  const auto buffer = DialogTextBuffer("/tracks/a.nltrack");
  ASSERT_EQ(buffer.size(), 260u);
  EXPECT_EQ(TextBeforeNul(buffer.data(), buffer.size()), "/tracks/a.nltrack");
  EXPECT_EQ(buffer.back(), '\0');

  const std::string longest(259, 'x');
  EXPECT_EQ(TextBeforeNul(DialogTextBuffer(longest).data(), 260), longest);
  EXPECT_EQ(TextBeforeNul(DialogTextBuffer(longest + "y").data(), 260), "");
  // A buffer the dialog filled to the end without a NUL is read to its end.
  const std::string full(8, 'z');
  EXPECT_EQ(TextBeforeNul(full.data(), full.size()), full);
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

TEST(file_dialog_run, open_request_carries_every_argument) {
  ScriptedRunner script;
  std::string fileName = "/tracks/old.nltrack", fileTitle;
  bool readOnly = false;
  int32_t filterIndex = 2, extraFlags = 0x60 | 0x80;
  RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, true,
                "Tracks|*.nltrack|All|*.*", filterIndex, "/tracks", "Load Track...", "nltrack",
                kNoOwnerWindow, extraFlags);
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

  int32_t ownerFlags = 0;
  RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, true, kFilter, filterIndex,
                "", "", "", 4711, ownerFlags);
  EXPECT_EQ(script.seen.owner, 4711);
}

TEST(file_dialog_run, confirmed_open_hands_back_path_title_flags_and_filter) {
  ScriptedRunner script;
  script.answer = {true, "/tracks/new.nltrack", "new.nltrack", 0x1004 | 0x80, 2};
  std::string fileName, fileTitle;
  bool readOnly = false;
  int32_t filterIndex = 1, extraFlags = 0x80;
  EXPECT_TRUE(RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, true, kFilter,
                            filterIndex, "", "Load Track...", "nltrack", kNoOwnerWindow, extraFlags));
  EXPECT_EQ(fileName, "/tracks/new.nltrack");
  EXPECT_EQ(fileTitle, "new.nltrack");
  EXPECT_EQ(extraFlags, 0x1004 | 0x80);
  EXPECT_EQ(filterIndex, 2);
  EXPECT_FALSE(readOnly);  // hidden box, not ticked

  // Left ticked, the box turns ReadOnly true; it never turns it back.
  script.answer.flags = kOfnReadOnly;
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_TRUE(RunOpenDialog(script.Runner(), fileName, fileTitle, true, readOnly, false, kFilter,
                              filterIndex, "", "", "", kNoOwnerWindow, extraFlags));
    EXPECT_TRUE(readOnly);
    script.answer.flags = 0;
  }
}

TEST(file_dialog_run, cancel_empties_names_and_flags_and_returns_false) {
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

TEST(file_dialog_run, save_request_and_confirmed_result) {
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

TEST(file_dialog_extension, added_to_a_name_without_one) {
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
