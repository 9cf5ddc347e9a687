#pragma once

#include <memory>

#include "bridge/settings_binding.h"
#include "bridge/surface_midi_link.h"
#include "files/app_settings.h"
#include "midi/midi_ports.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane::testing {

// The program's ports joined to a model, as the session has them; reads like the ports.
struct LinkedPorts {
  LinkedPorts(SurfaceModel& m, MidiPorts::ServiceFactory factory)
      : model(&m),
        ports(std::make_unique<MidiPorts>(std::move(factory))),
        link(std::make_unique<SurfaceMidiLink>(m, *ports)) {}

  // The MIDI values of the settings file taken and the ports started, as at start-up.
  void Start(const AppSettings& settings) {
    testing::SetSetting(*model, &SurfaceSettings::midi_delay, settings.midi_delay);
    link->SetRemoteChannel(settings.remote_channel);
    link->Guard([&] { ports->Start(MidiPortsConfigOf(settings)); });
  }
  // What the exit write would store.
  void Store(AppSettings& settings) const { CollectAppSettings(*model, *link, settings); }

  MidiPorts* operator->() const { return ports.get(); }
  MidiPorts& operator*() const { return *ports; }
  MidiPorts* get() const { return ports.get(); }

  SurfaceModel* model;
  std::unique_ptr<MidiPorts> ports;
  std::unique_ptr<SurfaceMidiLink> link;  // goes before the ports
};

}  // namespace quorvane::testing
