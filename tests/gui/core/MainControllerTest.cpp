#include "gui/core/MainController.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <stdexcept>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "gui/core/StartupArguments.h"
#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace gui {
namespace {

// Records what the commands did to the window, in order, and what its
// buttons show.
class RecordingView : public MainView {
 public:
  void SetButtonEnabled(CommandButton button, bool enabled) override {
    static const char* const kNames[] = {"btnLoad", "btnMod", "btnSave"};
    events.push_back(std::string(enabled ? "enable " : "disable ") +
                     kNames[static_cast<int>(button)]);
    shown[static_cast<size_t>(button)] = enabled;
  }
  void ShowWarning(const WarningMessage& message) override {
    events.push_back("box " + message.title);
    warnings.push_back(message);
    busyDuringABox = busyDuringABox || busy;
  }
  bool AskYesNo(const std::string& title, const std::string& question) override {
    events.push_back("ask " + title + ": " + question);
    return std::exchange(answerYes, false);
  }
  WindowHandle OwnerWindow() override { return &windowItself; }
  void RunLongWork(const std::string& label, const LongWork& work) override {
    busy = true;
    int lastPercent = -1;
    work([&](int64_t done, int64_t total) { lastPercent = PercentDone(done, total); });
    busy = false;
    longWork.push_back(label + " " + std::to_string(lastPercent) + "%");
  }
  void SetButtonToolTip(CommandButton button, const std::string& text) override {
    toolTips[static_cast<size_t>(button)] = text;
  }

  std::vector<std::string> TakeEvents() { return std::exchange(events, {}); }

  std::vector<std::string> events;
  bool answerYes = false;  // the answer to the next question
  std::vector<WarningMessage> warnings;
  std::array<bool, 3> shown{true, false, false};  // as the window opens
  std::array<std::string, 3> toolTips;
  bool busy = false, busyDuringABox = false;
  std::vector<std::string> longWork;  // the label of each, and the last percent done reported
  int windowItself = 0;  // stands for the window that owns the dialogs
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
  std::vector<uint8_t> ExpectedFile() const { return tracktesting::Saved(controller.Document()); }

  tracktesting::ScratchFolder folder;
  const trackio::TrackDocument source = trackbuilder::GeneratedDocument(3);
  const std::string goodTrack = folder.File("good.nltrack");
  const std::string otherTrack = folder.File("other.NLTRACK");
  const std::string wrongName = folder.File("good.txt");
  RecordingView view;
  ScriptedDialogs dialogs;
  MainController controller{view, dialogs};
};

// Every transition of the command state, from every state a command can be
// given in, through the dialogs and through the path-taking entries; the
// window's buttons show the state reached: Load Track always, Add Flanges
// once a track is loaded, Save Track once flanges were added.
TEST_F(MainControllerTest, StateTable) {
  enum Action { LoadGood, LoadBad, CancelOpen, AddFlanges, SaveGood, CancelSave, LoadPathGood,
                LoadPathBad, SavePath };
  using enum CommandState;
  using Buttons = std::array<bool, 3>;  // Load Track, Add Flanges, Save Track
  const Buttons nothing{true, false, false}, loaded{true, true, false}, flanged{true, true, true};
  const struct Row {
    CommandState from;
    Action action;
    CommandState to;
    Buttons shown;
  } rows[] = {
      {NothingLoaded, LoadGood, Loaded, loaded},
      {NothingLoaded, LoadBad, NothingLoaded, nothing},
      {NothingLoaded, CancelOpen, NothingLoaded, nothing},
      {Loaded, LoadGood, Loaded, loaded},
      {Loaded, LoadBad, NothingLoaded, nothing},
      {Loaded, CancelOpen, Loaded, loaded},
      {Loaded, AddFlanges, Flanged, flanged},
      {Flanged, LoadGood, Loaded, loaded},
      {Flanged, LoadBad, NothingLoaded, nothing},
      {Flanged, CancelOpen, Flanged, flanged},
      {Flanged, AddFlanges, Flanged, flanged},
      {Flanged, SaveGood, Flanged, flanged},
      {Flanged, CancelSave, Flanged, flanged},
      {NothingLoaded, LoadPathGood, Loaded, loaded},
      {NothingLoaded, LoadPathBad, NothingLoaded, nothing},
      {Loaded, LoadPathGood, Loaded, loaded},
      {Loaded, LoadPathBad, NothingLoaded, nothing},
      {Flanged, LoadPathGood, Loaded, loaded},
      {Flanged, LoadPathBad, NothingLoaded, nothing},
      {Flanged, SavePath, Flanged, flanged},
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
      case LoadPathGood: rowController.LoadTrackFrom(otherTrack); break;
      case LoadPathBad: rowController.LoadTrackFrom(wrongName); break;
      case SavePath: rowController.SaveTrackTo(folder.File("saved")); break;
    }
    EXPECT_EQ(rowController.State(), row.to);
    EXPECT_EQ(rowView.shown, row.shown);
    for (CommandButton button : {CommandButton::Load, CommandButton::Mod, CommandButton::Save}) {
      EXPECT_EQ(rowController.IsEnabled(button), row.shown[static_cast<size_t>(button)]);
    }
    const bool failedLoad = row.action == LoadBad || row.action == LoadPathBad;
    EXPECT_EQ(rowView.warnings.size(), failedLoad ? 1u : 0u);
    EXPECT_FALSE(rowView.busyDuringABox);
  }
}

