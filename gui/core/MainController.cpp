#include "gui/core/MainController.h"

#include <exception>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "trackio/FileAccess.h"
#include "trackio/TrackIO.h"
#include "trackio/Wording.h"

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

}  // namespace

std::string FlangeRunToolTip(const supports::FlangeSummary& report) {
  return std::string(LayoutOf(CommandButton::Mod).toolTip) + "\nLast run: " +
         trackio::Plural(report.flangesAdded, "flange") + " added on " + trackio::Plural(report.tubesFlanged, "tube") +
         ", " + trackio::Count(report.flangesAlreadyPresent) + " already present.";
}

std::string SaveToolTip(const std::vector<trackio::FoundChunk>& leftOut) {
  std::string text = LayoutOf(CommandButton::Save).toolTip;
  if (!leftOut.empty()) text += "\nA save leaves out " + trackio::UnknownPartsText(leftOut) + ".";
  return text;
}

std::string ChooseDroppedFile(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (trackio::HasTrackExtension(path)) return path;
  }
  return paths.empty() ? std::string() : paths.front();
}

MainController::MainController(MainView& view, FileDialogs& dialogs, TrackOperations operations)
    : view_(view), dialogs_(dialogs), operations_(std::move(operations)) {}

void MainController::RunLongWork(const std::string& label, const LongWork& work) {
  struct Working {
    bool& flag;
    explicit Working(bool& f) : flag(f) { flag = true; }
    ~Working() { flag = false; }
  } working(working_);
  view_.RunLongWork(label, work);
}

void MainController::EnterState(CommandState next, std::initializer_list<CommandButton> buttons) {
  state_ = next;
  for (CommandButton button : buttons) view_.SetButtonEnabled(button, IsEnabled(button));
}

void MainController::btnLoad_Click() {
  if (working_) return;
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
  if (working_) return;
  currentFileName_ = std::move(path);
  trackio::TrackError error;
  std::vector<trackio::FoundChunk> leftOut;
  RunLongWork(LoadingLabel(currentFileName_), [&](const trackio::ProgressCallback& progress) {
    try {
      trackio::LoadResult loaded = operations_.load(currentFileName_, progress);
      if (loaded) leftOut = trackio::LeftOutBySave(*loaded, trackio::SaveForm::Exact);
      // A failed load empties the track: the disabled buttons keep it from
      // being changed or saved, and the memory goes back at once.
      document_ = loaded ? std::move(loaded->document) : trackio::TrackDocument{};
      error = loaded.Error();
    } catch (const std::exception& failure) {  // the library reports its own; this is a last guard
      document_ = {};
      error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
    }
  });
  view_.SetButtonToolTip(CommandButton::Save, SaveToolTip(leftOut));
  if (!error) {
    EnterState(CommandState::Loaded, {CommandButton::Save, CommandButton::Mod});
    return;
  }
  view_.ShowWarning({kLoadErrorTitle, kLoadErrorText, currentFileName_ + ": " + error.Describe()});
  EnterState(CommandState::NothingLoaded, {CommandButton::Save, CommandButton::Mod});
}

void MainController::btnMod_Click() {
  if (working_) return;
  supports::FlangeSummary summary;
  RunLongWork(AddingFlangesLabel(), [&](const trackio::ProgressCallback& progress) {
    try {
      summary = operations_.addFlanges(document_, progress);
    } catch (const std::bad_alloc&) {
      summary.error = {trackio::TrackErrorKind::TooLarge, "not enough memory for the flanges", {}, -1};
    } catch (const std::exception& failure) {
      summary.error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
    }
  });
  if (summary.error) {
    // Nothing was added: the track stays as loaded, and so do the buttons.
    view_.ShowWarning({kFlangeErrorTitle, kFlangeErrorText, summary.error.Describe()});
    return;
  }
  EnterState(CommandState::Flanged, {CommandButton::Save});
  view_.SetButtonToolTip(CommandButton::Mod, FlangeRunToolTip(summary));
}

void MainController::btnSave_Click() {
  if (working_) return;
  std::optional<trackio::Overwrite> consent;
  do {
    std::string fileTitle;
    int32_t filterIndex = 1;
    int32_t extraFlags = 0;
    if (!dialogs_.ShowSaveDialog(currentFileName_, fileTitle, true, kTrackFilter, filterIndex, "",
                                 kSaveDialogTitle, kTrackDefaultExt, view_.OwnerWindow(),
                                 extraFlags)) {
      return;
    }
    consent = ConsentToWrite(currentFileName_);
  } while (!consent);  // "No": the dialog again, proposing the name chosen
  SaveTrackTo(currentFileName_, *consent);
}

std::optional<trackio::Overwrite> MainController::ConsentToWrite(const std::string& chosen) {
  // The dialog asked about the name chosen, if it asked at all: a save that
  // appends ".nltrack" writes another file, which may exist.
  const std::string written = trackio::WithTrackExtension(chosen);
  std::error_code unknown;
  const bool exists =
      std::filesystem::symlink_status(trackio::ToPath(written), unknown).type() != std::filesystem::file_type::not_found;
  if (unknown || !exists) return trackio::Overwrite::Refuse;
  if (written == chosen || view_.AskYesNo(kSaveDialogTitle, ReplaceQuestion(written))) {
    return trackio::Overwrite::Replace;
  }
  return std::nullopt;
}

void MainController::SaveTrackTo(std::string path, trackio::Overwrite overwrite) {
  // The extension a save appends stays out of CurrentFileName: the next
  // dialog proposes the name as the user chose it.
  if (working_) return;
  currentFileName_ = std::move(path);
  const std::string written = trackio::WithTrackExtension(currentFileName_);
  trackio::TrackError error;
  RunLongWork(SavingLabel(currentFileName_), [&](const trackio::ProgressCallback& progress) {
    try {
      error = operations_.save(document_, currentFileName_, overwrite, progress).Error();
    } catch (const std::exception& failure) {  // as in LoadTrackFrom
      error = {trackio::TrackErrorKind::Unexpected, failure.what(), {}, -1};
    }
  });
  const bool replaceRefused = error.kind == trackio::TrackErrorKind::Exists ||
                              error.kind == trackio::TrackErrorKind::AppearedWhileSaving;
  if (replaceRefused && overwrite == trackio::Overwrite::Refuse) {
    // A file stands where none stood when the user chose the name: it is
    // replaced only once the user agrees, as the dialog would have asked.
    if (view_.AskYesNo(kSaveDialogTitle, ReplaceQuestion(written))) {
      SaveTrackTo(currentFileName_, trackio::Overwrite::Replace);
    }
    return;
  }
  if (error) {
    view_.ShowWarning({kSaveErrorTitle, kSaveErrorText, written + ": " + error.Describe()});
  }
}

}  // namespace gui
