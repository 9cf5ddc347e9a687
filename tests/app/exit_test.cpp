#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/quorvane_application.h"
#include "app/session.h"
#include "keyboard/ui/midi_keyboard_window.h"
#include "shell/ui/about_form.h"
#include "shell/ui/tray_icon.h"
#include "support/modal.h"
#include "support/session_options.h"
#include "support/temp_dir.h"
#include "surface/bulk_sends.h"
#include "surface/ui/main_window.h"

namespace quorvane {

// How runs end, inside the application's own event loop and with the real quit.
class ExitTest : public QObject {
  Q_OBJECT

 private:
  static constexpr int kStillRunning = 7;
  static constexpr int kHung = 99;

  Session::Options Options(bool splash) {
    Session::Options o = testing::SessionOptions(settings_);
    o.quit = {};  // the program's own
    o.show_splash = splash;
    o.splash_ms = 60000;
    return o;
  }

  // Runs `scenario` from the event loop; exec()'s status. A hang ends as kHung.
  static int RunLoop(const std::function<void()>& scenario) {
    QObject watchdog;  // gone with this call, its timer too
    QTimer::singleShot(30000, &watchdog, [] { QCoreApplication::exit(kHung); });
    QTimer::singleShot(0, scenario);
    return QCoreApplication::exec();
  }

 private slots:
  void everyWayOutEndsTheRunWhileTheSplashIsUp() {
    const std::vector<std::pair<const char*, std::function<void(Session&)>>> ways = {
        {"SIGTERM", [](Session&) { std::raise(SIGTERM); }},
        {"SIGINT", [](Session&) { std::raise(SIGINT); }},
        {"SIGHUP", [](Session&) { std::raise(SIGHUP); }},
        {"Exit", [](Session& s) { s.Window().MenuAction(Command::kExit)->trigger(); }},
        {"tray Exit", [](Session& s) { s.Tray().Menu()->findChild<QAction*>("Exit2")->trigger(); }},
    };
    for (const auto& [name, way_out] : ways) {
      QFile::remove(settings_);
      Session session(Options(true));
      session.Start();
      QVERIFY2(session.Splash(), name);
      Session& s = session;
      QCOMPARE(RunLoop([&s, way_out] { way_out(s); }), 0);
      QVERIFY2(session.IsShutDown(), name);
      QVERIFY2(QFile::exists(settings_), name);
    }
  }

  void noOtherWindowClosingEndsTheRunWhileTheMainWindowIsHidden() {
    struct Hide {
      const char* name;
      bool compact;
      bool tray;
    };
    for (const Hide& h :
         {Hide{"minimised", false, false}, Hide{"compact view", true, false},
          Hide{"in the tray", false, true}, Hide{"compact in the tray", true, true}}) {
      Session session(Options(false));
      session.Start();
      Session& s = session;
      MainWindow& w = session.Window();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      const int status = RunLoop([&s, &w, h] {
        if (h.tray) s.Tray().SetAvailability([] { return true; });
        s.Tray().SetEnabled(h.tray);
        if (h.compact) s.Model().Window().ToggleCompactView();
        if (h.tray || !h.compact) s.Model().Window().Minimize();
        QTRY_VERIFY(!w.isVisible() || w.isMinimized());
        // A tool window, a dialog and the send window of a bulk send (as a recall's) close.
        w.MenuAction(Command::kMidiKeyboard)->trigger();
        s.MidiKeyboard().close();
        testing::WhenModal<TAboutForm>([](TAboutForm* box) { box->reject(); });
        w.MenuAction(Command::kAbout)->trigger();
        QSignalSpy ended(&s.Model().Sends(), &BulkSends::sendEnded);
        w.MenuAction(Command::kSendAllControllers)->trigger();
        QVERIFY(ended.wait());
        QCoreApplication::processEvents();
        if (!s.IsShutDown()) QCoreApplication::exit(kStillRunning);
      });
      QVERIFY2(status == kStillRunning, h.name);
    }
  }

 private:
  testing::TempDir dir_;
  QString settings_ = dir_.file(QStringLiteral("Brellin.ini"));
};

}  // namespace quorvane

int main(int argc, char** argv) {
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::ExitTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "exit_test.moc"