TEST_F(MainControllerTest, TheDialogsAreShownAsTheCommandsAskForThem) {
  BringToFlanged();
  Save(std::nullopt);
  ASSERT_EQ(dialogs.Requests().size(), 2u);
  const std::vector<FilterPair> filters{{"NoLimits Tracks (*.nltrack)", "*.nltrack"}};
  // Open: the file must exist, no read-only box (flags 0x1004).
  EXPECT_TRUE(dialogs.Requests()[0] == (FileDialogRequest{FileDialogKind::Open, "", "", filters, 1, "",
                                                          "Load Track...", "nltrack",
                                                          &view.windowItself, 0x1004}));
  // Save: proposes the track just loaded, asks before replacing (flags 0x6).
  EXPECT_TRUE(dialogs.Requests()[1] == (FileDialogRequest{FileDialogKind::Save, goodTrack, "", filters,
                                                          1, "", "Save Track As...", "nltrack",
                                                          &view.windowItself, 0x6}));
}

TEST_F(MainControllerTest, LoadDisablesSaveThenEnablesFlangesAndReplacesTheTrack) {
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

TEST_F(MainControllerTest, FailedLoadsShowTheBoxWithTheReasonThenDisableBoth) {
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
    for (const bool throughTheDialog : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.name << (throughTheDialog ? ", chosen" : ", by path"));
      BringToFlanged();  // a failure from any state ends in "nothing loaded"
      const std::string path = folder.File(c.name);
      if (!c.bytes.empty()) trackbuilder::WriteFile(path, c.bytes);
      if (throughTheDialog) {
        Load(path);
      } else {
        controller.LoadTrackFrom(path);
      }
      EXPECT_EQ(view.TakeEvents(), (Events{"box Load Error", "disable btnSave", "disable btnMod"}));
      const WarningMessage& box = view.warnings.back();
      EXPECT_EQ(box.title, "Load Error");
      EXPECT_EQ(box.text, "Error Loading Track File!");
      EXPECT_EQ(box.informative.rfind(path + ": ", 0), 0u) << "names the file: " << box.informative;
      EXPECT_NE(box.informative.find(c.reasonHas), std::string::npos) << box.informative;
      EXPECT_EQ(controller.CurrentFileName(), path);
      EXPECT_FALSE(view.busyDuringABox) << "the work ends before the box shows";
    }
  }
}

