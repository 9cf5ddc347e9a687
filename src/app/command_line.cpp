#include "app/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

namespace quorvane {
namespace {

// Qt's own options, taken by the application object; known here so that the whole command line
// is checked before it exists. Those shown in the help come first.
const QStringList kQtOptionsWithValue = {QStringLiteral("style"),
                                         QStringLiteral("platform"),
                                         QStringLiteral("stylesheet"),
                                         QStringLiteral("platformpluginpath"),
                                         QStringLiteral("platformtheme"),
                                         QStringLiteral("plugin"),
                                         QStringLiteral("display"),
                                         QStringLiteral("geometry"),
                                         QStringLiteral("qwindowgeometry"),
                                         QStringLiteral("qwindowicon"),
                                         QStringLiteral("qwindowtitle"),
                                         QStringLiteral("session"),
                                         QStringLiteral("name"),
                                         QStringLiteral("title")};
const QStringList kQtFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                              QStringLiteral("sync"), QStringLiteral("nograb"),
                              QStringLiteral("dograb")};

const char kHelpEnd[] = R"(
Files given are opened in order as the File menu's Open does: a snapshot library (.snp) as
the snapshot library's Open does, any other file as slider settings (.qrt). A file that
cannot be read is told about and the program starts regardless.

The MIDI options hold for this run only: the settings file keeps its devices unless they
are changed in the MIDI Devices dialog. A device not present yet is connected when it
appears.

Examples:
  quorvane synth.qrt live.snp
  quorvane --midi-system jack --output "fluidsynth:midi_00" --client-name Stage
  quorvane --midi-system alsa --input "Midi Through:Midi Through Port-0 14:0"
  quorvane --midi-system jack --jack-server studio --client-name Live2 --remote-input \
      "a2j:nanoKONTROL2 [20] (capture): nanoKONTROL2 MIDI 1"

Qt's own options work as well, among them -style NAME (Fusion, Windows) and -platform NAME
(xcb, wayland, offscreen).

Environment:
  JACK_DEFAULT_SERVER  The JACK server used when the MIDI system is JACK and --jack-server is
                       not given (default: "default").
  QT_QPA_PLATFORM      The Qt platform, as -platform gives it: xcb, wayland, offscreen.
  XDG_CONFIG_HOME      The settings live in $XDG_CONFIG_HOME/Quorvane/Brellin.ini
                       (default ~/.config/Quorvane/Brellin.ini) unless the program is portable.
)";

const char kVersionEnd[] = R"(Copyright (C) 2026 The Quorvane developers.
License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
)";

