// tarnwick: opens the main window, and the track named on the command line.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>

#include "gui/qt/MainWindow.h"
#include "gui/core/StartupArguments.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarnwick"));
  QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
  // Lets the desktop match the window to the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("tarnwick"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tarnwick")));

  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromUtf8(gui::kProgramSummary));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The track file to open."),
                               QStringLiteral("[file]"));
  parser.process(application);  // --help and --version print and exit here
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    std::fputs("tarnwick: give one track file at most\n", stderr);
    return 1;
  }

  gui::qt::MainWindow window;
  window.show();
  if (!files.isEmpty()) window.LoadSoon(QFileInfo(files.front()).absoluteFilePath());
  return application.exec();
}
