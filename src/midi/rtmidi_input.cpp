#include "midi/rtmidi_service_detail.h"

// The input half of the RtMidi service.

namespace quorvane {

using namespace rtmidi_detail;  // the service's own helpers

MidiResult RtMidiService::InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                                    void* instance) {
  if (!Connected()) return kMidiNoDriver;
  std::string device;
  if (const MidiResult named = InputDeviceName(id, device); named != kMidiNoError) return named;
  auto in = std::make_unique<Input>();
  in->callback = callback;
  in->instance = instance;
  in->handle = reinterpret_cast<MidiHandle>(in.get());
  try {
    in->midi = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, client_name_);
  } catch (const RtMidiError& e) {
    driver_error_ = e.what();
    return kMidiDriverError;
  }
  // Timing and active sensing come through too; the driver callback drops them.
  in->midi->ignoreTypes(false, false, false);
  in->midi->setCallback(&Input::Receive, in.get());
  if (const MidiResult open = OpenPort(*in->midi, device, false, in->port_name);
      open != kMidiNoError)
    return open;
  handle = in->handle;
  inputs_[handle] = std::move(in);
  return kMidiNoError;
}

MidiResult RtMidiService::InputStart(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
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
