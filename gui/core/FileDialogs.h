// The open and save dialogs: what the commands call, and the rules every
// skin's dialogs follow.
//
// The commands call FileDialogs::ShowOpenDialog and ShowSaveDialog with the
// window's argument lists. RunnerFileDialogs implements both once for every
// skin: it makes a FileDialogRequest (the flags, the filter list parsed into
// pairs, the owner), hands it to the one function a skin supplies to show
// its platform's dialog, and writes the outcome back into the caller's
// variables (a cancel empties the names and the flags).
//
// No toolkit or system headers here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gui {

// The window that owns a dialog, as its skin knows it (the Win32 skin's
// HWND, the Qt skin's QWidget*). The core only passes it on.
using WindowHandle = void*;
inline constexpr WindowHandle kNoOwnerWindow = nullptr;

// Flags of the common file dialogs, with the system's values. Spelled unlike
// the system header's OFN_ macros so that both can be included together.
inline constexpr int32_t kOfnReadOnly = 0x1;          // in: box ticked; out: left ticked
inline constexpr int32_t kOfnOverwritePrompt = 0x2;   // ask before replacing a file
inline constexpr int32_t kOfnHideReadOnly = 0x4;      // no read-only box
inline constexpr int32_t kOfnEnableHook = 0x20;       // never passed on
inline constexpr int32_t kOfnEnableTemplate = 0x40;   // never passed on
inline constexpr int32_t kOfnFileMustExist = 0x1000;  // open accepts existing files only

enum class FileDialogKind { Open, Save };

// One entry of the filter list a dialog offers.
struct FilterPair {
  std::string description;  // what the list shows, e.g. "NoLimits Tracks (*.nltrack)"
  std::string pattern;      // one or more patterns joined by ';', e.g. "*.nltrack"
  friend bool operator==(const FilterPair&, const FilterPair&) = default;
};

// "Desc|*.a|Desc2|*.b" as the list of pairs a dialog offers. ":" separates
// like "|" (so a description holding ":" is cut in two); the list ends at
// its first empty entry, and a description without a pattern is dropped, as
// the system's dialog reads its list.
std::vector<FilterPair> ParseFilter(const std::string& filter);

// Everything a skin needs to show a dialog.
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  std::string fileName;             // proposed name or path; empty for none
  std::string fileTitle;            // proposed title (the system dialog's title buffer)
  std::vector<FilterPair> filters;  // the filter list, parsed
  int32_t filterIndex = 1;          // 1-based preselected entry, as the caller passed it
  std::string initialDir;           // empty: the platform's default folder
  std::string dialogTitle;
  std::string defaultExt;           // without the dot; empty for none
  WindowHandle owner = kNoOwnerWindow;
  int32_t flags = 0;                // kOfn… bits

  bool Has(int32_t flag) const { return (flags & flag) != 0; }
  friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

// What a skin's dialog reported.
struct FileDialogOutcome {
  bool confirmed = false;   // false: cancelled, or the dialog could not be shown
  std::string fileName;     // the full path chosen
  std::string fileTitle;    // the chosen file's name without its folder
  int32_t flags = 0;        // the flags as the dialog left them
  int32_t filterIndex = 1;  // 1-based entry in use when the user confirmed
};

// Shows the platform's dialog for a request: the one thing a skin supplies.
using FileDialogRunner = std::function<FileDialogOutcome(const FileDialogRequest&)>;

// The 1-based filter entry a dialog preselects: `filterIndex` when it names
// an entry, otherwise the first; 0 when there are no entries.
int32_t PreselectedFilter(int32_t filterIndex, size_t filterCount);

// `path` with ".defaultExt" appended when its file name has no extension
// (no dot), as the dialogs add the default extension to a typed name.
std::string WithDefaultExtension(const std::string& path, const std::string& defaultExt);

// What a save dialog asks before a file is replaced, about the file named
// at the end of `path`: "NAME already exists.\nDo you want to replace it?"
std::string ReplaceQuestion(const std::string& path);

// The open and save dialogs, with the argument lists the commands pass.
// Both return true when the user confirmed a file.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual bool ShowOpenDialog(std::string& FileName, std::string& FileTitle, bool FileMustExist,
                              bool& ReadOnly, bool HideReadOnly, const std::string& Filter,
                              int32_t& FilterIndex, const std::string& InitialDir,
                              const std::string& DialogTitle, const std::string& DefaultExt,
                              WindowHandle OwnerWindow, int32_t& ExtraFlags) = 0;
  virtual bool ShowSaveDialog(std::string& FileName, std::string& FileTitle, bool OverwritePrompt,
                              const std::string& Filter, int32_t& FilterIndex,
                              const std::string& InitialDir, const std::string& DialogTitle,
                              const std::string& DefaultExt, WindowHandle OwnerWindow,
                              int32_t& ExtraFlags) = 0;
};

// The dialogs of a skin, on the one function that shows its platform's dialog.
//
// The request's flags: for open, kOfnFileMustExist, kOfnReadOnly and
// kOfnHideReadOnly as asked; for save, kOfnOverwritePrompt as asked and
// kOfnHideReadOnly always; for both, the caller's ExtraFlags without the
// hook and template bits. Confirmed: the path, title, flags and filter index
// in use go back to the caller, and ReadOnly becomes true when the flags
// hold kOfnReadOnly (it never turns false). Cancelled: FileName and
// FileTitle are emptied, ExtraFlags is 0, FilterIndex and ReadOnly keep
// their values.
class RunnerFileDialogs : public FileDialogs {
 public:
  explicit RunnerFileDialogs(FileDialogRunner runner);

  bool ShowOpenDialog(std::string& FileName, std::string& FileTitle, bool FileMustExist,
                      bool& ReadOnly, bool HideReadOnly, const std::string& Filter,
                      int32_t& FilterIndex, const std::string& InitialDir,
                      const std::string& DialogTitle, const std::string& DefaultExt,
                      WindowHandle OwnerWindow, int32_t& ExtraFlags) override;
  bool ShowSaveDialog(std::string& FileName, std::string& FileTitle, bool OverwritePrompt,
                      const std::string& Filter, int32_t& FilterIndex,
                      const std::string& InitialDir, const std::string& DialogTitle,
                      const std::string& DefaultExt, WindowHandle OwnerWindow,
                      int32_t& ExtraFlags) override;

 private:
  FileDialogRunner runner_;
};

}  // namespace gui
