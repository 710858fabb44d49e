#include "app/MainController.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace app {
namespace {

// Everything a dialog was called with.
struct DialogCall {
  std::string kind;  // "open" or "save"
  std::string fileName;
  bool fileMustExist = false, readOnly = false, hideReadOnly = false, overwritePrompt = false;
  std::string filter;
  int32_t filterIndex = 0;
  std::string initialDir, dialogTitle, defaultExt;
  WindowHandle owner = 0;
  int32_t extraFlags = 0;
};

// Answers each dialog with the next scripted path; std::nullopt cancels.
class ScriptedDialogs : public FileDialogs {
 public:
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  const std::vector<DialogCall>& calls() const { return calls_; }

  bool ShowOpenDialog(std::string& FileName, std::string& FileTitle, bool FileMustExist,
                      bool& ReadOnly, bool HideReadOnly, const std::string& Filter,
                      int32_t& FilterIndex, const std::string& InitialDir,
                      const std::string& DialogTitle, const std::string& DefaultExt,
                      WindowHandle OwnerWindow, int32_t& ExtraFlags) override {
    calls_.push_back({"open", FileName, FileMustExist, ReadOnly, HideReadOnly, false, Filter,
                      FilterIndex, InitialDir, DialogTitle, DefaultExt, OwnerWindow, ExtraFlags});
    return Reply(FileName, FileTitle, FilterIndex, ExtraFlags);
  }

  bool ShowSaveDialog(std::string& FileName, std::string& FileTitle, bool OverwritePrompt,
                      const std::string& Filter, int32_t& FilterIndex,
                      const std::string& InitialDir, const std::string& DialogTitle,
                      const std::string& DefaultExt, WindowHandle OwnerWindow,
                      int32_t& ExtraFlags) override {
    calls_.push_back({"save", FileName, false, false, false, OverwritePrompt, Filter, FilterIndex,
                      InitialDir, DialogTitle, DefaultExt, OwnerWindow, ExtraFlags});
    return Reply(FileName, FileTitle, FilterIndex, ExtraFlags);
  }

 private:
  // Through the shared result handling, as a real front end goes.
  bool Reply(std::string& fileName, std::string& fileTitle, int32_t& filterIndex,
             int32_t& extraFlags) {
    EXPECT_FALSE(answers_.empty()) << "a dialog was opened that the test did not expect";
    FileDialogOutcome outcome;
    if (!answers_.empty() && answers_.front()) {
      const std::string path = *answers_.front();
      outcome = {true, path, std::filesystem::path(path).filename().string(), 0x6, 1};
    }
    if (!answers_.empty()) answers_.pop_front();
    return ApplySaveOutcome(outcome, fileName, fileTitle, filterIndex, extraFlags);
  }

  std::deque<std::optional<std::string>> answers_;
  std::vector<DialogCall> calls_;
};

// Records what the commands did to the window, in order.
class RecordingView : public MainView {
 public:
  void SetButtonEnabled(CommandButton button, bool enabled) override {
    static const char* const kNames[] = {"btnLoad", "btnMod", "btnSave"};
    events.push_back(std::string(enabled ? "enable " : "disable ") +
                     kNames[static_cast<int>(button)]);
  }
  void ShowWarning(const WarningMessage& message) override {
    events.push_back("box " + message.title);
    warnings.push_back(message);
  }
  WindowHandle OwnerWindow() const override { return 4711; }

  std::vector<std::string> TakeEvents() { return std::exchange(events, {}); }

  std::vector<std::string> events;
  std::vector<WarningMessage> warnings;
};

using Events = std::vector<std::string>;

class MainControllerTest : public ::testing::Test {
 protected:
  MainControllerTest() {
    trackbuilder::WriteFile(goodTrack, trackbuilder::CanonicalFile(source));
    trackbuilder::WriteFile(otherTrack, trackbuilder::CanonicalFile(trackbuilder::SampleDocument()));
  }

