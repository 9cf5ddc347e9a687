#pragma once

// Chooses the MIDI system the program talks to.

#include <memory>
#include <string>

#include "midi/jack_service.h"
#include "midi/midi_service.h"

namespace quorvane {

// The service when no MIDI system can be used: empty lists, every open fails,
// and UnavailableReason() is the line to show the user.
class NoMidiService : public MidiService {
 public:
  explicit NoMidiService(std::string reason) : reason_(std::move(reason)) {}

  bool Available() const override { return false; }
  std::string UnavailableReason() const override { return reason_; }

  std::uint32_t OutputDeviceCount() override { return 0; }
  MidiResult OutputDeviceCaps(int, MidiOutputCaps&) override { return kMidiBadDeviceId; }
  MidiResult OutputOpen(MidiHandle&, int, MidiDriverCallback, void*) override {
    return kMidiNoDriver;
  }
  MidiResult OutputClose(MidiHandle) override { return kMidiInvalidHandle; }
  MidiResult OutputShortMessage(MidiHandle, std::uint32_t) override { return kMidiInvalidHandle; }
  MidiResult OutputPrepareHeader(MidiHandle, MidiBufferHeader&) override {
    return kMidiInvalidHandle;
  }
  MidiResult OutputLongMessage(MidiHandle, MidiBufferHeader&) override {
    return kMidiInvalidHandle;
  }
  MidiResult OutputUnprepareHeader(MidiHandle, MidiBufferHeader&) override {
    return kMidiInvalidHandle;
  }
  MidiResult OutputDrain(MidiHandle) override { return kMidiInvalidHandle; }
  MidiResult OutputErrorText(MidiResult code, std::string& text) override {
    return StandardMidiErrorText(code, text);
  }

  std::uint32_t InputDeviceCount() override { return 0; }
  MidiResult InputDeviceCaps(unsigned, MidiInputCaps&) override { return kMidiBadDeviceId; }
  MidiResult InputOpen(MidiHandle&, unsigned, MidiDriverCallback, void*) override {
    return kMidiNoDriver;
  }
  MidiResult InputClose(MidiHandle) override { return kMidiInvalidHandle; }
  MidiResult InputStart(MidiHandle) override { return kMidiInvalidHandle; }
  MidiResult InputReset(MidiHandle) override { return kMidiInvalidHandle; }
  MidiResult InputPrepareHeader(MidiHandle, MidiBufferHeader&) override {
    return kMidiInvalidHandle;
  }
  MidiResult InputAddBuffer(MidiHandle, MidiBufferHeader&) override { return kMidiInvalidHandle; }
  MidiResult InputUnprepareHeader(MidiHandle, MidiBufferHeader&) override {
    return kMidiInvalidHandle;
  }
  MidiResult InputErrorText(MidiResult code, std::string& text) override {
    return StandardMidiErrorText(code, text);
  }

 private:
  std::string reason_;
};

// The line a NoMidiService carries.
inline constexpr const char* kNoMidiSystemText =
    "No MIDI system is available: the ALSA sequencer cannot be opened and no JACK server is "
    "running.";

// What the ports say, and the status bar shows, while JACK is asked for and not running.
inline constexpr const char* kJackNotRunningText =
    "The JACK server is not running: MIDI is off until it starts.";

// Opens the MIDI system named by the "MIDI API" setting ("ALSA" or "JACK"; anything else
// counts as "ALSA"), falling back to the other one when it cannot be used, and to a
// NoMidiService when neither can. The name of the system chosen ("ALSA", "JACK" or "")
// goes to *chosen when given.
// `names` name the program's client, and the JACK server to use.
struct MidiClientNames {
  std::string client = "Quorvane";  // the JACK or ALSA client
  std::string jack_server;          // empty: JACK_DEFAULT_SERVER's, else "default"
};
// Whether a run that wants `wanted` ("ALSA" or "JACK") speaks to JACK: it wants JACK, or there
// is no ALSA sequencer and JACK is where it turns. Worth connecting to JACK ahead then.
bool WillTryJack(const std::string& wanted);
// `jack_ahead`, a JACK service connecting ahead under `names`, is the one tried for JACK.
std::unique_ptr<MidiService> CreateMidiService(const std::string& wanted,
                                               std::string* chosen = nullptr,
                                               const MidiClientNames& names = {},
                                               std::unique_ptr<JackService> jack_ahead = nullptr);

}  // namespace quorvane
