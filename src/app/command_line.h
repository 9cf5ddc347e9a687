#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "bridge/settings_binding.h"
#include "midi/midi_system.h"

namespace quorvane {

// What the command line asks of a run.
struct CommandLine {
  bool show_splash = true;
  QString settings_path;  // empty: the usual place
  bool portable = false;  // settings beside the executable
  int osc_port = 0;       // OSC on this UDP port for the run; 0: as the settings say
  int browser_port = 0;  // the browser surface on this TCP port for the run; 0: as the settings say

  // Files and MIDI for this run; none of it goes into the settings file.
  QStringList files;  // absolute paths, in the order given
  MidiRunChoices midi;
  MidiClientNames midi_client;

  // Set when the run ends at once: --help, --version or a mistake. `output` goes to standard
  // output, `error` to standard error.
  std::optional<int> exit_code;
  QString output;
  QString error;
};

// `arguments` are the whole command line, the program's name first and Qt's own options
// included: it is read before the application object takes those.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& version);

}  // namespace quorvane
