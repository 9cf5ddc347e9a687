#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <stdexcept>

#include "app/quorvane_application.h"
#include "app/session.h"
#include "bridge/ui/midi_settings_dialog.h"
#include "files/app_settings.h"
#include "files/favorites.h"
#include "files/settings_lock.h"
#include "files/slider_file_commands.h"
#include "osc/osc_server.h"
#include "snapshots/snapshot_store.h"
#include "support/in_process_midi_service.h"
#include "support/modal.h"
#include "support/surface_settings.h"
#include "support/temp_dir.h"
#include "surface/ui/bulk_send_window.h"
#include "surface/ui/main_window.h"
#include "surface/ui/slider_settings_form.h"
#include "surface/ui/track_bar.h"
#include "web/browser_surface_server.h"

namespace quorvane {

// A receiver whose event handler fails, as a port does when the MIDI service refuses.
class Throwing : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Invalid device ID");
    return QObject::event(e);
  }
};

class SessionTest : public QObject {
  Q_OBJECT

 private:
  // Every way out ends in one shutdown, run once, and then in the quit call.
  Session::Options Options(std::function<void()> quit = [] {}) {
    return {std::move(quit), dir_.file(QStringLiteral("Brellin.ini")), false,
            [this](const std::string&, std::string* chosen) {
              auto made = std::make_unique<InProcessMidiService>(midi_inputs_, midi_outputs_);
              *chosen = "ALSA";
              midi_ = made.get();
              return made;
            },
            [this](const QString& text) { port_errors_ << text; }};
  }

  void ExpectSingleShutdown(const std::function<void(Session&)>& way_out) {
    int quits = 0;
    int steps = 0;
    Session session(Options([&quits] { ++quits; }));
    session.AddShutdownStep([&steps] { ++steps; });
    session.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
    way_out(session);
    QTRY_VERIFY(session.IsShutDown());
    QCOMPARE(steps, 1);
    QVERIFY(quits >= 1);
    session.Shutdown();
    QCOMPARE(steps, 1);
  }

 private slots:
  void init() {
    port_errors_.clear();
    QFile::remove(dir_.file(QStringLiteral("Brellin.ini")));
    midi_inputs_ = {"Keys In", "Pads In"};
    midi_outputs_ = {"Synth Out", "Drum Out"};
  }

  void startsOnPageOneEnabled() {
    Session session(Options());
    session.Start();
    QVERIFY(session.Window().isVisible());
    QVERIFY(session.Window().isEnabled());
    QCOMPARE(session.Model().CurrentPage(), 1);
    QCOMPARE(session.Model().View(24).caption, QStringLiteral("Slider 24"));
  }

