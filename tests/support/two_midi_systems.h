#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi/midi_ports.h"
#include "support/in_process_midi_service.h"

namespace quorvane::testing {

// ALSA and JACK as the ports' factory sees them, in memory. Either can be made unavailable;
// the service made last is kept for the test to look into.
struct TwoMidiSystems {
  MidiPorts::ServiceFactory Factory() {
    return [this](const std::string& wanted, std::string* chosen) {
      ++factory_calls;
      std::unique_ptr<InProcessMidiService> made;
      if (wanted == "JACK" && jack_available) {
        made = std::make_unique<InProcessMidiService>(jack_inputs, jack_outputs);
        if (jack_device_vanishes) {
          made->FailCall(InProcessMidiService::Call::InputDeviceCaps, kMidiBadDeviceId);
        }
        jack_device_vanishes = false;
        *chosen = "JACK";
      } else if (alsa_available) {
        made = std::make_unique<InProcessMidiService>(alsa_inputs, alsa_outputs);
        *chosen = "ALSA";
      }
      if (made) service = made.get();
      return made;
    };
  }

  std::vector<std::string> alsa_inputs{"Keys In", "Pads In", "Synth In"};
  std::vector<std::string> alsa_outputs{"Synth Out", "Drum Out"};
  std::vector<std::string> jack_inputs{"system:capture_1", "Synth In"};
  std::vector<std::string> jack_outputs{"system:playback_1", "Synth Out"};
  bool jack_available = true;
  bool alsa_available = true;
  bool jack_device_vanishes = false;  // the next JACK service fails its first device look-up
  int factory_calls = 0;
  InProcessMidiService* service = nullptr;
};

}  // namespace quorvane::testing
