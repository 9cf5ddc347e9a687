#include "midi/rtmidi_service_detail.h"

// The input half of the RtMidi service.

namespace quorvane {

using namespace rtmidi_detail;  // the service's own helpers

MidiResult RtMidiService::InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                                    void* instance) {
  if (!Connected()) return generation_ > 0 ? kMidiSystemGone : MidiResult{kMidiNoDriver};
  std::string device;
  if (const MidiResult named = InputDeviceName(id, device); named != kMidiNoError) return named;
  auto in = std::make_unique<Input>();
  in->callback = callback;
  in->instance = instance;
  in->handle = reinterpret_cast<MidiHandle>(in.get());
  ClearDriverError();
  bool open = false;
  if (api_ == Api::Jack) {
    const MidiResult result = OpenJackInput(*in, device);
    if (result != kMidiNoError) return result;
    open = JackConnected(watch_->client, device, in->port_name);
  } else {
    try {
      in->midi = std::make_unique<RtMidiIn>(ToRtMidi(api_), kClientName);
    } catch (const RtMidiError& e) {
      driver_error_ = e.what();
      return kMidiDriverError;
    }
    Sink(*in->midi);
    // Timing and active sensing come through too; the driver callback drops them.
    in->midi->ignoreTypes(false, false, false);
    in->midi->setCallback(&Input::Receive, in.get());
    const int index = IndexOf(*in->midi, device);
    if (index < 0) return kMidiNoDevice;
    in->port_name = port_names_.Take(false);
    in->midi->openPort(static_cast<unsigned>(index), in->port_name);
    open = in->midi->isPortOpen() && !driver_error_raised_;
  }
  if (!open) {
    port_names_.GiveBack(in->port_name);
    return driver_error_raised_ ? kMidiDriverError : MidiResult{kMidiNoDevice};
  }
  in->generation = generation_;
  handle = in->handle;
  inputs_[handle] = std::move(in);
  return kMidiNoError;
}

// A client of our own named as RtMidi names its clients, one port, connected from the device
// as RtMidi connects it.
MidiResult RtMidiService::OpenJackInput(Input& in, const std::string& device) {
  auto jack = std::make_unique<JackInput>();
  jack->client = jack_client_open(kClientName, JackNoStartServer, nullptr);
  if (!jack->client) {
    driver_error_ = "The JACK client for MIDI input could not be opened.";
    return kMidiDriverError;
  }
  if (!jack_port_by_name(jack->client, device.c_str())) return kMidiNoDevice;
  in.port_name = port_names_.Take(false);
  const auto give_back = [&] { port_names_.GiveBack(in.port_name); };
  jack->port = jack_port_register(jack->client, in.port_name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                  JackPortIsInput, 0);
  if (!jack->port) {
    give_back();
    driver_error_ = "The JACK MIDI input port " + in.port_name + " could not be made.";
    return kMidiDriverError;
  }
  in.jack_port = jack->port;
  in.jack = std::move(jack);
  jack_set_process_callback(in.jack->client, &Input::Process, &in);
  if (jack_activate(in.jack->client) != 0) {
    in.jack.reset();
    give_back();
    driver_error_ = "The JACK client for MIDI input could not be started.";
    return kMidiDriverError;
  }
  if (jack_connect(in.jack->client, device.c_str(), jack_port_name(in.jack->port)) != 0) {
    in.jack.reset();
    give_back();
    return kMidiNoDevice;
  }
  return kMidiNoError;
}

MidiResult RtMidiService::InputStart(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (Dead(in->generation)) return kMidiSystemGone;
  in->start_ns.store(NowNs());
  // Whatever was under way before a stop is not continued.
  if (!in->running.load()) in->parser.Reset();
  in->running.store(true);
  return kMidiNoError;
}

MidiResult RtMidiService::InputReset(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  in->running.store(false);
  // A callback already past the check finishes first; none starts after.
  while (in->inflight.load() > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  in->HandBack();
  return kMidiNoError;
}

MidiResult RtMidiService::InputClose(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (in->head.load() != in->tail.load() || in->filler.Filling()) return kMidiStillPlaying;
  in->running.store(false);
  while (in->inflight.load() > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  auto owned = std::move(inputs_[handle]);
  inputs_.erase(handle);
  port_names_.GiveBack(owned->port_name);
  owned->midi.reset();  // no callbacks after this
  owned->jack.reset();
  return kMidiNoError;
}

MidiResult RtMidiService::InputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindInput(handle)) return kMidiInvalidHandle;
  return PrepareHeader(header);
}

MidiResult RtMidiService::InputAddBuffer(MidiHandle handle, MidiBufferHeader& header) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (const MidiResult ready = HeaderReady(header); ready != kMidiNoError) return ready;
  header.bytes_recorded = 0;
  HoldHeader(header);
  if (!in->Push(&header)) {
    UnholdHeader(header);
    return kMidiNoMemory;
  }
  return kMidiNoError;
}

MidiResult RtMidiService::InputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindInput(handle)) return kMidiInvalidHandle;
  return UnprepareHeader(header);
}

std::uint64_t RtMidiService::InputSysexLost(MidiHandle handle) const {
  const Input* in = FindInput(handle);
  return in ? in->filler.Lost() : 0;
}

MidiResult RtMidiService::InputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace quorvane
