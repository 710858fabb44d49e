// tarnwick.exe: the native Windows window, and the track named on its
// command line.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "gui/core/StartupArguments.h"
#include "gui/win32/CommonFileDialogs.h"
#include "gui/win32/MainWindow.h"
#include "trackio/Interruption.h"

namespace {

// The arguments after the program's name, in the active code page (UTF-8,
// as the manifest asks).
std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
  return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // A program without a console answers --help and --version in a box.
  const gui::StartupArguments start = gui::ParseStartupArguments(CommandLineArguments());
  switch (start.action) {
    case gui::StartupArguments::Action::Help:
      MessageBoxA(nullptr, gui::StartupHelp().c_str(), gui::kWindowCaption, MB_ICONINFORMATION | MB_OK);
      return 0;
    case gui::StartupArguments::Action::Version:
      MessageBoxA(nullptr, gui::VersionLine(TARNWICK_VERSION).c_str(), gui::kWindowCaption,
                  MB_ICONINFORMATION | MB_OK);
      return 0;
    case gui::StartupArguments::Action::Refuse:
      MessageBoxA(nullptr, (start.problem + "\n\n" + gui::StartupHelp()).c_str(),
                  gui::kWindowCaption, MB_ICONERROR | MB_OK);
      return 1;
    case gui::StartupArguments::Action::Open:
      break;
  }

  trackio::InstallInterruptCleanup();
  try {
    gui::win32::CommonFileDialogs dialogs;
    gui::win32::MainWindow window(instance, dialogs);
    window.Show(showCommand);
    if (!start.file.empty()) window.Controller().LoadTrackFrom(start.file);

    MSG message;
    BOOL received;
    while ((received = GetMessageA(&message, nullptr, 0, 0)) > 0) {
      if (window.HandleDialogKey(message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    return received < 0 ? 1 : static_cast<int>(message.wParam);
  } catch (const std::exception& failure) {
    MessageBoxA(nullptr, failure.what(), gui::kWindowCaption, MB_ICONERROR | MB_OK);
    return 1;
  }
}
