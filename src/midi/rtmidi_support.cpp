// Small helpers of the RtMidi service: clocks, names, message lengths, JACK connections.

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

void Quiet(const char*) {}

RtMidi::Api ToRtMidi(RtMidiService::Api api) {
  return api == RtMidiService::Api::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

// Our own ports show up in every list (each RtMidi object is its own client,
// renamed "Quorvane-01" and so on by JACK); they are never offered as devices.
bool IsOwnPort(const std::string& name) {
  const std::string prefix = kClientName;
  if (name.rfind(prefix, 0) != 0) return false;
  std::size_t i = prefix.size();
  if (i < name.size() && name[i] == ':') return true;
  if (i >= name.size() || name[i] != '-') return false;
  ++i;
  const std::size_t digits = i;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
  return i > digits && i < name.size() && name[i] == ':';
}

// Finds a device by name in a fresh RtMidi object's own list: indexes shift
// when devices come and go, and RtMidi opens a wrong index without a word.
int IndexOf(RtMidi& midi, const std::string& name) {
  const unsigned count = midi.getPortCount();
  for (unsigned i = 0; i < count; ++i)
    if (midi.getPortName(i) == name) return static_cast<int>(i);
  return -1;
}

// On JACK, whether our port really got connected to the device.
bool JackConnectedNow(jack_client_t* client, const std::string& device, const std::string& port) {
  jack_port_t* p = jack_port_by_name(client, device.c_str());
  if (!p) return false;
  const char** connections = jack_port_get_all_connections(client, p);
  if (!connections) return false;
  bool found = false;
  for (const char** c = connections; *c && !found; ++c) {
    const std::string other = *c;
    found = IsOwnPort(other) && other.size() > port.size() &&
            other.compare(other.size() - port.size(), port.size(), port) == 0 &&
            other[other.size() - port.size() - 1] == ':';
  }
  jack_free(connections);
  return found;
}

// A new connection shows once the server has switched graphs, a cycle or so later (longer on
// a loaded machine).
bool JackConnected(jack_client_t* client, const std::string& device, const std::string& port) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!JackConnectedNow(client, device, port)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace quorvane::rtmidi_detail
