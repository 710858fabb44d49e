#include "gui/qt/MainWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <string>
#include <vector>

#include "gui/core/MainWindowLayout.h"
#include "gui/qt/QtFileDialogs.h"

namespace gui::qt {

namespace {

QRect LogicalRect(const ButtonLayout& layout) {
  return QRect(TwipsToLogicalPixels(layout.leftTwips), TwipsToLogicalPixels(layout.topTwips),
               TwipsToLogicalPixels(layout.widthTwips), TwipsToLogicalPixels(layout.heightTwips));
}

// The local files among dropped URLs, as the file system's bytes.
std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  return paths;
}

}  // namespace

MainWindow::MainWindow(FileDialogs* dialogs, QWidget* parent)
    : QWidget(parent),
      qtDialogs_(dialogs == nullptr ? std::make_unique<QtFileDialogs>() : nullptr),
      controller_(*this, dialogs != nullptr ? *dialogs : *qtDialogs_) {
  setObjectName(QString::fromLatin1(kWindowObjectName));
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  // Qt's logical pixels already follow the screen's scale.
  setFixedSize(TwipsToLogicalPixels(kClientWidthTwips), TwipsToLogicalPixels(kClientHeightTwips));

  // Created in tab order, which is also the focus chain.
  for (const ButtonLayout& layout : kButtonLayouts) {
    auto* button = new QPushButton(QString::fromUtf8(layout.caption), this);
    button->setObjectName(QString::fromLatin1(layout.objectName));
    button->setGeometry(LogicalRect(layout));
    button->setEnabled(layout.enabledAtStart);
    button->setToolTip(QString::fromUtf8(layout.toolTip));
    buttons_[static_cast<size_t>(layout.button)] = button;
  }
  for (size_t i = 1; i < kButtonLayouts.size(); ++i) {
    setTabOrder(Button(kButtonLayouts[i - 1].button), Button(kButtonLayouts[i].button));
  }
  Button(kButtonLayouts.front().button)->setFocus();
  setAcceptDrops(true);

  connect(Button(CommandButton::Load), &QPushButton::clicked, this,
          [this] { controller_.btnLoad_Click(); });
  connect(Button(CommandButton::Mod), &QPushButton::clicked, this,
          [this] { controller_.btnMod_Click(); });
  connect(Button(CommandButton::Save), &QPushButton::clicked, this,
          [this] { controller_.btnSave_Click(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::LoadSoon(const QString& path) {
  const std::string file = QFile::encodeName(path).toStdString();
  QTimer::singleShot(0, this, [this, file] { controller_.LoadTrackFrom(file); });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::string chosen = ChooseDroppedFile(LocalFiles(event->mimeData()));
  if (chosen.empty()) return;
  event->acceptProposedAction();
  // Loaded after the drop has ended: a "Load Error" box must not hold up
  // the program the file was dragged from.
  LoadSoon(QFile::decodeName(QByteArray::fromStdString(chosen)));
}

void MainWindow::SetButtonEnabled(CommandButton button, bool enabled) {
  Button(button)->setEnabled(enabled);
}

void MainWindow::ShowWarning(const WarningMessage& message) {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(message.title),
                  QString::fromStdString(message.text), QMessageBox::Ok, this);
  box.setInformativeText(QString::fromStdString(message.informative));
  box.exec();
}

WindowHandle MainWindow::OwnerWindow() {
  return static_cast<QWidget*>(this);  // the dialogs' parent, as RunQtFileDialog takes it
}

void MainWindow::ShowBusy(bool busy) {
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

void MainWindow::SetButtonToolTip(CommandButton button, const std::string& text) {
  Button(button)->setToolTip(QString::fromStdString(text));
}

}  // namespace gui::qt
