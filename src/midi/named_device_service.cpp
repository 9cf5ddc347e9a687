#include "midi/named_device_service.h"

namespace quorvane {

std::uint32_t NamedDeviceService::OutputDeviceCount() {
  output_names_ = ListDevices(true);
  return static_cast<std::uint32_t>(output_names_.size());
}

std::uint32_t NamedDeviceService::InputDeviceCount() {
  input_names_ = ListDevices(false);
  return static_cast<std::uint32_t>(input_names_.size());
}

MidiResult NamedDeviceService::OutputDeviceCaps(int id, MidiOutputCaps& caps) {
  return OutputCapsFromNames(output_names_, id, caps);
}

MidiResult NamedDeviceService::InputDeviceCaps(unsigned id, MidiInputCaps& caps) {
  return InputCapsFromNames(input_names_, id, caps);
}

MidiResult NamedDeviceService::OutputDeviceName(int id, std::string& device) {
  if (id == kMidiMapperId) {
    if (output_names_.empty()) OutputDeviceCount();
    if (output_names_.empty()) return kMidiNoMap;
    device = output_names_.front();
    return kMidiNoError;
  }
  if (id < 0 || static_cast<std::size_t>(id) >= output_names_.size()) return kMidiBadDeviceId;
  device = output_names_[static_cast<std::size_t>(id)];
  return kMidiNoError;
}

MidiResult NamedDeviceService::InputDeviceName(unsigned id, std::string& device) const {
  if (id >= input_names_.size()) return kMidiBadDeviceId;
  device = input_names_[id];
  return kMidiNoError;
}

MidiResult NamedDeviceService::ServiceErrorText(MidiResult code, const std::string& system,
                                                std::uint32_t max_long,
                                                const std::string& driver_error,
                                                std::string& text) {
  switch (code) {
    case kMidiSystemGone:
      text = kJackStoppedText;
      return kMidiNoError;
    case kMidiMessageTooLong:
      text = "The system-exclusive message is longer than " + system + " MIDI can carry (at most " +
             std::to_string(max_long) + " bytes).";
      return kMidiNoError;
    case kMidiDriverError:
      text = driver_error.empty() ? "The MIDI system reported an error." : driver_error;
      return kMidiNoError;
    default:
      return StandardMidiErrorText(code, text);
  }
}

}  // namespace quorvane
