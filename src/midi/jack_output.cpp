// The output half of the JACK service: opening, the ring to the process callback, placing
// messages on frames, draining and closing.

#include <algorithm>
#include <chrono>
#include <thread>

#include "midi/jack_service.h"
#include "midi/jack_service_detail.h"
#include "midi/midi_message.h"

namespace quorvane {

using namespace jack_detail;  // the service's own rings and records

namespace {

// How long a send waits for room in a full ring, or a close for the last bytes to leave,
// before it gives up aloud.
constexpr auto kRoomWait = std::chrono::seconds(2);
constexpr auto kDrainWait = std::chrono::seconds(2);

}  // namespace

JackService::Output* JackService::FindOutput(MidiHandle handle) const {
  const auto it = outputs_.find(handle);
  return it == outputs_.end() ? nullptr : it->second.get();
}

MidiResult JackService::OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                                   void* instance) {
  if (!Connected()) return generation_ > 0 ? kMidiSystemGone : MidiResult{kMidiNoDriver};
  std::string device;
  if (const MidiResult named = OutputDeviceName(id, device); named != kMidiNoError) return named;
  auto slot = std::find_if(std::begin(output_slots_), std::end(output_slots_),
                           [](const auto& s) { return s.load() == nullptr; });
  if (slot == std::end(output_slots_)) return kMidiAllocated;
  auto out = std::make_unique<Output>();
  const MidiResult result = Register(device, true, out->port_name, out->port);
  if (result != kMidiNoError) return result;
  out->callback = callback;
  out->instance = instance;
  out->device = device;
  out->generation = generation_;
  out->last_frame = CycleFrame();
  out->handle = reinterpret_cast<MidiHandle>(out.get());
  slot->store(out.get(), std::memory_order_release);
  handle = out->handle;
  outputs_[handle] = std::move(out);
  return kMidiNoError;
}

MidiResult JackService::Enqueue(Output& out, const std::uint8_t* bytes, std::uint32_t size,
                                MidiBufferHeader* header) {
  if (Dead(out.generation)) return kMidiSystemGone;
  OutEvent event;
  event.size = size;
  event.header = header;
  if (header) {
    event.data = bytes;
  } else {
    std::memcpy(event.bytes, bytes, size);
  }
  // A paced message handed over early keeps the moment it is due, one period on; the others
  // go at the next cycle's first frame.
  if (out.next_due) {
    Client* client = Handle();
    const auto due = std::min(*out.next_due, std::chrono::steady_clock::now() + kScheduleLead);
    const jack_nframes_t rate = jack_get_sample_rate(client);
    const jack_nframes_t period = Period();
    // The first frame a cycle yet to run writes.
    const jack_nframes_t next = CycleFrame() + period;
    // No later than the lead can reach from the next cycle.
    const auto furthest =
        static_cast<jack_nframes_t>(next + period + kScheduleLead.count() * rate / 1000000);
    jack_nframes_t own = FrameAt(due) + period;
    if (static_cast<std::int32_t>(own - furthest) > 0) own = furthest;
    const jack_nframes_t placed = out.paced.Place(due, own, next, rate);
    event.live = false;
    if (out.last_due && due >= *out.last_due && due - *out.last_due <= PacedRun::kMaxPause) {
      const auto apart =
          std::chrono::duration_cast<std::chrono::microseconds>(due - *out.last_due).count();
      event.gap = static_cast<jack_nframes_t>(apart * std::int64_t{rate} / 1000000);
    }
    out.last_due = due;
    event.frame = static_cast<std::int32_t>(placed - out.last_frame) > 0 ? placed : out.last_frame;
    out.last_frame = event.frame;
    out.next_due.reset();
  }
  if (out.events.Push(event)) return kMidiNoError;
  // Full: a long burst outruns the cycle; wait for room instead of dropping.
  const bool room = WaitUntil([&] { return gone_.load() || out.events.Push(event); },
                              std::chrono::duration_cast<std::chrono::milliseconds>(kRoomWait));
  if (gone_.load()) return kMidiSystemGone;
  if (room) return kMidiNoError;
  driver_error_ = "The JACK server took no MIDI from " + out.port_name +
                  " for 2 seconds: the message was not sent.";
  return kMidiDriverError;
}

