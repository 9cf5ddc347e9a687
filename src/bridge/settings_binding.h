#pragma once

#include "files/app_settings.h"
#include "midi/midi_ports.h"

namespace quorvane {

class SurfaceMidiLink;
class SurfaceModel;

// Between the application settings file and the running program: which values the surface,
// the MIDI ports and the remote input take from it, and which go back at exit.
MidiPortsConfig MidiPortsConfigOf(const AppSettings& settings);
void ApplyAppSettings(const AppSettings& settings, SurfaceModel& model, SurfaceMidiLink& link);
void CollectAppSettings(const SurfaceModel& model, const SurfaceMidiLink& link,
                        AppSettings& settings);

// What the command line chooses for one run; an empty field keeps the stored choice.
struct MidiRunChoices {
  QString api;  // "ALSA" or "JACK"
  QString output;
  QString input;
  QString remote_input;  // device names as the MIDI Devices dialog lists them
};
// The stored configuration with the run's choices in place of the stored ones.
MidiPortsConfig WithRunChoices(MidiPortsConfig config, const MidiRunChoices& run);
// A run's choice (`run`, differing from `stored`) that the ports still use is not the user's
// to keep: the stored value goes back into `settings`. One changed in the dialog stays.
void KeepStoredMidiChoices(const MidiPortsConfig& stored, const MidiPortsConfig& run,
                           AppSettings& settings);

}  // namespace quorvane
