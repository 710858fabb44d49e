#include "gui/core/MainController.h"

#include <exception>
#include <new>
#include <sstream>

#include "trackio/TrackIO.h"

namespace gui {

namespace {

constexpr bool StartStateMatchesTheLayout() {
  for (const ButtonLayout& layout : kButtonLayouts) {
    const bool enabled = ButtonsEnabledIn(CommandState::NothingLoaded)[static_cast<size_t>(layout.button)];
    if (enabled != layout.enabledAtStart) return false;
  }
  return true;
}
static_assert(StartStateMatchesTheLayout(), "the window opens with nothing loaded");

// Shows the view busy while it lives: a scope around the work only, so that
// a box after it shows the normal pointer, and an exception still ends it.
class BusyScope {
 public:
  explicit BusyScope(MainView& view) : view_(view) { view_.ShowBusy(true); }
  ~BusyScope() { view_.ShowBusy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  MainView& view_;
};

}  // namespace

std::string FlangeRunToolTip(const supports::FlangeSummary& report) {
  std::ostringstream text;
  text << LayoutOf(CommandButton::Mod).toolTip << "\nLast run: " << report.flangesAdded
       << (report.flangesAdded == 1 ? " flange" : " flanges") << " added on "
       << report.tubesFlanged << (report.tubesFlanged == 1 ? " tube" : " tubes") << ", "
       << report.flangesAlreadyPresent << " already present.";
  return text.str();
}

std::string ChooseDroppedFile(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (trackio::HasTrackExtension(path)) return path;
  }
  return paths.empty() ? std::string() : paths.front();
}

MainController::MainController(MainView& view, FileDialogs& dialogs)
    : view_(view), dialogs_(dialogs) {}

void MainController::EnterState(CommandState next, std::initializer_list<CommandButton> buttons) {
  state_ = next;
  for (CommandButton button : buttons) view_.SetButtonEnabled(button, IsEnabled(button));
}

void MainController::btnLoad_Click() {
  std::string fileTitle;
  bool readOnly = false;
  int32_t filterIndex = 1;
  int32_t extraFlags = 0;
  if (!dialogs_.ShowOpenDialog(currentFileName_, fileTitle, true, readOnly, true, kTrackFilter,
                               filterIndex, "", kOpenDialogTitle, kTrackDefaultExt,
                               view_.OwnerWindow(), extraFlags)) {
    return;
  }
  LoadTrackFrom(currentFileName_);
}

void MainController::LoadTrackFrom(std::string path) {
  currentFileName_ = std::move(path);
  trackio::TrackError error;
  {
    BusyScope busy(view_);
    try {
      trackio::LoadResult loaded = trackio::LoadTrack(currentFileName_);
      // A failed load empties the track: the disabled buttons keep it from
      // being changed or saved, and the memory goes back at once.
      document_ = loaded ? std::move(loaded->document) : trackio::TrackDocument{};
      error = loaded.error();
    } catch (const std::exception& failure) {  // the library reports its own; this is a last guard
      document_ = {};
      error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
    }
  }
  if (!error) {
    EnterState(CommandState::Loaded, {CommandButton::Save, CommandButton::Mod});
    return;
  }
  view_.ShowWarning({kLoadErrorTitle, kLoadErrorText, error.Describe()});
  EnterState(CommandState::NothingLoaded, {CommandButton::Save, CommandButton::Mod});
}

void MainController::btnMod_Click() {
  supports::FlangeSummary summary;
  {
    BusyScope busy(view_);
    try {
      summary = supports::AddFlanges(document_);
    } catch (const std::bad_alloc&) {
      summary.error = {trackio::TrackErrorKind::TooLarge, "not enough memory for the flanges", {}, -1};
    } catch (const std::exception& failure) {
      summary.error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
    }
  }
  if (summary.error) {
    // Nothing was added: the track stays as loaded, and so do the buttons.
    view_.ShowWarning({kFlangeErrorTitle, kFlangeErrorText, summary.error.Describe()});
    return;
  }
  EnterState(CommandState::Flanged, {CommandButton::Save});
  view_.SetButtonToolTip(CommandButton::Mod, FlangeRunToolTip(summary));
}

void MainController::btnSave_Click() {
  std::string fileTitle;
  int32_t filterIndex = 1;
  int32_t extraFlags = 0;
  if (!dialogs_.ShowSaveDialog(currentFileName_, fileTitle, true, kTrackFilter, filterIndex, "",
                               kSaveDialogTitle, kTrackDefaultExt, view_.OwnerWindow(),
                               extraFlags)) {
    return;
  }
  SaveTrackTo(currentFileName_);
}

void MainController::SaveTrackTo(std::string path) {
  // The extension a save appends stays out of CurrentFileName: the next
  // dialog proposes the name as the user chose it.
  currentFileName_ = std::move(path);
  trackio::TrackError error;
  {
    BusyScope busy(view_);
    try {
      error = trackio::SaveTrack(document_, currentFileName_).error();
    } catch (const std::exception& failure) {  // as in LoadTrackFrom
      error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
    }
  }
  if (error) {
    view_.ShowWarning({kSaveErrorTitle, kSaveErrorText,
                       trackio::WithTrackExtension(currentFileName_) + ": " + error.Describe()});
  }
}

}  // namespace gui