void AddQtOptions(QCommandLineParser& parser) {
  for (const QString& name : kQtOptionsWithValue) {
    QCommandLineOption option(name, QStringLiteral("Qt's -%1 option.").arg(name),
                              QStringLiteral("name"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const QString& name : kQtFlags) {
    QCommandLineOption option(name);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

// The options of files and MIDI, apart from the others.
struct FileAndMidiOptions {
  QCommandLineOption system{QStringLiteral("midi-system"),
                            QStringLiteral("Use the MIDI system SYSTEM: alsa or jack."),
                            QStringLiteral("SYSTEM")};
  QCommandLineOption output{QStringLiteral("output"),
                            QStringLiteral("Send to the MIDI device NAME, as the MIDI Devices "
                                           "dialog lists it."),
                            QStringLiteral("NAME")};
  QCommandLineOption input{QStringLiteral("input"),
                           QStringLiteral("Take MIDI In 1 from the device NAME."),
                           QStringLiteral("NAME")};
  QCommandLineOption remote_input{QStringLiteral("remote-input"),
                                  QStringLiteral("Take the remote input from the device NAME."),
                                  QStringLiteral("NAME")};
  QCommandLineOption jack_server{
      QStringLiteral("jack-server"),
      QStringLiteral("Use the JACK server NAME (default: $JACK_DEFAULT_SERVER, else default)."),
      QStringLiteral("NAME")};
  QCommandLineOption client_name{
      QStringLiteral("client-name"),
      QStringLiteral("Name the program's JACK or ALSA client NAME (default: Quorvane)."),
      QStringLiteral("NAME")};

  void AddTo(QCommandLineParser& parser) const {
    parser.addOptions({system, output, input, remote_input, jack_server, client_name});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Slider settings (.qrt) or snapshot library "
                                                "(.snp) files to open."),
                                 QStringLiteral("[FILE...]"));
  }

  // An empty text when all is well, else what is wrong.
  QString Read(const QCommandLineParser& parser, CommandLine& out) const {
    if (parser.isSet(system)) {
      const QString name = parser.value(system).toUpper();
      if (name != QLatin1String("ALSA") && name != QLatin1String("JACK")) {
        return QStringLiteral("--midi-system takes alsa or jack, not '%1'")
            .arg(parser.value(system));
      }
      out.midi.api = name;
    }
    for (const QCommandLineOption* option :
         {&output, &input, &remote_input, &jack_server, &client_name}) {
      if (parser.isSet(*option) && parser.value(*option).isEmpty())
        return QStringLiteral("--%1 needs a name").arg(option->names().constFirst());
    }
    out.midi.output = parser.value(output);
    out.midi.input = parser.value(input);
    out.midi.remote_input = parser.value(remote_input);
    out.midi_client.jack_server = parser.value(jack_server).toStdString();
    if (parser.isSet(client_name)) {
      const QString name = parser.value(client_name);
      // JACK's limit; a colon would split the client's port names wrongly.
      if (name.toUtf8().size() > kMaxClientNameBytes || name.contains(u':')) {
        return QStringLiteral("--client-name takes at most %1 bytes and no ':', not '%2'")
            .arg(kMaxClientNameBytes)
            .arg(name);
      }
      out.midi_client.client = name.toStdString();
    }
    for (const QString& file : parser.positionalArguments())
      out.files << QFileInfo(file).absoluteFilePath();
    return {};
  }

  static constexpr int kMaxClientNameBytes = 63;
};

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments, const QString& version) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Quorvane - a MIDI controller surface for hardware synthesizers and music "
                     "software."));
  const QCommandLineOption help_option({QStringLiteral("h"), QStringLiteral("help")},
                                       QStringLiteral("Show this help and exit."));
  const QCommandLineOption version_option({QStringLiteral("v"), QStringLiteral("version")},
                                          QStringLiteral("Show the version and exit."));
  const QCommandLineOption no_splash(QStringLiteral("no-splash"),
                                     QStringLiteral("Start without the start-up picture."));
  const QCommandLineOption settings(
      QStringLiteral("settings"),
      QStringLiteral("Use FILE as the application settings file instead of the usual one."),
      QStringLiteral("FILE"));
  const QCommandLineOption osc_port(
      QStringLiteral("osc-port"),
      QStringLiteral("Listen for OSC on UDP port N for this run, whatever the settings say."),
      QStringLiteral("N"));
  const QCommandLineOption browser_port(
      QStringLiteral("browser-port"),
      QStringLiteral("Serve the browser surface on TCP port N for this run, whatever the settings "
                     "say."),
      QStringLiteral("N"));
  const QCommandLineOption portable(
      QStringLiteral("portable"),
      QStringLiteral("Keep the settings in Brellin.ini beside the program (made there when "
                     "missing), as a Brellin.ini already there does."));
  parser.addOptions(
      {help_option, version_option, no_splash, settings, portable, osc_port, browser_port});
  // -style and --style alike, as Qt takes them.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  AddQtOptions(parser);
  const FileAndMidiOptions file_and_midi;
  file_and_midi.AddTo(parser);

  CommandLine out;
  const QString program = QStringLiteral("quorvane");
  if (!parser.parse(arguments)) {
    out.exit_code = 2;
    out.error = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                    .arg(program, parser.errorText());
    return out;
  }
  if (parser.isSet(help_option)) {
    out.exit_code = 0;
    // Without an application object yet, the parser does not know the program's name.
    out.output = parser.helpText().replace(QStringLiteral("<executable_name>"), program);
    out.output.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                       QStringLiteral("Usage: ") + program);
    out.output += QLatin1String(kHelpEnd);
    return out;
  }
  if (parser.isSet(version_option)) {
    out.exit_code = 0;
    out.output = QStringLiteral("Quorvane %1\n").arg(version) + QLatin1String(kVersionEnd);
    return out;
  }
  if (const QString wrong = file_and_midi.Read(parser, out); !wrong.isEmpty()) {
    out.exit_code = 2;
    out.error =
        QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, wrong);
    return out;
  }
  out.show_splash = !parser.isSet(no_splash);
  out.portable = parser.isSet(portable);
  if (parser.isSet(settings)) {
    const QString file = parser.value(settings);
    if (file.isEmpty() || QFileInfo(file).isDir()) {
      out.exit_code = 2;
      out.error = QStringLiteral("%1: --settings needs a file, not '%2'\n").arg(program, file);
      return out;
    }
    out.settings_path = QFileInfo(file).absoluteFilePath();
  }
  // A port option's number, or false with the run's error set.
  const auto port_of = [&](const QCommandLineOption& option, const char* kind, int& port) {
    if (!parser.isSet(option)) return true;
    bool number = false;
    port = parser.value(option).toInt(&number);
    if (number && port >= 1 && port <= 65535) return true;
    out.exit_code = 2;
    out.error = QStringLiteral("%1: --%2 needs a %3 port 1..65535, not '%4'\n")
                    .arg(program, option.names().constFirst(), QLatin1StringView(kind),
                         parser.value(option));
    return false;
  };
  if (port_of(osc_port, "UDP", out.osc_port)) port_of(browser_port, "TCP", out.browser_port);
  return out;
}

}  // namespace quorvane
