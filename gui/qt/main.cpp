// tarnwick: opens the main window, and the track named on the command line.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <string>
#include <vector>

#include "gui/core/StartupArguments.h"
#include "gui/qt/MainWindow.h"
#include "trackio/Interruption.h"

namespace {

std::vector<std::string> Arguments(int argc, char* argv[]) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// Help and version print and end the program; a refusal says why.
// Returns the exit status, or -1 to go on.
int Answer(const gui::StartupArguments& start) {
  switch (start.action) {
    case gui::StartupArguments::Action::Help:
      std::fputs(gui::StartupHelp().c_str(), stdout);
      return 0;
    case gui::StartupArguments::Action::Version:
      std::printf("%s\n", gui::VersionLine(TARNWICK_VERSION).c_str());
      return 0;
    case gui::StartupArguments::Action::Refuse:
      std::fprintf(stderr, "tarnwick: %s\nTry 'tarnwick --help'.\n", start.problem.c_str());
      return 1;
    case gui::StartupArguments::Action::Open:
      break;
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Help and version first: they need no display, which QApplication does.
  const gui::StartupArguments early = gui::ParseStartupArguments(Arguments(argc, argv));
  if (early.action == gui::StartupArguments::Action::Help ||
      early.action == gui::StartupArguments::Action::Version) {
    return Answer(early);
  }

  // Ctrl-C, a logout or `kill` during a save leave no temporary file.
  trackio::InstallInterruptCleanup();

  // QApplication takes its own options (-platform, -style…) out of argv.
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarnwick"));
  QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
  // Lets the desktop match the window to the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("tarnwick"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tarnwick")));

  const gui::StartupArguments start = gui::ParseStartupArguments(Arguments(argc, argv));
  if (const int status = Answer(start); status >= 0) return status;

  gui::qt::MainWindow window;
  window.show();
  if (!start.file.empty()) {
    window.LoadSoon(QFileInfo(QFile::decodeName(start.file.c_str())).absoluteFilePath());
  }
  return application.exec();
}