  void Load(const std::string& path) {
    dialogs.Answer(path);
    controller.btnLoad_Click();
  }
  void Save(const std::optional<std::string>& path) {
    dialogs.Answer(path);
    controller.btnSave_Click();
  }
  // A loaded track with flanges added, the view's record cleared.
  void BringToFlanged() {
    Load(goodTrack);
    controller.btnMod_Click();
    ASSERT_EQ(controller.State(), CommandState::Flanged);
    view.TakeEvents();
  }
  // The bytes a save of the document as it stands must write.
  std::vector<uint8_t> ExpectedFile() const {
    trackio::TrackDocument copy = controller.Document();
    return trackio::BuildTrackFile(copy);
  }

  tracktesting::ScratchFolder folder;
  const trackio::TrackDocument source = trackbuilder::GeneratedDocument(3);
  const std::string goodTrack = folder.File("good.nltrack");
  const std::string otherTrack = folder.File("other.NLTRACK");
  RecordingView view;
  ScriptedDialogs dialogs;
  MainController controller{view, dialogs};
};

TEST_F(MainControllerTest, window_opens_with_only_load_enabled) {
  EXPECT_EQ(controller.State(), CommandState::NothingLoaded);
  EXPECT_TRUE(controller.IsEnabled(CommandButton::Load));
  EXPECT_FALSE(controller.IsEnabled(CommandButton::Mod));
  EXPECT_FALSE(controller.IsEnabled(CommandButton::Save));
  EXPECT_EQ(controller.CurrentFileName(), "");
}

// Every transition of the button states, from every state a command can
// be given in.
TEST_F(MainControllerTest, state_table) {
  enum Action { LoadGood, LoadBad, CancelOpen, AddFlanges, SaveGood, CancelSave };
  struct Row {
    CommandState from;
    Action action;
    CommandState to;
  };
  using enum CommandState;
  const Row rows[] = {
      {NothingLoaded, LoadGood, Loaded},  {NothingLoaded, LoadBad, NothingLoaded},
      {NothingLoaded, CancelOpen, NothingLoaded},
      {Loaded, LoadGood, Loaded},         {Loaded, LoadBad, NothingLoaded},
      {Loaded, CancelOpen, Loaded},       {Loaded, AddFlanges, Flanged},
      {Flanged, LoadGood, Loaded},        {Flanged, LoadBad, NothingLoaded},
      {Flanged, CancelOpen, Flanged},     {Flanged, AddFlanges, Flanged},
      {Flanged, SaveGood, Flanged},       {Flanged, CancelSave, Flanged},
  };
  const std::string badTrack = folder.File("bad.txt");
  trackbuilder::WriteFile(badTrack, trackbuilder::CanonicalFile(source));
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "from state " << static_cast<int>(row.from) << ", action "
                                    << row.action);
    RecordingView rowView;
    ScriptedDialogs rowDialogs;
    MainController rowController(rowView, rowDialogs);
    if (row.from != NothingLoaded) {
      rowDialogs.Answer(goodTrack);
      rowController.btnLoad_Click();
    }
    if (row.from == Flanged) rowController.btnMod_Click();
    ASSERT_EQ(rowController.State(), row.from);

    switch (row.action) {
      case LoadGood: rowDialogs.Answer(otherTrack); rowController.btnLoad_Click(); break;
      case LoadBad: rowDialogs.Answer(badTrack); rowController.btnLoad_Click(); break;
      case CancelOpen: rowDialogs.Answer(std::nullopt); rowController.btnLoad_Click(); break;
      case AddFlanges: rowController.btnMod_Click(); break;
      case SaveGood: rowDialogs.Answer(folder.File("saved")); rowController.btnSave_Click(); break;
      case CancelSave: rowDialogs.Answer(std::nullopt); rowController.btnSave_Click(); break;
    }
    EXPECT_EQ(rowController.State(), row.to);
    EXPECT_TRUE(rowController.IsEnabled(CommandButton::Load));
    EXPECT_EQ(rowView.warnings.size(), row.action == LoadBad ? 1u : 0u);
  }
}

