// The main window on Qt: the program's one window, three command
// buttons in a row, a thin view over MainController. A track file dropped
// on it, or named on the command line, loads as if chosen in the open dialog.
// Long work runs off the interface thread, with a QProgressDialog once it
// takes a while.
#pragma once

#include <QWidget>

#include <array>
#include <memory>

#include "gui/core/MainController.h"

class QProgressDialog;
class QPushButton;

namespace gui::qt {

class MainWindow : public QWidget, private MainView {
  Q_OBJECT

 public:
  // Without `dialogs` the window uses Qt's file dialogs; tests pass their
  // own, and may slow the track work down.
  explicit MainWindow(FileDialogs* dialogs = nullptr, TrackOperations operations = {},
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  QPushButton* Button(CommandButton button) const { return buttons_[static_cast<size_t>(button)]; }
  const MainController& Controller() const { return controller_; }

  // Loads `path` once the event loop runs, so the window is on screen first
  // (a file named on the command line, a dropped file).
  void LoadSoon(const QString& path);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void SetButtonEnabled(CommandButton button, bool enabled) override;
  void ShowWarning(const WarningMessage& message) override;
  WindowHandle OwnerWindow() override;
  void RunLongWork(const std::string& label, const LongWork& work) override;
  void SetButtonToolTip(CommandButton button, const std::string& text) override;

  // The modal box that shows how far long work has come.
  std::unique_ptr<QProgressDialog> ShowProgress(const std::string& label, int percent);

  std::unique_ptr<FileDialogs> qtDialogs_;  // only when none were passed in
  MainController controller_;
  std::array<QPushButton*, 3> buttons_{};
};

}  // namespace gui::qt
