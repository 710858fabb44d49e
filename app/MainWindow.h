// frmMain: the program's one window, a thin Qt view over MainController.
#pragma once

#include <QWidget>

#include <array>
#include <memory>

#include "app/MainController.h"

class QPushButton;

namespace app {

class MainWindow : public QWidget, private MainView {
  Q_OBJECT

 public:
  // Without `dialogs` the window uses Qt's file dialogs; tests pass their own.
  explicit MainWindow(FileDialogs* dialogs = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  QPushButton* Button(CommandButton button) const { return buttons_[static_cast<size_t>(button)]; }
  const MainController& Controller() const { return controller_; }

 private:
  void SetButtonEnabled(CommandButton button, bool enabled) override;
  void ShowWarning(const WarningMessage& message) override;
  WindowHandle OwnerWindow() const override;

  std::unique_ptr<FileDialogs> qtDialogs_;  // only when none were passed in
  MainController controller_;
  std::array<QPushButton*, 3> buttons_{};
};

}  // namespace app
