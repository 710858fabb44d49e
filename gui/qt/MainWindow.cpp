#include "gui/qt/MainWindow.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <string>
#include <utility>
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

// While long work runs, the user's input to every window of the program is
// dropped and closing is refused: no second command may start, and the
// progress box has nothing to press.
class InputBlocker : public QObject {
 public:
  InputBlocker() { QCoreApplication::instance()->installEventFilter(this); }
  ~InputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
      case QEvent::Close:
        event->ignore();
        return true;
      default:
        return false;
    }
  }
};

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

MainWindow::MainWindow(FileDialogs* dialogs, TrackOperations operations, QWidget* parent)
    : QWidget(parent),
      qtDialogs_(dialogs == nullptr ? std::make_unique<QtFileDialogs>() : nullptr),
      controller_(*this, dialogs != nullptr ? *dialogs : *qtDialogs_, std::move(operations)) {
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
  std::string file = QFile::encodeName(path).toStdString();
  if (windowHandle() == nullptr || !windowHandle()->isExposed()) {
    loadWhenShown_ = std::move(file);
    return;
  }
  QTimer::singleShot(0, this, [this, file] { controller_.LoadTrackFrom(file); });
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  windowHandle()->installEventFilter(this);  // to hear when the window is on screen
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed() &&
      loadWhenShown_) {
    LoadSoon(QFile::decodeName(QByteArray::fromStdString(*std::exchange(loadWhenShown_, std::nullopt))));
  }
  return QWidget::eventFilter(watched, event);
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

bool MainWindow::AskYesNo(const std::string& title, const std::string& question) {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(question),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

WindowHandle MainWindow::OwnerWindow() {
  return static_cast<QWidget*>(this);  // the dialogs' parent, as RunQtFileDialog takes it
}

void MainWindow::RunLongWork(const std::string& label, const LongWork& work) {
  const InputBlocker blocker;
  const WaitCursor waitCursor;
  QEventLoop loop;
  std::unique_ptr<QProgressDialog> progress;
  const BackgroundWork* running = nullptr;
  // Runs here, on the interface thread, after each change the work reports.
  const auto refresh = [&] {
    if (running == nullptr) return;
    if (running->Ended()) {
      loop.quit();
    } else if (progress != nullptr) {
      progress->setValue(running->Percent());
    }
  };
  BackgroundWork background(work, [&loop, refresh] {
    QMetaObject::invokeMethod(&loop, refresh, Qt::QueuedConnection);
  });
  running = &background;
  QTimer::singleShot(kProgressDelayMilliseconds, &loop, [&] {
    if (!background.Ended()) progress = ShowProgress(label, background.Percent());
  });
  loop.exec();  // until the work has ended
  running = nullptr;
  background.Finish();
}

std::unique_ptr<QProgressDialog> MainWindow::ShowProgress(const std::string& label, int percent) {
  auto dialog = std::make_unique<QProgressDialog>(this);
  dialog->setWindowTitle(QString::fromUtf8(kWindowCaption));
  dialog->setLabelText(QString::fromStdString(label));
  dialog->setCancelButton(nullptr);  // the work cannot be stopped half-way
  dialog->setRange(0, 100);
  dialog->setWindowModality(Qt::WindowModal);
  dialog->setAutoReset(false);
  dialog->setAutoClose(false);
  dialog->setMinimumDuration(0);  // the delay is over already
  dialog->setValue(percent);
  dialog->show();
  return dialog;
}

void MainWindow::SetButtonToolTip(CommandButton button, const std::string& text) {
  Button(button)->setToolTip(QString::fromStdString(text));
}

}  // namespace gui::qt
