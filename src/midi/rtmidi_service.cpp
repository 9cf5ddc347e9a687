#include "midi/rtmidi_service.h"

#include "midi/midi_message.h"
#include "midi/rtmidi_service_detail.h"

#include <fcntl.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

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
bool AlsaSequencerOpens() {
  // Opening the device node first keeps ALSA and RtMidi from printing their
  // complaints when there is no sequencer.
  const int fd = ::open("/dev/snd/seq", O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

RtMidiService::RtMidiService(std::string client_name)
    : client_name_(std::move(client_name)),
      owner_(std::this_thread::get_id()),
      helpers_(std::make_unique<Helpers>()) {
  last_probe_ms_ = NowMs();
  Reconnect();
}

RtMidiService::~RtMidiService() {
  alsa_watch_.reset();  // it lists through the listers below
  for (auto& [handle, in] : inputs_) {
    in->running.store(false);
    in->midi.reset();
  }
  inputs_.clear();
  for (auto& [handle, out] : outputs_) OutputDrain(handle);
  outputs_.clear();
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
  unavailable_.clear();
  if (!AlsaSequencerOpens()) {
    unavailable_ = "The ALSA sequencer cannot be opened.";
    return;
  }
  try {
    helpers_->input_lister = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kListerName);
    Sink(*helpers_->input_lister);
    helpers_->output_lister = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kListerName);
    Sink(*helpers_->output_lister);
  } catch (const RtMidiError& e) {
    helpers_->input_lister.reset();
    helpers_->output_lister.reset();
    unavailable_ = std::string("The ALSA MIDI system cannot be used: ") + e.what();
  }
}

bool RtMidiService::Connected() {
  if (helpers_->input_lister) return true;
  // Looked for again only now and then: each attempt costs a connection.
  const std::int64_t now = NowMs();
  if (now - last_probe_ms_ < kReprobeMs) return false;
  last_probe_ms_ = now;
  Reconnect();
  return helpers_->input_lister != nullptr;
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
  if (!handler) return;
  alsa_watch_ = std::make_unique<DeviceListWatch>(
      [this] {
        return DeviceListWatch::Lists{ListDevices(false), ListDevices(true)};
      },
      std::move(handler));
}

bool RtMidiService::Available() const {
  return helpers_->input_lister != nullptr;
}

std::string RtMidiService::UnavailableReason() const {
  return unavailable_;
}

std::vector<std::string> RtMidiService::ListDevices(bool outputs) {
  std::vector<std::string> names;
  if (!Connected()) return names;
  RtMidi& lister = outputs ? static_cast<RtMidi&>(*helpers_->output_lister)
                           : static_cast<RtMidi&>(*helpers_->input_lister);
  const unsigned count = lister.getPortCount();
  for (unsigned i = 0; i < count; ++i) {
    std::string name = lister.getPortName(i);
    if (!name.empty() && !IsOwnPort(name, client_name_)) names.push_back(std::move(name));
  }
  return names;
}

MidiResult RtMidiService::OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                                     void* instance) {
  if (!Connected()) return kMidiNoDriver;
  std::string device;
  if (const MidiResult named = OutputDeviceName(id, device); named != kMidiNoError) return named;
  auto out = std::make_unique<Output>();
  try {
    out->midi = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, client_name_);
  } catch (const RtMidiError& e) {
    driver_error_ = e.what();
    return kMidiDriverError;
  }
  if (const MidiResult open = OpenPort(*out->midi, device, true, out->port_name);
      open != kMidiNoError)
    return open;
  out->callback = callback;
  out->instance = instance;
  out->handle = reinterpret_cast<MidiHandle>(out.get());
  handle = out->handle;
  outputs_[handle] = std::move(out);
  return kMidiNoError;
}

MidiResult RtMidiService::OpenPort(RtMidi& midi, const std::string& device, bool output,
                                   std::string& port_name) {
  Sink(midi);
  ClearDriverError();
  const int index = IndexOf(midi, device);
  if (index < 0) return kMidiNoDevice;
  port_name = port_names_.Take(output);
  midi.openPort(static_cast<unsigned>(index), port_name);
  if (midi.isPortOpen() && !driver_error_raised_) return kMidiNoError;
  port_names_.GiveBack(port_name);
  return driver_error_raised_ ? kMidiDriverError : MidiResult{kMidiNoDevice};
}

RtMidiService::Output* RtMidiService::FindOutput(MidiHandle handle) const {
  const auto it = outputs_.find(handle);
  return it == outputs_.end() ? nullptr : it->second.get();
}

RtMidiService::Input* RtMidiService::FindInput(MidiHandle handle) const {
  const auto it = inputs_.find(handle);
  return it == inputs_.end() ? nullptr : it->second.get();
}

MidiResult RtMidiService::SendBytes(Output& out, const std::uint8_t* bytes, std::size_t size) {
  if (size > kMaxLongMessage) return kMidiMessageTooLong;
  ClearDriverError();
  if (bytes[0] == 0xF0 && size > kAlsaChunk) {
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
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (out->done_pending.load() > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return out->done_pending.load() > 0 ? kMidiStillPlaying : kMidiNoError;
}

MidiResult RtMidiService::OutputClose(MidiHandle handle) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  OutputDrain(handle);
  // Done callbacks still owed would find no output; wait them out.
  while (out->done_pending.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  port_names_.GiveBack(out->port_name);
  outputs_.erase(handle);
  return kMidiNoError;
}

MidiResult RtMidiService::ErrorText(MidiResult code, std::string& text) const {
  return ServiceErrorText(code, "ALSA", kMaxLongMessage, driver_error_, text);
}

MidiResult RtMidiService::OutputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace quorvane
