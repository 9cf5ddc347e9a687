#include <QAction>
#include <QLabel>
#include <QTest>

#include "support/surface_settings.h"
#include "surface/surface_model.h"
#include "surface/ui/compact_window.h"
#include "surface/ui/main_window.h"

namespace quorvane {

// The main window and its compact strip on a real X server.
class WindowX11Test : public QObject {
  Q_OBJECT

 private slots:
  void compactStripSitsOnTheWindowsBottomEdge() {
    SurfaceModel model;
    model.MutablePages().Initialize();
    MainWindow window(model);
    model.ShowPage(1);
    window.setGeometry(60, 100, 808, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.geometry(), QRect(60, 100, 808, 800));

    TCompactWindow* strip = window.CompactWindow();
    window.MenuAction(Command::kCompactView)->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(strip));
    QTRY_COMPARE(strip->geometry(), QRect(60, 836, 808, 64));
    QVERIFY(!window.isVisible());

    model.ShowPage(3);
    QTRY_COMPARE(strip->Caption(24)->text(), Tcontroller::Initial(72).caption);

    model.Window().Minimize();
    QTRY_VERIFY(model.Window().Minimized());
    model.Window().Restore();
    QTRY_VERIFY(strip->isVisible());
    QTRY_VERIFY(!strip->isMinimized());
    QVERIFY(!window.isVisible());

    window.MenuAction(Command::kCompactView)->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(!strip->isVisible());
  }

  void alwaysOnTopReachesTheXWindow() {
    SurfaceModel model;
    MainWindow window(model);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const WId before = window.winId();
    testing::SetSetting(model, &SurfaceSettings::always_on_top, true);
    QVERIFY(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.winId(), before);  // the same X window: nothing re-created or moved
    QVERIFY(window.isVisible());
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::WindowX11Test)
#include "window_x11_test.moc"
