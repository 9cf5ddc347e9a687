#include "midi/midi_service.h"

namespace quorvane {

MidiResult StandardMidiErrorText(MidiResult code, std::string& text) {
  const char* found = nullptr;
  switch (code) {
    case kMidiNoError:
      found = "The specified command was carried out.";
      break;
    case kMidiError:
      found = "Undefined external error.";
      break;
    case kMidiBadDeviceId:
      found = "A device ID has been used that is out of range for your system.";
      break;
    case kMidiNotEnabled:
      found = "The driver was not enabled.";
      break;
    case kMidiAllocated:
      found = "The specified device is already in use. Wait until it is free, and then try again.";
      break;
    case kMidiInvalidHandle:
      found = "The specified device handle is invalid.";
      break;
    case kMidiNoDriver:
      found = "There is no driver installed on your system.";
      break;
    case kMidiNoMemory:
      found = "There is not enough memory available for this task.";
      break;
    case kMidiNotSupported:
      found = "This function is not supported.";
      break;
    case kMidiBadErrorNumber:
      found = "An error number was specified that is not defined in the system.";
      break;
    case kMidiInvalidFlag:
      found = "An invalid flag was passed to a system function.";
      break;
    case kMidiInvalidParam:
      found = "An invalid parameter was passed to a system function.";
      break;
    case kMidiUnprepared:
      found = "The header is not prepared. Prepare it before using it.";
      break;
    case kMidiStillPlaying:
      found = "Buffers are still queued on the device. Reset it or wait until they are done.";
      break;
    case kMidiNoMap:
      found = "There is no MIDI map.";
      break;
    case kMidiNotReady:
      found = "The MIDI port is busy. Wait until it is free, and then try again.";
      break;
    case kMidiNoDevice:
      found = "The MIDI device is no longer available.";
      break;
    case kMidiInvalidSetup:
      found = "The MIDI setup is not valid.";
      break;
    case kMidiBadOpenMode:
      found = "The device cannot be opened in this mode.";
      break;
    case kMidiDontContinue:
      found = "The MIDI thru connection refused the message.";
      break;
    default:
      break;
  }
  if (found == nullptr) return kMidiBadErrorNumber;
  text = found;
  return kMidiNoError;
}

MidiResult OutputCapsFromNames(const std::vector<std::string>& names, int id,
                               MidiOutputCaps& caps) {
  caps = MidiOutputCaps{};
  if (id == kMidiMapperId) {
    caps.name = "MIDI Mapper";
    return kMidiNoError;
  }
  if (id < 0 || static_cast<std::size_t>(id) >= names.size()) return kMidiBadDeviceId;
  caps.name = names[static_cast<std::size_t>(id)];
  caps.channel_mask = 0xFFFF;
  return kMidiNoError;
}

MidiResult InputCapsFromNames(const std::vector<std::string>& names, unsigned id,
                              MidiInputCaps& caps) {
  if (id >= names.size()) return kMidiBadDeviceId;
  caps = MidiInputCaps{};
  caps.name = names[id];
  return kMidiNoError;
}

MidiResult PrepareHeader(MidiBufferHeader& header) {
  if (!header.data && header.buffer_length > 0) return kMidiInvalidParam;
  header.flags |= kMidiHeaderPrepared;
  return kMidiNoError;
}

MidiResult UnprepareHeader(MidiBufferHeader& header) {
  if (header.flags & kMidiHeaderInQueue) return kMidiStillPlaying;
  header.flags &= ~std::uint32_t{kMidiHeaderPrepared};
  return kMidiNoError;
}

MidiResult HeaderReady(const MidiBufferHeader& header) {
  if (!(header.flags & kMidiHeaderPrepared)) return kMidiUnprepared;
  if (header.flags & kMidiHeaderInQueue) return kMidiStillPlaying;
  return kMidiNoError;
}

}  // namespace quorvane
