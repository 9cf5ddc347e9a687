#include "midi/rtmidi_service.h"

#include "midi/midi_message.h"
#include "midi/rtmidi_service_detail.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvane {

using namespace rtmidi_detail;  // the service's own helpers
namespace {

bool AlsaSequencerOpens() {
  // Opening the device node first keeps ALSA and RtMidi from printing their
  // complaints when there is no sequencer.
  const int fd = ::open("/dev/snd/seq", O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

RtMidiService::RtMidiService(Api api)
    : api_(api),
      owner_(std::this_thread::get_id()),
      notice_target_(std::make_unique<QObject>()),
      helpers_(std::make_unique<Helpers>()) {
  if (api_ == Api::Jack) {
    // libjack reports a missing server on stderr, again on every attempt.
    jack_set_error_function(&Quiet);
    jack_set_info_function(&Quiet);
  }
  last_probe_ms_ = NowMs();
  Reconnect();
}

RtMidiService::~RtMidiService() {
  alsa_watch_.reset();  // it lists through the listers below
  for (auto& [handle, in] : inputs_) {
    in->running.store(false);
    in->midi.reset();
    in->jack.reset();
  }
  inputs_.clear();
  for (auto& [handle, out] : outputs_) {
    OutputDrain(handle);
  }
  std::vector<std::unique_ptr<Output>> outs;
  for (auto& [handle, out] : outputs_) outs.push_back(std::move(out));
  outputs_.clear();
  for (auto& out : outs) Retire(std::move(out));
  helpers_->input_lister.reset();
  helpers_->output_lister.reset();
  watch_.reset();
  helpers_.reset();
}

void RtMidiService::Sink(RtMidi& midi) {
  midi.setErrorCallback(
      [](RtMidiError::Type, const std::string& text, void* user) {
        auto* self = static_cast<RtMidiService*>(user);
        // Only calls made on the owning thread report here; RtMidi's own
        // threads never get to touch the text.
        if (std::this_thread::get_id() != self->owner_) return;
        self->driver_error_ = text;
        self->driver_error_raised_ = true;
      },
      this);
}

void RtMidiService::Reconnect() {
  helpers_->input_lister.reset();
  helpers_->output_lister.reset();
  watch_.reset();
  // libjack crashes closing a client of a dead server once a client of the
  // new one exists: every old client must be gone first.
  helpers_->JoinReapers();
  unavailable_.clear();
  if (api_ == Api::Alsa) {
    if (!AlsaSequencerOpens()) {
      unavailable_ = "The ALSA sequencer cannot be opened.";
      return;
    }
  } else {
    auto watch = std::make_unique<Watch>();
    watch->target = notice_target_.get();
    watch->service = this;
    if (!watch->Open()) {
      unavailable_ = "No JACK server is running.";
      return;
    }
    watch_ = std::move(watch);
  }
  try {
    helpers_->input_lister = std::make_unique<RtMidiIn>(ToRtMidi(api_), kListerName);
    Sink(*helpers_->input_lister);
    helpers_->output_lister = std::make_unique<RtMidiOut>(ToRtMidi(api_), kListerName);
    Sink(*helpers_->output_lister);
  } catch (const RtMidiError& e) {
    helpers_->input_lister.reset();
    helpers_->output_lister.reset();
    watch_.reset();
    unavailable_ = "The " + std::string(ApiName(api_)) + " MIDI system cannot be used: " + e.what();
  }
}

bool RtMidiService::Connected() {
  if (helpers_->input_lister && !(watch_ && watch_->gone.load())) return true;
  if (watch_) Lost();  // the notice is still on its way
  // Looked for again only now and then: each attempt costs a connection.
  const std::int64_t now = NowMs();
  if (now - last_probe_ms_ < kReprobeMs) return false;
  last_probe_ms_ = now;
  Reconnect();
  if (helpers_->input_lister) {
    notice_.clear();
    return true;
  }
  return false;
}

void RtMidiService::Lost() {
  if (!watch_) return;
  ++generation_;  // whatever is open belongs to the dead server
  notice_ = kJackStoppedText;
  unavailable_ = kJackStoppedText;
  last_probe_ms_ = NowMs();
  // Every client of the dead server closes now, off this thread: an output
  // waits a second for a process cycle that never comes.
  for (auto& [handle, in] : inputs_) {
    in->running.store(false);
    helpers_->Reap(std::move(in->midi));
    helpers_->Reap(std::move(in->jack));
  }
  for (auto& [handle, out] : outputs_) helpers_->Reap(std::move(out->midi));
  helpers_->Reap(std::move(helpers_->input_lister));
  helpers_->Reap(std::move(helpers_->output_lister));
  helpers_->Reap(std::move(watch_));
  if (notice_handler_) notice_handler_(notice_);
}

DeviceListWatch::DeviceListWatch(std::function<Lists()> lister, std::function<void()> changed,
                                 int interval_ms)
    : lister_(std::move(lister)), changed_(std::move(changed)), timer_(std::make_unique<QTimer>()) {
  last_ = lister_();
  timer_->setInterval(interval_ms);
  // Coarse: a second's look costs a few sequencer queries and wakes nothing else.
  timer_->setTimerType(Qt::VeryCoarseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { Check(); });
  timer_->start();
}

DeviceListWatch::~DeviceListWatch() = default;

bool DeviceListWatch::Check() {
  Lists now = lister_();
  if (now == last_) return false;
  last_ = std::move(now);
  if (changed_) changed_();
  return true;
}

int DeviceListWatch::IntervalMs() const {
  return timer_->interval();
}

void RtMidiService::SetDevicesChangedHandler(std::function<void()> handler) {
  alsa_watch_.reset();
  if (api_ != Api::Alsa || !handler) return;
  alsa_watch_ = std::make_unique<DeviceListWatch>(
      [this] {
        return DeviceListWatch::Lists{ListDevices(false), ListDevices(true)};
      },
      std::move(handler));
}

void RtMidiService::SetNoticeHandler(std::function<void(const std::string&)> handler) {
  notice_handler_ = std::move(handler);
}

std::string RtMidiService::Notice() const {
  if (watch_ && watch_->gone.load()) return kJackStoppedText;
  return notice_;
}

bool RtMidiService::StillClosing() const {
  return helpers_->reaping.load() > 0;
}

bool RtMidiService::Available() const {
  return helpers_->input_lister && !(watch_ && watch_->gone.load());
}

std::string RtMidiService::UnavailableReason() const {
  if (watch_ && watch_->gone.load()) return kJackStoppedText;
  return unavailable_;
}

std::uint32_t RtMidiService::MaxLongMessage() const {
  return api_ == Api::Jack ? kJackMaxMessage : 65535;
}

bool RtMidiService::Dead(int generation) const {
  return generation != generation_ || (watch_ && watch_->gone.load());
}

std::vector<std::string> RtMidiService::ListDevices(bool outputs) {
  std::vector<std::string> names;
  if (!Connected()) return names;
  RtMidi& lister = outputs ? static_cast<RtMidi&>(*helpers_->output_lister)
                           : static_cast<RtMidi&>(*helpers_->input_lister);
  const unsigned count = lister.getPortCount();
  for (unsigned i = 0; i < count; ++i) {
    std::string name = lister.getPortName(i);
    if (!name.empty() && !IsOwnPort(name)) names.push_back(std::move(name));
  }
  return names;
}

MidiResult RtMidiService::OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                                     void* instance) {
  if (!Connected()) return generation_ > 0 ? kMidiSystemGone : MidiResult{kMidiNoDriver};
  std::string device;
  if (const MidiResult named = OutputDeviceName(id, device); named != kMidiNoError) return named;
  auto out = std::make_unique<Output>();
  try {
    out->midi = std::make_unique<RtMidiOut>(ToRtMidi(api_), kClientName);
  } catch (const RtMidiError& e) {
    driver_error_ = e.what();
    return kMidiDriverError;
  }
  Sink(*out->midi);
  ClearDriverError();
  const int index = IndexOf(*out->midi, device);
  if (index < 0) return kMidiNoDevice;
  out->port_name = port_names_.Take(true);
  out->midi->openPort(static_cast<unsigned>(index), out->port_name);
  const bool open = out->midi->isPortOpen() && !driver_error_raised_ &&
                    (api_ != Api::Jack || JackConnected(watch_->client, device, out->port_name));
  if (!open) {
    port_names_.GiveBack(out->port_name);
    return driver_error_raised_ ? kMidiDriverError : MidiResult{kMidiNoDevice};
  }
  out->callback = callback;
  out->instance = instance;
  out->generation = generation_;
  if (watch_) out->write_cycle = watch_->cycles.load();
  out->handle = reinterpret_cast<MidiHandle>(out.get());
  handle = out->handle;
  outputs_[handle] = std::move(out);
  return kMidiNoError;
}

RtMidiService::Output* RtMidiService::FindOutput(MidiHandle handle) const {
  const auto it = outputs_.find(handle);
  return it == outputs_.end() ? nullptr : it->second.get();
}

RtMidiService::Input* RtMidiService::FindInput(MidiHandle handle) const {
  const auto it = inputs_.find(handle);
  return it == inputs_.end() ? nullptr : it->second.get();
}

bool RtMidiService::WaitCycles(std::uint64_t since, std::uint64_t cycles, int timeout_ms) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (watch_->cycles.load(std::memory_order_acquire) < since + cycles) {
    if (watch_->gone.load() || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

MidiResult RtMidiService::SendBytes(Output& out, const std::uint8_t* bytes, std::size_t size) {
  if (Dead(out.generation) || !out.midi) return kMidiSystemGone;
  if (size > MaxLongMessage()) return kMidiMessageTooLong;
  ClearDriverError();
  if (api_ == Api::Jack) {
    // RtMidi spins without end when its ring is full and the server is gone,
    // so the ring is never filled: wait for a drain first.
    const std::uint32_t need = static_cast<std::uint32_t>(size + sizeof(int));
    const std::uint64_t now = watch_->cycles.load(std::memory_order_acquire);
    if (now >= out.write_cycle + kDrainCycles) out.pending_bytes = 0;
    if (out.pending_bytes + need > kJackRingSpace) {
      if (!WaitCycles(out.write_cycle, kDrainCycles, 2000)) return kMidiSystemGone;
      out.pending_bytes = 0;
    }
    out.write_cycle = watch_->cycles.load(std::memory_order_acquire);
    out.pending_bytes += need;
    out.midi->sendMessage(bytes, size);
  } else if (bytes[0] == 0xF0 && size > kAlsaChunk) {
    for (std::size_t offset = 0; offset < size; offset += kAlsaChunk) {
      const std::size_t n = std::min(kAlsaChunk, size - offset);
      driver_error_raised_ = false;
      out.midi->sendMessage(bytes + offset, n);
      const bool last = offset + n >= size;
      // RtMidi calls each piece but the last "incomplete"; ALSA's encoder
      // keeps it and sends it on with the next.
      if (driver_error_raised_ && (last || driver_error_.find("incomplete") == std::string::npos))
        return kMidiDriverError;
      if (!last) std::this_thread::sleep_for(kAlsaChunkPause);
    }
    driver_error_raised_ = false;
  } else {
    out.midi->sendMessage(bytes, size);
  }
  return driver_error_raised_ ? kMidiDriverError : MidiResult{kMidiNoError};
}

MidiResult RtMidiService::OutputShortMessage(MidiHandle handle, std::uint32_t word) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(word),
                                 static_cast<std::uint8_t>(word >> 8),
                                 static_cast<std::uint8_t>(word >> 16)};
  const std::size_t size = ShortMessageLength(bytes[0]);
  if (size == 0) return kMidiInvalidParam;
  return SendBytes(*out, bytes, size);
}

MidiResult RtMidiService::OutputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindOutput(handle)) return kMidiInvalidHandle;
  return PrepareHeader(header);
}

