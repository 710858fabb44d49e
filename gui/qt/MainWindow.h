// The main window on Qt: the program's one window, three command
// buttons in a row, a thin view over MainController. A track file dropped
// on it, or named on the command line, loads as if chosen in the open dialog.
// Long work runs off the interface thread, with a QProgressDialog once it
// takes a while.
#pragma once

#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>

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

  // Loads `path` once the event loop runs and the window is on screen (a
  // file named on the command line, a dropped file), so that the box of a
  // failed load is centred on the window where it stands.
  void LoadSoon(const QString& path);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetButtonEnabled(CommandButton button, bool enabled) override;
  void ShowWarning(const WarningMessage& message) override;
  bool AskYesNo(const std::string& title, const std::string& question) override;
  WindowHandle OwnerWindow() override;
  void RunLongWork(const std::string& label, const LongWork& work) override;
  void SetButtonToolTip(CommandButton button, const std::string& text) override;

  // The modal box that shows how far long work has come.
  std::unique_ptr<QProgressDialog> ShowProgress(const std::string& label, int percent);

  std::unique_ptr<FileDialogs> qtDialogs_;  // only when none were passed in
  MainController controller_;
  std::array<QPushButton*, 3> buttons_{};
  std::optional<std::string> loadWhenShown_;  // a LoadSoon before the window was on screen
};

}  // namespace gui::qt
