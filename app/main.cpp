// tarnwick: opens the main window; everything else starts from its buttons.
#include <QApplication>
#include <QIcon>

#include "app/MainWindow.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarnwick"));
  QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
  // Lets the desktop match the window to the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("tarnwick"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tarnwick")));

  app::MainWindow window;
  window.show();
  return application.exec();
}