TEST_F(MainControllerTest, dialogs_get_the_commands_arguments) {
  BringToFlanged();
  Save(std::nullopt);
  ASSERT_EQ(dialogs.calls().size(), 2u);

  const DialogCall& open = dialogs.calls()[0];
  EXPECT_EQ(open.kind, "open");
  EXPECT_EQ(open.fileName, "");
  EXPECT_TRUE(open.fileMustExist);
  EXPECT_FALSE(open.readOnly);
  EXPECT_TRUE(open.hideReadOnly);
  EXPECT_EQ(open.filter, "NoLimits Tracks (*.nltrack)|*.nltrack");
  EXPECT_EQ(open.filterIndex, 1);
  EXPECT_EQ(open.initialDir, "");
  EXPECT_EQ(open.dialogTitle, "Load Track...");
  EXPECT_EQ(open.defaultExt, "nltrack");
  EXPECT_EQ(open.owner, 4711);
  EXPECT_EQ(open.extraFlags, 0);

  const DialogCall& save = dialogs.calls()[1];
  EXPECT_EQ(save.kind, "save");
  EXPECT_EQ(save.fileName, goodTrack);  // proposes the track just loaded
  EXPECT_TRUE(save.overwritePrompt);
  EXPECT_EQ(save.filter, "NoLimits Tracks (*.nltrack)|*.nltrack");
  EXPECT_EQ(save.filterIndex, 1);
  EXPECT_EQ(save.initialDir, "");
  EXPECT_EQ(save.dialogTitle, "Save Track As...");
  EXPECT_EQ(save.defaultExt, "nltrack");
  EXPECT_EQ(save.owner, 4711);
  EXPECT_EQ(save.extraFlags, 0);
}

TEST_F(MainControllerTest, successful_load_disables_save_then_enables_flanges) {
  Load(goodTrack);
  EXPECT_EQ(view.TakeEvents(), (Events{"disable btnSave", "enable btnMod"}));
  EXPECT_EQ(controller.State(), CommandState::Loaded);
  EXPECT_EQ(controller.CurrentFileName(), goodTrack);
  EXPECT_EQ(controller.Document().Tubes, source.Tubes);
}

TEST_F(MainControllerTest, failed_loads_show_the_box_with_the_reason_then_disable_both) {
  std::vector<uint8_t> truncated = trackbuilder::CanonicalFile(source);
  truncated.resize(truncated.size() / 2);
  const std::vector<uint8_t> notATrack = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;  // empty: no file is written
    const char* reasonHas;
  };
  const Case cases[] = {
      {"track.txt", trackbuilder::CanonicalFile(source), "does not end in .nltrack"},
      {"track.nltrack.bak", trackbuilder::CanonicalFile(source), "does not end in .nltrack"},
      {"damaged.nltrack", truncated, " chunk at byte "},
      {"other.nltrack", notATrack, "NLIM"},
      {"missing.nltrack", {}, "no file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BringToFlanged();  // a failure from any state ends in "nothing loaded"
    const std::string path = folder.File(c.name);
    if (!c.bytes.empty()) trackbuilder::WriteFile(path, c.bytes);
    Load(path);
    EXPECT_EQ(view.TakeEvents(), (Events{"box Load Error", "disable btnSave", "disable btnMod"}));
    ASSERT_FALSE(view.warnings.empty());
    const WarningMessage& box = view.warnings.back();
    EXPECT_EQ(box.title, "Load Error");
    EXPECT_EQ(box.text, "Error Loading Track File!");
    EXPECT_NE(box.informative.find(c.reasonHas), std::string::npos) << box.informative;
    EXPECT_EQ(controller.State(), CommandState::NothingLoaded);
    EXPECT_TRUE(controller.IsEnabled(CommandButton::Load));
  }
}

TEST_F(MainControllerTest, cancelled_open_changes_no_state_but_forgets_the_name) {
  dialogs.Answer(std::nullopt);
  controller.btnLoad_Click();
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(controller.State(), CommandState::NothingLoaded);

  BringToFlanged();
  const auto flanged = controller.Document();
  dialogs.Answer(std::nullopt);
  controller.btnLoad_Click();
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(controller.State(), CommandState::Flanged);
  EXPECT_EQ(controller.Document(), flanged);
  EXPECT_EQ(controller.CurrentFileName(), "");
}

