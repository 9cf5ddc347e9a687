// The input half of the JACK service.

#include <algorithm>

#include "midi/jack_service.h"
#include "midi/jack_service_detail.h"

namespace quorvane {

MidiResult JackService::InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                                  void* instance) {
  if (!Connected()) return generation_ > 0 ? kMidiSystemGone : MidiResult{kMidiNoDriver};
  std::string device;
  if (const MidiResult named = InputDeviceName(id, device); named != kMidiNoError) return named;
  auto slot = std::find_if(std::begin(input_slots_), std::end(input_slots_),
                           [](const auto& s) { return s.load() == nullptr; });
  if (slot == std::end(input_slots_)) return kMidiAllocated;
  auto in = std::make_unique<Input>();
  const MidiResult result = Register(device, false, in->port_name, in->port);
  if (result != kMidiNoError) return result;
  in->callback = callback;
  in->instance = instance;
  in->device = device;
  in->generation = generation_;
  in->rate = jack_get_sample_rate(Handle());
  in->handle = reinterpret_cast<MidiHandle>(in.get());
  slot->store(in.get(), std::memory_order_release);
  handle = in->handle;
  inputs_[handle] = std::move(in);
  return kMidiNoError;
}

std::uintptr_t JackService::InputStamp(const Input& in) const {
  if (!Handle() || gone_.load()) return 0;
  const auto since = static_cast<std::int32_t>(FrameNow() - in.start_frame.load());
  return since <= 0 ? 0
                    : static_cast<std::uintptr_t>(std::uint64_t{static_cast<std::uint32_t>(since)} *
                                                  1000 / in.rate);
}

MidiResult JackService::InputStart(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (Dead(in->generation)) return kMidiSystemGone;
  in->start_frame.store(FrameNow());
  if (!in->running.load()) {
    // Whatever came or was under way before a stop is not continued.
    WaitRelay();
    in->events.Clear();
    in->parser.Reset();
  }
  in->running.store(true);
  return kMidiNoError;
}

MidiResult JackService::InputReset(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  in->running.store(false);
  WaitRelay();  // a pass that saw it running finishes first
  in->HandBack(InputStamp(*in));
  return kMidiNoError;
}

MidiResult JackService::InputClose(MidiHandle handle) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (!in->queue.Empty() || in->filler.Filling()) return kMidiStillPlaying;
  in->running.store(false);
  for (auto& slot : input_slots_)
    if (slot.load() == in) slot.store(nullptr);
  WaitProcess();
  WaitRelay();  // no callbacks after this
  if (!Dead(in->generation)) Release(in->port, in->port_name, in->device, false);
  port_names_.GiveBack(in->port_name);
  inputs_.erase(handle);
  return kMidiNoError;
}

MidiResult JackService::InputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindInput(handle)) return kMidiInvalidHandle;
  return PrepareHeader(header);
}

MidiResult JackService::InputAddBuffer(MidiHandle handle, MidiBufferHeader& header) {
  Input* in = FindInput(handle);
  if (!in) return kMidiInvalidHandle;
  if (const MidiResult ready = HeaderReady(header); ready != kMidiNoError) return ready;
  header.bytes_recorded = 0;
  HoldHeader(header);
  if (!in->queue.Push(&header)) {
    UnholdHeader(header);
    return kMidiNoMemory;
  }
  return kMidiNoError;
}

MidiResult JackService::InputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindInput(handle)) return kMidiInvalidHandle;
  return UnprepareHeader(header);
}

std::uint64_t JackService::InputSysexLost(MidiHandle handle) const {
  const Input* in = FindInput(handle);
  return in ? in->filler.Lost() : 0;
}

MidiResult JackService::InputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace quorvane
