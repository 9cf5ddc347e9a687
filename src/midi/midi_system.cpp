#include "midi/midi_system.h"

#include "midi/jack_service.h"
#include "midi/rtmidi_service.h"

namespace quorvane {

namespace {

// JACK is spoken to directly; RtMidi serves the ALSA sequencer.
std::unique_ptr<MidiService> MakeService(bool jack, const MidiClientNames& names,
                                         std::unique_ptr<JackService>& jack_ahead) {
  if (jack && jack_ahead) {
    jack_ahead->Settle();
    return std::move(jack_ahead);
  }
  if (jack) return std::make_unique<JackService>(names.client, names.jack_server);
  return std::make_unique<RtMidiService>(names.client);
}

}  // namespace

bool WillTryJack(const std::string& wanted) {
  return wanted == "JACK" || !AlsaSequencerOpens();
}

std::unique_ptr<MidiService> CreateMidiService(const std::string& wanted, std::string* chosen,
                                               const MidiClientNames& names,
                                               std::unique_ptr<JackService> jack_ahead) {
  const bool jack_first = wanted == "JACK";
  for (const bool jack : {jack_first, !jack_first}) {
    auto service = MakeService(jack, names, jack_ahead);
    if (service->Available()) {
      if (chosen) *chosen = jack ? "JACK" : "ALSA";
      return service;
    }
  }
  if (chosen) chosen->clear();
  return std::make_unique<NoMidiService>(kNoMidiSystemText);
}

}  // namespace quorvane
