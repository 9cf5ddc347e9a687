#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midi/midi_service.h"

namespace quorvane {

// Result codes of these services beyond the shared ones; OutputErrorText and InputErrorText
// describe them.
inline constexpr MidiResult kMidiSystemGone = 0x100;      // the JACK server stopped
inline constexpr MidiResult kMidiMessageTooLong = 0x101;  // more than one message can carry
inline constexpr MidiResult kMidiDriverError = 0x102;     // the driver's error; its text is kept

// What a service on JACK says, and its ports show, once the server has gone away.
inline constexpr const char* kJackStoppedText =
    "The JACK server has stopped: MIDI input and output are off until it runs again.";

// A service that knows its devices by name only: ids number the lists as last counted, and the
// mapper is the first output.
class NamedDeviceService : public MidiService {
 public:
  std::uint32_t OutputDeviceCount() final;
  std::uint32_t InputDeviceCount() final;
  MidiResult OutputDeviceCaps(int id, MidiOutputCaps& caps) final;
  MidiResult InputDeviceCaps(unsigned id, MidiInputCaps& caps) final;

 protected:
  // The names of the system's output or input devices as they are now.
  virtual std::vector<std::string> ListDevices(bool outputs) = 0;
  // The output device an id names (kMidiMapperId: the first, counted afresh if need be).
  MidiResult OutputDeviceName(int id, std::string& device);
  MidiResult InputDeviceName(unsigned id, std::string& device) const;
  // The texts of the codes a service gives a meaning of its own: the JACK server gone, a
  // sysex longer than `max_long` bytes of `system` MIDI, a driver error in the driver's words
  // (when it gave any); the standard text for the rest.
  static MidiResult ServiceErrorText(MidiResult code, const std::string& system,
                                     std::uint32_t max_long, const std::string& driver_error,
                                     std::string& text);

 private:
  std::vector<std::string> output_names_;
  std::vector<std::string> input_names_;
};

}  // namespace quorvane
