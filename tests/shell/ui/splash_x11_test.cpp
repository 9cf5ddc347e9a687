#include <QApplication>
#include <QTest>

#include "app/session.h"
#include "shell/ui/splash_screen.h"
#include "support/session_options.h"
#include "support/temp_dir.h"
#include "surface/ui/main_window.h"

namespace quorvane {

// The start-up picture on a real X server, which stacks windows as they are shown.
class SplashX11Test : public QObject {
  Q_OBJECT

 private slots:
  void theSplashStaysAboveTheWindowsShownAfterIt() {
    Session::Options o = testing::SessionOptions(dir_.file(QStringLiteral("Brellin.ini")));
    o.show_splash = true;
    o.splash_ms = 60000;
    Session session(o);
    session.Start();
    TSplashScreen* splash = session.Splash();
    QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    const QPoint centre = splash->geometry().center();
    QVERIFY(session.Window().geometry().contains(centre));  // the window lies under it
    QTRY_COMPARE(QApplication::topLevelAt(centre), splash);
  }

 private:
  testing::TempDir dir_;
};

}  // namespace quorvane

QTEST_MAIN(quorvane::SplashX11Test)
#include "splash_x11_test.moc"
