#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane {

// What the command line asks of a run.
struct CommandLine {
  bool show_splash = true;
  QString settings_path;  // empty: the usual place
  int osc_port = 0;       // OSC on this UDP port for the run; 0: as the settings say

  // Set when the run ends at once: --help, --version or a mistake. `output` goes to standard
  // output, `error` to standard error.
  std::optional<int> exit_code;
  QString output;
  QString error;
};

// `arguments` include the program's name first, as QCoreApplication::arguments() gives them.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& version);

}  // namespace quorvane
