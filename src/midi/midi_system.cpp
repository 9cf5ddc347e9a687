#include "midi/midi_system.h"

#include "midi/rtmidi_service.h"

namespace quorvane {

std::unique_ptr<MidiService> CreateMidiService(const std::string& wanted, std::string* chosen) {
  using Api = RtMidiService::Api;
  const Api order[2] = {wanted == "JACK" ? Api::Jack : Api::Alsa,
                        wanted == "JACK" ? Api::Alsa : Api::Jack};
  for (const Api api : order) {
    auto service = std::make_unique<RtMidiService>(api);
    if (service->Available()) {
      if (chosen) *chosen = RtMidiService::ApiName(api);
      return service;
    }
  }
  if (chosen) chosen->clear();
  return std::make_unique<NoMidiService>(kNoMidiSystemText);
}

}  // namespace quorvane
