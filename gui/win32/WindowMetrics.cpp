#include "gui/win32/WindowMetrics.h"

#include <algorithm>

namespace gui::win32 {

namespace {

// Functions that only newer Windows versions have, looked up at run time so
// the program still starts on older ones.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

Dpi ScreenDpi() {
  Dpi dpi;
  if (HDC screen = GetDC(nullptr)) {
    dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi.x <= 0) dpi.x = USER_DEFAULT_SCREEN_DPI;
  if (dpi.y <= 0) dpi.y = USER_DEFAULT_SCREEN_DPI;
  return dpi;
}

}  // namespace

int TwipsToPixels(int twips, int dotsPerInch) { return MulDiv(twips, dotsPerInch, kTwipsPerInch); }

SIZE ClientSize(Dpi dpi) {
  return {TwipsToPixels(kClientWidthTwips, dpi.x), TwipsToPixels(kClientHeightTwips, dpi.y)};
}

RECT ButtonRect(const ButtonLayout& layout, Dpi dpi) {
  const int left = TwipsToPixels(layout.leftTwips, dpi.x);
  const int top = TwipsToPixels(layout.topTwips, dpi.y);
  return {left, top, left + TwipsToPixels(layout.widthTwips, dpi.x),
          top + TwipsToPixels(layout.heightTwips, dpi.y)};
}

Dpi WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr && window != nullptr) {
    const int dpi = static_cast<int>(getDpiForWindow(window));
    if (dpi > 0) return {dpi, dpi};
  }
  return ScreenDpi();
}

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, Dpi dpi) {
  static const auto adjustForDpi =
      User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, client.cx, client.cy};
  if (adjustForDpi != nullptr) {
    adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi.y));
  } else {
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

POINT CentredOn(HWND owner, SIZE size) {
  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  POINT place{(ownerRect.left + ownerRect.right - size.cx) / 2,
              (ownerRect.top + ownerRect.bottom - size.cy) / 2};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    place.x = std::max(monitor.rcWork.left, std::min(place.x, monitor.rcWork.right - size.cx));
    place.y = std::max(monitor.rcWork.top, std::min(place.y, monitor.rcWork.bottom - size.cy));
  }
  return place;
}

HFONT CreateMessageFont(Dpi dpi) {
  // SystemParametersInfoForDpi exists in the wide form only: it fills a
  // NONCLIENTMETRICSW whatever the program's text form.
  static const auto parametersForDpi =
      User32Function<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (parametersForDpi != nullptr &&
      parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                       static_cast<UINT>(dpi.y))) {
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  // The older call answers for the system DPI.
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi.y, ScreenDpi().y);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace gui::win32
