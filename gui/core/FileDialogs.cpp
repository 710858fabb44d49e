#include "gui/core/FileDialogs.h"

#include <algorithm>
#include <utility>

namespace gui {

namespace {

// A hook procedure or a dialog template would need resources this program
// does not have, so those bits never reach the system dialog.
int32_t PassedOnExtraFlags(int32_t extraFlags) {
  return extraFlags & ~(kOfnEnableHook | kOfnEnableTemplate);
}

// What both dialogs hand back: on a cancel, empty names and no flags.
bool ApplyOutcome(const FileDialogOutcome& outcome, std::string& fileName, std::string& fileTitle,
                  int32_t& filterIndex, int32_t& extraFlags) {
  if (!outcome.confirmed) {
    fileName.clear();
    fileTitle.clear();
    extraFlags = 0;
    return false;
  }
  fileName = outcome.fileName;
  fileTitle = outcome.fileTitle;
  extraFlags = outcome.flags;
  filterIndex = outcome.filterIndex;
  return true;
}

}  // namespace

std::vector<FilterPair> ParseFilter(const std::string& filter) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start < filter.size()) {
    const size_t end = std::min(filter.find_first_of("|:", start), filter.size());
    if (end == start) break;  // an empty entry ends the list
    entries.push_back(filter.substr(start, end - start));
    start = end + 1;
  }
  std::vector<FilterPair> pairs;
  for (size_t i = 0; i + 1 < entries.size(); i += 2) {
    pairs.push_back({entries[i], entries[i + 1]});
  }
  return pairs;
}

int32_t PreselectedFilter(int32_t filterIndex, size_t filterCount) {
  if (filterCount == 0) return 0;
  if (filterIndex >= 1 && static_cast<size_t>(filterIndex) <= filterCount) return filterIndex;
  return 1;
}

std::string WithDefaultExtension(const std::string& path, const std::string& defaultExt) {
  const size_t lastSeparator = path.find_last_of("/\\");
  const size_t nameStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
  if (defaultExt.empty() || nameStart == path.size() ||
      path.find('.', nameStart) != std::string::npos) {
    return path;
  }
  return path + "." + defaultExt;
}

std::string ReplaceQuestion(const std::string& path) {
  const size_t lastSeparator = path.find_last_of("/\\");
  const std::string name = lastSeparator == std::string::npos ? path : path.substr(lastSeparator + 1);
  return name + " already exists.\nDo you want to replace it?";
}

RunnerFileDialogs::RunnerFileDialogs(FileDialogRunner runner) : runner_(std::move(runner)) {}

bool RunnerFileDialogs::ShowOpenDialog(std::string& FileName, std::string& FileTitle,
                                       bool FileMustExist, bool& ReadOnly, bool HideReadOnly,
                                       const std::string& Filter, int32_t& FilterIndex,
                                       const std::string& InitialDir,
                                       const std::string& DialogTitle,
                                       const std::string& DefaultExt, WindowHandle OwnerWindow,
                                       int32_t& ExtraFlags) {
  int32_t flags = PassedOnExtraFlags(ExtraFlags);
  if (FileMustExist) flags |= kOfnFileMustExist;
  if (ReadOnly) flags |= kOfnReadOnly;
  if (HideReadOnly) flags |= kOfnHideReadOnly;
  const FileDialogOutcome outcome =
      runner_({FileDialogKind::Open, FileName, FileTitle, ParseFilter(Filter), FilterIndex,
               InitialDir, DialogTitle, DefaultExt, OwnerWindow, flags});
  if (!ApplyOutcome(outcome, FileName, FileTitle, FilterIndex, ExtraFlags)) return false;
  if ((outcome.flags & kOfnReadOnly) != 0) ReadOnly = true;
  return true;
}

bool RunnerFileDialogs::ShowSaveDialog(std::string& FileName, std::string& FileTitle,
                                       bool OverwritePrompt, const std::string& Filter,
                                       int32_t& FilterIndex, const std::string& InitialDir,
                                       const std::string& DialogTitle,
                                       const std::string& DefaultExt, WindowHandle OwnerWindow,
                                       int32_t& ExtraFlags) {
  // A save dialog never offers the read-only box.
  int32_t flags = PassedOnExtraFlags(ExtraFlags) | kOfnHideReadOnly;
  if (OverwritePrompt) flags |= kOfnOverwritePrompt;
  const FileDialogOutcome outcome =
      runner_({FileDialogKind::Save, FileName, FileTitle, ParseFilter(Filter), FilterIndex,
               InitialDir, DialogTitle, DefaultExt, OwnerWindow, flags});
  return ApplyOutcome(outcome, FileName, FileTitle, FilterIndex, ExtraFlags);
}

}  // namespace gui
