// The real window and the real Qt dialogs, run on the offscreen platform.
#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <future>
#include <string>

#include "ScriptedDialogs.h"
#include "TrackBuilder.h"
#include "gui/qt/MainWindow.h"
#include "gui/qt/QtFileDialogs.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

using namespace gui;
using gui::qt::MainWindow;
using gui::qt::QtFileDialogs;

namespace {

// Runs `action` on the next modal dialog of type T other than `previous`
// once it is shown (a modal dialog's exec() does not return to the test).
// An action that fails half-way leaves the dialog open; it is then
// cancelled, so that the test fails instead of hanging.
template <typename T>
void OnNextModal(std::function<void(T*)> action, QWidget* previous = nullptr) {
  auto* timer = new QTimer(qApp);
  auto ticks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [=] {
    T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
    if ((modal == nullptr || modal == previous) && ++*ticks < 1000) return;
    timer->deleteLater();
    if (modal == nullptr || modal == previous) return;
    const QPointer<T> dialog(modal);
    action(modal);
    if (dialog != nullptr && dialog->isVisible()) {
      qWarning("the dialog was left open; cancelling it");
      dialog->reject();
    }
  });
  timer->start(10);
}

std::string Path(const QTemporaryDir& dir, const char* name) {
  return QFile::encodeName(dir.filePath(QString::fromUtf8(name))).toStdString();
}

void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

// Types a name as a user would: into the focused name box of the active
// dialog, which also moves the file list's selection to match.
void TypeName(QFileDialog* dialog, const char* name) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  dialog->activateWindow();
  // Offscreen there may be no activation to wait for; the focus is set
  // directly below either way.
  static_cast<void>(QTest::qWaitForWindowActive(dialog));
  edit->setFocus();
  // Typing in the focused box also drops the list's selection (a proposed
  // file that exists is selected); offscreen the box may lack the focus.
  dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"))->clearSelection();
  edit->setText(QString::fromUtf8(name));
}

// What pressing Enter in the name box does: the dialog checks the name.
void Confirm(QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); }

// Drags `urls` over `window` and drops them there, as a file manager would.
// Returns whether the window accepted the drag.
bool DropOn(QWidget& window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPointF at(window.width() / 2.0, window.height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return drop.isAccepted();
}

QUrl FileUrl(const std::string& path) { return QUrl::fromLocalFile(QFile::decodeName(path.c_str())); }

const std::string kTwoFilters = "NoLimits Tracks (*.nltrack)|*.nltrack|All Files (*.*)|*.*";

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The dialog tests drive Qt's own dialog, whatever the desktop offers.
  void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
  void LayoutIsTheTwipLayoutInLogicalPixels();
  void LoadHasTheFocusWhenTheWindowOpens();
  void LoadFlangeSaveCycleWritesTheFlangedTrack();
  void FailedLoadShowsTheLoadErrorBox();
  void AFileGivenAtStartLoadsOnceTheWindowShows();
  void ABoxForAFileGivenAtStartIsCentredOnTheWindowAndNamesTheFile();
  void ADroppedTrackLoadsAsIfChosen();
  void ADroppedFileThatIsNoTrackShowsTheLoadErrorBox();
  void ButtonsSayWhatTheyDoAndAddFlangesReportsItsRun();
  void SlowWorkShowsAModalProgressBoxUntilItEnds();
  void WindowOwnsItsQtDialogs();
  void QtOpenDialogPreselectsAndReportsTheFilter();
  void QtSaveDialogAddsTheExtensionAndAsksBeforeReplacing();
  void SavingUnderADottedNameAsksAboutTheFileItWouldReplace();
  void QtDialogCancelEmptiesTheName();
};

