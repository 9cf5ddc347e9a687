#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>

#include "app/session.h"
#include "files/app_settings.h"
#include "shell/ui/splash_screen.h"
#include "shell/ui/tray_icon.h"
#include "support/session_options.h"
#include "support/temp_dir.h"
#include "surface/surface_model.h"
#include "surface/ui/main_window.h"

namespace quorvane {

// The notification-area icon on a real X server, with and without a tray host, and the
// start-up picture among the windows the server stacks as they are shown.
class TrayX11Test : public QObject {
  Q_OBJECT

 private:
  Session::Options Options(std::function<void()> quit = [] {}) {
    Session::Options o = testing::SessionOptions(dir_.file(QStringLiteral("Brellin.ini")));
    o.quit = std::move(quit);
    return o;
  }

  // The tray host of the test's own display.
  bool StartTrayHost() {
    if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty()) return false;
    tray_host_.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                                QStringLiteral("--height"), QStringLiteral("24")});
    if (!tray_host_.waitForStarted(3000)) return false;
    return QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000);
  }

 private slots:
  // Runs first, before any tray host is up.
  void withoutATrayHostMinimiseStaysOrdinary() {
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    Session session(Options());
    session.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
    QVERIFY(!session.Window().MenuAction(Command::kMinimizeToTray)->isEnabled());
    session.Tray().SetEnabled(true);
    QVERIFY(!session.Tray().Icon().isVisible());
    session.Model().Window().Minimize();
    QVERIFY(session.Window().isMinimized());
    QCoreApplication::processEvents();
    QVERIFY(session.Window().isVisible());
  }

  void theSplashStaysAboveTheWindowsShownAfterIt() {
    Session::Options o = Options();
    o.show_splash = true;
    o.splash_ms = 60000;
    Session session(o);
    session.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
    QVERIFY(QTest::qWaitForWindowExposed(session.Splash()));
    const QPoint centre = session.Splash()->geometry().center();
    QVERIFY(session.Window().geometry().contains(centre));  // the window lies under it
    QTRY_COMPARE(QApplication::topLevelAt(centre), session.Splash());
  }

  void aTrayHostStartedLaterIsNoticedAndItsEndGivesTheWindowBack() {
    Session session(Options());
    session.Start();
    MainWindow& w = session.Window();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QAction* item = w.MenuAction(Command::kMinimizeToTray);
    QVERIFY(!item->isEnabled());
    if (!StartTrayHost()) QSKIP("no tray host (trayer) on this machine");
    QTRY_VERIFY_WITH_TIMEOUT(item->isEnabled(), 3 * TrayIcon::kPollMs);
    item->trigger();
    session.Model().Window().Minimize();
    QTRY_VERIFY(!w.isVisible());
    tray_host_.kill();
    tray_host_.waitForFinished(3000);
    QTRY_VERIFY_WITH_TIMEOUT(w.isVisible(), 3 * TrayIcon::kPollMs);
    QVERIFY(!item->isEnabled());
    QVERIFY(item->text().endsWith(TrayIcon::kNoTraySuffix));
  }

  void theIconHidesTheWindowAndBringsItBack() {
    if (!StartTrayHost()) QSKIP("no tray host (trayer) on this machine");
    {
      AppSettings stored;
      stored.minimize_to_tray = true;
      TPageSet defs;
      defs.Initialize();
      QVERIFY(SaveAppSettings(dir_.file(QStringLiteral("Brellin.ini")), stored, defs, {}).ok);
    }
    int quits = 0;
    Session session(Options([&quits] { ++quits; }));
    session.Start();
    MainWindow& w = session.Window();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Stored on: the icon is there from the start, beside a normally shown window.
    QAction* item = w.MenuAction(Command::kMinimizeToTray);
    QVERIFY(item->isEnabled());
    QVERIFY(item->isChecked());
    QVERIFY(session.Tray().Icon().isVisible());
    QTRY_VERIFY(!session.Tray().Icon().geometry().isEmpty());  // embedded in the host

    // Minimised, the window and its taskbar entry go; the icon's click brings it back.
    session.Model().Window().Minimize();
    QTRY_VERIFY(!w.isVisible());
    emit session.Tray().Icon().activated(QSystemTrayIcon::Trigger);
    QTRY_VERIFY(w.isVisible());
    QVERIFY(!w.isMinimized());
    QVERIFY(!session.Model().Window().Minimized());

    // The menu: Restore, Minimize, a separator, Exit.
    const QList<QAction*> entries = session.Tray().Menu()->actions();
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries.at(0)->text(), QStringLiteral("&Restore"));
    QCOMPARE(entries.at(1)->text(), QStringLiteral("Mi&nimize"));
    QVERIFY(entries.at(2)->isSeparator());
    QCOMPARE(entries.at(3)->text(), QStringLiteral("E&xit"));
    entries.at(1)->trigger();
    QTRY_VERIFY(!w.isVisible());
    entries.at(0)->trigger();
    QTRY_VERIFY(w.isVisible());

    // Unchecked: the icon goes at once.
    item->trigger();
    QVERIFY(!session.Tray().Icon().isVisible());
    item->trigger();

    // The tray host restarts: the icon comes back into the new one.
    tray_host_.kill();
    tray_host_.waitForFinished(3000);
    QVERIFY(StartTrayHost());
    QTRY_VERIFY_WITH_TIMEOUT(!session.Tray().Icon().geometry().isEmpty(), 5000);

    // Exit takes the one way out, settings written.
    QFile::remove(dir_.file(QStringLiteral("Brellin.ini")));
    entries.at(3)->trigger();
    QTRY_VERIFY(session.IsShutDown());
    QCOMPARE(quits, 1);
    QVERIFY(QFile::exists(dir_.file(QStringLiteral("Brellin.ini"))));
  }

  void cleanupTestCase() {
    tray_host_.kill();
    tray_host_.waitForFinished(3000);
  }

 private:
  testing::TempDir dir_;
  QProcess tray_host_;
};

}  // namespace quorvane

QTEST_MAIN(quorvane::TrayX11Test)
#include "tray_x11_test.moc"
