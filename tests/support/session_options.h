#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "midi/midi_system.h"
#include "support/in_process_midi_service.h"

namespace quorvane::testing {

// A session for window tests: its settings file at `settings_path`, an in-process MIDI
// service with one input and one output, port errors dropped, no quitting, no splash, Qt's
// own dialogs. For targets that link the whole program.
inline Session::Options SessionOptions(const QString& settings_path) {
  Session::Options o;
  o.quit = [] {};
  o.settings_path = settings_path;
  o.native_dialogs = false;
  o.midi_service_factory = [](const std::string&, std::string* chosen) {
    *chosen = "ALSA";
    return std::make_unique<InProcessMidiService>(std::vector<std::string>{"Keys In"},
                                                  std::vector<std::string>{"Synth Out"});
  };
  o.present_port_error = [](const QString&) {};
  return o;
}

// The same on the real MIDI system the settings file names (a test's own JACK server).
inline Session::Options RealMidiSessionOptions(const QString& settings_path) {
  Session::Options o = SessionOptions(settings_path);
  o.midi_service_factory = nullptr;  // the program's own
  return o;
}

}  // namespace quorvane::testing
