// Window handles as the shared code passes them (a signed 32-bit number).
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "gui/core/FileDialogLogic.h"

namespace app::win32 {

// 64-bit Windows keeps window handles within 32 bits (sign-extended) so that
// 32- and 64-bit programs can share them; the conversion loses nothing.
inline WindowHandle ToWindowHandle(HWND window) { return HandleToLong(window); }
inline HWND ToHwnd(WindowHandle handle) { return static_cast<HWND>(LongToHandle(handle)); }

}  // namespace app::win32
