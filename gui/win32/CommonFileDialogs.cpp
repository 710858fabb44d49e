#include "gui/win32/CommonFileDialogs.h"

namespace app::win32 {

namespace {

// An empty text is passed as no text, so the dialog uses its default (the
// current folder, the "Open"/"Save As" caption, no extension added).
const char* TextOrNone(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// The dialog sees kDialogTextCapacity characters; one more NUL behind them
// keeps the buffer terminated whatever the dialog writes.
std::vector<char> GuardedBuffer(const std::string& text) {
  std::vector<char> buffer = DialogTextBuffer(text, kDialogTextCapacity);
  buffer.push_back('\0');
  return buffer;
}

// The text at the front of a buffer, measured the way the system measures it.
std::string BufferText(const char* buffer) {
  return std::string(buffer, static_cast<size_t>(lstrlenA(buffer)));
}

}  // namespace

DialogRecord::DialogRecord(const FileDialogRequest& request)
    : filter_(request.filter),
      initialDir_(request.initialDir),
      dialogTitle_(request.dialogTitle),
      defaultExt_(request.defaultExt),
      file_(GuardedBuffer(request.fileName)),
      title_(GuardedBuffer(request.fileTitle)) {
  record_.lStructSize = kOpenFileNameSize;
  record_.hwndOwner = ToHwnd(request.owner);
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
  const BOOL chosen = request.kind == FileDialogKind::Open ? GetOpenFileNameA(&dialog.record())
                                                           : GetSaveFileNameA(&dialog.record());
  return dialog.Outcome(chosen != FALSE);
}

}  // namespace app::win32
