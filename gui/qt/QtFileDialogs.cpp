#include "gui/qt/QtFileDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

namespace gui::qt {

namespace {

// Paths travel as the file system's bytes, texts as UTF-8.
QString PathToQt(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string PathFromQt(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString TextToQt(const std::string& text) { return QString::fromStdString(text); }

// The 1-based entry `selected` names. Qt reports it in its full form or, with
// details hidden, as the description alone, depending on its version.
int32_t FilterInUse(const QString& selected, const std::vector<FilterPair>& filters,
                    const QStringList& nameFilters, int32_t fallback) {
  for (qsizetype i = 0; i < nameFilters.size(); ++i) {
    if (selected == nameFilters.at(i) ||
        selected == TextToQt(filters[static_cast<size_t>(i)].description).simplified()) {
      return static_cast<int32_t>(i) + 1;
    }
  }
  return fallback;
}

// Qt's form of the filter list: "description (patterns)" per entry, the
// patterns separated by spaces. The dialog shows only the description.
QStringList QtNameFilters(const std::vector<FilterPair>& filters) {
  QStringList names;
  for (const FilterPair& filter : filters) {
    QStringList patterns = TextToQt(filter.pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      // "*.*" means every file, as in the system dialogs, not only names with a dot.
      if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    }
    // The patterns always go last in parentheses, where Qt reads them, even
    // when the description shows them already; HideNameFilterDetails then
    // shows the description exactly as given.
    names << TextToQt(filter.description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                 QLatin1Char(')');
  }
  return names;
}

QWidget* OwnerOf(const FileDialogRequest& request) { return static_cast<QWidget*>(request.owner); }

// What one showing of the dialog gave.
struct ShownDialog {
  FileDialogOutcome outcome;
  // The name came from the desktop's chooser and the default extension
  // was added after it: nobody has asked about replacing that file yet.
  bool replaceUnasked = false;
};

ShownDialog ShowQtFileDialog(const FileDialogRequest& request) {
  const bool open = request.kind == FileDialogKind::Open;
  QFileDialog dialog(OwnerOf(request), TextToQt(request.dialogTitle));
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open && request.Has(kOfnFileMustExist) ? QFileDialog::ExistingFile
                                                            : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.Has(kOfnOverwritePrompt));
  // Qt's dialog has no read-only box: it is hidden whatever the flags say.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  // Qt builds its own dialog's widgets at once, and none when the desktop's
  // chooser is to be shown.
  const bool desktopChooser = dialog.layout() == nullptr;
  const bool extensionAddedHere = !open && desktopChooser;
  if (!extensionAddedHere) dialog.setDefaultSuffix(TextToQt(request.defaultExt));

  const QStringList nameFilters = QtNameFilters(request.filters);
  const int32_t preselected = PreselectedFilter(request.filterIndex, request.filters.size());
  if (!nameFilters.isEmpty()) {
    dialog.setNameFilters(nameFilters);
    dialog.selectNameFilter(nameFilters.at(preselected - 1));
  }
  if (!request.initialDir.empty()) dialog.setDirectory(PathToQt(request.initialDir));
  if (!request.fileName.empty()) dialog.selectFile(PathToQt(request.fileName));

  ShownDialog shown;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return shown;
  std::string chosen = PathFromQt(dialog.selectedFiles().constFirst());
  if (extensionAddedHere) {
    const std::string completed = WithDefaultExtension(chosen, request.defaultExt);
    shown.replaceUnasked = completed != chosen && request.Has(kOfnOverwritePrompt) &&
                           QFileInfo::exists(PathToQt(completed));
    chosen = completed;
  }
  FileDialogOutcome& outcome = shown.outcome;
  outcome.confirmed = true;
  outcome.fileName = chosen;
  outcome.fileTitle = PathFromQt(QFileInfo(PathToQt(chosen)).fileName());
  outcome.flags = request.flags;
  outcome.filterIndex =
      FilterInUse(dialog.selectedNameFilter(), request.filters, nameFilters, preselected);
  return shown;
}

bool UserAllowsReplacing(const FileDialogRequest& request, const std::string& path) {
  QMessageBox box(QMessageBox::Warning, TextToQt(request.dialogTitle), PathToQt(ReplaceQuestion(path)),
                  QMessageBox::Yes | QMessageBox::No, OwnerOf(request));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

FileDialogOutcome RunQtFileDialog(const FileDialogRequest& request) {
  FileDialogRequest attempt = request;
  while (true) {
    const ShownDialog shown = ShowQtFileDialog(attempt);
    if (!shown.replaceUnasked || UserAllowsReplacing(attempt, shown.outcome.fileName)) {
      return shown.outcome;
    }
    // Not that file: the chooser opens again on the name, as the widget
    // dialog stays open after a "No".
    attempt.fileName = shown.outcome.fileName;
    attempt.filterIndex = shown.outcome.filterIndex;
  }
}

}  // namespace gui::qt
