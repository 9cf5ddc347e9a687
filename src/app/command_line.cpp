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
Qt's own options work as well, among them -style NAME (Fusion, Windows) and -platform NAME
(xcb, wayland, offscreen).

Environment:
  JACK_DEFAULT_SERVER  The JACK server used when the MIDI system is JACK (default: "default").
  QT_QPA_PLATFORM      The Qt platform, as -platform gives it: xcb, wayland, offscreen.
  XDG_CONFIG_HOME      The settings live in $XDG_CONFIG_HOME/Quorvane/Brellin.ini
                       (default ~/.config/Quorvane/Brellin.ini) unless the program is portable.
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
  const QCommandLineOption portable(
      QStringLiteral("portable"),
      QStringLiteral("Keep the settings in Brellin.ini beside the program (made there when "
                     "missing), as a Brellin.ini already there does."));
  parser.addOptions({help_option, version_option, no_splash, settings, portable, osc_port});
  // -style and --style alike, as Qt takes them.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  AddQtOptions(parser);

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
    out.output = QStringLiteral("Quorvane %1\n").arg(version);
    return out;
  }
  if (!parser.positionalArguments().isEmpty()) {
    out.exit_code = 2;
    out.error = QStringLiteral(
                    "%1: unexpected argument '%2'\nTry '%1 --help' for more "
                    "information.\n")
                    .arg(program, parser.positionalArguments().constFirst());
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
  if (parser.isSet(osc_port)) {
    bool number = false;
    out.osc_port = parser.value(osc_port).toInt(&number);
    if (!number || out.osc_port < 1 || out.osc_port > 65535) {
      out.exit_code = 2;
      out.error = QStringLiteral("%1: --osc-port needs a UDP port 1..65535, not '%2'\n")
                      .arg(program, parser.value(osc_port));
      return out;
    }
  }
  return out;
}

}  // namespace quorvane
