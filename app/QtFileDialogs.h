// The open and save dialogs on Qt's file dialog.
//
// Qt's own (non-native) dialog is used on purpose: it is the same on every
// desktop, and it honours every option the commands rely on — the default
// extension is added to a typed name *before* the overwrite question is
// asked, the chosen filter can be read back, and a missing file is refused
// on open. Desktop-provided dialogs (portal, GTK) do not all do so.
#pragma once

#include <QStringList>

#include "app/FileDialogLogic.h"
#include "app/MainController.h"

class QWidget;

namespace app {

// Shows a request in a modal QFileDialog and reports what the user did.
FileDialogOutcome RunQtFileDialog(const FileDialogRequest& request);

class QtFileDialogs : public RunnerFileDialogs {
 public:
  QtFileDialogs() : RunnerFileDialogs(RunQtFileDialog) {}
};

// Qt's form of the filter list: "description (patterns)" per entry, the
// patterns separated by spaces. The dialog shows only the description.
QStringList QtNameFilters(const std::vector<FilterPair>& filters);

// The handle the dialogs take for a window, and the window for a handle
// (nullptr when no top-level window has it).
WindowHandle WindowHandleOf(const QWidget* window);
QWidget* WindowForHandle(WindowHandle handle);

}  // namespace app
