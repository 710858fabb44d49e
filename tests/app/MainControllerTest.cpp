#include "app/MainController.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace app {
namespace {

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
    trackbuilder::WriteFile(wrongName, trackbuilder::CanonicalFile(source));
  }

  void Load(const std::optional<std::string>& path) {
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
  const std::string wrongName = folder.File("good.txt");
  RecordingView view;
  ScriptedDialogs dialogs;
  MainController controller{view, dialogs};
};

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
      case LoadBad: rowDialogs.Answer(wrongName); rowController.btnLoad_Click(); break;
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
  const std::string filter = "NoLimits Tracks (*.nltrack)|*.nltrack";
  EXPECT_EQ(dialogs.calls()[0], (DialogCall{"open", "", true, false, true, false, filter, 1, "",
                                            "Load Track...", "nltrack", 4711, 0}));
  // The save dialog proposes the track just loaded.
  EXPECT_EQ(dialogs.calls()[1], (DialogCall{"save", goodTrack, false, false, false, true, filter, 1,
                                            "", "Save Track As...", "nltrack", 4711, 0}));
}

TEST_F(MainControllerTest, load_disables_save_then_enables_flanges_and_replaces_the_track) {
  Load(goodTrack);
  EXPECT_EQ(view.TakeEvents(), (Events{"disable btnSave", "enable btnMod"}));
  EXPECT_EQ(controller.CurrentFileName(), goodTrack);
  EXPECT_EQ(controller.Document().Tubes, source.Tubes);

  controller.btnMod_Click();
  EXPECT_EQ(view.TakeEvents(), (Events{"enable btnSave"}));
  Load(otherTrack);
  EXPECT_EQ(view.TakeEvents(), (Events{"disable btnSave", "enable btnMod"}));
  EXPECT_EQ(controller.Document(), tracktesting::Loaded(trackbuilder::CanonicalFile(
                                       trackbuilder::SampleDocument())));
}

TEST_F(MainControllerTest, failed_loads_show_the_box_with_the_reason_then_disable_both) {
  std::vector<uint8_t> truncated = trackbuilder::CanonicalFile(source);
  truncated.resize(truncated.size() / 2);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;  // empty: no file is written
    const char* reasonHas;
  };
  const Case cases[] = {
      {"track.nltrack.bak", trackbuilder::CanonicalFile(source), "does not end in .nltrack"},
      {"damaged.nltrack", truncated, " chunk at byte "},
      {"other.nltrack", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, "NLIM"},
      {"missing.nltrack", {}, "no such file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BringToFlanged();  // a failure from any state ends in "nothing loaded"
    const std::string path = folder.File(c.name);
    if (!c.bytes.empty()) trackbuilder::WriteFile(path, c.bytes);
    Load(path);
    EXPECT_EQ(view.TakeEvents(), (Events{"box Load Error", "disable btnSave", "disable btnMod"}));
    const WarningMessage& box = view.warnings.back();
    EXPECT_EQ(box.title, "Load Error");
    EXPECT_EQ(box.text, "Error Loading Track File!");
    EXPECT_NE(box.informative.find(c.reasonHas), std::string::npos) << box.informative;
  }
}

TEST_F(MainControllerTest, add_flanges_again_adds_a_second_set) {
  Load(goodTrack);
  const auto expected = supports::CountFlanges(controller.Document());
  ASSERT_GT(expected.flangesAdded, 0);
  controller.btnMod_Click();
  controller.btnMod_Click();
  EXPECT_EQ(controller.Document().Tubes.size(), source.Tubes.size() + 2 * expected.flangesAdded);
}

TEST_F(MainControllerTest, cancelled_dialogs_change_nothing_but_forget_the_name) {
  BringToFlanged();
  const auto flanged = controller.Document();
  Load(std::nullopt);
  EXPECT_EQ(controller.CurrentFileName(), "");
  Save(std::nullopt);
  EXPECT_EQ(controller.CurrentFileName(), "");
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(controller.Document(), flanged);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"good.nltrack", "good.txt", "other.NLTRACK"}));
}

TEST_F(MainControllerTest, several_saves_write_the_flanged_track_each_time) {
  BringToFlanged();
  Save(folder.File("first.nltrack"));
  Save(folder.File("second"));
  Save(folder.File("first.nltrack"));  // over the first one
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(controller.State(), CommandState::Flanged);
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

TEST_F(MainControllerTest, failed_save_says_why_and_keeps_the_state) {
  BringToFlanged();
  const std::string unreachable = folder.File("no-such-folder/x.nltrack");
  Save(unreachable);
  EXPECT_EQ(view.TakeEvents(), (Events{"box Save Error"}));
  const WarningMessage& box = view.warnings.back();
  EXPECT_EQ(box.text, "The track was not saved.");
  EXPECT_EQ(box.informative.rfind(unreachable + ": ", 0), 0u) << box.informative;
  EXPECT_EQ(controller.State(), CommandState::Flanged);

  Save(goodTrack);  // the next save works
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(trackbuilder::ReadFile(goodTrack), ExpectedFile());
}

}  // namespace
}  // namespace app