TEST_F(MainControllerTest, APathLoadsAsIfChosenAndTheNextDialogProposesIt) {
  controller.LoadTrackFrom(goodTrack);
  EXPECT_EQ(view.TakeEvents(), (Events{"disable btnSave", "enable btnMod"}));
  EXPECT_EQ(controller.CurrentFileName(), goodTrack);
  EXPECT_EQ(controller.Document().Tubes, source.Tubes);
  Load(std::nullopt);
  EXPECT_EQ(dialogs.Requests().back().fileName, goodTrack);
}

TEST_F(MainControllerTest, EachCommandRunsItsWorkAsLongWorkAndReportsItsProgress) {
  BringToFlanged();
  Save(folder.File("out"));
  Save(std::nullopt);  // a cancelled dialog does no work
  EXPECT_EQ(view.longWork, (std::vector<std::string>{"Loading good.nltrack... 100%",
                                                      "Adding flanges... 100%",
                                                      "Saving out.nltrack... 100%"}));
}

TEST_F(MainControllerTest, AddFlangesHintReportsTheRun) {
  Load(goodTrack);
  const auto expected = supports::CountFlanges(controller.Document());
  EXPECT_EQ(view.toolTips[static_cast<size_t>(CommandButton::Mod)], "");
  controller.btnMod_Click();
  const std::string& hint = view.toolTips[static_cast<size_t>(CommandButton::Mod)];
  EXPECT_EQ(hint, std::string(LayoutOf(CommandButton::Mod).toolTip) + "\nLast run: " +
                      std::to_string(expected.flangesAdded) + " flanges added on " +
                      std::to_string(expected.tubesFlanged) + " tubes, 0 already present.");
  supports::FlangeSummary oneAdded;
  oneAdded.tubesFlanged = 1;
  oneAdded.flangesAdded = 1;
  oneAdded.flangesAlreadyPresent = 2;
  EXPECT_EQ(FlangeRunToolTip(oneAdded), std::string(LayoutOf(CommandButton::Mod).toolTip) +
                                            "\nLast run: 1 flange added on 1 tube, 2 already present.");
}

TEST_F(MainControllerTest, SaveHintNamesThePartsASaveLeavesOut) {
  // ENVC before SCEN: the parts are not nested as a save writes them, so a
  // save cannot put the unknown one back.
  trackbuilder::Chunk root = trackbuilder::CanonicalTree(source);
  std::swap(root.children[1], root.children[3]);
  root.children.insert(root.children.begin() + 1, trackbuilder::Chunk{"XTRA", {}, {}, {}, {}});
  const std::string odd = folder.File("odd.nltrack");
  trackbuilder::WriteFile(odd, root.Serialize());
  const std::string plain = LayoutOf(CommandButton::Save).toolTip;
  const std::string& hint = view.toolTips[static_cast<size_t>(CommandButton::Save)];

  Load(odd);
  EXPECT_EQ(hint, plain + "\nA save leaves out 1 part this tool does not know: XTRA, 12 bytes.");
  Load(goodTrack);
  EXPECT_EQ(hint, plain);
}

