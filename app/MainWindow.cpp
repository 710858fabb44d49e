#include "app/MainWindow.h"

#include <QMessageBox>
#include <QPushButton>

#include "app/MainWindowLayout.h"
#include "app/QtFileDialogs.h"

namespace app {

namespace {

QRect LogicalRect(const ButtonLayout& layout) {
  return QRect(TwipsToLogicalPixels(layout.leftTwips), TwipsToLogicalPixels(layout.topTwips),
               TwipsToLogicalPixels(layout.widthTwips), TwipsToLogicalPixels(layout.heightTwips));
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
    buttons_[static_cast<size_t>(layout.button)] = button;
  }
  for (size_t i = 1; i < kButtonLayouts.size(); ++i) {
    setTabOrder(Button(kButtonLayouts[i - 1].button), Button(kButtonLayouts[i].button));
  }
  Button(kButtonLayouts.front().button)->setFocus();

  connect(Button(CommandButton::Load), &QPushButton::clicked, this,
          [this] { controller_.btnLoad_Click(); });
  connect(Button(CommandButton::Mod), &QPushButton::clicked, this,
          [this] { controller_.btnMod_Click(); });
  connect(Button(CommandButton::Save), &QPushButton::clicked, this,
          [this] { controller_.btnSave_Click(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::SetButtonEnabled(CommandButton button, bool enabled) {
  Button(button)->setEnabled(enabled);
}

void MainWindow::ShowWarning(const WarningMessage& message) {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(message.title),
                  QString::fromStdString(message.text), QMessageBox::Ok, this);
  box.setInformativeText(QString::fromStdString(message.informative));
  box.exec();
}

WindowHandle MainWindow::OwnerWindow() const {
  return WindowHandleOf(this);
}

}  // namespace app
