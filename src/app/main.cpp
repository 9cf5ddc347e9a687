#include <QGuiApplication>
#include <cstdio>

#include "app/command_line.h"
#include "app/quorvane_application.h"
#include "app/session.h"
#include "shell/about_info.h"
#include "shell/ui/shell_art.h"

namespace {

// Help and version need no display: they are answered before the GUI starts.
bool AsksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    if (a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("-v") ||
        a == QLatin1String("--version")) {
      return true;
    }
  }
  return false;
}

int Report(const quorvane::CommandLine& cl) {
  std::fputs(qPrintable(cl.output), stdout);
  std::fputs(qPrintable(cl.error), stderr);
  return *cl.exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  const QString version = quorvane::AboutInfo::OfThisBuild().version;
  if (AsksOnlyForText(argc, argv)) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const quorvane::CommandLine cl = quorvane::ParseCommandLine(arguments, version);
    if (cl.exit_code) return Report(cl);
  }
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::QuorvaneApplication::setApplicationVersion(version);
  const quorvane::CommandLine cl =
      quorvane::ParseCommandLine(quorvane::QuorvaneApplication::arguments(), version);
  if (cl.exit_code) return Report(cl);
  quorvane::QuorvaneApplication::setWindowIcon(quorvane::ProgramIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvane.Quorvane"));

  quorvane::Session::Options options;
  options.settings_path = cl.settings_path;
  options.osc_port = cl.osc_port;
  // No picture where nobody can see it.
  options.show_splash =
      cl.show_splash && QGuiApplication::platformName() != QLatin1String("offscreen");
  quorvane::Session session(options);
  session.Start();
  return quorvane::QuorvaneApplication::exec();
}
