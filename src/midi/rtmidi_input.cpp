#include "midi/rtmidi_service_detail.h"

// The input half of the RtMidi service.

namespace quorvane {

using namespace rtmidi_detail;  // the service's own helpers

MidiResult RtMidiService::InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                                    void* instance) {
  if (!Connected()) return generation_ > 0 ? kMidiSystemGone : MidiResult{kMidiNoDriver};
  if (id >= input_names_.size()) return kMidiBadDeviceId;
  const std::string device = input_names_[id];
  auto in = std::make_unique<Input>();
  in->callback = callback;
  in->instance = instance;
  in->handle = reinterpret_cast<MidiHandle>(in.get());
  try {
    in->midi = std::make_unique<RtMidiIn>(ToRtMidi(api_), kClientName);
  } catch (const RtMidiError& e) {
    driver_error_ = e.what();
    return kMidiDriverError;
  }
  Sink(*in->midi);
  ClearDriverError();
  // Timing and active sensing come through too; the driver callback drops them.
  in->midi->ignoreTypes(false, false, false);
  in->midi->setCallback(&Input::Receive, in.get());
  const int index = IndexOf(*in->midi, device);
  if (index < 0) return kMidiNoDevice;
  in->port_name = TakePortName(false);
  in->midi->openPort(static_cast<unsigned>(index), in->port_name);
  const bool open = in->midi->isPortOpen() && !driver_error_raised_ &&
                    (api_ != Api::Jack || JackConnected(watch_->client, device, in->port_name));
  if (!open) {
    used_port_names_.erase(
        std::find(used_port_names_.begin(), used_port_names_.end(), in->port_name));
    return driver_error_raised_ ? kMidiDriverError : MidiResult{kMidiNoDevice};
  }
  in->generation = generation_;
  handle = in->handle;
  inputs_[handle] = std::move(in);
  return kMidiNoError;
}

MidiResult RtMidiService::InputStart(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (Dead(in->generation)) return kMidiSystemGone;
  in->start_ns.store(NowNs());
  in->running.store(true);
  return kMidiNoError;
}

MidiResult RtMidiService::InputReset(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  in->running.store(false);
  // A callback already past the check finishes first; none starts after.
  while (in->inflight.load() > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  const auto stamp = static_cast<std::uintptr_t>(
      static_cast<std::uint32_t>((NowNs() - in->start_ns.load()) / 1000000));
  while (MidiBufferHeader* header = in->Pop()) {
    header->bytes_recorded = 0;
    header->flags = (header->flags | kMidiHeaderDone) & ~std::uint32_t{kMidiHeaderInQueue};
    in->callback(in->handle, MidiCallbackMessage::InputLongData, in->instance,
                 reinterpret_cast<std::uintptr_t>(header), stamp);
  }
  return kMidiNoError;
}

MidiResult RtMidiService::InputClose(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (in->head.load() != in->tail.load()) return kMidiStillPlaying;
  in->running.store(false);
  while (in->inflight.load() > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  auto owned = std::move(inputs_[handle]);
  inputs_.erase(handle);
  used_port_names_.erase(
      std::remove(used_port_names_.begin(), used_port_names_.end(), owned->port_name),
      used_port_names_.end());
  owned->midi.reset();  // no callbacks after this
  return kMidiNoError;
}

MidiResult RtMidiService::InputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindInput(handle)) return kMidiInvalidHandle;
  if (!header.data && header.buffer_length > 0) return kMidiInvalidParam;
  header.flags |= kMidiHeaderPrepared;
  return kMidiNoError;
}

MidiResult RtMidiService::InputAddBuffer(MidiHandle handle, MidiBufferHeader& header) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (!(header.flags & kMidiHeaderPrepared)) return kMidiUnprepared;
  if (header.flags & kMidiHeaderInQueue) return kMidiStillPlaying;
  header.bytes_recorded = 0;
  header.flags = (header.flags & ~std::uint32_t{kMidiHeaderDone}) | kMidiHeaderInQueue;
  if (!in->Push(&header)) {
    header.flags &= ~std::uint32_t{kMidiHeaderInQueue};
    return kMidiNoMemory;
  }
  return kMidiNoError;
}

MidiResult RtMidiService::InputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindInput(handle)) return kMidiInvalidHandle;
  if (header.flags & kMidiHeaderInQueue) return kMidiStillPlaying;
  header.flags &= ~std::uint32_t{kMidiHeaderPrepared};
  return kMidiNoError;
}

MidiResult RtMidiService::InputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace quorvane
