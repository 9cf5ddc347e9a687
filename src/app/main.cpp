#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

#include "app/command_line.h"
#include "app/quorvane_application.h"
#include "app/session.h"
#include "files/app_settings.h"
#include "midi/jack_service.h"
#include "midi/midi_system.h"
#include "shell/about_info.h"
#include "shell/ui/shell_art.h"

namespace {

int Report(const quorvane::CommandLine& cl) {
  std::fputs(qPrintable(cl.output), stdout);
  std::fputs(qPrintable(cl.error), stderr);
  return *cl.exit_code;
}

// Where QCoreApplication::applicationDirPath() will say, before there is one.
QString ExecutableFolder(const char* argv0) {
  const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
  return exe.isEmpty() ? QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath() : exe;
}

}  // namespace

int main(int argc, char** argv) {
  const QString version = quorvane::AboutInfo::OfThisBuild().version;
  // The whole command line before the application object: help, version and mistakes need no
  // display, and a mistake is told rather than lost in a platform plugin's abort.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const quorvane::CommandLine cl = quorvane::ParseCommandLine(arguments, version);
  if (cl.exit_code) return Report(cl);

  // A run on JACK connects its client while Qt starts, which takes as long: the command line or
  // the settings file say whether it is one, so the file's place is found before Qt starts too.
  const QString settings_path =
      cl.settings_path.isEmpty() ? quorvane::AppSettingsPath(ExecutableFolder(argv[0]), cl.portable)
                                 : cl.settings_path;
  const QString api = cl.midi.api.isEmpty() ? quorvane::StoredMidiApi(settings_path) : cl.midi.api;
  std::unique_ptr<quorvane::JackService> jack;
  if (quorvane::WillTryJack(api.toStdString())) {
    jack =
        quorvane::JackService::ConnectingAhead(cl.midi_client.client, cl.midi_client.jack_server);
  }

  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::QuorvaneApplication::setApplicationVersion(version);
  quorvane::QuorvaneApplication::setWindowIcon(quorvane::ProgramIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvane.Quorvane"));

  quorvane::Session::Options options;
  options.settings_path = settings_path;
  options.portable = cl.portable;
  options.osc_port = cl.osc_port;
  options.browser_port = cl.browser_port;
  options.files = cl.files;
  options.midi_run = cl.midi;
  options.midi_client = cl.midi_client;
  // No picture where nobody can see it.
  options.show_splash =
      cl.show_splash && QGuiApplication::platformName() != QLatin1String("offscreen");
  quorvane::Session session(options);
  session.SetJackAhead(std::move(jack));
  session.Start();
  // A signal during start-up ended the run before the event loop was there to stop.
  if (session.IsShutDown()) return 0;
  return quorvane::QuorvaneApplication::exec();
}
