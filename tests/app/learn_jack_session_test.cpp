// MIDI learn in the slot's "Settings" dialog, with the program on a private JACK server and a
// peer client that plays the instrument on the first input.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "app/session.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/modal.h"
#include "support/session_options.h"
#include "support/temp_dir.h"
#include "surface/ui/main_window.h"
#include "surface/ui/slider_settings_form.h"

namespace quorvane {

using testing::JackMidiPeer;
using testing::JackServer;
using testing::WhenModal;

class LearnJackSessionTest : public QObject {
  Q_OBJECT

 private:
  // The peer's ports chosen by name; every channel followed, so a control change that was
  // not taken would move the sliders.
  QString WriteSettings() {
    return dir_.write(QStringLiteral("Brellin.ini"), QByteArrayLiteral("[MIDI Settings]\n"
                                                                       "MIDI API=JACK\n"
                                                                       "MIDI In1=0\n"
                                                                       "MIDI In1 Name=peer:out\n"
                                                                       "MIDI Out1=0\n"
                                                                       "MIDI Out1 Name=peer:in\n"
                                                                       "Listen Channel=0\n"));
  }

  Session::Options Options() {
    Session::Options options = testing::RealMidiSessionOptions(WriteSettings());
    options.present_port_error = [this](const QString& text) { errors_ << text; };
    return options;
  }

  // Opens slot 5's dialog, learns what the peer sends, and closes it with OK or Cancel.
  static void LearnInTheDialog(Session& session, JackMidiPeer& peer, bool ok) {
    WhenModal<TSliderSettingsForm>([&peer, ok](TSliderSettingsForm* form) {
      auto* controller = form->findChild<QComboBox*>(QStringLiteral("SliderController"));
      auto* channel = form->findChild<QComboBox*>(QStringLiteral("cmbChannel"));
      QTest::mouseClick(form->LearnSliderButton(), Qt::LeftButton);
      QVERIFY(form->LearnSliderButton()->isChecked());
      QVERIFY(peer.send({{0xB3, 0x4A, 0x10}}));
      QTRY_COMPARE_WITH_TIMEOUT(controller->currentText(),
                                QStringLiteral("74 Sound Controller 5 (Brightness)"), 3000);
      QCOMPARE(channel->currentText(), QStringLiteral("4"));
      QVERIFY(!form->LearnSliderButton()->isChecked());
      QTest::mouseClick(
          form->findChild<QPushButton*>(ok ? QStringLiteral("btnOK") : QStringLiteral("btnCancel")),
          Qt::LeftButton);
    });
    emit session.Window().slotSettingsRequested(5);
  }

  testing::TempDir dir_;
  QStringList errors_;

 private slots:
  void learnFillsTheDialogMovesNoSliderAndOnlyOkStoresIt() {
    JackServer server;
    QVERIFY(server.start());
    JackMidiPeer peer("peer");
    Session session(Options());
    session.Start();
    QVERIFY(session.Ports().MidiInput1().IsOpen());
    QVERIFY(session.Ports().MidiOutput1().IsOpen());
    SurfaceModel& model = session.Model();
    Tcontroller& target = model.SlotDefinition(5);
    target.ctrl = 10;
    target.channel = 0;
    Tcontroller& listener = model.SlotDefinition(3);  // follows controller 74
    listener.ctrl = 74;
    listener.value = 5;

    LearnInTheDialog(session, peer, false);
    QCOMPARE(int{target.ctrl}, 10);
    QCOMPARE(int{target.channel}, 0);
    QCOMPARE(int{listener.value}, 5);

    LearnInTheDialog(session, peer, true);
    QCOMPARE(int{target.ctrl}, 74);
    QCOMPARE(int{target.channel}, 4);
    QCOMPARE(int{listener.value}, 5);

    // Outside a learning the same controller is followed again.
    QVERIFY(peer.send({{0xB3, 0x4A, 0x30}}));
    QTRY_COMPARE_WITH_TIMEOUT(int{listener.value}, 0x30, 3000);
    QVERIFY(errors_.isEmpty());
    session.Shutdown();
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::LearnJackSessionTest)
#include "learn_jack_session_test.moc"
