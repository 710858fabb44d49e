// The OPENFILENAMEA record the dialogs are shown with, and how it is read
// back; the dialogs themselves are driven by window_probe under Wine.
#include "gui/win32/CommonFileDialogs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace gui::win32 {
namespace {

std::string FilterBytes(const OPENFILENAMEA& record) {
  // Up to and including the empty entry that ends the list.
  const char* end = record.lpstrFilter;
  while (*end != '\0') end += std::strlen(end) + 1;
  return std::string(record.lpstrFilter, static_cast<size_t>(end - record.lpstrFilter + 1));
}

// The request "Load Track" makes, as the core hands it to the skin.
FileDialogRequest LoadTrackRequest() {
  FileDialogRequest request;
  request.kind = FileDialogKind::Open;
  request.fileName = "C:\\tracks\\old.nltrack";
  request.filters = {{"NoLimits Tracks (*.nltrack)", "*.nltrack"}};
  request.dialogTitle = "Load Track...";
  request.defaultExt = "nltrack";
  request.owner = GetDesktopWindow();
  request.flags = 0x1004;
  return request;
}

TEST(CommonFileDialogs, TheRecordIsWhatTheSystemDialogReads) {
  DialogRecord dialog(LoadTrackRequest());
  const OPENFILENAMEA& record = dialog.Record();
  EXPECT_EQ(record.lStructSize, kOpenFileNameSize);
  EXPECT_EQ(record.hwndOwner, GetDesktopWindow());
  EXPECT_EQ(FilterBytes(record), std::string("NoLimits Tracks (*.nltrack)\0*.nltrack\0\0", 39));
  EXPECT_EQ(record.nFilterIndex, 1u);
  // The proposed name in a buffer of 260 characters, the title buffer empty.
  EXPECT_EQ(record.nMaxFile, 260u);
  EXPECT_STREQ(record.lpstrFile, "C:\\tracks\\old.nltrack");
  EXPECT_EQ(record.nMaxFileTitle, 260u);
  EXPECT_STREQ(record.lpstrFileTitle, "");
  EXPECT_EQ(record.lpstrInitialDir, nullptr);  // the system's default folder
  EXPECT_STREQ(record.lpstrTitle, "Load Track...");
  EXPECT_EQ(record.Flags, static_cast<DWORD>(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
  EXPECT_STREQ(record.lpstrDefExt, "nltrack");
  EXPECT_EQ(record.lpfnHook, nullptr);
  EXPECT_EQ(record.lpTemplateName, nullptr);

  FileDialogRequest save;
  save.kind = FileDialogKind::Save;
  save.filters = {{"A", "*.a"}, {"B", "*.b"}};
  save.filterIndex = 2;
  save.initialDir = "C:\\tracks";
  DialogRecord saveDialog(save);
  EXPECT_EQ(saveDialog.Record().hwndOwner, nullptr);
  EXPECT_EQ(FilterBytes(saveDialog.Record()), std::string("A\0*.a\0B\0*.b\0\0", 13));
  EXPECT_EQ(saveDialog.Record().nFilterIndex, 2u);
  EXPECT_STREQ(saveDialog.Record().lpstrInitialDir, "C:\\tracks");
  EXPECT_STREQ(saveDialog.Record().lpstrFile, "");
}

TEST(CommonFileDialogs, ANameTooLongForTheBufferIsNotProposed) {
  FileDialogRequest request = LoadTrackRequest();
  const std::string longest(259, 'a');
  request.fileName = longest;
  DialogRecord fits(request);
  EXPECT_EQ(std::string(fits.Record().lpstrFile), longest);
  request.fileName = longest + "a";
  DialogRecord tooLong(request);
  EXPECT_STREQ(tooLong.Record().lpstrFile, "");
}

TEST(CommonFileDialogs, AConfirmedDialogHandsBackWhatItLeftInTheRecord) {
  DialogRecord dialog(LoadTrackRequest());
  OPENFILENAMEA& record = dialog.Record();
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

  EXPECT_FALSE(dialog.Outcome(false).confirmed);
}

TEST(CommonFileDialogs, ABufferFilledToTheLastCharacterStaysTerminated) {
  DialogRecord dialog(LoadTrackRequest());
  std::memset(dialog.Record().lpstrFile, 'x', dialog.Record().nMaxFile);
  EXPECT_EQ(dialog.Outcome(true).fileName, std::string(260, 'x'));
}

}  // namespace
}  // namespace gui::win32