  // OSC is off until asked; --osc-port turns it on for the run and leaves the file's own.
  void oscListensOnlyWhenAskedAndTheRunDoesNotStoreIt() {
    Session::Options options = Options();
    {
      Session session(options);
      session.Start();
      QVERIFY(!session.Osc().Listening());
      QVERIFY(session.Window().findChild<QAction*>(QStringLiteral("Osc1")));
      // A port the system picks is free: it goes to the next run's command line.
      QVERIFY(session.Osc().Listen(0).isEmpty());
      options.osc_port = session.Osc().Port();
    }
    Session session(options);
    session.Start();
    QVERIFY(session.Osc().Listening());
    QCOMPARE(session.Osc().Port(), options.osc_port);
    session.Shutdown();
    QFile file(dir_.file(QStringLiteral("Brellin.ini")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("[OSC]\nEnabled=0\n"));
  }

  // The browser surface too; the token it made is stored, and it stops with the session.
  void browserSurfaceServesOnlyWhenAskedAndStopsAtShutdown() {
    Session::Options options = Options();
    options.browser_port = NextFreeBrowserPort(20000, false);
    Session session(options);
    session.Start();
    QVERIFY(session.BrowserSurface().Listening());
    QCOMPARE(session.BrowserSurface().Port(), options.browser_port);
    QVERIFY(session.Window().findChild<QAction*>(QStringLiteral("BrowserSurface1")));
    session.Shutdown();
    QVERIFY(!session.BrowserSurface().Listening());
    QFile file(dir_.file(QStringLiteral("Brellin.ini")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[Browser Surface]\nEnabled=0\nPort=8460\nNetwork=0\nToken="));
    QVERIFY(text.contains("Token=" + session.BrowserSurface().Token().toLatin1()));
  }

  void firstStartIsSilentAndTheRunComesBack() {
    {
      Session session(Options());
      session.Start();
      QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
      QVERIFY(!QApplication::activeModalWidget());
      QCOMPARE(session.Model().View(1).caption, QStringLiteral("Slider 1"));
      session.Model().MutablePages().at(2, 3).value = 42;
      session.Model().MutablePages().at(2, 3).caption = QStringLiteral("Cutoff");
      testing::SetSetting(session.Model(), &SurfaceSettings::update_slider_numbers, true);
      testing::SetSetting(session.Model(), &SurfaceSettings::global_channel, 7);
      session.Window().close();
      QTRY_VERIFY(session.IsShutDown());
    }
    QVERIFY(QFile::exists(dir_.file(QStringLiteral("Brellin.ini"))));
    Session again(Options());
    again.Start();
    QCOMPARE(again.Model().MutablePages().at(2, 3).value, 42);
    QCOMPARE(again.Model().MutablePages().at(2, 3).caption, QStringLiteral("Cutoff"));
    QVERIFY(again.Model().Settings().update_slider_numbers);
    QCOMPARE(again.Model().Settings().global_channel, 7);
    QCOMPARE(again.Model().CurrentPage(), 1);
    QCOMPARE(again.Model().View(3).number_text, QStringLiteral("3"));
  }

  void labelEditsSwapsAndAlwaysOnTopComeBack() {
    {
      Session session(Options());
      session.Start();
      MainWindow& w = session.Window();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      session.Model().ShowPage(2);

      // A click on number label 5 opens the settings of page 2 slot 5.
      QSignalSpy edited(&session, &Session::definitionEdited);
      QPoint shown_at;
      testing::WhenModal<TSliderSettingsForm>([&shown_at](TSliderSettingsForm* form) {
        shown_at = form->pos();
        form->findChild<QLineEdit*>(QStringLiteral("SliderLabel"))
            ->setText(QStringLiteral("Cutoff"));
        form->accept();
      });
      QTest::mouseClick(w.NumberLabel(5), Qt::LeftButton);
      QCOMPARE(shown_at, w.pos() + QPoint(100, 70));
      QCOMPARE(edited.count(), 1);
      QCOMPARE(edited.at(0).at(0).toInt(), 29);
      QTRY_COMPARE(w.CaptionLabel(5)->text(), QStringLiteral("Cutoff"));

      // Dragged from page 2 slot 5 onto slot 1 of the same page.
      w.SetDragRunner([&w](QDrag& drag) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, drag.mimeData(), Qt::LeftButton, {});
        QApplication::sendEvent(w.NumberLabel(1), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::MoveAction, drag.mimeData(), Qt::LeftButton, {});
        QApplication::sendEvent(w.NumberLabel(1), &drop);
      });
      QLabel* label = w.NumberLabel(5);
      const QPoint at = label->rect().center();
      QTest::mousePress(label, Qt::LeftButton, {}, at);
      QMouseEvent move(QEvent::MouseMove, QPointF(at + QPoint(0, 30)),
                       QPointF(label->mapToGlobal(at + QPoint(0, 30))), Qt::NoButton,
                       Qt::LeftButton, {});
      QApplication::sendEvent(label, &move);
      QTest::mouseRelease(label, Qt::LeftButton, {}, at);
      QCOMPARE(session.Model().Definition(2, 1).caption, QStringLiteral("Cutoff"));

      w.MenuAction(Command::kAlwaysOnTop)->trigger();
      w.close();
      QTRY_VERIFY(session.IsShutDown());
    }
    Session again(Options());
    again.Start();
    QCOMPARE(again.Model().Definition(2, 1).caption, QStringLiteral("Cutoff"));
    QCOMPARE(again.Model().Definition(2, 5).caption, QStringLiteral("Slider 25"));
    QVERIFY(again.Model().Settings().always_on_top);
    QVERIFY(again.Window().MenuAction(Command::kAlwaysOnTop)->isChecked());
  }

  void fileCommandsAreBoundAndSetTheTitle() {
    Session session(Options());
    session.Start();
    QAction* init = session.Window().MenuAction(Command::kInitialiseSliders);
    QVERIFY(init && init->isEnabled());
    session.Model().MutablePages().at(1, 1).value = 3;
    // "Save current file?" answered No, then the definitions are initialised.
    QTimer::singleShot(0, [] {
      QTRY_VERIFY(QApplication::activeModalWidget());
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      QCOMPARE(box->text(), QStringLiteral("Save current file?"));
      box->button(QMessageBox::No)->click();
    });
    init->trigger();
    QCOMPARE(session.Model().MutablePages().at(1, 1).value, 127);
    QCOMPARE(session.Model().View(1).value_text, QStringLiteral("127"));
    QCOMPARE(session.Window().windowTitle(), QStringLiteral("Quorvane"));

    const QString path = dir_.file(QStringLiteral("Lead.qrt"));
    session.Model().MutablePages().at(1, 1).value = 9;
    QVERIFY(session.FileCommands().WriteFile(path));
    session.FileCommands().SetCurrentFileName(path, true);
    QCOMPARE(session.Window().windowTitle(), QStringLiteral("Quorvane - [%1]").arg(path));
  }

  void closeButtonShutsDown() {
    ExpectSingleShutdown([](Session& s) { s.Window().close(); });
  }

  void exitMenuItemShutsDown() {
    ExpectSingleShutdown([](Session& s) {
      QAction* exit = s.Window().MenuAction(Command::kExit);
      QVERIFY(exit);
      exit->trigger();
    });
  }

  void exitToolButtonShutsDown() {
    ExpectSingleShutdown([](Session& s) {
      auto* button = s.Window().findChild<QToolButton*>(QStringLiteral("ToolButton11"));
      QVERIFY(button);
      QTest::mouseClick(button, Qt::LeftButton);
    });
  }

  void terminationSignalsShutDown() {
    ExpectSingleShutdown([](Session&) { std::raise(SIGTERM); });
    ExpectSingleShutdown([](Session&) { std::raise(SIGINT); });
    ExpectSingleShutdown([](Session&) { std::raise(SIGHUP); });
  }

  void aFailedSaveAfterASignalOpensNoBox() {
    // A folder that cannot be made (its parent is a file) makes the exit write fail.
    dir_.write(QStringLiteral("plain-file"), "x");
    Session::Options options = Options();
    options.settings_path = dir_.file(QStringLiteral("plain-file/Brellin.ini"));
    QStringList boxes;
    QTimer watchdog;  // a box would block the exit: record it and close it
    connect(&watchdog, &QTimer::timeout, this, [&boxes] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxes << box->text();
        box->button(QMessageBox::Ok)->click();
      }
    });
    watchdog.start(5);
    Session session(std::move(options));
    session.Start();
    QTRY_VERIFY(session.Window().isVisible());
    QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('\n'))));
    std::raise(SIGTERM);
    QTRY_VERIFY(session.IsShutDown());
    QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('\n'))));
  }

  void aSecondProgramSaysTheSettingsAreInUseAndLeavesThemAlone() {
    const QString path = dir_.file(QStringLiteral("Brellin.ini"));
    Session first(Options());
    first.Start();
    Session second(Options());
    second.Start();
    QTRY_VERIFY(second.Window().StatusPanel(0)->toolTip().contains(SettingsLock::kInUseNotice));
    QTRY_VERIFY(!first.Window().StatusPanel(0)->toolTip().contains(SettingsLock::kInUseNotice));
    second.Shutdown();
    QVERIFY(!QFile::exists(path));
    first.Shutdown();
    QVERIFY(QFile::exists(path));
  }

  void leftoversOfAKilledSaveAreRemovedAtStart() {
    const QString old_temp = dir_.write(QStringLiteral(".Brellin.ini.a1B2c3"), "half");
    const QString young_temp = dir_.write(QStringLiteral(".Brellin.ini.z9Y8x7"), "half");
    QFile old_file(old_temp);
    QVERIFY(old_file.open(QIODevice::ReadWrite));
    QVERIFY(old_file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    old_file.close();
    Session session(Options());
    session.Start();
    QVERIFY(!QFile::exists(old_temp));
    QVERIFY(QFile::exists(young_temp));  // a save of another instance may still be running
    QFile::remove(young_temp);
  }

  void aChangedSnapshotLibraryIsAskedAboutAtCloseAndCancelKeepsTheProgram() {
    Session session(Options());
    session.Start();
    SnapshotStore& snapshots = session.Snapshots();
    snapshots.SetTakeMode(true);
    snapshots.SnapshotSlotAction(3);  // stores: the library has changed
    QStringList asked;
    auto answer = [&asked](QMessageBox::StandardButton button) {
      QTimer::singleShot(0, [&asked, button] {
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        asked << box->text();
        box->button(button)->click();
      });
    };
    answer(QMessageBox::Cancel);
    session.Window().close();
    QTRY_COMPARE(asked.size(), 1);
    QCOMPARE(asked[0], QStringLiteral("Save current snapshot library?"));
    QVERIFY(!session.IsShutDown());
    QVERIFY(session.Window().isVisible());
    answer(QMessageBox::No);
    session.Window().close();
    QTRY_VERIFY(session.IsShutDown());
    QCOMPARE(asked.size(), 2);
  }

  void aFailedSaveOnCloseIsShown() {
    dir_.write(QStringLiteral("plain-file"), "x");
    Session::Options options = Options();
    options.settings_path = dir_.file(QStringLiteral("plain-file/Brellin.ini"));
    Session session(std::move(options));
    session.Start();
    QStringList boxes;
    QTimer::singleShot(0, this, [&boxes] {
      QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      boxes << box->text();
      box->button(QMessageBox::Ok)->click();
    });
    session.Window().close();
    QTRY_VERIFY(session.IsShutDown());
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].startsWith(QStringLiteral("Unable to write to")));
  }

  void aSendRunningAtExitStopsAndTheSettingsAreWritten() {
    {
      Session session(Options());
      session.Start();
      SurfaceModel& m = session.Model();
      testing::SetSetting(m, &SurfaceSettings::midi_delay, 50);  // a whole walk would take seconds
      testing::SetSetting(m, &SurfaceSettings::randomize_factor, 77);
      session.Window().MenuAction(Command::kGroupSelection)->trigger();
      QSignalSpy begun(&m.Sends(), &BulkSends::sendBegun);
      session.Window().MenuAction(Command::kSendAllControllers)->trigger();
      QVERIFY(begun.wait());
      QVERIFY(!session.Window().isEnabled());
      QVERIFY(session.Window().SendWindow()->isVisible());
      session.Window().close();
      QVERIFY(session.IsShutDown());
      QCOMPARE(m.Sends().RunningSends(), 0);
      QVERIFY(!session.Window().SendWindow()->isVisible());
    }
    Session again(Options());
    again.Start();
    QVERIFY(again.Model().GroupMode());
    QCOMPARE(again.Model().Settings().randomize_factor, 77);
    QVERIFY(again.Window().ButtonAction(Command::kGroupSelection)->isChecked());
  }

  void midiDevicesMenuAndButtonOpenTheDialog() {
    Session session(Options());
    session.Start();
    const QList<QAction*> actions = session.Window().Actions(Command::kMidiDevices);
    QCOMPARE(actions.size(), 2);  // menu item and tool button
    for (QAction* action : actions) {
      QVERIFY(action && action->isEnabled());
      bool shown = false;
      QTimer::singleShot(0, [&shown] {
        QTRY_VERIFY(qobject_cast<MidiSettingsDialog*>(QApplication::activeModalWidget()));
        auto* dialog = qobject_cast<MidiSettingsDialog*>(QApplication::activeModalWidget());
        shown = true;
        dialog->Output1()->setCurrentIndex(2);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
      });
      action->trigger();
      QVERIFY(shown);
    }
    QVERIFY(session.Model().OutputInUse());
    QCOMPARE(session.Ports().DeviceName(PortRole::kOutput), QStringLiteral("Drum Out"));
  }

  void portErrorInTheMidiDialogIsShownAndTheOtherPortsAreStillTaken() {
    Session session(Options());
    session.Start();
    midi_->FailCall(InProcessMidiService::Call::InputStart, kMidiNoDevice);
    QTimer::singleShot(0, [] {
      QTRY_VERIFY(qobject_cast<MidiSettingsDialog*>(QApplication::activeModalWidget()));
      auto* dialog = qobject_cast<MidiSettingsDialog*>(QApplication::activeModalWidget());
      dialog->Input1()->setCurrentIndex(1);
      dialog->Output1()->setCurrentIndex(1);
      QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    });
    session.MidiDialog().Execute(&session.Window());
    QTRY_COMPARE(port_errors_.size(), 1);
    QVERIFY(session.Ports().InUse(PortRole::kOutput));
    QVERIFY(session.Model().OutputInUse());
    QVERIFY(session.Window().isEnabled());
  }

  void midiChoiceComesBackByNameAndAMissingDeviceIsToldOnce() {
    {
      Session session(Options());
      session.Start();
      session.Ports().Use(PortRole::kInput1, 1);  // "Pads In"
      session.Ports().Use(PortRole::kOutput, 0);  // "Synth Out"
      session.Window().close();
      QTRY_VERIFY(session.IsShutDown());
      QCOMPARE(midi_->OpenHandleCount(), 0u);
    }
    // Next run: "Keys In" is gone, so "Pads In" is now number 0; "Synth Out" is unplugged.
    midi_inputs_ = {"Pads In"};
    midi_outputs_ = {"Drum Out"};
    QStringList told;
    QTimer poll;  // answers every box that comes up
    connect(&poll, &QTimer::timeout, this, [&told] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        told << box->text();
        box->button(QMessageBox::Ok)->click();
      }
    });
    poll.start(5);
    Session again(Options());
    again.Start();
    QVERIFY(again.Window().isEnabled());
    QTRY_COMPARE(told.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(told.size(), 1);
    QVERIFY(told[0].contains(QStringLiteral("Synth Out")));
    QVERIFY(again.Ports().InUse(PortRole::kInput1));
    QCOMPARE(again.Ports().Device(PortRole::kInput1), 0);
    QVERIFY(again.Ports().MidiInput1().IsOpen());
    QVERIFY(!again.Model().OutputInUse());
    QVERIFY(!QApplication::activeModalWidget());
  }

  // The command line's devices serve the run; the file keeps its own unless changed meanwhile.
  void midiChosenOnTheCommandLineIsNotStored() {
    {
      Session first(Options());
      first.Start();
      first.Ports().Use(PortRole::kOutput, 0);  // "Synth Out", stored
    }
    for (const bool changed : {false, true}) {
      Session::Options o = Options();
      o.midi_run.output = QStringLiteral("Drum Out");
      o.midi_run.input = QStringLiteral("Pads In");
      Session session(o);
      session.Start();
      QCOMPARE(session.Ports().DeviceName(PortRole::kOutput), QStringLiteral("Drum Out"));
      QVERIFY(session.Ports().MidiInput1().IsOpen());
      if (changed) {
        session.Ports().CloseAll();
        session.Ports().Use(PortRole::kInput1, 0);  // "Keys In", as the dialog would
        session.Ports().ReopenConfigured();
      }
      session.Shutdown();
      QString dump;
      const AppSettings stored = LoadAppSettings(dir_.file(QStringLiteral("Brellin.ini")),
                                                 {800, 600}, session.Model().MutablePages(), dump)
                                     .settings;
      QCOMPARE(stored.output_device_name, QStringLiteral("Synth Out"));
      QCOMPARE(stored.input_device1_name, changed ? QStringLiteral("Keys In") : QString());
    }
  }

  // Files named on the command line open in order as Open and Load Library do; one that
  // cannot be read is told as the dialogs tell it, and the others still open.
  void commandLineFilesOpenInOrder() {
    const QString qrt = dir_.file(QStringLiteral("song.qrt"));
    const QString snp = dir_.file(QStringLiteral("live.snp"));
    {
      Session maker(Options());
      maker.Start();
      QVERIFY(maker.FileCommands().WriteFile(qrt));
      maker.Snapshots().SetTakeMode(true);
      maker.Snapshots().SnapshotSlotAction(0);
      maker.Snapshots().SetPopupSlot(0);
      maker.Snapshots().RenameSnapshot(QStringLiteral("Verse"));
      QVERIFY(maker.Snapshots().SaveLibraryFile(snp).ok);
    }
    Session::Options o = Options();
    o.native_dialogs = false;
    o.files = {dir_.file(QStringLiteral("gone.qrt")), qrt, snp};
    Session session(o);
    QString told;
    testing::WhenModal<QMessageBox>([&told](QMessageBox* box) { told = box->text(); });
    session.Start();
    QTRY_COMPARE(session.Snapshots().ListName(1, 0), QStringLiteral("Verse"));
    QCOMPARE(session.Model().Title(), TitleForFile(qrt));
    QCOMPARE(session.Snapshots().LibraryFileName(), snp);
    QVERIFY(session.Window().isEnabled());
    // Word for word what Open says of the same file.
    QString open_tells;
    testing::WhenModal<QMessageBox>([&open_tells](QMessageBox* box) { open_tells = box->text(); });
    QVERIFY(!session.FileCommands().ReadFile(o.files[0]));
    QVERIFY(!told.isEmpty());
    QCOMPARE(told, open_tells);
  }

  void noMidiSystemIsNotedInTheStatusBarAndNothingBlocks() {
    Session::Options options = Options();
    options.midi_service_factory = [](const std::string&, std::string*) {
      return std::unique_ptr<MidiService>();
    };
    Session session(options);
    session.Start();
    QVERIFY(session.Window().isEnabled());
    QLabel* panel = session.Window().StatusPanel(0);
    QVERIFY(panel->text().startsWith(QStringLiteral("No MIDI system")));
    QVERIFY(!QApplication::activeModalWidget());
    // A hint passes over it, and the line comes back once the hint is gone.
    QStatusTipEvent hint(QStringLiteral("Load Page 2"));
    QCoreApplication::sendEvent(&session.Window(), &hint);
    QCOMPARE(panel->text(), QStringLiteral("Load Page 2"));
    QStatusTipEvent none{QString()};
    QCoreApplication::sendEvent(&session.Window(), &none);
    QVERIFY(panel->text().startsWith(QStringLiteral("No MIDI system")));
  }

  void lostMidiSystemIsToldWithoutBlocking() {
    Session session(Options());
    session.Start();
    midi_->LoseSystem("The JACK server has stopped.");
    auto* box = session.Window().findChild<QMessageBox*>(QStringLiteral("MidiNotice"));
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->text(), QStringLiteral("The JACK server has stopped."));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(session.Ports().Suspended());
    QTRY_COMPARE(session.Window().StatusPanel(0)->text(),
                 QStringLiteral("The JACK server has stopped."));
    // Its return is one line in the status bar; the box goes.
    midi_->RestoreSystem();
    QTRY_VERIFY_WITH_TIMEOUT(!session.Ports().Suspended(), 15000);
    QVERIFY(!box->isVisible());
    QTRY_VERIFY(session.Window().StatusPanel(0)->text().startsWith(
        QStringLiteral("The MIDI system is running again")));
  }

  void portErrorDuringASliderMoveIsShownOnceAndTheProgramCarriesOn() {
    Session session(Options());
    session.Start();
    session.Ports().Use(PortRole::kOutput, 0);
    QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
    TrackBar* slider = session.Window().Slider(5);
    midi_->FailCall(InProcessMidiService::Call::OutputShortMessage, kMidiNoDevice);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Down);
    QTRY_COMPARE(port_errors_.size(), 1);
    QVERIFY(!port_errors_[0].isEmpty());
    // The model finished the move: the slider's value is kept, and the next move is sent.
    QCOMPARE(session.Model().SlotDefinition(5).value, 126);
    QTest::keyClick(slider, Qt::Key_Down);
    QCOMPARE(midi_->ShortsSentTo("Synth Out").size(), 1u);
    QCoreApplication::processEvents();
    QCOMPARE(port_errors_.size(), 1);
  }

  void errorsInEventHandlersAreShownAndTheProgramCarriesOn() {
    auto* app = static_cast<QuorvaneApplication*>(QCoreApplication::instance());
    QStringList shown;
    app->SetErrorPresenter([&shown](const QString& m) { shown << m; });
    Throwing receiver;
    QEvent event(QEvent::User);
    QCOMPARE(QCoreApplication::sendEvent(&receiver, &event), false);
    QCOMPARE(shown, QStringList{QStringLiteral("Invalid device ID")});
    app->SetErrorPresenter({});
  }

 private:
  testing::TempDir dir_;
  std::vector<std::string> midi_inputs_{"Keys In", "Pads In"};
  std::vector<std::string> midi_outputs_{"Synth Out", "Drum Out"};
  InProcessMidiService* midi_ = nullptr;
  QStringList port_errors_;  // what the session showed in its port error box
};

}  // namespace quorvane

int main(int argc, char** argv) {
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::SessionTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "session_test.moc"
