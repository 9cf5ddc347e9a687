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

}  // namespace quorvane
