// The platform-neutral half of the open and save dialogs.
//
// A front end shows a dialog in three steps: MakeOpenRequest or
// MakeSaveRequest turns the caller's plain arguments into a request (the
// flags, the converted filter list, the owner), the platform runs the
// request and reports what the user did, and ApplyOpenOutcome or
// ApplySaveOutcome writes that back into the caller's variables.
// RunOpenDialog and RunSaveDialog chain the three, so a front end's
// ShowOpenDialog and ShowSaveDialog are one call each.
//
// No toolkit or system headers here: both the Qt and the Win32 front ends
// build on this file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace app {

// A window handle as the dialogs take it; kNoOwnerWindow asks for none.
using WindowHandle = int32_t;
inline constexpr WindowHandle kNoOwnerWindow = -1;

// Flags of the common file dialogs, with the system's values. Spelled unlike
// the system header's OFN_ macros so that both can be included together.
inline constexpr int32_t kOfnReadOnly = 0x1;          // in: box ticked; out: left ticked
inline constexpr int32_t kOfnOverwritePrompt = 0x2;   // ask before replacing a file
inline constexpr int32_t kOfnHideReadOnly = 0x4;      // no read-only box
inline constexpr int32_t kOfnEnableHook = 0x20;       // never passed on
inline constexpr int32_t kOfnEnableTemplate = 0x40;   // never passed on
inline constexpr int32_t kOfnFileMustExist = 0x1000;  // open accepts existing files only

// The text buffers of the system dialog hold this many characters,
// terminating NUL included.
inline constexpr int kDialogTextCapacity = 260;

enum class FileDialogKind { Open, Save };

// One entry of the filter list the dialog offers.
struct FilterPair {
  std::string description;  // what the list shows, e.g. "NoLimits Tracks (*.nltrack)"
  std::string pattern;      // one or more patterns joined by ';', e.g. "*.nltrack"
  friend bool operator==(const FilterPair&, const FilterPair&) = default;
};

// Everything a platform dialog needs to be shown.
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  std::string fileName;        // proposed name or path; empty for none
  std::string fileTitle;       // proposed title (the system dialog's title buffer)
  std::string filter;          // converted: NUL-separated pairs ending in two NULs
  std::vector<FilterPair> filters;  // the same list, parsed
  int32_t filterIndex = 1;     // 1-based preselected entry, as the caller passed it
  std::string initialDir;      // empty: the platform's default folder
  std::string dialogTitle;
  std::string defaultExt;      // without the dot; empty for none
  WindowHandle owner = 0;      // 0: no owner
  int32_t flags = 0;           // kOfn… bits

  bool Has(int32_t flag) const { return (flags & flag) != 0; }
};

// What the platform dialog reported.
struct FileDialogOutcome {
  bool confirmed = false;  // false: cancelled or the dialog could not be shown
  std::string fileName;    // the full path chosen
  std::string fileTitle;   // the chosen file's name without its folder
  int32_t flags = 0;       // the flags as the dialog left them
  int32_t filterIndex = 1; // 1-based entry in use when the user confirmed
};

using FileDialogRunner = std::function<FileDialogOutcome(const FileDialogRequest&)>;

// The flags a dialog runs with: the options asked for, plus the caller's
// extra flags without the hook and template bits.
int32_t OpenDialogFlags(bool fileMustExist, bool readOnly, bool hideReadOnly, int32_t extraFlags);
int32_t SaveDialogFlags(bool overwritePrompt, int32_t extraFlags);

// "Desc|*.a|Desc2|*.b" (":" separates like "|") becomes the NUL-separated
// list the system dialog takes, ending in two NULs.
std::string ConvertFilter(const std::string& filter);

// Reads a converted list back into pairs, as the system dialog does: the
// list ends at the first empty entry, and a description without a pattern
// is dropped.
std::vector<FilterPair> ParseFilterList(const std::string& converted);

// The 1-based filter entry a dialog preselects: `filterIndex` when it names
// an entry, otherwise the first; 0 when there are no entries.
int32_t PreselectedFilter(int32_t filterIndex, size_t filterCount);

// The owner handed to the platform: 0 for kNoOwnerWindow.
WindowHandle DialogOwner(WindowHandle ownerWindow);

// `path` with ".defaultExt" appended when its file name has no extension
// (no dot), as the dialogs add the default extension to a typed name.
std::string WithDefaultExtension(const std::string& path, const std::string& defaultExt);

// A fixed-size, NUL-padded text buffer for the system dialog. Text that
// does not fit with its terminating NUL is not proposed (the buffer starts
// empty), rather than proposing a cut-off name.
std::vector<char> DialogTextBuffer(const std::string& text, int capacity = kDialogTextCapacity);

FileDialogRequest MakeOpenRequest(const std::string& FileName, const std::string& FileTitle,
                                  bool FileMustExist, bool ReadOnly, bool HideReadOnly,
                                  const std::string& Filter, int32_t FilterIndex,
                                  const std::string& InitialDir, const std::string& DialogTitle,
                                  const std::string& DefaultExt, WindowHandle OwnerWindow,
                                  int32_t ExtraFlags);
FileDialogRequest MakeSaveRequest(const std::string& FileName, const std::string& FileTitle,
                                  bool OverwritePrompt, const std::string& Filter,
                                  int32_t FilterIndex, const std::string& InitialDir,
                                  const std::string& DialogTitle, const std::string& DefaultExt,
                                  WindowHandle OwnerWindow, int32_t ExtraFlags);

// Writes the outcome back and returns whether the user confirmed. Confirmed:
// the path, title, flags and filter index in use are handed back, and
// ReadOnly becomes true when the flags hold kOfnReadOnly (it never turns
// false). Cancelled: FileName and FileTitle are emptied, ExtraFlags is 0,
// and FilterIndex and ReadOnly keep their values.
bool ApplyOpenOutcome(const FileDialogOutcome& outcome, std::string& FileName,
                      std::string& FileTitle, bool& ReadOnly, int32_t& FilterIndex,
                      int32_t& ExtraFlags);
bool ApplySaveOutcome(const FileDialogOutcome& outcome, std::string& FileName,
                      std::string& FileTitle, int32_t& FilterIndex, int32_t& ExtraFlags);

// Request, run, write back: the whole of a front end's ShowOpenDialog and
// ShowSaveDialog, with their argument lists.
bool RunOpenDialog(const FileDialogRunner& run, std::string& FileName, std::string& FileTitle,
                   bool FileMustExist, bool& ReadOnly, bool HideReadOnly, const std::string& Filter,
                   int32_t& FilterIndex, const std::string& InitialDir,
                   const std::string& DialogTitle, const std::string& DefaultExt,
                   WindowHandle OwnerWindow, int32_t& ExtraFlags);
bool RunSaveDialog(const FileDialogRunner& run, std::string& FileName, std::string& FileTitle,
                   bool OverwritePrompt, const std::string& Filter, int32_t& FilterIndex,
                   const std::string& InitialDir, const std::string& DialogTitle,
                   const std::string& DefaultExt, WindowHandle OwnerWindow, int32_t& ExtraFlags);

}  // namespace app
