// The small modal window that shows how far long work has come: what is
// being done and the percent done ("Saving a.nltrack... 45%") over a
// progress bar, centred on its owner, with no close button.
// The owner disables itself while it shows, which makes it modal.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "gui/win32/WindowMetrics.h"

namespace gui::win32 {

inline constexpr const char* kProgressWindowClass = "TarnwickProgress";

class ProgressWindow {
 public:
  // Creates and shows the window. Throws std::runtime_error when Windows
  // refuses to create it.
  ProgressWindow(HINSTANCE instance, HWND owner, const std::string& label, int percent, HFONT font,
                 Dpi dpi);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void SetPercent(int percent);
  HWND Handle() const { return window_; }

 private:
  std::string label_;
  HWND window_ = nullptr;
  HWND text_ = nullptr;
  HWND bar_ = nullptr;
};

}  // namespace gui::win32
