// Drives a running tarnwick.exe from outside, as a user would, and checks
// what it shows: the window and its buttons, the open dialog (cancelled, a
// file that is no track, a track), "Add Flanges", and the save dialog.
//
//   window_probe TRACK NOT_A_TRACK SAVE_NAME
//   window_probe --loaded-at-start
//   window_probe --load-error-at-start NOT_A_TRACK
//
// SAVE_NAME is given without extension; the dialog adds ".nltrack".
// SAVE_NAME.track.nltrack must exist: saving as SAVE_NAME.track is refused.
// The
// other forms check a window started with a track, or with a file that is
// no track, on its command line, and close it. Prints what it sees and exits 0 when every check held.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gui/core/MainController.h"
#include "gui/win32/WindowMetrics.h"

namespace {

using namespace gui;
using namespace gui::win32;

struct CheckFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Check(bool holds, const std::string& what) {
  std::printf("  %s %s\n", holds ? "ok  " : "FAIL", what.c_str());
  if (!holds) throw CheckFailed(what);
}

template <typename T>
T WaitFor(const std::function<T()>& probe, const std::string& what) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    if (T found = probe()) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  throw CheckFailed("timed out waiting for " + what);
}

std::string Text(HWND window) {
  // WM_GETTEXT is carried across processes; GetWindowText would not ask.
  char text[1024] = {};
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// What a message box says.
std::string StaticText(HWND box) {
  std::string text;
  for (HWND child : Children(box)) {
    if (ClassOf(child) == "Static") text += Text(child);
  }
  return text;
}

// A visible top-level window owned by `owner` with this caption.
HWND OwnedWindow(HWND owner, const std::string& caption) {
  struct Search {
    HWND owner;
    const std::string* caption;
    HWND found;
  } search{owner, &caption, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (GetWindow(window, GW_OWNER) == s->owner && IsWindowVisible(window) &&
            Text(window) == *s->caption) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class Probe {
 public:
  explicit Probe(HWND window) : window_(window) {
    const std::vector<HWND> children = Children(window);
    if (children.size() == 3) buttons_ = {children[0], children[1], children[2]};
  }

  void CheckWindow() {
    std::printf("window \"%s\" (class %s)\n", Text(window_).c_str(), ClassOf(window_).c_str());
    const Dpi dpi = WindowDpi(window_);
    RECT client{};
    GetClientRect(window_, &client);
    std::printf("  client area %ldx%ld at %d dpi\n", client.right, client.bottom, dpi.x);
    Check(client.right == ClientSize(dpi).cx && client.bottom == ClientSize(dpi).cy,
          "client area is 5070 x 540 twips");
    Check(Children(window_).size() == 3, "three controls, in tab order:");
    for (const ButtonLayout& layout : kButtonLayouts) {
      HWND button = Button(layout.button);
      RECT place{};
      GetWindowRect(button, &place);
      MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
      const RECT expected = ButtonRect(layout, dpi);
      std::printf("  %s \"%s\" at %ld,%ld size %ldx%ld, %s, %s\n", ClassOf(button).c_str(),
                  Text(button).c_str(), place.left, place.top, place.right - place.left,
                  place.bottom - place.top, IsWindowEnabled(button) ? "enabled" : "disabled",
                  (GetWindowLongA(button, GWL_STYLE) & WS_TABSTOP) ? "tab stop" : "no tab stop");
      Check(ClassOf(button) == "Button" && Text(button) == layout.caption,
            std::string("button \"") + layout.caption + "\"");
      Check(place.left == expected.left && place.top == expected.top &&
                place.right == expected.right && place.bottom == expected.bottom,
            std::string("\"") + layout.caption + "\" sits where its twips say");
    }
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &thread);
    Check(thread.hwndFocus == Button(CommandButton::Load), "\"Load Track\" has the focus");
    CheckButtons(true, false, false, "at start");
    // Away from the screen's edges, where a box centred on it fits whole.
    SetWindowPos(window_, nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void CancelOpenDialog() {
    std::printf("Load Track, cancelled\n");
    HWND dialog = PressForDialog(CommandButton::Load, kOpenDialogTitle);
    Check(!IsWindowEnabled(window_), "the dialog is modal to the window");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitUntilGone(dialog);
    CheckButtons(true, false, false, "after the cancel");
  }

  void OpenNotATrack(const std::string& path) {
    std::printf("Load Track, %s\n", path.c_str());
    ChooseFile(PressForDialog(CommandButton::Load, kOpenDialogTitle), path);
    CloseLoadErrorBox(path);
    CheckButtons(true, false, false, "after the failed load");
  }

  // The "Load Error" box: the message, then the file and why; centred on
  // the window (or as near as the screen allows).
  void CloseLoadErrorBox(const std::string& path) {
    HWND box = WaitFor<HWND>([&] { return OwnedWindow(window_, kLoadErrorTitle); },
                             "the \"Load Error\" box");
    const std::string text = StaticText(box);
    std::printf("  box \"%s\": %s\n", Text(box).c_str(), text.c_str());
    Check(text.rfind(std::string(kLoadErrorText) + "\n" + path + ": ", 0) == 0,
          "it says \"Error Loading Track File!\", then the file and why on a second line");
    RECT boxRect{}, windowRect{};
    GetWindowRect(box, &boxRect);
    GetWindowRect(window_, &windowRect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    const auto centred = [](LONG boxFrom, LONG boxTo, LONG from, LONG to, LONG screenFrom, LONG screenTo) {
      const LONG offset = (boxFrom + boxTo) - (from + to);  // twice the distance of the centres
      return std::abs(offset) <= 2 || boxFrom == screenFrom || boxTo == screenTo;
    };
    std::printf("  box at %ld,%ld-%ld,%ld, window at %ld,%ld-%ld,%ld\n", boxRect.left, boxRect.top,
                boxRect.right, boxRect.bottom, windowRect.left, windowRect.top, windowRect.right,
                windowRect.bottom);
    Check(centred(boxRect.left, boxRect.right, windowRect.left, windowRect.right, monitor.rcWork.left,
                  monitor.rcWork.right) &&
              centred(boxRect.top, boxRect.bottom, windowRect.top, windowRect.bottom,
                      monitor.rcWork.top, monitor.rcWork.bottom),
          "it is centred on the window");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntilGone(box);
  }

  void OpenTrack(const std::string& path, const std::string& proposed) {
    std::printf("Load Track, %s\n", path.c_str());
    HWND dialog = PressForDialog(CommandButton::Load, kOpenDialogTitle);
    CheckProposal(dialog, proposed);
    ChooseFile(dialog, path);
    WaitForEnabled(CommandButton::Mod, true);
    CheckButtons(true, true, false, "after the load");
  }

  void AddFlanges() {
    std::printf("Add Flanges\n");
    PostMessageA(Button(CommandButton::Mod), BM_CLICK, 0, 0);
    WaitForEnabled(CommandButton::Save, true);
    CheckButtons(true, true, true, "after adding flanges");
  }

  void Save(const std::string& proposed, const std::string& name) {
    std::printf("Save Track, %s\n", name.c_str());
    HWND dialog = PressForDialog(CommandButton::Save, kSaveDialogTitle);
    CheckProposal(dialog, proposed);
    ChooseFile(dialog, name);
    const std::string written = name + ".nltrack";
    WaitFor<bool>([&] { return GetFileAttributesA(written.c_str()) != INVALID_FILE_ATTRIBUTES; },
                  written);
    Check(true, "wrote " + written);
    CheckButtons(true, true, true, "after saving");
  }

  void CancelSave(const std::string& proposed) {
    std::printf("Save Track, cancelled\n");
    HWND dialog = PressForDialog(CommandButton::Save, kSaveDialogTitle);
    CheckProposal(dialog, proposed);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitUntilGone(dialog);
    CheckButtons(true, true, true, "after the cancel");
  }

  // A name with another extension, whose ".nltrack" file exists: the
  // dialog asks nothing, the window asks about that file; "No" brings the
  // dialog back.
  void RefuseReplacing(const std::string& name) {
    std::printf("Save Track, %s, where %s.nltrack exists\n", name.c_str(), name.c_str());
    ChooseFile(PressForDialog(CommandButton::Save, kSaveDialogTitle), name);
    const auto question = [&]() -> HWND {
      HWND box = OwnedWindow(window_, kSaveDialogTitle);
      return box != nullptr && StaticText(box).find("already exists") != std::string::npos ? box : nullptr;
    };
    HWND box = WaitFor<HWND>(question, "the question before replacing");
    const std::string text = StaticText(box);
    std::printf("  box \"%s\": %s\n", Text(box).c_str(), text.c_str());
    const std::string shortName = name.substr(name.find_last_of("\\/") + 1);
    Check(text == shortName + ".nltrack already exists.\nDo you want to replace it?",
          "it asks about " + shortName + ".nltrack");
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    WaitFor<bool>([&] { return !IsWindow(box); }, "the question to close");
    HWND again = WaitFor<HWND>([&] { return OwnedWindow(window_, kSaveDialogTitle); }, "the dialog again");
    Check(true, "\"No\" brings the dialog back");
    CheckProposal(again, name);
    PostMessageA(again, WM_COMMAND, IDCANCEL, 0);
    WaitUntilGone(again);
  }

  void CheckLoadedAtStart() {
    std::printf("a track named on the command line\n");
    WaitForEnabled(CommandButton::Mod, true);
    CheckButtons(true, true, false, "once the window shows");
  }

  void CheckLoadErrorAtStart(const std::string& path) {
    std::printf("a file that is no track, named on the command line\n");
    CloseLoadErrorBox(path);
    CheckButtons(true, false, false, "after the failed load");
  }

  void Close() {
    std::printf("closing\n");
    PostMessageA(window_, WM_CLOSE, 0, 0);
    WaitFor<bool>([&] { return !IsWindow(window_); }, "the window to close");
    Check(true, "the window closed");
  }

 private:
  HWND Button(CommandButton button) const { return buttons_[static_cast<size_t>(button)]; }

  HWND PressForDialog(CommandButton button, const std::string& caption) {
    PostMessageA(Button(button), BM_CLICK, 0, 0);
    HWND dialog = WaitFor<HWND>([&] { return OwnedWindow(window_, caption); },
                                "the dialog \"" + caption + "\"");
    Check(true, "dialog \"" + caption + "\" owned by the window");
    return dialog;
  }

  // The file name box: a combo box in the Explorer-style dialog.
  static HWND FileNameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    return box != nullptr ? box : GetDlgItem(dialog, edt1);
  }

  // The dialog may open in the proposed file's folder and show only its name.
  static void CheckProposal(HWND dialog, const std::string& proposed) {
    const std::string shown = Text(FileNameBox(dialog));
    const std::string name = proposed.substr(proposed.find_last_of("\\/") + 1);
    Check(shown == proposed || (shown == name && !name.empty()),
          "the dialog proposes \"" + proposed + "\" (shows \"" + shown + "\")");
  }

  void ChooseFile(HWND dialog, const std::string& path) {
    SendMessageA(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    WaitUntilGone(dialog);
  }

  void WaitUntilGone(HWND window) {
    WaitFor<bool>([&] { return !IsWindow(window) || !IsWindowVisible(window); },
                  "a dialog to close");
    WaitFor<bool>([&] { return IsWindowEnabled(window_) != FALSE; }, "the window to be enabled");
  }

  void WaitForEnabled(CommandButton button, bool enabled) {
    WaitFor<bool>([&] { return (IsWindowEnabled(Button(button)) != FALSE) == enabled; },
                  "a button to change");
  }

  void CheckButtons(bool load, bool mod, bool save, const std::string& when) {
    // Let a command that is still running finish first.
    SendMessageA(window_, WM_NULL, 0, 0);
    const bool states[] = {load, mod, save};
    std::string shown;
    bool same = true;
    for (const ButtonLayout& layout : kButtonLayouts) {
      const bool enabled = IsWindowEnabled(Button(layout.button)) != FALSE;
      same = same && enabled == states[static_cast<size_t>(layout.button)];
      shown += std::string(shown.empty() ? "" : ", ") + layout.objectName + (enabled ? " on" : " off");
    }
    Check(same, "buttons " + when + ": " + shown);
  }

  HWND window_;
  std::array<HWND, 3> buttons_{};
};

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 2 ? argv[1] : "";
  const bool loadedAtStart = argc == 2 && mode == "--loaded-at-start";
  const bool errorAtStart = argc == 3 && mode == "--load-error-at-start";
  if (argc != 4 && !loadedAtStart && !errorAtStart) {
    std::fprintf(stderr, "usage: window_probe TRACK NOT_A_TRACK SAVE_NAME\n"
                         "       window_probe --loaded-at-start\n"
                         "       window_probe --load-error-at-start NOT_A_TRACK\n");
    return 2;
  }
  try {
    // The window exists a moment before its buttons do.
    HWND window = WaitFor<HWND>(
        [] {
          HWND found = FindWindowA(kWindowObjectName, kWindowCaption);
          return found != nullptr && Children(found).size() == 3 ? found : nullptr;
        },
        "the window \"Tarnwick\" and its buttons");
    Probe probe(window);
    if (loadedAtStart || errorAtStart) {
      if (loadedAtStart) probe.CheckLoadedAtStart();
      if (errorAtStart) probe.CheckLoadErrorAtStart(argv[2]);
      probe.Close();
      std::printf("window checks passed\n");
      return 0;
    }
    const std::string track = argv[1], notATrack = argv[2], saveName = argv[3];
    probe.CheckWindow();
    probe.CancelOpenDialog();
    probe.OpenNotATrack(notATrack);
    probe.OpenTrack(track, notATrack);  // the last chosen path is proposed again
    probe.AddFlanges();
    probe.Save(track, saveName);
    // The dialog added the default extension to the name typed without one.
    probe.CancelSave(saveName + ".nltrack");
    probe.RefuseReplacing(saveName + ".track");
    probe.Close();
  } catch (const CheckFailed& failure) {
    std::printf("window check failed: %s\n", failure.what());
    return 1;
  }
  std::printf("window checks passed\n");
  return 0;
}