TEST_F(MainControllerTest, add_flanges_enables_save_and_stays_enabled) {
  Load(goodTrack);
  view.TakeEvents();
  const auto expected = supports::CountFlanges(controller.Document());
  ASSERT_GT(expected.flangesAdded, 0);

  controller.btnMod_Click();
  EXPECT_EQ(view.TakeEvents(), (Events{"enable btnSave"}));
  EXPECT_EQ(controller.State(), CommandState::Flanged);
  EXPECT_EQ(controller.Document().Tubes.size(), source.Tubes.size() + expected.flangesAdded);

  // Again from Flanged: the flanges are added a second time.
  controller.btnMod_Click();
  EXPECT_EQ(view.TakeEvents(), (Events{"enable btnSave"}));
  EXPECT_EQ(controller.State(), CommandState::Flanged);
  EXPECT_EQ(controller.Document().Tubes.size(), source.Tubes.size() + 2 * expected.flangesAdded);
}

TEST_F(MainControllerTest, loading_again_from_flanged_returns_to_loaded) {
  BringToFlanged();
  Load(otherTrack);
  EXPECT_EQ(view.TakeEvents(), (Events{"disable btnSave", "enable btnMod"}));
  EXPECT_EQ(controller.State(), CommandState::Loaded);
  EXPECT_EQ(controller.Document(), tracktesting::Loaded(trackbuilder::CanonicalFile(
                                       trackbuilder::SampleDocument())));
}

TEST_F(MainControllerTest, save_writes_the_flanged_track_and_keeps_the_state) {
  BringToFlanged();
  const std::string target = folder.File("flanged.nltrack");
  Save(target);
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(controller.State(), CommandState::Flanged);
  EXPECT_EQ(trackbuilder::ReadFile(target), ExpectedFile());
  EXPECT_EQ(controller.CurrentFileName(), target);
}

TEST_F(MainControllerTest, several_saves_write_several_files) {
  BringToFlanged();
  Save(folder.File("first.nltrack"));
  Save(folder.File("second"));
  Save(folder.File("first.nltrack"));  // over the first one
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(folder.Entries(),
            (std::vector<std::string>{"first.nltrack", "good.nltrack", "other.NLTRACK",
                                      "second.nltrack"}));
  EXPECT_EQ(trackbuilder::ReadFile(folder.File("first.nltrack")), ExpectedFile());
  EXPECT_EQ(trackbuilder::ReadFile(folder.File("second.nltrack")), ExpectedFile());
  EXPECT_EQ(dialogs.calls().back().fileName, folder.File("second"));
}

TEST_F(MainControllerTest, save_under_another_extension_keeps_the_chosen_name) {
  BringToFlanged();
  const std::string chosen = folder.File("x.txt");
  Save(chosen);
  EXPECT_EQ(trackbuilder::ReadFile(chosen + ".nltrack"), ExpectedFile());
  EXPECT_FALSE(std::filesystem::exists(chosen));
  EXPECT_EQ(controller.CurrentFileName(), chosen);

  Save(std::nullopt);
  EXPECT_EQ(dialogs.calls().back().fileName, chosen);  // the next dialog proposes x.txt
}

TEST_F(MainControllerTest, cancelled_save_writes_nothing_and_forgets_the_name) {
  BringToFlanged();
  Save(std::nullopt);
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(controller.State(), CommandState::Flanged);
  EXPECT_EQ(controller.CurrentFileName(), "");
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"good.nltrack", "other.NLTRACK"}));
}

TEST_F(MainControllerTest, failed_save_says_why_and_keeps_the_state) {
  BringToFlanged();
  const std::string unreachable = folder.File("no-such-folder/x.nltrack");
  Save(unreachable);
  EXPECT_EQ(view.TakeEvents(), (Events{"box Save Error"}));
  const WarningMessage& box = view.warnings.back();
  EXPECT_EQ(box.text, "The track was not saved.");
  EXPECT_EQ(box.informative.rfind(unreachable + ": ", 0), 0u) << box.informative;
  EXPECT_EQ(controller.State(), CommandState::Flanged);

  // A folder in the way fails too; the next save works.
  const std::vector<uint8_t> before = trackbuilder::ReadFile(goodTrack);
  std::filesystem::create_directory(folder.File("blocker.nltrack"));
  Save(folder.File("blocker.nltrack"));
  EXPECT_EQ(view.TakeEvents(), (Events{"box Save Error"}));
  Save(goodTrack);
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_NE(trackbuilder::ReadFile(goodTrack), before);
  EXPECT_EQ(trackbuilder::ReadFile(goodTrack), ExpectedFile());
}

}  // namespace
}  // namespace app