TEST(DroppedFiles, TheFirstTrackOrElseTheFirstFile) {
  using Paths = std::vector<std::string>;
  const struct {
    Paths dropped;
    std::string chosen;
  } cases[] = {
      {{}, ""},
      {{"/a/notes.txt"}, "/a/notes.txt"},
      {{"/a/notes.txt", "/a/b.nltrack", "/a/c.nltrack"}, "/a/b.nltrack"},
      {{"/a/notes.txt", "/a/B.NLTRACK"}, "/a/B.NLTRACK"},
      {{"/a/one.txt", "/a/two.txt"}, "/a/one.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseDroppedFile(c.dropped), c.chosen);
}

TEST_F(MainControllerTest, AddFlangesAgainAddsNothingMore) {
  Load(goodTrack);
  const auto expected = supports::CountFlanges(controller.Document());
  ASSERT_GT(expected.flangesAdded, 0);
  controller.btnMod_Click();
  controller.btnMod_Click();
  EXPECT_EQ(controller.Document().Tubes.size(), source.Tubes.size() + expected.flangesAdded);
  EXPECT_TRUE(controller.IsEnabled(CommandButton::Mod));
  EXPECT_EQ(view.toolTips[static_cast<size_t>(CommandButton::Mod)],
            std::string(LayoutOf(CommandButton::Mod).toolTip) + "\nLast run: 0 flanges added on 0 tubes, " +
                std::to_string(expected.flangesAdded) + " already present.");
}

TEST_F(MainControllerTest, CancelledDialogsChangeNothingButForgetTheName) {
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

TEST_F(MainControllerTest, SeveralSavesWriteTheFlangedTrackEachTime) {
  BringToFlanged();
  Save(folder.File("first.nltrack"));
  Save(folder.File("second"));
  Save(folder.File("first.nltrack"));  // over the first one
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(controller.State(), CommandState::Flanged);
  EXPECT_EQ(trackbuilder::ReadFile(folder.File("first.nltrack")), ExpectedFile());
  EXPECT_EQ(trackbuilder::ReadFile(folder.File("second.nltrack")), ExpectedFile());
  EXPECT_EQ(dialogs.Requests().back().fileName, folder.File("second"));
}

TEST_F(MainControllerTest, SaveUnderAnotherExtensionKeepsTheChosenName) {
  BringToFlanged();
  const std::string chosen = folder.File("x.txt");
  Save(chosen);
  EXPECT_EQ(trackbuilder::ReadFile(chosen + ".nltrack"), ExpectedFile());
  EXPECT_FALSE(std::filesystem::exists(chosen));
  EXPECT_EQ(controller.CurrentFileName(), chosen);
  Save(std::nullopt);
  EXPECT_EQ(dialogs.Requests().back().fileName, chosen);  // the next dialog proposes x.txt
}

// The save appends ".nltrack" to "my.track"; the dialog asked about
// my.track, if at all, so the window asks about my.track.nltrack.
TEST_F(MainControllerTest, ASaveThatWouldReplaceAnotherFileThanTheOneChosenAsksFirst) {
  BringToFlanged();
  const std::string chosen = folder.File("my.track");
  const std::string taken = chosen + ".nltrack";
  const std::vector<uint8_t> users{'u', 's', 'e', 'r'};
  ASSERT_TRUE(trackbuilder::WriteFile(taken, users));
  const std::string question = "ask Save Track As...: my.track.nltrack already exists.\nDo you want to replace it?";

  dialogs.Answer(chosen);
  dialogs.Answer(folder.File("fresh"));
  controller.btnSave_Click();  // "No": the dialog again
  EXPECT_EQ(view.TakeEvents(), (Events{question}));
  ASSERT_EQ(dialogs.Requests().size(), 3u);  // the load's, and the save's twice
  EXPECT_EQ(dialogs.Requests()[2].fileName, chosen) << "proposes the name chosen";
  EXPECT_EQ(trackbuilder::ReadFile(taken), users);
  EXPECT_EQ(trackbuilder::ReadFile(folder.File("fresh.nltrack")), ExpectedFile());

  view.answerYes = true;
  Save(chosen);
  EXPECT_EQ(view.TakeEvents(), (Events{question}));
  EXPECT_EQ(trackbuilder::ReadFile(taken), ExpectedFile());

  // No question when the save writes the name chosen, or nothing stands there.
  Save(taken);
  Save(folder.File("new.track"));
  EXPECT_TRUE(view.TakeEvents().empty());
  EXPECT_EQ(trackbuilder::ReadFile(folder.File("new.track.nltrack")), ExpectedFile());
}

// A file that appears between the dialog and the save (another program
// wrote it) is not replaced without the question; "No" keeps it.
TEST_F(MainControllerTest, AFileThatAppearsBeforeTheSaveIsReplacedOnlyAfterTheQuestion) {
  const std::string target = folder.File("late.nltrack");
  const std::vector<uint8_t> theirs{'t', 'h', 'e', 'i', 'r', 's'};
  std::vector<trackio::Overwrite> consents;
  TrackOperations operations;
  operations.save = [&](trackio::TrackDocument& document, const std::string& path, trackio::Overwrite overwrite,
                        const trackio::ProgressCallback&) {
    consents.push_back(overwrite);
    if (consents.size() == 1) trackbuilder::WriteFile(target, theirs);
    return trackio::SaveTrack(document, path, {.overwrite = overwrite});
  };
  MainController racing{view, dialogs, operations};
  dialogs.Answer(goodTrack);
  racing.btnLoad_Click();
  racing.btnMod_Click();
  view.TakeEvents();
  const std::string question = "ask Save Track As...: late.nltrack already exists.\nDo you want to replace it?";

  dialogs.Answer(target);
  racing.btnSave_Click();
  EXPECT_EQ(view.TakeEvents(), (Events{question}));
  EXPECT_EQ(trackbuilder::ReadFile(target), theirs);

  view.answerYes = true;
  racing.SaveTrackTo(target);
  EXPECT_EQ(view.TakeEvents(), (Events{question}));
  using enum trackio::Overwrite;
  EXPECT_EQ(consents, (std::vector<trackio::Overwrite>{Refuse, Refuse, Replace}));
  EXPECT_EQ(trackbuilder::ReadFile(target), tracktesting::Saved(racing.Document()));
}

TEST_F(MainControllerTest, FailedSaveSaysWhyAndKeepsTheState) {
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

TEST(BackgroundWork, ReportsEachNewPercentThenTheEndAndHandsOnWhatTheWorkThrew) {
  std::atomic<int> changes{0};
  BackgroundWork work(
      [](const trackio::ProgressCallback& progress) {
        for (int64_t done : {0, 1, 2, 500, 999, 1000}) progress(done, 1000);  // 0, 0, 0, 50, 99, 100
        throw std::runtime_error("disk on fire");
      },
      [&changes] { ++changes; });
  try {
    work.Finish();
    ADD_FAILURE() << "the work's failure was lost";
  } catch (const std::runtime_error& failure) {
    EXPECT_STREQ(failure.what(), "disk on fire");
  }
  EXPECT_TRUE(work.Ended());
  EXPECT_EQ(work.Percent(), 100);
  EXPECT_EQ(changes, 4);  // 50, 99, 100 and the end
  EXPECT_EQ(PercentDone(0, 0), 100);
}

TEST(StartupArguments, AFileHelpVersionOrARefusal) {
  using Args = std::vector<std::string>;
  using enum StartupArguments::Action;
  const struct {
    Args args;
    StartupArguments::Action action;
    std::string fileOrProblem;
  } cases[] = {
      {{}, Open, ""},
      {{"C:\\tracks\\coaster.nltrack"}, Open, "C:\\tracks\\coaster.nltrack"},
      {{"-"}, Open, "-"},
      {{"--", "-odd.nltrack"}, Open, "-odd.nltrack"},
      {{"coaster.nltrack", "--help"}, Help, ""},
      // Help and version answer whatever else is given, even options of a toolkit.
      {{"--open", "--help"}, Help, ""},
      {{"-style", "fusion", "-v", "--help"}, Version, ""},
      {{"--", "--help"}, Open, "--help"},
      {{"-h"}, Help, ""},
      {{"-?"}, Help, ""},
      {{"-v"}, Version, ""},
      {{"--version", "x"}, Version, ""},
      {{"--open", "x"}, Refuse, "Unknown option '--open'."},
      {{"a.nltrack", "b.nltrack"}, Refuse, "Give one track file at most."},
  };
  for (const auto& c : cases) {
    const StartupArguments parsed = ParseStartupArguments(c.args);
    EXPECT_EQ(parsed.action, c.action) << testing::PrintToString(c.args);
    EXPECT_EQ(c.action == Refuse ? parsed.problem : parsed.file, c.fileOrProblem);
  }
  EXPECT_EQ(VersionLine("1.2.3"), "Tarnwick 1.2.3");
  EXPECT_EQ(StartupHelp().rfind("Usage: tarnwick [options] [file]\n", 0), 0u);
}

}  // namespace
}  // namespace gui
