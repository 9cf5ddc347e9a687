// The program itself on a private JACK server, its MIDI chosen on the command line.
#include <jack/jack.h>

#include <QFile>
#include <QProcess>
#include <QTest>
#include <algorithm>

#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/temp_dir.h"

namespace quorvane {

using testing::JackMidiPeer;
using testing::JackServer;

class CommandLineJackTest : public QObject {
  Q_OBJECT

 private:
  // Full names of the ports connected to `port`, through a client of the test's own.
  static QStringList ConnectionsOf(jack_client_t* client, const char* port) {
    QStringList names;
    jack_port_t* p = jack_port_by_name(client, port);
    if (!p) return names;
    if (const char** all = jack_port_get_all_connections(client, p)) {
      for (const char** n = all; *n; ++n) names << QString::fromUtf8(*n);
      jack_free(static_cast<void*>(all));
    }
    return names;
  }

 private slots:
  void outputNamedBeforeItExistsIsConnectedWhenItAppears() {
    JackServer server;
    QVERIFY(server.start());
    JackMidiPeer watcher("watcher");
    testing::TempDir dir;
    const QString settings = dir.write(QStringLiteral("Brellin.ini"),
                                       QByteArrayLiteral("[MIDI Settings]\nMIDI API=ALSA\n"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("JACK_DEFAULT_SERVER"));  // --jack-server names it
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(
        QStringLiteral(QUORVANE_EXECUTABLE),
        {QStringLiteral("--settings"), settings, QStringLiteral("--midi-system"),
         QStringLiteral("jack"), QStringLiteral("--jack-server"),
         QString::fromStdString(server.name()), QStringLiteral("--output"),
         QStringLiteral("probe:in"), QStringLiteral("--client-name"), QStringLiteral("Live2")});
    QVERIFY(program.waitForStarted());
    auto registered = [&watcher] {
      const auto names = watcher.clientsRegistered();
      return std::find(names.begin(), names.end(), "Live2") != names.end();
    };
    QTRY_VERIFY_WITH_TIMEOUT(registered(), 20000);  // start-up, not MIDI

    JackMidiPeer probe("probe");
    jack_client_t* check = jack_client_open("check", JackNoStartServer, nullptr);
    QVERIFY(check);
    QTRY_COMPARE_WITH_TIMEOUT(ConnectionsOf(check, "probe:in"),
                              QStringList{QStringLiteral("Live2:MIDI Out")}, 5000);
    jack_client_close(check);

    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QFile file(settings);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QVERIFY(written.contains("MIDI API=ALSA"));
    QVERIFY(!written.contains("probe"));
  }
};

}  // namespace quorvane

QTEST_GUILESS_MAIN(quorvane::CommandLineJackTest)
#include "command_line_jack_test.moc"
