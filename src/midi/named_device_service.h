#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midi/midi_service.h"

namespace quorvane {

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

 private:
  std::vector<std::string> output_names_;
  std::vector<std::string> input_names_;
};

}  // namespace quorvane