MidiResult RtMidiService::OutputLongMessage(MidiHandle handle, MidiBufferHeader& header) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  if (const MidiResult ready = HeaderReady(header); ready != kMidiNoError) return ready;
  if (header.buffer_length == 0) return kMidiInvalidParam;
  const MidiResult result = SendBytes(*out, header.data, header.buffer_length);
  if (result != kMidiNoError) return result;
  HoldHeader(header);
  helpers_->Post(out, &header);
  return kMidiNoError;
}

MidiResult RtMidiService::OutputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindOutput(handle)) return kMidiInvalidHandle;
  return UnprepareHeader(header);
}

MidiResult RtMidiService::OutputDrain(MidiHandle handle) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  if (watch_ && !Dead(out->generation) && out->pending_bytes > 0) {
    // RtMidi's process callback empties the ring once per cycle.
    if (!WaitCycles(out->write_cycle, kDrainCycles, 1000)) return kMidiSystemGone;
    out->pending_bytes = 0;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (out->done_pending.load() > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return out->done_pending.load() > 0 ? kMidiStillPlaying : kMidiNoError;
}

void RtMidiService::Retire(std::unique_ptr<Output> out) {
  port_names_.GiveBack(out->port_name);
  if (Dead(out->generation)) {
    helpers_->Reap(std::move(out->midi));
  }
  // Otherwise it closes at once: the ring has been drained.
}

MidiResult RtMidiService::OutputClose(MidiHandle handle) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  OutputDrain(handle);
  // Done callbacks still owed would find no output; wait them out.
  while (out->done_pending.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto owned = std::move(outputs_[handle]);
  outputs_.erase(handle);
  Retire(std::move(owned));
  return kMidiNoError;
}

MidiResult RtMidiService::ErrorText(MidiResult code, std::string& text) const {
  return ServiceErrorText(code, ApiName(api_), MaxLongMessage(), driver_error_, text);
}

MidiResult RtMidiService::OutputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace quorvane