void MainWindowTest::LayoutIsTheTwipLayoutInLogicalPixels() {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  QCOMPARE(window.objectName(), QStringLiteral("frmMain"));
  QCOMPARE(window.windowTitle(), QStringLiteral("Tarnwick"));
  QCOMPARE(window.size(), QSize(338, 36));
  QCOMPARE(window.minimumSize(), window.maximumSize());

  struct Expected {
    const char* name;
    const char* caption;
    QRect geometry;
    bool enabled;
  };
  const Expected expected[] = {
      {"btnLoad", "Load Track", QRect(4, 4, 105, 25), true},
      {"btnMod", "Add Flanges", QRect(116, 4, 105, 25), false},
      {"btnSave", "Save Track", QRect(228, 4, 105, 25), false},
  };
  const auto buttons = window.findChildren<QPushButton*>();
  QCOMPARE(buttons.size(), qsizetype(3));  // and no other control
  QWidget* previous = nullptr;
  for (const Expected& e : expected) {
    auto* button = window.findChild<QPushButton*>(QString::fromLatin1(e.name));
    QVERIFY2(button != nullptr, e.name);
    QCOMPARE(button->text(), QString::fromLatin1(e.caption));
    QCOMPARE(button->geometry(), e.geometry);
    QCOMPARE(button->isEnabled(), e.enabled);
    if (previous != nullptr) QCOMPARE(previous->nextInFocusChain(), button);  // tab order
    previous = button;
  }
}

void MainWindowTest::LoadHasTheFocusWhenTheWindowOpens() {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(QApplication::focusWidget(), window.Button(CommandButton::Load));
}

void MainWindowTest::LoadFlangeSaveCycleWritesTheFlangedTrack() {
  QTemporaryDir dir;
  const trackio::TrackDocument source = trackbuilder::GeneratedDocument(4);
  const std::string track = Path(dir, "coaster.nltrack");
  const std::string saved = Path(dir, "coaster-flanged.nltrack");
  QVERIFY(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(source)));

  ScriptedDialogs dialogs;
  dialogs.Answer(track);
  dialogs.Answer(saved);
  MainWindow window(&dialogs);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QPushButton* load = window.Button(CommandButton::Load);
  QPushButton* mod = window.Button(CommandButton::Mod);
  QPushButton* save = window.Button(CommandButton::Save);

  Click(load);
  QVERIFY(load->isEnabled() && mod->isEnabled() && !save->isEnabled());
  Click(mod);
  QVERIFY(load->isEnabled() && mod->isEnabled() && save->isEnabled());
  Click(save);
  QVERIFY(load->isEnabled() && mod->isEnabled() && save->isEnabled());
  QCOMPARE(dialogs.Requests().size(), size_t(2));
  QCOMPARE(dialogs.Requests()[1].fileName, track);  // the save proposes the loaded track

  // The file holds the flanged track exactly as the library builds it …
  trackio::TrackDocument flanged = window.Controller().Document();
  const trackio::TrackResult<std::vector<uint8_t>> built = trackio::BuildTrackFile(flanged);
  QVERIFY(built && trackbuilder::ReadFile(saved) == *built);
  // … and read back it has every source tube plus its flanges.
  const trackio::LoadResult reloadedResult = trackio::LoadTrack(saved);
  QVERIFY(reloadedResult);
  const trackio::TrackDocument& reloaded = reloadedResult->document;
  const auto added = supports::CountFlanges(source).flangesAdded;
  QVERIFY(added > 0);
  QCOMPARE(reloaded.Tubes.size(), source.Tubes.size() + size_t(added));
  QCOMPARE(reloaded.FreeNodes.size(), source.FreeNodes.size() + 2 * size_t(added));
}

