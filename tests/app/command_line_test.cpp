#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <tuple>

namespace quorvane {
namespace {

CommandLine Parse(QStringList args) {
  args.prepend(QStringLiteral("quorvane"));
  return ParseCommandLine(args, QStringLiteral("1.2.3"));
}

TEST(CommandLineTest, RunsTakeTheirOptions) {
  const CommandLine plain = Parse({});
  EXPECT_FALSE(plain.exit_code);
  EXPECT_TRUE(plain.show_splash);
  EXPECT_TRUE(plain.settings_path.isEmpty());

  const CommandLine both =
      Parse({QStringLiteral("--no-splash"), QStringLiteral("--settings"), QStringLiteral("x.ini")});
  EXPECT_FALSE(both.exit_code);
  EXPECT_FALSE(both.show_splash);
  EXPECT_EQ(both.settings_path, QDir::current().absoluteFilePath(QStringLiteral("x.ini")));
  EXPECT_EQ(Parse({QStringLiteral("--settings=/tmp/a.ini")}).settings_path,
            QStringLiteral("/tmp/a.ini"));

  // Qt's own options are left to Qt, whole.
  const CommandLine qt = Parse({QStringLiteral("-style"), QStringLiteral("Fusion"),
                                QStringLiteral("-platform"), QStringLiteral("offscreen"),
                                QStringLiteral("-reverse"), QStringLiteral("--portable")});
  EXPECT_FALSE(qt.exit_code) << qt.error.toStdString();
  EXPECT_TRUE(qt.portable);
  EXPECT_FALSE(plain.portable);
  EXPECT_EQ(Parse({QStringLiteral("--osc-port"), QStringLiteral("9000")}).osc_port, 9000);
  EXPECT_EQ(Parse({QStringLiteral("--browser-port=8461")}).browser_port, 8461);
}

// Files and MIDI choices reach the run as given; what is not given keeps its default.
TEST(CommandLineTest, FilesAndMidiChoicesReachTheRun) {
  const CommandLine cl = Parse(
      {QStringLiteral("a.qrt"), QStringLiteral("--midi-system=Jack"), QStringLiteral("--output"),
       QStringLiteral("probe:in"), QStringLiteral("--input"), QStringLiteral("keys:out"),
       QStringLiteral("--remote-input"), QStringLiteral("pad:out"), QStringLiteral("--jack-server"),
       QStringLiteral("studio"), QStringLiteral("--client-name"), QStringLiteral("Live2"),
       QStringLiteral("/tmp/b.snp")});
  ASSERT_FALSE(cl.exit_code) << cl.error.toStdString();
  EXPECT_EQ(cl.files, (QStringList{QDir::current().absoluteFilePath(QStringLiteral("a.qrt")),
                                   QStringLiteral("/tmp/b.snp")}));
  EXPECT_EQ(cl.midi.api, QStringLiteral("JACK"));
  EXPECT_EQ(cl.midi.output, QStringLiteral("probe:in"));
  EXPECT_EQ(cl.midi.input, QStringLiteral("keys:out"));
  EXPECT_EQ(cl.midi.remote_input, QStringLiteral("pad:out"));
  EXPECT_EQ(cl.midi_client.jack_server, "studio");
  EXPECT_EQ(cl.midi_client.client, "Live2");
  EXPECT_EQ(Parse({QStringLiteral("--midi-system"), QStringLiteral("alsa")}).midi.api,
            QStringLiteral("ALSA"));

  const CommandLine plain = Parse({});
  EXPECT_TRUE(plain.files.isEmpty());
  EXPECT_TRUE(plain.midi.api.isEmpty() && plain.midi.output.isEmpty());
  EXPECT_EQ(plain.midi_client.client, "Quorvane");
  EXPECT_TRUE(plain.midi_client.jack_server.empty());
}

TEST(CommandLineTest, TextAnswersEndTheRun) {
  struct Case {
    QStringList args;
    int exit_code;
    const char* in_output;
    const char* in_error;
  };
  for (const Case& c : {
           Case{{QStringLiteral("--version")}, 0, "Quorvane 1.2.3", ""},
           Case{{QStringLiteral("-v")}, 0, "Quorvane 1.2.3", ""},
           Case{{QStringLiteral("--help")}, 0, "--settings <FILE>", ""},
           Case{{QStringLiteral("--help")}, 0, "Usage: quorvane", ""},
           Case{{QStringLiteral("--help")}, 0, "-style NAME", ""},
           Case{{QStringLiteral("--help")}, 0, "JACK_DEFAULT_SERVER", ""},
           Case{{QStringLiteral("--bogus")}, 2, "", "Unknown option 'bogus'"},
           Case{{QStringLiteral("--settings")}, 2, "", "Missing value after '--settings'"},
           Case{{QStringLiteral("--settings"), QStringLiteral("/")}, 2, "", "needs a file"},
           Case{{QStringLiteral("--osc-port"), QStringLiteral("0")}, 2, "", "needs a UDP port"},
           Case{{QStringLiteral("--osc-port=x")}, 2, "", "needs a UDP port"},
           Case{{QStringLiteral("--browser-port=65536")}, 2, "", "needs a TCP port"},
           Case{{QStringLiteral("--midi-system"), QStringLiteral("oss")}, 2, "", "alsa or jack"},
           Case{{QStringLiteral("--output")}, 2, "", "Missing value after '--output'"},
           Case{{QStringLiteral("--input=")}, 2, "", "--input needs a name"},
           Case{{QStringLiteral("--remote-input"), QString()}, 2, "", "--remote-input needs"},
           Case{{QStringLiteral("--jack-server=")}, 2, "", "--jack-server needs a name"},
           Case{{QStringLiteral("--client-name"), QStringLiteral("a:b")}, 2, "", "no ':'"},
           Case{{QStringLiteral("--client-name"), QString(64, u'x')}, 2, "", "at most 63"},
           Case{{QStringLiteral("--version")}, 0, "GNU GPL version 3 or later", ""},
           Case{{QStringLiteral("--help")}, 0, "--client-name <NAME>", ""},
       }) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    const CommandLine cl = Parse(c.args);
    ASSERT_TRUE(cl.exit_code);
    EXPECT_EQ(*cl.exit_code, c.exit_code);
    EXPECT_TRUE(cl.output.contains(QLatin1String(c.in_output))) << cl.output.toStdString();
    EXPECT_TRUE(cl.error.contains(QLatin1String(c.in_error))) << cl.error.toStdString();
  }
}

// The program itself, without any display: the command line is read before Qt needs one.
TEST(CommandLineTest, TheProgramAnswersWithoutADisplay) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    env.remove(QLatin1String(name));
  for (const auto& [args, status, text] : {
           std::tuple{QStringList{QStringLiteral("--bogus")}, 2, "Unknown option 'bogus'"},
           std::tuple{QStringList{QStringLiteral("--help")}, 0, "-platform NAME"},
       }) {
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUORVANE_EXECUTABLE), args);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), status);
    const QString said = QString::fromLocal8Bit(program.readAll() + program.readAllStandardError());
    EXPECT_TRUE(said.contains(QLatin1String(text))) << said.toStdString();
  }
}

}  // namespace
}  // namespace quorvane
