// The status bar tells of a chosen device that goes and comes back while the program runs.
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "app/session.h"
#include "support/in_process_midi_service.h"
#include "support/temp_dir.h"
#include "surface/ui/main_window.h"
#include "surface/ui/track_bar.h"

namespace quorvane {

class DeviceStatusSessionTest : public QObject {
  Q_OBJECT

 private:
  Session::Options Options() {
    Session::Options options;
    options.quit = [] {};
    options.settings_path =
        dir_.write(QStringLiteral("Brellin.ini"), QByteArrayLiteral("[MIDI Settings]\n"
                                                                    "MIDI Out1=1\n"
                                                                    "MIDI Out1 Name=Synth Out\n"));
    options.native_dialogs = false;
    options.midi_service_factory = [this](const std::string&, std::string* chosen) {
      auto made = std::make_unique<InProcessMidiService>(
          std::vector<std::string>{"Keys In"}, std::vector<std::string>{"Drum Out", "Synth Out"});
      *chosen = "ALSA";
      midi_ = made.get();
      return made;
    };
    options.present_port_error = [this](const QString& text) { errors_ << text; };
    return options;
  }

  testing::TempDir dir_;
  InProcessMidiService* midi_ = nullptr;
  QStringList errors_;

 private slots:
  void aMissingOutputIsAStandingLineAndItsReturnIsToo() {
    Session session(Options());
    session.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
    QVERIFY(session.Model().OutputInUse());
    midi_->AnnounceDeviceChanges(true);
    QLabel* panel = session.Window().StatusPanel(0);

    midi_->RemoveDevicesNamed({"Synth Out"});
    QVERIFY2(panel->text().contains(QStringLiteral("\"Synth Out\" is missing")),
             qPrintable(panel->text()));
    TrackBar* slider = session.Window().Slider(5);
    slider->setFocus();
    for (int i = 0; i < 5; ++i) QTest::keyClick(slider, Qt::Key_Down);
    QCoreApplication::processEvents();
    QVERIFY(errors_.isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(midi_->ShortsSentTo("Synth Out").empty());

    midi_->AddOutputDevice("Synth Out");
    QVERIFY2(panel->text().contains(QStringLiteral("\"Synth Out\" is back")),
             qPrintable(panel->text()));
    QTest::keyClick(slider, Qt::Key_Down);
    QCOMPARE(midi_->ShortsSentTo("Synth Out").size(), 1u);
    session.Shutdown();
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::DeviceStatusSessionTest)
#include "device_status_session_test.moc"
