#include "app/MainController.h"

#include <exception>

#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace app {

MainController::MainController(MainView& view, FileDialogs& dialogs)
    : view_(view), dialogs_(dialogs) {
  for (const ButtonLayout& layout : kButtonLayouts) {
    enabled_[static_cast<size_t>(layout.button)] = layout.enabledAtStart;
  }
}

CommandState MainController::State() const {
  if (IsEnabled(CommandButton::Save)) return CommandState::Flanged;
  if (IsEnabled(CommandButton::Mod)) return CommandState::Loaded;
  return CommandState::NothingLoaded;
}

void MainController::SetEnabled(CommandButton button, bool enabled) {
  enabled_[static_cast<size_t>(button)] = enabled;
  view_.SetButtonEnabled(button, enabled);
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

  trackio::TrackError error;
  try {
    trackio::LoadResult loaded = trackio::LoadTrack(currentFileName_);
    if (loaded) document_ = std::move(loaded->document);
    error = loaded.error();
  } catch (const std::exception& failure) {  // the library reports its own; this is a last guard
    error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
  }
  if (!error) {
    SetEnabled(CommandButton::Save, false);
    SetEnabled(CommandButton::Mod, true);
    return;
  }
  // Whatever the document holds now, the disabled buttons keep it from
  // being changed or saved.
  view_.ShowWarning({kLoadErrorTitle, kLoadErrorText, error.Describe()});
  SetEnabled(CommandButton::Save, false);
  SetEnabled(CommandButton::Mod, false);
}

void MainController::btnMod_Click() {
  supports::FlangeSummary summary;
  try {
    summary = supports::AddFlanges(document_);
  } catch (const std::exception& failure) {
    summary.error = failure.what();
  }
  if (!summary.error.empty()) {
    // Nothing was added: the track stays as loaded, and so do the buttons.
    view_.ShowWarning({kFlangeErrorTitle, kFlangeErrorText, summary.error});
    return;
  }
  SetEnabled(CommandButton::Save, true);
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
  // The extension a save appends stays out of CurrentFileName: the next
  // dialog proposes the name as the user chose it.
  trackio::TrackError error;
  try {
    error = trackio::SaveTrack(document_, currentFileName_).error();
  } catch (const std::exception& failure) {  // as in btnLoad_Click
    error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
  }
  if (error) {
    view_.ShowWarning({kSaveErrorTitle, kSaveErrorText,
                       trackio::WithTrackExtension(currentFileName_) + ": " + error.Describe()});
  }
}

}  // namespace app
