#include <QAction>
#include <QSignalSpy>
#include <QTest>

#include "app/quorvane_application.h"
#include "app/session.h"
#include "snapshots/ui/snapshot_window.h"
#include "support/session_options.h"
#include "support/surface_settings.h"
#include "support/temp_dir.h"
#include "surface/ui/main_window.h"

namespace quorvane {

// The list window inside a running program: its View menu item and tool button, its stored
// place and the bulk send.
class SnapshotWindowSessionTest : public QObject {
  Q_OBJECT

 private:
  Session::Options Options() {
    return testing::SessionOptions(dir_.file(QStringLiteral("Brellin.ini")));
  }
  static QAction* Item(Session& s) { return s.Window().MenuAction(Command::kSnapshotList); }
  static QAction* Button(Session& s) { return s.Window().ButtonAction(Command::kSnapshotList); }

 private slots:
  void init() { QFile::remove(dir_.file(QStringLiteral("Brellin.ini"))); }

  void menuItemToolButtonAndCloseStayInStep() {
    Session session(Options());
    session.Start();
    TSnapshotWindow& list = session.SnapshotList();
    QVERIFY(!list.isVisible());  // hidden by default
    QVERIFY(!Item(session)->isChecked());
    QCOMPARE(Item(session)->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
    QCOMPARE(list.windowTitle(), QStringLiteral("Snapshots"));

    Item(session)->trigger();
    QVERIFY(list.isVisible());
    QVERIFY(Button(session)->isChecked());
    Button(session)->trigger();
    QVERIFY(!list.isVisible());
    QVERIFY(!Item(session)->isChecked());

    Button(session)->trigger();
    QVERIFY(Item(session)->isChecked());
    list.close();  // the title-bar button
    QVERIFY(!list.isVisible());
    QVERIFY(!Item(session)->isChecked());
    QVERIFY(!Button(session)->isChecked());
    session.Shutdown();
  }

  void placeSizeAndShownComeBackNextRun() {
    {
      Session session(Options());
      session.Start();
      Item(session)->trigger();
      TSnapshotWindow& list = session.SnapshotList();
      QVERIFY(QTest::qWaitForWindowExposed(&list));
      list.move(130, 140);
      list.resize(350, 420);
      session.Shutdown();
    }
    Session again(Options());
    again.Start();
    TSnapshotWindow& list = again.SnapshotList();
    QVERIFY(list.isVisible());
    QVERIFY(Item(again)->isChecked());
    QVERIFY(Button(again)->isChecked());
    QCOMPARE(list.pos(), QPoint(130, 140));
    QCOMPARE(list.size(), QSize(350, 420));
    Item(again)->trigger();
    again.Shutdown();

    Session hidden(Options());
    hidden.Start();
    QVERIFY(!hidden.SnapshotList().isVisible());
    QVERIFY(!Item(hidden)->isChecked());
    hidden.Shutdown();
  }

  void disabledWhileABulkSendRuns() {
    Session session(Options());
    session.Start();
    Item(session)->trigger();
    SurfaceModel& m = session.Model();
    testing::SetSetting(m, &SurfaceSettings::midi_delay, 50);  // a whole walk would take seconds
    QSignalSpy begun(&m.Sends(), &BulkSends::sendBegun);
    session.Window().MenuAction(Command::kSendAllControllers)->trigger();
    QVERIFY(begun.wait());
    QVERIFY(!session.SnapshotList().isEnabled());
    m.Sends().StopSends();
    QTRY_VERIFY(session.Window().isEnabled());
    QVERIFY(session.SnapshotList().isEnabled());
    session.Shutdown();
  }

 private:
  testing::TempDir dir_;
};

}  // namespace quorvane

int main(int argc, char** argv) {
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::SnapshotWindowSessionTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "snapshot_window_session_test.moc"