void MainWindowTest::FailedLoadShowsTheLoadErrorBox() {
  QTemporaryDir dir;
  const std::string wrongName = Path(dir, "coaster.txt");
  QVERIFY(trackbuilder::WriteFile(wrongName, trackbuilder::CanonicalFile(trackbuilder::EmptyDocument())));
  ScriptedDialogs dialogs;
  dialogs.Answer(wrongName);
  MainWindow window(&dialogs);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  QString text, title, informative;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons boxButtons;
  bool buttonsStillAsBefore = false;
  OnNextModal<QMessageBox>([&](QMessageBox* box) {
    text = box->text();
    title = box->windowTitle();
    informative = box->informativeText();
    icon = box->icon();
    boxButtons = box->standardButtons();
    // The buttons change only after the box is closed.
    buttonsStillAsBefore = !window.Button(CommandButton::Mod)->isEnabled();
    box->button(QMessageBox::Ok)->click();
  });
  Click(window.Button(CommandButton::Load));

  QCOMPARE(text, QStringLiteral("Error Loading Track File!"));
  QCOMPARE(title, QStringLiteral("Load Error"));
  QCOMPARE(icon, QMessageBox::Warning);
  QCOMPARE(boxButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY2(informative.contains(QStringLiteral(".nltrack")), qPrintable(informative));
  QVERIFY(buttonsStillAsBefore);
  QVERIFY(window.Button(CommandButton::Load)->isEnabled());
  QVERIFY(!window.Button(CommandButton::Mod)->isEnabled());
  QVERIFY(!window.Button(CommandButton::Save)->isEnabled());
}

void MainWindowTest::AFileGivenAtStartLoadsOnceTheWindowShows() {
  QTemporaryDir dir;
  const std::string track = Path(dir, "coaster.nltrack");
  QVERIFY(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(2))));
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  window.show();
  window.LoadSoon(QFile::decodeName(track.c_str()));
  QCOMPARE(window.Controller().State(), CommandState::NothingLoaded);  // not before the loop runs
  QTRY_COMPARE(window.Controller().State(), CommandState::Loaded);
  QVERIFY(window.Button(CommandButton::Mod)->isEnabled());
  QVERIFY(!window.Button(CommandButton::Save)->isEnabled());
  QCOMPARE(window.Controller().CurrentFileName(), track);
  QVERIFY(dialogs.Requests().empty());
  QVERIFY(QGuiApplication::overrideCursor() == nullptr);  // the wait cursor is gone
}

void MainWindowTest::ABoxForAFileGivenAtStartIsCentredOnTheWindowAndNamesTheFile() {
  QTemporaryDir dir;
  const std::string notes = Path(dir, "notes.txt");
  QVERIFY(trackbuilder::WriteFile(notes, {'x'}));
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  window.move(400, 300);
  window.LoadSoon(QFile::decodeName(notes.c_str()));  // before the window is on screen
  QString informative;
  QPoint boxCentre, windowCentre;
  OnNextModal<QMessageBox>([&](QMessageBox* box) {
    informative = box->informativeText();
    boxCentre = box->frameGeometry().center();
    windowCentre = window.frameGeometry().center();
    box->button(QMessageBox::Ok)->click();
  });
  window.show();
  QTRY_VERIFY(!informative.isEmpty());
  QCOMPARE(informative, QString::fromStdString(notes + ": not a track file (the name does not end in .nltrack)"));
  QVERIFY2((boxCentre - windowCentre).manhattanLength() <= 2,
           qPrintable(QStringLiteral("box centred at %1,%2, window at %3,%4")
                          .arg(boxCentre.x()).arg(boxCentre.y()).arg(windowCentre.x()).arg(windowCentre.y())));
}

void MainWindowTest::ADroppedTrackLoadsAsIfChosen() {
  QTemporaryDir dir;
  const std::string notes = Path(dir, "notes.txt");
  const std::string track = Path(dir, "coaster.nltrack");
  QVERIFY(trackbuilder::WriteFile(notes, {'x'}));
  QVERIFY(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(2))));
  ScriptedDialogs dialogs;
  dialogs.Answer(std::nullopt);
  MainWindow window(&dialogs);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  QVERIFY(!DropOn(window, {QUrl(QStringLiteral("https://example.org/coaster.nltrack"))}));
  // Of several files the track is taken, whatever their order.
  QVERIFY(DropOn(window, {FileUrl(notes), FileUrl(track)}));
  QTRY_COMPARE(window.Controller().State(), CommandState::Loaded);
  QCOMPARE(window.Controller().CurrentFileName(), track);
  Click(window.Button(CommandButton::Load));  // the open dialog proposes it
  QCOMPARE(dialogs.Requests().back().fileName, track);
}

