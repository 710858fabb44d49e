// The Win32 window in the test's own process: layout, tab order, keyboard
// and clicks reaching the shared commands. The real dialogs and message box
// are driven from outside by the Wine run of tarnwick.exe.
#include "gui/win32/MainWindow.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlobj.h>  // DROPFILES

#include <algorithm>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "trackio/FileAccessDetail.h"

namespace gui::win32 {
namespace {

std::string Text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

RECT ClientRectOf(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Feeds one key through the window's dialog keys, as the message loop does.
void PressKey(MainWindow& window, WPARAM key) {
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    MSG msg{GetFocus(), message, key, 0, 0, {}};
    if (!window.HandleDialogKey(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  MSG pending;
  while (PeekMessageA(&pending, nullptr, 0, 0, PM_REMOVE)) {
    if (!window.HandleDialogKey(pending)) DispatchMessageA(&pending);
  }
}

// A drop of `paths` as the shell hands it to the window: a DROPFILES block
// with the names one after another, ending in an empty one.
HDROP DroppedFiles(const std::vector<std::string>& paths) {
  std::string names;
  for (const std::string& path : paths) names += path + '\0';
  names += '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = FALSE;
  std::copy(names.begin(), names.end(), reinterpret_cast<char*>(files + 1));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class MainWindowTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  MainWindow window{GetModuleHandleA(nullptr), dialogs};
};

TEST(WindowMetrics, TwipsBecomePixelsAtTheScreensDpi) {
  EXPECT_EQ(ClientSize({96, 96}).cx, 338);
  EXPECT_EQ(ClientSize({96, 96}).cy, 36);
  EXPECT_EQ(ClientSize({144, 144}).cx, 507);
  EXPECT_EQ(ClientSize({144, 144}).cy, 54);
  EXPECT_EQ(TwipsToPixels(1575, 120), 131);  // 131.25
  EXPECT_EQ(TwipsToPixels(1575, 144), 158);  // 157.5 rounds up
  const RECT save = ButtonRect(LayoutOf(CommandButton::Save), {96, 96});
  EXPECT_EQ(save.left, 228);
  EXPECT_EQ(save.top, 4);
  EXPECT_EQ(save.right - save.left, 105);
  EXPECT_EQ(save.bottom - save.top, 25);
}

TEST_F(MainWindowTest, TheWindowHasItsCaptionSizeAndThreeButtons) {
  const Dpi dpi = WindowDpi(window.Handle());
  EXPECT_EQ(Text(window.Handle()), "Tarnwick");
  RECT client{};
  GetClientRect(window.Handle(), &client);
  EXPECT_EQ(client.right, ClientSize(dpi).cx);
  EXPECT_EQ(client.bottom, ClientSize(dpi).cy);

  for (const ButtonLayout& layout : kButtonLayouts) {
    HWND button = window.Button(layout.button);
    char className[32] = {};
    GetClassNameA(button, className, sizeof className);
    EXPECT_STREQ(className, "Button");
    EXPECT_EQ(Text(button), layout.caption);
    EXPECT_TRUE(ClientRectOf(button) == ButtonRect(layout, dpi)) << layout.caption;
    EXPECT_EQ(IsWindowEnabled(button) != FALSE, layout.enabledAtStart) << layout.caption;
    const LONG style = GetWindowLongA(button, GWL_STYLE);
    EXPECT_TRUE(style & WS_TABSTOP) << layout.caption;
    EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << layout.caption;
    // The same tooltips as the Qt window's, whether the button is enabled or not.
    EXPECT_EQ(window.ToolTipText(layout.button, false), layout.toolTip);
    EXPECT_EQ(window.ToolTipText(layout.button, true), layout.toolTip);
  }
}

TEST_F(MainWindowTest, AMoveToAScreenWithAnotherScalingRescalesTheButtons) {
  const Dpi larger{144, 144};
  RECT suggested{40, 30, 600, 200};
  SendMessageA(window.Handle(), WM_DPICHANGED, MAKEWPARAM(larger.x, larger.y),
               reinterpret_cast<LPARAM>(&suggested));
  for (const ButtonLayout& layout : kButtonLayouts) {
    EXPECT_TRUE(ClientRectOf(window.Button(layout.button)) == ButtonRect(layout, larger))
        << layout.caption;
  }
  RECT placed{};
  GetWindowRect(window.Handle(), &placed);
  EXPECT_EQ(placed.left, suggested.left);
  EXPECT_EQ(placed.top, suggested.top);
  EXPECT_GT(placed.right - placed.left, ClientSize(larger).cx) << "sized for the larger client area";
}

TEST_F(MainWindowTest, TabOrderRunsLoadAddFlangesSave) {
  HWND child = GetWindow(window.Handle(), GW_CHILD);
  for (CommandButton button : {CommandButton::Load, CommandButton::Mod, CommandButton::Save}) {
    EXPECT_EQ(child, window.Button(button));
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "no other control";

  // Disabled buttons are passed over until a track is loaded.
  HWND load = window.Button(CommandButton::Load);
  EXPECT_EQ(GetNextDlgTabItem(window.Handle(), load, FALSE), load);
  for (CommandButton button : {CommandButton::Mod, CommandButton::Save}) {
    window.SetButtonEnabled(button, true);
  }
  EXPECT_EQ(GetNextDlgTabItem(window.Handle(), load, FALSE), window.Button(CommandButton::Mod));
  EXPECT_EQ(GetNextDlgTabItem(window.Handle(), load, TRUE), window.Button(CommandButton::Save));
}

TEST_F(MainWindowTest, ClicksRunTheCommandsWithTheWindowAsDialogOwner) {
  tracktesting::ScratchFolder folder;
  const std::string track = folder.File("sample.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(5))));
  window.Show(SW_SHOWNOACTIVATE);

  dialogs.Answer(std::nullopt);  // cancelled: nothing changes
  SendMessageA(window.Button(CommandButton::Load), BM_CLICK, 0, 0);
  EXPECT_EQ(window.Controller().State(), CommandState::NothingLoaded);

  dialogs.Answer(track);
  SendMessageA(window.Button(CommandButton::Load), BM_CLICK, 0, 0);
  EXPECT_EQ(window.Controller().State(), CommandState::Loaded);
  EXPECT_TRUE(IsWindowEnabled(window.Button(CommandButton::Mod)));
  EXPECT_FALSE(IsWindowEnabled(window.Button(CommandButton::Save)));

  const supports::FlangeSummary run = supports::CountFlanges(window.Controller().Document());
  SendMessageA(window.Button(CommandButton::Mod), BM_CLICK, 0, 0);
  EXPECT_EQ(window.Controller().State(), CommandState::Flanged);
  EXPECT_TRUE(IsWindowEnabled(window.Button(CommandButton::Save)));
  // The tooltip of Add Flanges tells what the run did.
  EXPECT_EQ(window.ToolTipText(CommandButton::Mod, false), FlangeRunToolTip(run));
  EXPECT_EQ(window.ToolTipText(CommandButton::Mod, true), FlangeRunToolTip(run));

  dialogs.Answer(folder.File("out"));
  SendMessageA(window.Button(CommandButton::Save), BM_CLICK, 0, 0);
  EXPECT_TRUE(trackio::IsRegularFile(folder.File("out.nltrack")));

  ASSERT_EQ(dialogs.Requests().size(), 3u);
  for (const FileDialogRequest& request : dialogs.Requests()) {
    EXPECT_EQ(request.owner, window.Handle());
  }
}

TEST(MainWindowLongWork, SlowWorkShowsAModalProgressWindowUntilItEnds) {
  tracktesting::ScratchFolder folder;
  const std::string track = folder.File("sample.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(5))));
  // A load that reports 40% and then, on its own thread, waits for the
  // progress window and reads it before it loads.
  struct Seen {
    std::string caption, label;
    int percent = -1;
    bool ownedByTheDisabledWindow = false;
  } seen;
  HWND mainWindow = nullptr;
  TrackOperations slow;
  slow.load = [&](const std::string& path, const trackio::ProgressCallback& progress) {
    progress(40, 100);
    for (int waited = 0; waited < 30000 && seen.caption.empty(); waited += 10) {
      HWND box = FindWindowA(kProgressWindowClass, nullptr);
      if (box == nullptr || !IsWindowVisible(box)) {
        Sleep(10);
        continue;
      }
      seen.caption = Text(box);
      seen.label = Text(FindWindowExA(box, nullptr, "STATIC", nullptr));
      seen.percent = static_cast<int>(
          SendMessageA(FindWindowExA(box, nullptr, PROGRESS_CLASSA, nullptr), PBM_GETPOS, 0, 0));
      seen.ownedByTheDisabledWindow = GetWindow(box, GW_OWNER) == mainWindow && !IsWindowEnabled(mainWindow);
    }
    return trackio::LoadTrack(path);
  };
  ScriptedDialogs dialogs;
  dialogs.Answer(track);
  MainWindow window(GetModuleHandleA(nullptr), dialogs, slow);
  mainWindow = window.Handle();
  window.Show(SW_SHOWNOACTIVATE);

  SendMessageA(window.Button(CommandButton::Load), BM_CLICK, 0, 0);  // returns once the load has ended
  EXPECT_EQ(seen.caption, "Tarnwick");
  EXPECT_EQ(seen.label, "Loading sample.nltrack... 40%");
  EXPECT_EQ(seen.percent, 40);
  EXPECT_TRUE(seen.ownedByTheDisabledWindow);
  EXPECT_EQ(FindWindowA(kProgressWindowClass, nullptr), nullptr) << "closed when the work ends";
  EXPECT_TRUE(IsWindowEnabled(window.Handle()));
  EXPECT_EQ(window.Controller().State(), CommandState::Loaded);
}

TEST_F(MainWindowTest, ADroppedTrackLoadsAsIfChosen) {
  tracktesting::ScratchFolder folder;
  const std::string notes = folder.File("notes.txt");
  const std::string track = folder.File("sample.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(notes, {'x'}));
  ASSERT_TRUE(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(5))));
  EXPECT_TRUE(GetWindowLongA(window.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  SendMessageA(window.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DroppedFiles({notes, track})), 0);
  EXPECT_EQ(window.Controller().State(), CommandState::Loaded);
  EXPECT_EQ(window.Controller().CurrentFileName(), track);
  EXPECT_TRUE(IsWindowEnabled(window.Button(CommandButton::Mod)));
  EXPECT_TRUE(dialogs.Requests().empty()) << "no dialog was shown";
}

TEST_F(MainWindowTest, TheKeyboardMovesBetweenTheButtonsAndPressesThem) {
  tracktesting::ScratchFolder folder;
  const std::string track = folder.File("sample.nltrack");
  ASSERT_TRUE(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(5))));
  window.Show(SW_SHOW);
  ASSERT_EQ(GetFocus(), window.Button(CommandButton::Load)) << "Load Track has the focus at start";

  dialogs.Answer(track);
  PressKey(window, VK_RETURN);
  EXPECT_EQ(window.Controller().State(), CommandState::Loaded);

  PressKey(window, VK_TAB);
  EXPECT_EQ(GetFocus(), window.Button(CommandButton::Mod));
  PressKey(window, VK_SPACE);
  EXPECT_EQ(window.Controller().State(), CommandState::Flanged);

  PressKey(window, VK_TAB);
  EXPECT_EQ(GetFocus(), window.Button(CommandButton::Save));
  PressKey(window, VK_TAB);
  EXPECT_EQ(GetFocus(), window.Button(CommandButton::Load)) << "Tab wraps around";
  PressKey(window, VK_RIGHT);
  EXPECT_EQ(GetFocus(), window.Button(CommandButton::Mod)) << "the arrow keys move too";
  PressKey(window, VK_LEFT);
  EXPECT_EQ(GetFocus(), window.Button(CommandButton::Load));

  // A button that loses its enabled state while focused hands the focus on.
  SetFocus(window.Button(CommandButton::Save));
  window.SetButtonEnabled(CommandButton::Save, false);
  EXPECT_EQ(GetFocus(), window.Button(CommandButton::Load));
}

}  // namespace
}  // namespace gui::win32
