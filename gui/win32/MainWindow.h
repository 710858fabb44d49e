// The main window on Win32: the program's one window, three push
// buttons in a row.
//
// The commands and the command state belong to the shared MainController;
// this class draws the buttons and passes the clicks on, and a file dropped
// on the window loads as if chosen in the open dialog. Long work runs off
// the interface thread, with a ProgressWindow once it takes a while.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <memory>
#include <string>

#include "gui/core/MainController.h"
#include "gui/win32/ProgressWindow.h"
#include "gui/win32/WindowMetrics.h"

namespace gui::win32 {

class MainWindow : public MainView {
 public:
  // Creates the window, hidden. Throws std::runtime_error when Windows
  // refuses to create it. Tests may slow the track work down.
  MainWindow(HINSTANCE instance, FileDialogs& dialogs, TrackOperations operations = {});
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  void Show(int showCommand);
  // Keyboard navigation between the buttons (Tab, arrow keys, Enter,
  // Space). Returns true when `message` was used for it and must not be
  // dispatched.
  bool HandleDialogKey(MSG& message);

  HWND Handle() const { return window_; }
  HWND Button(CommandButton button) const { return buttons_[static_cast<size_t>(button)]; }
  MainController& Controller() { return controller_; }

  // The tooltip of a button, as it shows over the button enabled or disabled.
  std::string ToolTipText(CommandButton button, bool disabled) const;

  void SetButtonEnabled(CommandButton button, bool enabled) override;
  void ShowWarning(const WarningMessage& message) override;
  bool AskYesNo(const std::string& title, const std::string& question) override;
  WindowHandle OwnerWindow() override;
  void RunLongWork(const std::string& label, const LongWork& work) override;
  void SetButtonToolTip(CommandButton button, const std::string& text) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateButtons();
  void CreateToolTips();
  // A button's two tools: the button itself, and its rectangle in the window.
  std::array<TOOLINFOA, 2> ToolsOf(CommandButton button) const;
  // Sizes the window and its buttons for `dpi` and sets their font; moves
  // the window to `suggested` when given.
  void ApplyDpi(Dpi dpi, const RECT* suggested);
  void OnButtonClicked(int controlId);
  void OnFilesDropped(HDROP drop);
  LRESULT DefaultButtonId() const;
  void MoveFocus(WPARAM wParam, LPARAM lParam);  // as WM_NEXTDLGCTL asks
  void ShowProgress();                            // once long work has taken a while

  MainController controller_;
  HINSTANCE instance_;
  HWND window_ = nullptr;
  std::array<HWND, 3> buttons_{};
  HWND toolTip_ = nullptr;
  HFONT font_ = nullptr;
  HWND focusWhenInactive_ = nullptr;  // restored when the window is activated again
  // While long work runs: the work, its label, and its window once shown.
  const BackgroundWork* work_ = nullptr;
  std::string workLabel_;
  std::unique_ptr<ProgressWindow> progress_;
};

}  // namespace gui::win32