void MainWindowTest::ADroppedFileThatIsNoTrackShowsTheLoadErrorBox() {
  QTemporaryDir dir;
  const std::string notes = Path(dir, "notes.txt");
  QVERIFY(trackbuilder::WriteFile(notes, {'x'}));
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QString title, text;
  bool waitCursorDuringBox = true;
  OnNextModal<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    waitCursorDuringBox = QGuiApplication::overrideCursor() != nullptr;
    box->button(QMessageBox::Ok)->click();
  });
  QVERIFY(DropOn(window, {FileUrl(notes)}));
  QTRY_COMPARE(title, QStringLiteral("Load Error"));
  QCOMPARE(text, QStringLiteral("Error Loading Track File!"));
  QVERIFY(!waitCursorDuringBox);
  QVERIFY(!window.Button(CommandButton::Mod)->isEnabled());
  QVERIFY(!window.Button(CommandButton::Save)->isEnabled());
}

void MainWindowTest::ButtonsSayWhatTheyDoAndAddFlangesReportsItsRun() {
  QTemporaryDir dir;
  const std::string track = Path(dir, "coaster.nltrack");
  const trackio::TrackDocument source = trackbuilder::GeneratedDocument(3);
  QVERIFY(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(source)));
  ScriptedDialogs dialogs;
  dialogs.Answer(track);
  MainWindow window(&dialogs);
  for (const ButtonLayout& layout : kButtonLayouts) {
    QCOMPARE(window.Button(layout.button)->toolTip(), QString::fromUtf8(layout.toolTip));
  }
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Click(window.Button(CommandButton::Load));
  Click(window.Button(CommandButton::Mod));
  const auto added = supports::CountFlanges(source);
  const QString hint = window.Button(CommandButton::Mod)->toolTip();
  QVERIFY2(hint.contains(QStringLiteral("%1 flanges added on %2 tubes")
                             .arg(added.flangesAdded)
                             .arg(added.tubesFlanged)),
           qPrintable(hint));
}

void MainWindowTest::SlowWorkShowsAModalProgressBoxUntilItEnds() {
  QTemporaryDir dir;
  const std::string track = Path(dir, "coaster.nltrack");
  QVERIFY(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(2))));
  // A load that reports 40% and then holds until the test has seen the box.
  std::promise<void> release;
  TrackOperations slow;
  slow.load = [seen = release.get_future().share()](const std::string& path,
                                                     const trackio::ProgressCallback& progress) {
    progress(40, 100);
    seen.wait_for(std::chrono::seconds(30));
    return trackio::LoadTrack(path);
  };
  ScriptedDialogs dialogs;
  dialogs.Answer(track);
  MainWindow window(&dialogs, slow);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  QPointer<QProgressDialog> box;
  QString label, title;
  int value = -1;
  bool modal = false, cancelButton = true, waitCursor = false, buttonsAsBefore = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* shown = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (shown == nullptr || box != nullptr) return;
    box = shown;
    label = shown->labelText();
    title = shown->windowTitle();
    value = shown->value();
    modal = shown->windowModality() == Qt::WindowModal && shown->parentWidget() == &window;
    cancelButton = shown->findChild<QPushButton*>() != nullptr;
    waitCursor = QGuiApplication::overrideCursor() != nullptr &&
                 QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    buttonsAsBefore = !window.Button(CommandButton::Mod)->isEnabled();
    release.set_value();
  });
  watch.start(10);
  Click(window.Button(CommandButton::Load));  // returns once the load has ended
  watch.stop();

  QVERIFY2(!label.isEmpty(), "no progress box appeared");
  QCOMPARE(label, QStringLiteral("Loading coaster.nltrack..."));
  QCOMPARE(title, QStringLiteral("Tarnwick"));
  QCOMPARE(value, 40);
  QVERIFY(modal && !cancelButton && waitCursor && buttonsAsBefore);
  QVERIFY2(box.isNull(), "the box closes when the work ends");
  QVERIFY(QGuiApplication::overrideCursor() == nullptr);
  QCOMPARE(window.Controller().State(), CommandState::Loaded);
  QVERIFY(window.Button(CommandButton::Mod)->isEnabled());
}

