// The open and save dialogs on Qt's file dialog.
//
// Qt shows the desktop's own chooser where the platform offers one (GNOME,
// KDE, the desktop portal) and its own widget dialog elsewhere. The widget
// dialog adds the default extension to a typed name before it asks about
// replacing a file; a desktop chooser asks about the name as typed, and Qt
// adds the extension only afterwards. With a desktop chooser the save
// dialog therefore adds the extension itself and asks the question for the
// name it made.
#pragma once

#include "gui/core/FileDialogs.h"

namespace gui::qt {

// Shows a request in a modal QFileDialog and reports what the user did. The
// request's owner is the QWidget the dialog belongs to.
FileDialogOutcome RunQtFileDialog(const FileDialogRequest& request);

class QtFileDialogs : public RunnerFileDialogs {
 public:
  QtFileDialogs() : RunnerFileDialogs(RunQtFileDialog) {}
};

}  // namespace gui::qt
