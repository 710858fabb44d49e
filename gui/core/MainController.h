// The main window's commands, without the window.
//
// MainController owns the loaded track, CurrentFileName and the command
// state from which the three buttons' enabled states follow, and runs the
// three commands. It reaches the screen only through two small interfaces,
// so a skin (Qt, Win32, or a test's fakes) supplies the dialogs and the
// window and forwards the clicks, a file named at start and a dropped file.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "gui/core/FileDialogs.h"
#include "gui/core/LongWork.h"
#include "gui/core/MainWindowLayout.h"
#include "supports/FlangeGenerator.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackDocument.h"
#include "trackio/TrackIO.h"

namespace gui {

// A modal box with a warning icon and a single OK button.
struct WarningMessage {
  std::string title;
  std::string text;         // the main line
  std::string informative;  // a second line under it: the file, and why; may be empty
  friend bool operator==(const WarningMessage&, const WarningMessage&) = default;
};

// What the commands need from the window.
class MainView {
 public:
  virtual ~MainView() = default;
  virtual void SetButtonEnabled(CommandButton button, bool enabled) = 0;
  // Shows the box centred on the window; returns when the user has closed it.
  virtual void ShowWarning(const WarningMessage& message) = 0;
  // Asks `question` in a modal box centred on the window, with a warning
  // icon and the buttons Yes and No (the default); true for Yes.
  virtual bool AskYesNo(const std::string& title, const std::string& question) = 0;
  // The window that owns the dialogs; kNoOwnerWindow when there is none.
  virtual WindowHandle OwnerWindow() = 0;
  // Runs a load, a flange run or a save and returns once it has ended. A
  // skin runs it off the interface thread: meanwhile the window is drawn,
  // takes no input and shows the wait cursor, and once the work has taken
  // kProgressDelayMilliseconds a modal progress box shows `label` and the
  // percent done until it ends. Never called while a box shows; runs the
  // work right here unless a skin says otherwise.
  virtual void RunLongWork(const std::string& /*label*/, const LongWork& work) { work({}); }
  // Replaces the hint shown when the pointer rests on a button.
  virtual void SetButtonToolTip(CommandButton /*button*/, const std::string& /*text*/) {}
};

inline constexpr const char* kTrackFilter = "NoLimits Tracks (*.nltrack)|*.nltrack";
inline constexpr const char* kTrackDefaultExt = "nltrack";
inline constexpr const char* kOpenDialogTitle = "Load Track...";
inline constexpr const char* kSaveDialogTitle = "Save Track As...";
inline constexpr const char* kLoadErrorText = "Error Loading Track File!";
inline constexpr const char* kLoadErrorTitle = "Load Error";
inline constexpr const char* kSaveErrorText = "The track was not saved.";
inline constexpr const char* kSaveErrorTitle = "Save Error";
inline constexpr const char* kFlangeErrorText = "No flanges were added.";
inline constexpr const char* kFlangeErrorTitle = "Add Flanges";

// Where the commands stand; the enabled buttons follow from it.
enum class CommandState { NothingLoaded, Loaded, Flanged };

// The buttons a state enables, indexed by CommandButton.
constexpr std::array<bool, 3> ButtonsEnabledIn(CommandState state) {
  switch (state) {
    case CommandState::NothingLoaded: return {true, false, false};
    case CommandState::Loaded: return {true, true, false};
    case CommandState::Flanged: return {true, true, true};
  }
  return {true, false, false};
}

// The "Add Flanges" hint after a run: what it does, then what the run did.
std::string FlangeRunToolTip(const supports::FlangeSummary& report);

// The "Save Track" hint after a load: what it does, then the parts of the
// loaded file a save leaves out, if any.
std::string SaveToolTip(const std::vector<trackio::FoundChunk>& leftOut);

// Of several files dropped on the window, the one to load: the first with
// the track extension, else the first. Empty when `paths` is.
std::string ChooseDroppedFile(const std::vector<std::string>& paths);

class MainController {
 public:
  MainController(MainView& view, FileDialogs& dialogs, TrackOperations operations = {});

  // "Load Track": asks for a file and loads it (LoadTrackFrom). A cancelled
  // dialog changes nothing.
  void btnLoad_Click();
  // "Add Flanges": adds flanges to the loaded track and enables "Save Track".
  // When the flanged track could not be saved, nothing is added, the box
  // says why, and the buttons stay as they are.
  void btnMod_Click();
  // "Save Track": asks for a name and saves there (SaveTrackTo). A
  // cancelled dialog changes nothing. When the save would write another
  // name than the one chosen (it appends ".nltrack") and that file exists,
  // asks the dialog's question about it; "No" shows the dialog again.
  void btnSave_Click();

  // Loads `path` as if it had been chosen in the open dialog: it becomes
  // CurrentFileName; a good track enables "Add Flanges" and disables "Save
  // Track"; a failed load shows the "Load Error" box, whose second line
  // names the file and the reason, and leaves only "Load Track" enabled.
  void LoadTrackFrom(std::string path);
  // Saves to `path` as if it had been chosen in the save dialog (".nltrack"
  // appended when the name lacks it, CurrentFileName keeps it as given).
  // `overwrite` is the user's consent to replace the file written; without
  // it, a file standing there (or appearing while the track is written) is
  // replaced only after the overwrite question. A failed save shows why and
  // changes no state.
  void SaveTrackTo(std::string path, trackio::Overwrite overwrite = trackio::Overwrite::Refuse);

  const std::string& CurrentFileName() const { return currentFileName_; }
  const trackio::TrackDocument& Document() const { return document_; }
  bool IsEnabled(CommandButton button) const {
    return ButtonsEnabledIn(state_)[static_cast<size_t>(button)];
  }
  CommandState State() const { return state_; }

 private:
  // Moves to `next` and tells the view the new enabled state of `buttons`,
  // in that order: the buttons the command sets.
  void EnterState(CommandState next, std::initializer_list<CommandButton> buttons);
  // What the user agreed to for the file a save of `chosen` writes: Replace
  // when it exists and the user said yes (the dialog asks about the name
  // chosen, the window about an appended one), Refuse when nothing stands
  // there, so the save only creates it. Empty when the user said no.
  std::optional<trackio::Overwrite> ConsentToWrite(const std::string& chosen);
  // Has the view run `work`; no command starts meanwhile.
  void RunLongWork(const std::string& label, const LongWork& work);

  MainView& view_;
  FileDialogs& dialogs_;
  TrackOperations operations_;
  bool working_ = false;  // a load, flange run or save is under way
  trackio::TrackDocument document_;
  std::string currentFileName_;  // the path last chosen in a dialog
  CommandState state_ = CommandState::NothingLoaded;
};

}  // namespace gui
