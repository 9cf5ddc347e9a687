#include <QAction>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include "app/quorvane_application.h"
#include "app/session.h"
#include "keyboard/ui/keys_widget.h"
#include "keyboard/ui/midi_keyboard_window.h"
#include "support/in_process_midi_service.h"
#include "support/surface_settings.h"
#include "support/temp_dir.h"
#include "surface/ui/main_window.h"

namespace quorvane {

// The keyboard window as the running program has it: the View command, the stored position
// and sends through the MIDI output.
class KeyboardSessionTest : public QObject {
  Q_OBJECT

 private:
  Session::Options Options() {
    return {[] {}, dir_.file(QStringLiteral("Brellin.ini")), false,
            [this](const std::string&, std::string* chosen) {
              auto made = std::make_unique<InProcessMidiService>(
                  std::vector<std::string>{"Keys In"}, std::vector<std::string>{"Synth Out"});
              *chosen = "ALSA";
              midi_ = made.get();
              return made;
            },
            [this](const QString& text) { port_errors_ << text; }};
  }
  static void Click(QWidget* keys, QPoint at, QEvent::Type type) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::MouseButtons{};
    QMouseEvent e(type, QPointF(at), QPointF(keys->mapToGlobal(at)), Qt::LeftButton, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(keys, &e);
  }
  static bool Checked(Session& s) {
    return s.Window().MenuAction(Command::kMidiKeyboard)->isChecked() &&
           s.Window().ToolButton(QStringLiteral("btnShowMidiKeyboard"))->isChecked();
  }
  static bool Unchecked(Session& s) {
    return !s.Window().MenuAction(Command::kMidiKeyboard)->isChecked() &&
           !s.Window().ToolButton(QStringLiteral("btnShowMidiKeyboard"))->isChecked();
  }

 private slots:
  void init() {
    port_errors_.clear();
    QFile::remove(dir_.file(QStringLiteral("Brellin.ini")));
  }

  void theMenuItemAndToolButtonShowAndHideTheWindowInStep() {
    Session session(Options());
    session.Start();
    TMidiKeyboardWindow& keyboard = session.MidiKeyboard();
    QVERIFY(!keyboard.isVisible());
    QVERIFY(Unchecked(session));
    QAction* item = session.Window().MenuAction(Command::kMidiKeyboard);
    QCOMPARE(item->text(), QStringLiteral("MIDI &Keyboard..."));
    QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
    item->trigger();
    QVERIFY(keyboard.isVisible());
    QVERIFY(Checked(session));
    QTest::mouseClick(session.Window().ToolButton(QStringLiteral("btnShowMidiKeyboard")),
                      Qt::LeftButton);
    QVERIFY(!keyboard.isVisible());
    QVERIFY(Unchecked(session));
    item->trigger();
    QVERIFY(keyboard.isVisible());
    // The title-bar close releases the tool button and unchecks the item.
    keyboard.close();
    QVERIFY(!keyboard.isVisible());
    QVERIFY(Unchecked(session));
  }

  void positionAndVisibilityAreStoredAndRestored() {
    {
      Session session(Options());
      session.Start();
      session.Window().MenuAction(Command::kMidiKeyboard)->trigger();
      session.MidiKeyboard().move(123, 45);
      session.Shutdown();
    }
    Session session(Options());
    session.Start();
    QVERIFY(session.MidiKeyboard().isVisible());
    QCOMPARE(session.MidiKeyboard().pos(), QPoint(123, 45));
    QVERIFY(Checked(session));
  }

  void keysSendOnTheGlobalChannelOnlyWithAnOutput() {
    Session session(Options());
    session.Start();
    testing::SetSetting(session.Model(), &SurfaceSettings::global_channel, 2);
    QWidget* keys = session.MidiKeyboard().Keys();
    Click(keys, {5, 45}, QEvent::MouseButtonPress);
    Click(keys, {5, 45}, QEvent::MouseButtonRelease);
    QVERIFY(midi_->ShortsSentTo("Synth Out").empty());
    QVERIFY(!session.Model().Status().OutActivity());

    session.Ports().Use(PortRole::kOutput, 0);
    Click(keys, {5, 45}, QEvent::MouseButtonPress);
    Click(keys, {5, 45}, QEvent::MouseButtonRelease);
    QCOMPARE(midi_->ShortsSentTo("Synth Out"),
             (std::vector<std::uint32_t>{0x91u | 24u << 8 | 96u << 16, 0x91u | 24u << 8}));
    QVERIFY(session.Model().Status().OutActivity());
  }

  void aNoteSoundingAtExitIsEnded() {
    Session session(Options());
    session.Start();
    session.Ports().Use(PortRole::kOutput, 0);
    Click(session.MidiKeyboard().Keys(), {5, 45}, QEvent::MouseButtonPress);
    session.Shutdown();
    QCOMPARE(midi_->ShortsSentTo("Synth Out"),
             (std::vector<std::uint32_t>{0x90u | 24u << 8 | 96u << 16, 0x90u | 24u << 8}));
  }

  void aPortErrorIsShownOnceAndPlayCarriesOn() {
    Session session(Options());
    session.Start();
    session.Ports().Use(PortRole::kOutput, 0);
    midi_->FailCall(InProcessMidiService::Call::OutputShortMessage, kMidiNoDevice);
    QWidget* keys = session.MidiKeyboard().Keys();
    Click(keys, {5, 45}, QEvent::MouseButtonPress);
    QTRY_COMPARE(port_errors_.size(), 1);
    Click(keys, {5, 45}, QEvent::MouseButtonRelease);
    QCOMPARE(midi_->ShortsSentTo("Synth Out"), (std::vector<std::uint32_t>{0x90u | 24u << 8}));
  }

 private:
  testing::TempDir dir_;
  InProcessMidiService* midi_ = nullptr;
  QStringList port_errors_;
};

}  // namespace quorvane

int main(int argc, char** argv) {
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::KeyboardSessionTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "keyboard_session_test.moc"
