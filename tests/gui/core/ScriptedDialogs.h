// A stand-in for the file dialogs: answers each with the next scripted path
// and records what it was asked. Shared by the controller and window tests.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "gui/core/MainController.h"

namespace app {

// Everything a dialog was called with.
struct DialogCall {
  std::string kind;  // "open" or "save"
  std::string fileName;
  bool fileMustExist = false, readOnly = false, hideReadOnly = false, overwritePrompt = false;
  std::string filter;
  int32_t filterIndex = 0;
  std::string initialDir, dialogTitle, defaultExt;
  WindowHandle owner = 0;
  int32_t extraFlags = 0;

  friend bool operator==(const DialogCall&, const DialogCall&) = default;
  friend std::ostream& operator<<(std::ostream& out, const DialogCall& c) {
    return out << c.kind << "(\"" << c.fileName << "\", mustExist " << c.fileMustExist
               << ", readOnly " << c.readOnly << ", hideReadOnly " << c.hideReadOnly
               << ", overwritePrompt " << c.overwritePrompt << ", \"" << c.filter << "\", "
               << c.filterIndex << ", \"" << c.initialDir << "\", \"" << c.dialogTitle << "\", \""
               << c.defaultExt << "\", owner " << c.owner << ", flags " << c.extraFlags << ")";
  }
};

class ScriptedDialogs : public FileDialogs {
 public:
  // The next dialog confirms `path`; std::nullopt (or no answer left) cancels.
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  const std::vector<DialogCall>& calls() const { return calls_; }

  bool ShowOpenDialog(std::string& FileName, std::string& FileTitle, bool FileMustExist,
                      bool& ReadOnly, bool HideReadOnly, const std::string& Filter,
                      int32_t& FilterIndex, const std::string& InitialDir,
                      const std::string& DialogTitle, const std::string& DefaultExt,
                      WindowHandle OwnerWindow, int32_t& ExtraFlags) override {
    calls_.push_back({"open", FileName, FileMustExist, ReadOnly, HideReadOnly, false, Filter,
                      FilterIndex, InitialDir, DialogTitle, DefaultExt, OwnerWindow, ExtraFlags});
    return ApplyOpenOutcome(NextOutcome(), FileName, FileTitle, ReadOnly, FilterIndex, ExtraFlags);
  }

  bool ShowSaveDialog(std::string& FileName, std::string& FileTitle, bool OverwritePrompt,
                      const std::string& Filter, int32_t& FilterIndex,
                      const std::string& InitialDir, const std::string& DialogTitle,
                      const std::string& DefaultExt, WindowHandle OwnerWindow,
                      int32_t& ExtraFlags) override {
    calls_.push_back({"save", FileName, false, false, false, OverwritePrompt, Filter, FilterIndex,
                      InitialDir, DialogTitle, DefaultExt, OwnerWindow, ExtraFlags});
    return ApplySaveOutcome(NextOutcome(), FileName, FileTitle, FilterIndex, ExtraFlags);
  }

 private:
  FileDialogOutcome NextOutcome() {
    FileDialogOutcome outcome;  // cancelled
    if (!answers_.empty() && answers_.front()) {
      const std::string& path = *answers_.front();
      outcome = {true, path, std::filesystem::path(path).filename().string(), 0, 1};
    }
    if (!answers_.empty()) answers_.pop_front();
    return outcome;
  }

  std::deque<std::optional<std::string>> answers_;
  std::vector<DialogCall> calls_;
};

}  // namespace app
