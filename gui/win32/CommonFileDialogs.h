// The open and save dialogs on the Windows common dialogs (comdlg32, ANSI).
//
// The flags, the filter list and the handling of the result are the core's
// (gui/core/FileDialogs.h); this file only turns a request into the
// system's OPENFILENAMEA record and reads the record back.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <string>
#include <vector>

#include "gui/core/FileDialogs.h"

namespace gui::win32 {

// The record form without the fields that Windows 2000 added: 76 bytes in a
// 32-bit program, 136 in a 64-bit one. The dialogs accept it on every
// Windows version. (The system's macro is no constant expression, hence the
// check through offsetof.)
inline const DWORD kOpenFileNameSize = OPENFILENAME_SIZE_VERSION_400A;
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) ==
                  (sizeof(void*) == 8 ? 136 : 76),
              "the record without the Windows 2000 fields has an unexpected size");

// The file name and title buffers hold this many characters, terminating
// NUL included.
inline constexpr int kDialogTextCapacity = 260;

// A filled OPENFILENAMEA with the texts and buffers it points into. Not
// copyable: the record holds pointers into its own members.
class DialogRecord {
 public:
  explicit DialogRecord(const FileDialogRequest& request);
  DialogRecord(const DialogRecord&) = delete;
  DialogRecord& operator=(const DialogRecord&) = delete;

  OPENFILENAMEA& Record() { return record_; }
  const OPENFILENAMEA& Record() const { return record_; }

  // What the dialog left in the record; `confirmed` is its return value.
  FileDialogOutcome Outcome(bool confirmed) const;

 private:
  std::string filter_;       // NUL-separated pairs ending in two NULs
  std::string initialDir_;
  std::string dialogTitle_;
  std::string defaultExt_;
  std::vector<char> file_;   // kDialogTextCapacity characters and a guard NUL
  std::vector<char> title_;  // the same for the file title
  OPENFILENAMEA record_{};
};

// Shows the system dialog for `request` and reports what the user did. A
// dialog that cannot be shown counts as cancelled.
FileDialogOutcome RunCommonDialog(const FileDialogRequest& request);

class CommonFileDialogs : public RunnerFileDialogs {
 public:
  CommonFileDialogs() : RunnerFileDialogs(RunCommonDialog) {}
};

}  // namespace gui::win32
