#include "gui/win32/ProgressWindow.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "gui/core/MainWindowLayout.h"

namespace gui::win32 {

namespace {

// A caption and a frame, but no system menu: nothing to close it with.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

// The layout in pixels at 96 dots per inch.
constexpr int kWidth = 320, kMargin = 12, kLineHeight = 20, kGap = 8;

int Scaled(int pixels, int dotsPerInch) { return MulDiv(pixels, dotsPerInch, USER_DEFAULT_SCREEN_DPI); }

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;  // Alt+F4: the work cannot be stopped half-way
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterProgressClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ProgressProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_WAIT);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kProgressWindowClass;
  if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("cannot register the progress window's class (error " +
                             std::to_string(GetLastError()) + ")");
  }
}

HWND Child(const char* className, const char* text, DWORD style, int x, int y, int width, int height,
           HWND parent, HINSTANCE instance) {
  return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                         parent, nullptr, instance, nullptr);
}

}  // namespace

ProgressWindow::ProgressWindow(HINSTANCE instance, HWND owner, const std::string& label, int percent,
                               HFONT font, Dpi dpi)
    : label_(label) {
  RegisterProgressClass(instance);
  const int margin = Scaled(kMargin, dpi.x), width = Scaled(kWidth, dpi.x);
  const int line = Scaled(kLineHeight, dpi.y), gap = Scaled(kGap, dpi.y);
  const SIZE client{width, Scaled(kMargin, dpi.y) * 2 + line * 2 + gap};
  const SIZE frame = WindowSizeForClient(client, kStyle, kExStyle, dpi);
  const POINT place = CentredOn(owner, frame);

  window_ = CreateWindowExA(kExStyle, kProgressWindowClass, kWindowCaption, kStyle, place.x, place.y,
                            frame.cx, frame.cy, owner, nullptr, instance, nullptr);
  if (window_ == nullptr) {
    throw std::runtime_error("cannot create the progress window (error " +
                             std::to_string(GetLastError()) + ")");
  }
  const int top1 = Scaled(kMargin, dpi.y);
  text_ = Child("STATIC", label.c_str(), SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, margin, top1,
                 width - 2 * margin, line, window_, instance);
  bar_ = Child(PROGRESS_CLASSA, "", 0, margin, top1 + line + gap, width - 2 * margin, line, window_,
               instance);
  SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(bar_, PBM_SETRANGE32, 0, 100);
  SetPercent(percent);
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

ProgressWindow::~ProgressWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void ProgressWindow::SetPercent(int percent) {
  SetWindowTextA(text_, (label_ + " " + std::to_string(percent) + "%").c_str());
  SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

}  // namespace gui::win32