void MainWindowTest::WindowOwnsItsQtDialogs() {
  MainWindow window;  // with Qt's dialogs
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QWidget* parent = nullptr;
  QString title;
  OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
    parent = dialog->parentWidget();
    title = dialog->windowTitle();
    dialog->reject();
  });
  Click(window.Button(CommandButton::Load));
  QCOMPARE(parent, static_cast<QWidget*>(&window));
  QCOMPARE(title, QStringLiteral("Load Track..."));
  QVERIFY(!window.Button(CommandButton::Mod)->isEnabled());
}

void MainWindowTest::QtOpenDialogPreselectsAndReportsTheFilter() {
  QTemporaryDir dir;
  QVERIFY(trackbuilder::WriteFile(Path(dir, "x.nltrack"), {1, 2, 3}));
  QtFileDialogs dialogs;
  std::string fileName, fileTitle;
  bool readOnly = false;
  int32_t filterIndex = 2, extraFlags = 0x60 | 0x80;

  QString preselected;
  QStringList shownFilters;
  bool useWidgets = false, mustExist = false;
  OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
    preselected = dialog->selectedNameFilter();
    shownFilters = dialog->nameFilters();
    // The desktop's chooser is not refused; the test's attribute gives Qt's own.
    useWidgets = !dialog->testOption(QFileDialog::DontUseNativeDialog) && dialog->layout() != nullptr;
    mustExist = dialog->fileMode() == QFileDialog::ExistingFile;
    dialog->selectNameFilter(shownFilters.value(0));
    TypeName(dialog, "x");
    Confirm(dialog);
  });
  QVERIFY(dialogs.ShowOpenDialog(fileName, fileTitle, true, readOnly, true, kTwoFilters, filterIndex,
                                 Path(dir, ""), "Load Track...", "nltrack", kNoOwnerWindow,
                                 extraFlags));
  QCOMPARE(shownFilters, (QStringList{"NoLimits Tracks (*.nltrack) (*.nltrack)", "All Files (*.*) (*)"}));
  QCOMPARE(preselected, QStringLiteral("All Files (*.*)"));  // shown without its patterns
  QVERIFY(useWidgets && mustExist);
  QCOMPARE(fileName, Path(dir, "x.nltrack"));  // the default extension was added
  QCOMPARE(fileTitle, std::string("x.nltrack"));
  QCOMPARE(filterIndex, 1);
  QCOMPARE(extraFlags, 0x1004 | 0x80);
  QVERIFY(!readOnly);
}

void MainWindowTest::QtSaveDialogAddsTheExtensionAndAsksBeforeReplacing() {
  QTemporaryDir dir;
  QVERIFY(trackbuilder::WriteFile(Path(dir, "taken.nltrack"), {1}));
  QtFileDialogs dialogs;
  std::string fileName = Path(dir, "start.nltrack"), fileTitle;
  int32_t filterIndex = 1, extraFlags = 0;

  QString proposed, question;
  OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    proposed = name->text();
    TypeName(dialog, "taken");
    OnNextModal<QMessageBox>(
        [&](QMessageBox* box) {
          question = box->text();
          box->button(QMessageBox::No)->click();
        },
        dialog);
    Confirm(dialog);  // asks, is told no, stays open
    TypeName(dialog, "fresh");
    Confirm(dialog);
  });
  QVERIFY(dialogs.ShowSaveDialog(fileName, fileTitle, true, kTwoFilters, filterIndex, "",
                                 "Save Track As...", "nltrack", kNoOwnerWindow, extraFlags));
  QCOMPARE(proposed, QStringLiteral("start.nltrack"));
  QVERIFY2(question.contains(QStringLiteral("taken.nltrack")), qPrintable(question));
  QCOMPARE(fileName, Path(dir, "fresh.nltrack"));
  QCOMPARE(fileTitle, std::string("fresh.nltrack"));
  QCOMPARE(extraFlags, 0x6);
  QCOMPARE(filterIndex, 1);
}

