#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "app/session.h"
#include "shell/splash_gate.h"
#include "shell/ui/about_form.h"
#include "shell/ui/shell_art.h"
#include "shell/ui/splash_screen.h"
#include "shell/ui/tray_icon.h"
#include "support/looks.h"
#include "support/modal.h"
#include "support/session_options.h"
#include "support/temp_dir.h"
#include "surface/ui/main_window.h"

namespace quorvane {

class ShellUiTest : public QObject {
  Q_OBJECT

 private:
  Session::Options Options(bool splash, int splash_ms = 60000) {
    Session::Options o = testing::SessionOptions(dir_.file(QStringLiteral("Brellin.ini")));
    o.show_splash = splash;
    o.splash_ms = splash_ms;
    return o;
  }

 private slots:
  void aboutBoxTellsAndItsLinksOpen() {
    AboutInfo info{QStringLiteral("9.8.7"), QStringLiteral("A. Author"),
                   QStringLiteral("https://example.org/q"), QStringLiteral("me@example.org")};
    TAboutForm about(info);
    std::vector<QUrl> opened;
    about.SetUrlOpener([&opened](const QUrl& url) {
      opened.push_back(url);
      return true;
    });
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QVERIFY(about.VersionLabel()->text().contains(QStringLiteral("9.8.7")));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("LBAuthor"))->text(), info.author);

    QPoint shown_at;
    testing::WhenModal<TAboutForm>([&](TAboutForm* box) {
      shown_at = box->pos();
      // The links open and leave the box up; a click on the version closes it.
      QTest::mouseClick(box->WebLink(), Qt::LeftButton);
      QTest::mouseClick(box->MailLink(), Qt::LeftButton);
      QVERIFY(box->isVisible());
      QTest::mouseClick(box->VersionLabel(), Qt::LeftButton);
      QVERIFY(!box->isVisible());
    });
    about.Execute(QPoint(40, 30));
    QCOMPARE(shown_at, QPoint(140, 130));
    QCOMPARE(opened.size(), 2u);
    QCOMPARE(opened.at(0), QUrl(QStringLiteral("https://example.org/q")));
    QCOMPARE(opened.at(1), QUrl(QStringLiteral("mailto:me@example.org")));
  }

  void theIconsArePartOfTheProgram() {
    // Linked as the program is: a resource nothing refers to would be left out.
    QVERIFY(!ProgramIcon().pixmap(32, 32).isNull());
    TAboutForm about(AboutInfo::OfThisBuild());
    QVERIFY(!about.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
  }

  void aboutBoxLinesRunNeitherIntoEachOtherNorOutOfTheBox() {
    TAboutForm about({QStringLiteral("1.0"), QStringLiteral("A. Author"),
                      QStringLiteral("https://example.org/q"), QStringLiteral("me@example.org")});
    QCOMPARE(testing::LookFaults(about), QStringList());
  }

  void aboutCommandOpensTheBoxOverTheWindow() {
    Session session(Options(false));
    session.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&session.Window()));
    bool shown = false;
    testing::WhenModal<TAboutForm>([&](TAboutForm* box) {
      shown = box->pos() == session.Window().pos() + QPoint(100, 100);
      box->reject();
    });
    session.Window().ButtonAction(Command::kAbout)->trigger();
    QVERIFY(shown);
  }

  void windowsTakeNoInputUntilTheSplashIsClicked() {
    Session session(Options(true));
    session.Start();
    TSplashScreen* splash = session.Splash();
    QVERIFY(splash);
    QVERIFY(splash->isVisible());
    QVERIFY(session.Window().isVisible());
    QVERIFY(!session.Window().isEnabled());
    QVERIFY(!session.Started());
    splash->close();  // refused: its time is not up
    QVERIFY(splash->isVisible());

    QTest::mouseClick(splash, Qt::LeftButton);
    QVERIFY(session.Started());
    QVERIFY(session.Window().isEnabled());
    QTRY_VERIFY(!session.Splash());  // gone for good
  }

  void theSplashGoesByItselfWhenItsTimeIsUp() {
    Session session(Options(true, 30));
    session.Start();
    QVERIFY(!session.Window().isEnabled());
    QTRY_VERIFY(session.Started());
    QVERIFY(session.Window().isEnabled());
    QTRY_VERIFY(!session.Splash());
  }

  void withoutANotificationAreaTheTrayItemIsDisabledAndSaysWhy() {
    Session session(Options(false));
    session.Start();
    if (session.Tray().Available()) QSKIP("this platform has a notification area");
    QAction* item = session.Window().MenuAction(Command::kMinimizeToTray);
    QVERIFY(!item->isEnabled());
    QCOMPARE(item->toolTip(), TrayIcon::kNoTrayHint);
    QVERIFY(item->text().endsWith(TrayIcon::kNoTraySuffix));  // a disabled item shows no tip
    // Minimising stays ordinary.
    session.Tray().SetEnabled(true);
    session.Model().Window().Minimize();
    QVERIFY(session.Window().isMinimized());
    QCoreApplication::processEvents();
    QVERIFY(session.Window().isVisible());
  }

 private:
  testing::TempDir dir_;
};

}  // namespace quorvane

QTEST_MAIN(quorvane::ShellUiTest)
#include "shell_ui_test.moc"
