#include "gui/core/FileDialogLogic.h"

#include <algorithm>

namespace app {

namespace {

// A hook procedure or a dialog template would need resources this program
// does not have, so those bits never reach the system dialog.
int32_t PassedOnExtraFlags(int32_t extraFlags) {
  return extraFlags & ~(kOfnEnableHook | kOfnEnableTemplate);
}

FileDialogRequest MakeRequest(FileDialogKind kind, const std::string& fileName,
                              const std::string& fileTitle, int32_t flags,
                              const std::string& filter, int32_t filterIndex,
                              const std::string& initialDir, const std::string& dialogTitle,
                              const std::string& defaultExt, WindowHandle ownerWindow) {
  FileDialogRequest request;
  request.kind = kind;
  request.fileName = fileName;
  request.fileTitle = fileTitle;
  request.filter = ConvertFilter(filter);
  request.filters = ParseFilterList(request.filter);
  request.filterIndex = filterIndex;
  request.initialDir = initialDir;
  request.dialogTitle = dialogTitle;
  request.defaultExt = defaultExt;
  request.owner = DialogOwner(ownerWindow);
  request.flags = flags;
  return request;
}

// The part both dialogs share: cancel empties the names and the flags.
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

int32_t OpenDialogFlags(bool fileMustExist, bool readOnly, bool hideReadOnly, int32_t extraFlags) {
  int32_t flags = PassedOnExtraFlags(extraFlags);
  if (fileMustExist) flags |= kOfnFileMustExist;
  if (readOnly) flags |= kOfnReadOnly;
  if (hideReadOnly) flags |= kOfnHideReadOnly;
  return flags;
}

int32_t SaveDialogFlags(bool overwritePrompt, int32_t extraFlags) {
  // A save dialog never offers the read-only box.
  int32_t flags = PassedOnExtraFlags(extraFlags) | kOfnHideReadOnly;
  if (overwritePrompt) flags |= kOfnOverwritePrompt;
  return flags;
}

std::string ConvertFilter(const std::string& filter) {
  std::string converted = filter;
  std::replace(converted.begin(), converted.end(), '|', '\0');
  std::replace(converted.begin(), converted.end(), ':', '\0');
  converted.append(2, '\0');
  return converted;
}

std::vector<FilterPair> ParseFilterList(const std::string& converted) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start < converted.size()) {
    const size_t end = std::min(converted.find('\0', start), converted.size());
    if (end == start) break;  // an empty entry ends the list
    entries.push_back(converted.substr(start, end - start));
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

WindowHandle DialogOwner(WindowHandle ownerWindow) {
  return ownerWindow == kNoOwnerWindow ? 0 : ownerWindow;
}

std::vector<char> DialogTextBuffer(const std::string& text, int capacity) {
  std::vector<char> buffer(static_cast<size_t>(std::max(capacity, 1)), '\0');
  if (text.size() < buffer.size()) std::copy(text.begin(), text.end(), buffer.begin());
  return buffer;
}

FileDialogRequest MakeOpenRequest(const std::string& FileName, const std::string& FileTitle,
                                  bool FileMustExist, bool ReadOnly, bool HideReadOnly,
                                  const std::string& Filter, int32_t FilterIndex,
                                  const std::string& InitialDir, const std::string& DialogTitle,
                                  const std::string& DefaultExt, WindowHandle OwnerWindow,
                                  int32_t ExtraFlags) {
  return MakeRequest(FileDialogKind::Open, FileName, FileTitle,
                     OpenDialogFlags(FileMustExist, ReadOnly, HideReadOnly, ExtraFlags), Filter,
                     FilterIndex, InitialDir, DialogTitle, DefaultExt, OwnerWindow);
}

FileDialogRequest MakeSaveRequest(const std::string& FileName, const std::string& FileTitle,
                                  bool OverwritePrompt, const std::string& Filter,
                                  int32_t FilterIndex, const std::string& InitialDir,
                                  const std::string& DialogTitle, const std::string& DefaultExt,
                                  WindowHandle OwnerWindow, int32_t ExtraFlags) {
  return MakeRequest(FileDialogKind::Save, FileName, FileTitle,
                     SaveDialogFlags(OverwritePrompt, ExtraFlags), Filter, FilterIndex, InitialDir,
                     DialogTitle, DefaultExt, OwnerWindow);
}

bool ApplyOpenOutcome(const FileDialogOutcome& outcome, std::string& FileName,
                      std::string& FileTitle, bool& ReadOnly, int32_t& FilterIndex,
                      int32_t& ExtraFlags) {
  if (!ApplyOutcome(outcome, FileName, FileTitle, FilterIndex, ExtraFlags)) return false;
  if ((outcome.flags & kOfnReadOnly) != 0) ReadOnly = true;
  return true;
}

bool ApplySaveOutcome(const FileDialogOutcome& outcome, std::string& FileName,
                      std::string& FileTitle, int32_t& FilterIndex, int32_t& ExtraFlags) {
  return ApplyOutcome(outcome, FileName, FileTitle, FilterIndex, ExtraFlags);
}

bool RunOpenDialog(const FileDialogRunner& run, std::string& FileName, std::string& FileTitle,
                   bool FileMustExist, bool& ReadOnly, bool HideReadOnly, const std::string& Filter,
                   int32_t& FilterIndex, const std::string& InitialDir,
                   const std::string& DialogTitle, const std::string& DefaultExt,
                   WindowHandle OwnerWindow, int32_t& ExtraFlags) {
  const FileDialogRequest request =
      MakeOpenRequest(FileName, FileTitle, FileMustExist, ReadOnly, HideReadOnly, Filter,
                      FilterIndex, InitialDir, DialogTitle, DefaultExt, OwnerWindow, ExtraFlags);
  return ApplyOpenOutcome(run(request), FileName, FileTitle, ReadOnly, FilterIndex, ExtraFlags);
}

bool RunSaveDialog(const FileDialogRunner& run, std::string& FileName, std::string& FileTitle,
                   bool OverwritePrompt, const std::string& Filter, int32_t& FilterIndex,
                   const std::string& InitialDir, const std::string& DialogTitle,
                   const std::string& DefaultExt, WindowHandle OwnerWindow, int32_t& ExtraFlags) {
  const FileDialogRequest request =
      MakeSaveRequest(FileName, FileTitle, OverwritePrompt, Filter, FilterIndex, InitialDir,
                      DialogTitle, DefaultExt, OwnerWindow, ExtraFlags);
  return ApplySaveOutcome(run(request), FileName, FileTitle, FilterIndex, ExtraFlags);
}

}  // namespace app
