// The OPENFILENAMEA record the dialogs are shown with, and how it is read
// back; the dialogs themselves are driven by the window test under Wine.
#include "gui/win32/CommonFileDialogs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace app::win32 {
namespace {

std::string FilterBytes(const OPENFILENAMEA& record) {
  // Up to and including the empty entry that ends the list.
  const char* end = record.lpstrFilter;
  while (*end != '\0') end += std::strlen(end) + 1;
  return std::string(record.lpstrFilter, static_cast<size_t>(end - record.lpstrFilter + 1));
}

FileDialogRequest OpenRequestAsLoadTrackMakesIt() {
  return MakeOpenRequest("C:\\tracks\\old.nltrack", "", true, false, true,
                         "NoLimits Tracks (*.nltrack)|*.nltrack", 1, "", "Load Track...",
                         "nltrack", 0x00010002, 0);
}

TEST(CommonFileDialogs, TheRecordIsTheFormWithoutTheWindows2000Fields) {
  EXPECT_EQ(kOpenFileNameSize, sizeof(void*) == 8 ? 136u : 76u);
  DialogRecord dialog(OpenRequestAsLoadTrackMakesIt());
  EXPECT_EQ(dialog.record().lStructSize, kOpenFileNameSize);
  EXPECT_LT(kOpenFileNameSize, sizeof(OPENFILENAMEA));
}

TEST(CommonFileDialogs, TheOpenRecordCarriesTheRequest) {
  DialogRecord dialog(OpenRequestAsLoadTrackMakesIt());
  const OPENFILENAMEA& record = dialog.record();

  EXPECT_EQ(record.hwndOwner, ToHwnd(0x00010002));
  EXPECT_EQ(record.hInstance, nullptr);
  EXPECT_EQ(FilterBytes(record), std::string("NoLimits Tracks (*.nltrack)\0*.nltrack\0\0", 39));
  EXPECT_EQ(record.lpstrCustomFilter, nullptr);
  EXPECT_EQ(record.nMaxCustFilter, 0u);
  EXPECT_EQ(record.nFilterIndex, 1u);
  EXPECT_EQ(record.nMaxFile, 260u);
  EXPECT_STREQ(record.lpstrFile, "C:\\tracks\\old.nltrack");
  EXPECT_EQ(record.nMaxFileTitle, 260u);
  EXPECT_STREQ(record.lpstrFileTitle, "");
  EXPECT_EQ(record.lpstrInitialDir, nullptr);
  EXPECT_STREQ(record.lpstrTitle, "Load Track...");
  EXPECT_EQ(record.Flags, static_cast<DWORD>(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
  EXPECT_EQ(record.Flags, 0x1004u);
  EXPECT_EQ(record.nFileOffset, 0);
  EXPECT_EQ(record.nFileExtension, 0);
  EXPECT_STREQ(record.lpstrDefExt, "nltrack");
  EXPECT_EQ(record.lCustData, 0);
  EXPECT_EQ(record.lpfnHook, nullptr);
  EXPECT_EQ(record.lpTemplateName, nullptr);
}

TEST(CommonFileDialogs, TheSharedFlagValuesAreTheSystems) {
  EXPECT_EQ(kOfnReadOnly, OFN_READONLY);
  EXPECT_EQ(kOfnOverwritePrompt, OFN_OVERWRITEPROMPT);
  EXPECT_EQ(kOfnHideReadOnly, OFN_HIDEREADONLY);
  EXPECT_EQ(kOfnEnableHook, OFN_ENABLEHOOK);
  EXPECT_EQ(kOfnEnableTemplate, OFN_ENABLETEMPLATE);
  EXPECT_EQ(kOfnFileMustExist, OFN_FILEMUSTEXIST);
}

TEST(CommonFileDialogs, TheSaveRecordHasItsOwnFlagsAndAnInitialFolderWhenGiven) {
  DialogRecord dialog(MakeSaveRequest("", "", true, "A|*.a|B|*.b", 2, "C:\\tracks",
                                      "Save Track As...", "nltrack", kNoOwnerWindow, 0x80 | 0x60));
  const OPENFILENAMEA& record = dialog.record();
  EXPECT_EQ(record.hwndOwner, nullptr);
  EXPECT_EQ(record.Flags, static_cast<DWORD>(0x80 | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY));
  EXPECT_EQ(FilterBytes(record), std::string("A\0*.a\0B\0*.b\0\0", 13));
  EXPECT_EQ(record.nFilterIndex, 2u);
  EXPECT_STREQ(record.lpstrInitialDir, "C:\\tracks");
  EXPECT_STREQ(record.lpstrFile, "");
}

TEST(CommonFileDialogs, ANameTooLongForTheBufferIsNotProposed) {
  const std::string longest(259, 'a');
  DialogRecord fits(MakeOpenRequest(longest, "", true, false, true, "A|*.a", 1, "", "", "", 0, 0));
  EXPECT_EQ(std::string(fits.record().lpstrFile), longest);
  DialogRecord tooLong(
      MakeOpenRequest(longest + "a", "", true, false, true, "A|*.a", 1, "", "", "", 0, 0));
  EXPECT_STREQ(tooLong.record().lpstrFile, "");
}

TEST(CommonFileDialogs, AConfirmedDialogHandsBackWhatItLeftInTheRecord) {
  DialogRecord dialog(OpenRequestAsLoadTrackMakesIt());
  OPENFILENAMEA& record = dialog.record();
  // What the system writes: texts NUL-terminated in the buffers, with
  // leftovers of the proposed name behind them.
  std::memcpy(record.lpstrFile, "C:\\t\\a.nltrack", 15);
  std::strcpy(record.lpstrFileTitle, "a.nltrack");
  record.Flags |= OFN_READONLY;
  record.nFilterIndex = 1;

  const FileDialogOutcome outcome = dialog.Outcome(true);
  EXPECT_TRUE(outcome.confirmed);
  EXPECT_EQ(outcome.fileName, "C:\\t\\a.nltrack");
  EXPECT_EQ(outcome.fileTitle, "a.nltrack");
  EXPECT_EQ(outcome.flags, 0x1005);
  EXPECT_EQ(outcome.filterIndex, 1);
}

TEST(CommonFileDialogs, ABufferFilledToTheLastCharacterStaysTerminated) {
  DialogRecord dialog(OpenRequestAsLoadTrackMakesIt());
  std::memset(dialog.record().lpstrFile, 'x', dialog.record().nMaxFile);
  EXPECT_EQ(dialog.Outcome(true).fileName, std::string(260, 'x'));
}

TEST(CommonFileDialogs, ACancelledDialogReportsNothing) {
  DialogRecord dialog(OpenRequestAsLoadTrackMakesIt());
  const FileDialogOutcome outcome = dialog.Outcome(false);
  EXPECT_FALSE(outcome.confirmed);
  EXPECT_EQ(outcome.fileName, "");
  EXPECT_EQ(outcome.flags, 0);

  // Through the shared result handling: the caller's name is emptied.
  std::string name = "C:\\kept.nltrack", title = "kept";
  bool readOnly = false;
  int32_t filterIndex = 1, flags = 0x1004;
  EXPECT_FALSE(ApplyOpenOutcome(outcome, name, title, readOnly, filterIndex, flags));
  EXPECT_EQ(name, "");
  EXPECT_EQ(title, "");
  EXPECT_EQ(flags, 0);
}

}  // namespace
}  // namespace app::win32
