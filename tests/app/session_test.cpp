#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <csignal>
#include <stdexcept>

#include "app/quorvane_application.h"
#include "app/session.h"
#include "surface/ui/main_window.h"

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
  void ExpectSingleShutdown(const std::function<void(Session&)>& way_out) {
    int quits = 0;
    int steps = 0;
    Session session([&quits] { ++quits; });
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
  void startsOnPageOneEnabled() {
    Session session([] {});
    session.Start();
    QVERIFY(session.Window().isVisible());
    QVERIFY(session.Window().isEnabled());
    QCOMPARE(session.Model().current_page, 1);
    QCOMPARE(session.Model().View(24).caption, QStringLiteral("Slider 24"));
  }

  void closeButtonShutsDown() {
    ExpectSingleShutdown([](Session& s) { s.Window().close(); });
  }

  void exitMenuItemShutsDown() {
    ExpectSingleShutdown([](Session& s) {
      QAction* exit = s.Window().Action(QStringLiteral("Exit1"));
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
};

}  // namespace quorvane

int main(int argc, char** argv) {
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::SessionTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "session_test.moc"