// "my.track" has an extension, so Qt's dialog adds none and asks nothing;
// the save writes my.track.nltrack, and the window asks about that file.
void MainWindowTest::SavingUnderADottedNameAsksAboutTheFileItWouldReplace() {
  QTemporaryDir dir;
  const std::string track = Path(dir, "coaster.nltrack");
  const std::string taken = Path(dir, "my.track.nltrack");
  const std::vector<uint8_t> users{'u', 's', 'e', 'r'};
  QVERIFY(trackbuilder::WriteFile(track, trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(2))));
  QVERIFY(trackbuilder::WriteFile(taken, users));
  MainWindow window;  // with Qt's dialogs
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  window.LoadSoon(QFile::decodeName(track.c_str()));
  QTRY_COMPARE(window.Controller().State(), CommandState::Loaded);
  Click(window.Button(CommandButton::Mod));
  trackio::TrackDocument flanged = window.Controller().Document();
  const trackio::TrackResult<std::vector<uint8_t>> built = trackio::BuildTrackFile(flanged);
  QVERIFY(built);
  const std::vector<uint8_t>& expected = *built;

  // Saves under "my.track" and answers the question; after "No", saves
  // under `otherwise` in the dialog that comes again.
  const auto saveAsMyTrack = [&](QMessageBox::StandardButton answer, const char* otherwise) {
    QString question, title, proposedAgain;
    OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
      OnNextModal<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        title = box->windowTitle();
        if (answer == QMessageBox::No) {
          OnNextModal<QFileDialog>([&](QFileDialog* again) {
            proposedAgain = again->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
            TypeName(again, otherwise);
            Confirm(again);
          });
        }
        box->button(answer)->click();
      });
      TypeName(dialog, "my.track");
      Confirm(dialog);
    });
    Click(window.Button(CommandButton::Save));
    QCOMPARE(question, QStringLiteral("my.track.nltrack already exists.\nDo you want to replace it?"));
    QCOMPARE(title, QStringLiteral("Save Track As..."));
    if (answer == QMessageBox::No) QCOMPARE(proposedAgain, QStringLiteral("my.track"));
  };
  saveAsMyTrack(QMessageBox::No, "fresh");
  QVERIFY(trackbuilder::ReadFile(taken) == users);
  QVERIFY(trackbuilder::ReadFile(Path(dir, "fresh.nltrack")) == expected);
  saveAsMyTrack(QMessageBox::Yes, nullptr);
  QVERIFY(trackbuilder::ReadFile(taken) == expected);
}

void MainWindowTest::QtDialogCancelEmptiesTheName() {
  QtFileDialogs dialogs;
  std::string fileName = "/tmp/kept.nltrack", fileTitle = "kept.nltrack";
  int32_t filterIndex = 1, extraFlags = 0x80;
  OnNextModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  QVERIFY(!dialogs.ShowSaveDialog(fileName, fileTitle, true, kTwoFilters, filterIndex, "",
                                  "Save Track As...", "nltrack", kNoOwnerWindow, extraFlags));
  QCOMPARE(fileName, std::string());
  QCOMPARE(fileTitle, std::string());
  QCOMPARE(extraFlags, 0);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
