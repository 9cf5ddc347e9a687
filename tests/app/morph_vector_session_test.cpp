#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "app/quorvane_application.h"
#include "app/session.h"
#include "files/slider_file_commands.h"
#include "morph/ui/morph_slider_window.h"
#include "morph/ui/vector_controller_window.h"
#include "support/session_options.h"
#include "support/temp_dir.h"
#include "surface/ui/main_window.h"

namespace quorvane {

// The morph slider and the vector controller inside a running program: their View menu items
// and tool buttons, their stored places and the pad's assignments across runs.
class MorphVectorSessionTest : public QObject {
  Q_OBJECT

 private:
  Session::Options Options() {
    return testing::SessionOptions(dir_.file(QStringLiteral("Brellin.ini")));
  }
  static QAction* Item(Session& s, Command c) { return s.Window().MenuAction(c); }
  static QAction* Button(Session& s, Command c) { return s.Window().ButtonAction(c); }

 private slots:
  void init() { QFile::remove(dir_.file(QStringLiteral("Brellin.ini"))); }

  void menuItemsToolButtonsAndClosingStayInStep() {
    Session session(Options());
    session.Start();
    struct Tool {
      Command command;
      QWidget* window;
      const char* shortcut;
    };
    const Tool tools[] = {{Command::kMorphSlider, &session.MorphSlider(), "Ctrl+M"},
                          {Command::kVectorController, &session.VectorPad(), "Ctrl+V"}};
    for (const Tool& t : tools) {
      QVERIFY(!t.window->isVisible());  // hidden by default
      QCOMPARE(Item(session, t.command)->shortcut(), QKeySequence(QString::fromLatin1(t.shortcut)));
      Item(session, t.command)->trigger();
      QVERIFY(t.window->isVisible());
      QVERIFY(Button(session, t.command)->isChecked());
      Button(session, t.command)->trigger();
      QVERIFY(!t.window->isVisible());
      QVERIFY(!Item(session, t.command)->isChecked());
      Button(session, t.command)->trigger();
      t.window->close();  // the title-bar button
      QVERIFY(!Item(session, t.command)->isChecked());
      QVERIFY(!Button(session, t.command)->isChecked());
    }
    session.Shutdown();
  }

  void assignmentsPlacesAndShownComeBackNextRun() {
    {
      Session session(Options());
      session.Start();
      TVectorController& pad = session.VectorPad();
      QCOMPARE(pad.XAssignments(), (VectorAssignments::Axis{-1, -1, -1, -1}));
      pad.List(0)->setCurrentIndex(1);    // definition 1
      pad.List(3)->setCurrentIndex(120);  // definition 120
      pad.List(5)->setCurrentIndex(25);
      Item(session, Command::kVectorController)->trigger();
      Item(session, Command::kMorphSlider)->trigger();
      QVERIFY(QTest::qWaitForWindowExposed(&pad));
      pad.move(210, 220);
      session.MorphSlider().move(230, 240);
      session.Shutdown();
    }
    Session again(Options());
    again.Start();
    TVectorController& pad = again.VectorPad();
    QCOMPARE(pad.XAssignments(), (VectorAssignments::Axis{0, -1, -1, 119}));
    QCOMPARE(pad.YAssignments(), (VectorAssignments::Axis{-1, 24, -1, -1}));
    QCOMPARE(pad.List(3)->currentIndex(), 120);
    QCOMPARE(pad.List(3)->currentText(), QStringLiteral("120) Slider 120 (120)"));
    QCOMPARE(pad.List(5)->currentIndex(), 25);
    QVERIFY(pad.isVisible());
    QVERIFY(again.MorphSlider().isVisible());
    QVERIFY(Item(again, Command::kVectorController)->isChecked());
    QVERIFY(Button(again, Command::kMorphSlider)->isChecked());
    QCOMPARE(pad.pos(), QPoint(210, 220));
    QCOMPARE(again.MorphSlider().pos(), QPoint(230, 240));
    Item(again, Command::kVectorController)->trigger();
    Item(again, Command::kMorphSlider)->trigger();
    again.Shutdown();

    Session hidden(Options());
    hidden.Start();
    QVERIFY(!hidden.VectorPad().isVisible());
    QVERIFY(!hidden.MorphSlider().isVisible());
    QCOMPARE(hidden.VectorPad().XAssignments(), (VectorAssignments::Axis{0, -1, -1, 119}));
    hidden.Shutdown();
  }

  void readingASliderFileRebuildsTheListsKeepingEachAssignment() {
    Session session(Options());
    session.Start();
    TPageSet& pages = session.Model().MutablePages();
    pages.byNumber(7).caption = QStringLiteral("Attack");
    pages.byNumber(7).ctrl = 73;
    const QString file = dir_.file(QStringLiteral("Lead.qrt"));
    QVERIFY(session.FileCommands().WriteFile(file));
    pages.Initialize();
    TVectorController& pad = session.VectorPad();
    pad.SetAssignments({6, -1, -1, -1}, {-1, -1, 6, 2});
    QCOMPARE(pad.List(0)->currentText(), QStringLiteral("7) Slider 7 (7)"));

    QVERIFY(session.FileCommands().ReadFile(file));
    for (int k : {0, 6}) {
      QCOMPARE(pad.List(k)->currentIndex(), 7);
      QCOMPARE(pad.List(k)->currentText(), QStringLiteral("7) Attack (73)"));
    }
    QCOMPARE(pad.List(1)->itemText(7), QStringLiteral("7) Attack (73)"));
    QCOMPARE(pad.List(7)->currentIndex(), 3);
    QCOMPARE(pad.XAssignments(), (VectorAssignments::Axis{6, -1, -1, -1}));
    QCOMPARE(pad.YAssignments(), (VectorAssignments::Axis{-1, -1, 6, 2}));
    session.Shutdown();
  }

 private:
  testing::TempDir dir_;
};

}  // namespace quorvane

int main(int argc, char** argv) {
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::MorphVectorSessionTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "morph_vector_session_test.moc"
