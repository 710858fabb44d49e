// The window's layout in device pixels, from the twips of the shared layout
// and the screen's dots per inch.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "gui/core/MainWindowLayout.h"

namespace gui::win32 {

// Dots per inch across and down (equal on every screen Windows drives today,
// but the twip conversion keeps them apart as the system reports them).
struct Dpi {
  int x = USER_DEFAULT_SCREEN_DPI;
  int y = USER_DEFAULT_SCREEN_DPI;
};

inline constexpr int kTwipsPerInch = 1440;

// Rounded to the nearest pixel, as MulDiv rounds.
int TwipsToPixels(int twips, int dotsPerInch);

SIZE ClientSize(Dpi dpi);
RECT ButtonRect(const ButtonLayout& layout, Dpi dpi);

// The screen's DPI for `window`: the monitor's where the system tells it
// (Windows 10 and later), otherwise the screen's logical DPI.
Dpi WindowDpi(HWND window);

// The outer size of a window with `style` whose client area is `client`.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD exStyle, Dpi dpi);

// Where a window of `size` stands centred on `owner`: its top left corner,
// moved as little as needed to keep it whole on the owner's screen.
POINT CentredOn(HWND owner, SIZE size);

// The system's message font, sized for `dpi`. The caller deletes it (which
// does no harm to the stock font given when the system has none).
HFONT CreateMessageFont(Dpi dpi);

}  // namespace gui::win32
