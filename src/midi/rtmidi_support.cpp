// Small helpers of the RtMidi service: clocks and names.

#include "midi/rtmidi_service_detail.h"

namespace quorvane::rtmidi_detail {

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t NowMs() {
  return NowNs() / 1000000;
}

// RtMidi lists a sequencer port as "client:port client-number:port-number"; ours are on
// clients named as we name them, and are never offered as devices.
bool IsOwnPort(const std::string& name, const std::string& client_name) {
  const std::string prefix = client_name + ":";
  return name.rfind(prefix, 0) == 0;
}

// Finds a device by name in a fresh RtMidi object's own list: indexes shift
// when devices come and go, and RtMidi opens a wrong index without a word.
int IndexOf(RtMidi& midi, const std::string& name) {
  const unsigned count = midi.getPortCount();
  for (unsigned i = 0; i < count; ++i)
    if (midi.getPortName(i) == name) return static_cast<int>(i);
  return -1;
}

}  // namespace quorvane::rtmidi_detail
