#pragma once

#include <memory>
#include <string>

#include "midi/jack_service.h"
#include "midi/midi_ports.h"

namespace quorvane::testing {

// The ports' services for a test against a private JACK server: the native client while a
// server runs, and nothing else, so that an ALSA sequencer on the machine cannot stand in.
inline MidiPorts::ServiceFactory JackOnlyServices() {
  return [](const std::string& wanted, std::string* chosen) {
    std::unique_ptr<MidiService> made;
    if (wanted != "JACK") return made;
    auto service = std::make_unique<JackService>();
    if (!service->Available()) return made;
    *chosen = "JACK";
    made = std::move(service);
    return made;
  };
}

}  // namespace quorvane::testing
