#include "gui/win32/CommonFileDialogs.h"

#include <algorithm>

namespace gui::win32 {

namespace {

// An empty text is passed as no text, so the dialog uses its default (the
// current folder, the "Open"/"Save As" caption, no extension added).
const char* TextOrNone(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// The flags' values are the system's.
static_assert(kOfnReadOnly == OFN_READONLY && kOfnOverwritePrompt == OFN_OVERWRITEPROMPT &&
              kOfnHideReadOnly == OFN_HIDEREADONLY && kOfnEnableHook == OFN_ENABLEHOOK &&
              kOfnEnableTemplate == OFN_ENABLETEMPLATE && kOfnFileMustExist == OFN_FILEMUSTEXIST);

// The list the system reads: description, NUL, pattern, NUL, for each
// entry, and one more NUL at the end.
std::string FilterList(const std::vector<FilterPair>& filters) {
  std::string list;
  for (const FilterPair& filter : filters) {
    list += filter.description + '\0' + filter.pattern + '\0';
  }
  list += '\0';
  if (filters.empty()) list += '\0';  // an empty list still ends in two NULs
  return list;
}

// A NUL-padded buffer of kDialogTextCapacity characters holding `text`, and
// one more NUL behind them that keeps it terminated whatever the dialog
// writes. Text that does not fit with its own NUL is not proposed (the
// buffer starts empty), rather than proposing a cut-off name.
std::vector<char> GuardedBuffer(const std::string& text) {
  std::vector<char> buffer(kDialogTextCapacity + 1, '\0');
  if (text.size() < kDialogTextCapacity) std::copy(text.begin(), text.end(), buffer.begin());
  return buffer;
}

// The text at the front of a buffer, measured the way the system measures it.
std::string BufferText(const char* buffer) {
  return std::string(buffer, static_cast<size_t>(lstrlenA(buffer)));
}

}  // namespace

DialogRecord::DialogRecord(const FileDialogRequest& request)
    : filter_(FilterList(request.filters)),
      initialDir_(request.initialDir),
      dialogTitle_(request.dialogTitle),
      defaultExt_(request.defaultExt),
      file_(GuardedBuffer(request.fileName)),
      title_(GuardedBuffer(request.fileTitle)) {
  record_.lStructSize = kOpenFileNameSize;
  record_.hwndOwner = static_cast<HWND>(request.owner);
  record_.hInstance = nullptr;
  record_.lpstrFilter = filter_.c_str();  // ends in two NULs of its own
  record_.lpstrCustomFilter = nullptr;
  record_.nMaxCustFilter = 0;
  record_.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  record_.lpstrFile = file_.data();
  record_.nMaxFile = kDialogTextCapacity;
  record_.lpstrFileTitle = title_.data();
  record_.nMaxFileTitle = kDialogTextCapacity;
  record_.lpstrInitialDir = TextOrNone(initialDir_);
  record_.lpstrTitle = TextOrNone(dialogTitle_);
  record_.Flags = static_cast<DWORD>(request.flags);
  record_.nFileOffset = 0;
  record_.nFileExtension = 0;
  record_.lpstrDefExt = TextOrNone(defaultExt_);
  record_.lCustData = 0;
  record_.lpfnHook = nullptr;
  record_.lpTemplateName = nullptr;
}

FileDialogOutcome DialogRecord::Outcome(bool confirmed) const {
  FileDialogOutcome outcome;
  outcome.confirmed = confirmed;
  if (!confirmed) return outcome;
  outcome.fileName = BufferText(record_.lpstrFile);
  outcome.fileTitle = BufferText(record_.lpstrFileTitle);
  outcome.flags = static_cast<int32_t>(record_.Flags);
  outcome.filterIndex = static_cast<int32_t>(record_.nFilterIndex);
  return outcome;
}

FileDialogOutcome RunCommonDialog(const FileDialogRequest& request) {
  DialogRecord dialog(request);
  const BOOL chosen = request.kind == FileDialogKind::Open ? GetOpenFileNameA(&dialog.Record())
                                                           : GetSaveFileNameA(&dialog.Record());
  return dialog.Outcome(chosen != FALSE);
}

}  // namespace gui::win32
