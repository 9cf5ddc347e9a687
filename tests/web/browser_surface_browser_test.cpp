// The browser surface in a real browser: the program on a private JACK server with a peer,
// and two headless Chromium windows played by browser_driver.py, which reports each step on
// its standard output and waits for the test's answer on its standard input.
#include <QAction>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "app/session.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/session_options.h"
#include "support/temp_dir.h"
#include "surface/ui/commands.h"
#include "surface/ui/main_window.h"
#include "web/browser_surface_server.h"

namespace quorvane {

using testing::JackMidiPeer;
using testing::JackServer;

namespace {

const QString kToken = QStringLiteral("00112233445566778899aabbccddeeff");

// The driver process; told to stop and waited for however the test ends.
struct Driver {
  QProcess process;
  ~Driver() {
    if (process.state() == QProcess::NotRunning) return;
    // The server keeps answering while the driver closes its browsers.
    QSignalSpy finished(&process, &QProcess::finished);
    process.write("fail\n");
    if (!finished.wait(20000)) process.kill();
  }
  void Say(const QByteArray& line) { process.write(line + '\n'); }
  // The next line, in words; empty when none came in time. Keeps the event loop (and with it
  // the server) running while it waits. Long enough for two browsers to start.
  QStringList Hear() {
    QSignalSpy spy(&process, &QProcess::readyReadStandardOutput);
    const QDeadlineTimer deadline(60000);
    while (!process.canReadLine() && process.state() == QProcess::Running && !deadline.hasExpired())
      spy.wait(200);
    return QString::fromUtf8(process.readLine())
        .split(QLatin1Char(' '), Qt::SkipEmptyParts)
        .replaceInStrings(QStringLiteral("\n"), QString());
  }
};

// The value of the last control change `ctrl` on channel 1 the peer received, or -1.
int LastControlChange(const JackMidiPeer& peer, int ctrl) {
  int value = -1;
  for (const auto& e : peer.events())
    if (e.bytes.size() == 3 && e.bytes[0] == 0xB0 && e.bytes[1] == ctrl) value = e.bytes[2];
  return value;
}

}  // namespace

class BrowserSurfaceBrowserTest : public QObject {
  Q_OBJECT

 private:
  // The peer's ports by name; every channel followed.
  Session::Options Options() {
    return testing::RealMidiSessionOptions(
        dir_.write(QStringLiteral("Brellin.ini"), QByteArrayLiteral("[MIDI Settings]\n"
                                                                    "MIDI API=JACK\n"
                                                                    "MIDI In1=0\n"
                                                                    "MIDI In1 Name=peer:out\n"
                                                                    "MIDI Out1=0\n"
                                                                    "MIDI Out1 Name=peer:in\n"
                                                                    "Listen Channel=0\n")));
  }

  testing::TempDir dir_;

 private slots:
  void twoBrowsersPlayTheSurfaceAndFollowTheProgram() {
    JackServer server;
    QVERIFY(server.start());
    JackMidiPeer peer("peer");
    Session session(Options());
    session.Start();
    QVERIFY(session.Ports().MidiInput1().IsOpen());
    QVERIFY(session.Ports().MidiOutput1().IsOpen());
    SurfaceModel& model = session.Model();
    for (auto [slot, ctrl] : {std::pair{3, 21}, {5, 20}, {7, 22}, {9, 23}}) {
      Tcontroller& d = model.SlotDefinition(slot);
      d.ctrl = static_cast<std::uint8_t>(ctrl);
      d.channel = 0;
    }
    BrowserSurfaceServer& web = session.BrowserSurface();
    QCOMPARE(web.Listen(0, false, kToken), QString());

    Driver driver;
    driver.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    driver.process.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral(QUORVANE_BROWSER_DRIVER),
         QStringLiteral("http://127.0.0.1:%1/?token=%2").arg(web.Port()).arg(kToken)});
    QVERIFY(driver.process.waitForStarted());
    QCOMPARE(driver.Hear(), QStringList{QStringLiteral("ready")});
    driver.Say("go");

    // A drag in one window: its last value on the wire, and (the driver saw) in the other.
    QStringList said = driver.Hear();
    QCOMPARE(said.value(0), QStringLiteral("dragged"));
    QTRY_COMPARE_WITH_TIMEOUT(LastControlChange(peer, 20), said.value(2).toInt(), 3000);
    driver.Say("ok");
    said = driver.Hear();
    QCOMPARE(said.mid(0, 2), QStringList({QStringLiteral("keyed"), QStringLiteral("3")}));
    QTRY_COMPARE_WITH_TIMEOUT(LastControlChange(peer, 21), said.value(2).toInt(), 3000);
    driver.Say("ok");

    // Control changes followed on the input, one for a fader held in a window.
    said = driver.Hear();
    QCOMPARE(said.mid(0, 2), QStringList({QStringLiteral("holding"), QStringLiteral("9")}));
    QTRY_COMPARE_WITH_TIMEOUT(int{model.SlotDefinition(9).value}, said.value(2).toInt(), 3000);
    QVERIFY(peer.send({{0xB0, 23, 99}, {0xB0, 22, 99}}));
    driver.Say("cc 7 99");
    QCOMPARE(driver.Hear(),
             QStringList({QStringLiteral("seen"), QStringLiteral("7"), QStringLiteral("99")}));

    session.Window().ButtonAction(PageCommand(3))->trigger();
    QCOMPARE(model.CurrentPage(), 3);
    driver.Say("page 3");
    QCOMPARE(driver.Hear(), QStringList({QStringLiteral("page"), QStringLiteral("3")}));

    QCOMPARE(driver.Hear(), QStringList({QStringLiteral("status"), QStringLiteral("403")}));
    driver.Say("ok");
    QVERIFY(driver.process.waitForFinished(30000));
    QCOMPARE(driver.process.exitCode(), 0);
    session.Shutdown();
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::BrowserSurfaceBrowserTest)
#include "browser_surface_browser_test.moc"
