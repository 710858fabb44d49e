// tarnwick.exe: the native Windows window.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <string>

#include "windows/CommonFileDialogs.h"
#include "windows/MainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // Themed buttons: the manifest asks for version 6 of the common controls,
  // which must be loaded before the first button is made.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  try {
    app::win32::CommonFileDialogs dialogs;
    app::win32::frmMain window(instance, dialogs);
    window.Show(showCommand);

    MSG message;
    BOOL received;
    while ((received = GetMessageA(&message, nullptr, 0, 0)) > 0) {
      if (window.HandleDialogKey(message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    return received < 0 ? 1 : static_cast<int>(message.wParam);
  } catch (const std::exception& failure) {
    MessageBoxA(nullptr, failure.what(), app::kWindowCaption, MB_ICONERROR | MB_OK);
    return 1;
  }
}