void JackService::OutputSetNextDue(MidiHandle handle, std::chrono::steady_clock::time_point due) {
  if (Output* out = FindOutput(handle)) out->next_due = due;
}

jack_nframes_t JackService::FrameNow() const {
  // libjack's estimate may trail a cycle the server has already begun, and runs on past the
  // next cycle while the server is held up: keep it between the two.
  const jack_nframes_t estimate = jack_frame_time(Handle());
  const jack_nframes_t begun = CycleFrame();
  if (static_cast<std::int32_t>(estimate - begun) < 0) return begun;
  const jack_nframes_t next = begun + Period();
  return static_cast<std::int32_t>(estimate - next) > 0 ? next : estimate;
}

jack_nframes_t JackService::FrameAt(std::chrono::steady_clock::time_point moment) const {
  // libjack's clock is its own: pair it with the steady clock by reading both back to back.
  const auto before = std::chrono::steady_clock::now();
  const jack_time_t jack_now = jack_get_time();
  const auto after = std::chrono::steady_clock::now();
  const auto ahead = std::chrono::duration_cast<std::chrono::microseconds>(
                         moment - (before + (after - before) / 2))
                         .count();
  return jack_time_to_frames(Handle(),
                             static_cast<jack_time_t>(static_cast<std::int64_t>(jack_now) + ahead));
}

MidiResult JackService::OutputShortMessage(MidiHandle handle, std::uint32_t word) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(word),
                                 static_cast<std::uint8_t>(word >> 8),
                                 static_cast<std::uint8_t>(word >> 16)};
  const auto size = static_cast<std::uint32_t>(ShortMessageLength(bytes[0]));
  if (size == 0) return kMidiInvalidParam;
  return Enqueue(*out, bytes, size, nullptr);
}

MidiResult JackService::OutputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindOutput(handle)) return kMidiInvalidHandle;
  return PrepareHeader(header);
}

MidiResult JackService::OutputLongMessage(MidiHandle handle, MidiBufferHeader& header) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  if (const MidiResult ready = HeaderReady(header); ready != kMidiNoError) return ready;
  if (header.buffer_length == 0) return kMidiInvalidParam;
  if (header.buffer_length > kMaxLongMessage) return kMidiMessageTooLong;
  HoldHeader(header);
  const MidiResult result = Enqueue(*out, header.data, header.buffer_length, &header);
  if (result != kMidiNoError) {
    UnholdHeader(header);
    return result;
  }
  ++out->long_sent;
  return kMidiNoError;
}

MidiResult JackService::OutputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindOutput(handle)) return kMidiInvalidHandle;
  return UnprepareHeader(header);
}

MidiResult JackService::OutputDrain(MidiHandle handle) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  if (Dead(out->generation)) return kMidiNoError;  // nothing more can leave
  const bool drained = WaitUntil(
      [&] {
        return gone_.load() || (out->events.Empty() && out->long_done.load() == out->long_sent);
      },
      kDrainWait);
  if (gone_.load()) return kMidiSystemGone;
  // The cycle that wrote the last event ends before the port may go.
  if (drained && WaitCycles(1, 500)) return kMidiNoError;
  driver_error_ = "The JACK server took no MIDI from " + out->port_name +
                  " for 2 seconds: what was still waiting is not sent.";
  return kMidiDriverError;
}

MidiResult JackService::OutputClose(MidiHandle handle) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  OutputDrain(handle);
  for (auto& slot : output_slots_)
    if (slot.load() == out) slot.store(nullptr);
  WaitProcess();
  WaitRelay();
  if (!Dead(out->generation)) Release(out->port, out->port_name, out->device, true);
  port_names_.GiveBack(out->port_name);
  outputs_.erase(handle);
  return kMidiNoError;
}

}  // namespace quorvane
