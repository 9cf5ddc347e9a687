#include "midi/rtmidi_service.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvane {
namespace {

constexpr const char* kClientName = "Quorvane";
// Clients that only list devices or watch the server; they own no ports.
constexpr const char* kListerName = "Quorvane list";
constexpr const char* kWatchName = "Quorvane watch";

// RtMidi's JACK output ring: 16 KiB, one byte always kept free.
constexpr std::uint32_t kJackRingSpace = 16383;
// A process cycle that began after a write has certainly drained it once this
// many cycles have been counted since the write.
constexpr std::uint64_t kDrainCycles = 3;
// Long messages go to the ALSA sequencer in pieces this big, paced, so that a
// slow receiver is not overrun.
constexpr std::size_t kAlsaChunk = 256;
constexpr auto kAlsaChunkPause = std::chrono::milliseconds(1);
// How often a lost JACK server is looked for again.
constexpr std::int64_t kReprobeMs = 250;

const char* const kJackStopped =
    "The JACK server has stopped: MIDI input and output are off until it runs again.";

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

// How many bytes a short message with this status carries; 0 when it cannot
// go as a short message.
std::size_t ShortLength(std::uint8_t status) {
  if (status < 0x80) return 0;
  if (status < 0xC0) return 3;
  if (status < 0xE0) return 2;
  if (status < 0xF0) return 3;
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 2;
    case 0xF2:
      return 3;
    case 0xF0:
    case 0xF7:
    case 0xF4:
    case 0xF5:
    case 0xF9:
    case 0xFD:
      return 0;
    default:
      return 1;
  }
}

bool AlsaSequencerOpens() {
  // Opening the device node first keeps ALSA and RtMidi from printing their
  // complaints when there is no sequencer.
  const int fd = ::open("/dev/snd/seq", O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

// A JACK client of our own: it learns of the server's death and counts
// process cycles, which tells when RtMidi's output ring has been emptied.
struct RtMidiService::Watch {
  jack_client_t* client = nullptr;
  std::atomic<std::uint64_t> cycles{0};
  std::atomic<bool> gone{false};
  QObject* target = nullptr;
  RtMidiService* service = nullptr;

  static int Process(jack_nframes_t, void* self) {
    static_cast<Watch*>(self)->cycles.fetch_add(1, std::memory_order_release);
    return 0;
  }
  static void Shutdown(void* self) {
    auto* watch = static_cast<Watch*>(self);
    watch->gone.store(true, std::memory_order_release);
    RtMidiService* service = watch->service;
    // By the time this runs the service may already have noticed and moved on.
    QMetaObject::invokeMethod(
        watch->target,
        [service, watch] {
          if (service->watch_.get() == watch) service->Lost();
        },
        Qt::QueuedConnection);
  }

  bool Open() {
    jack_status_t status{};
    client = jack_client_open(kWatchName, JackNoStartServer, &status);
    if (!client) return false;
    jack_set_process_callback(client, &Process, this);
    jack_on_shutdown(client, &Shutdown, this);
    if (jack_activate(client) != 0) {
      jack_client_close(client);
      client = nullptr;
      return false;
    }
    return true;
  }

  ~Watch() {
    if (!client) return;
    if (!gone.load()) jack_deactivate(client);
    jack_client_close(client);
  }
};

struct RtMidiService::Output {
  std::unique_ptr<RtMidiOut> midi;
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  MidiHandle handle = kNoMidiHandle;
  std::string port_name;
  int generation = 0;
  std::uint32_t pending_bytes = 0;  // written to RtMidi's ring since write_cycle
  std::uint64_t write_cycle = 0;
  std::atomic<int> done_pending{0};
};

struct RtMidiService::Input {
  std::unique_ptr<RtMidiIn> midi;
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  MidiHandle handle = kNoMidiHandle;
  std::string port_name;
  int generation = 0;
  std::atomic<bool> running{false};
  std::atomic<int> inflight{0};
  std::atomic<std::int64_t> start_ns{0};
  // Queued receive buffers: the GUI thread adds, RtMidi's thread takes.
  std::unique_ptr<MidiBufferHeader* []> queue { new MidiBufferHeader*[kMaxQueuedBuffers] };
  std::atomic<std::size_t> head{0};  // next to take
  std::atomic<std::size_t> tail{0};  // next free

  bool Push(MidiBufferHeader* header) {
    const std::size_t t = tail.load(std::memory_order_relaxed);
    if (t - head.load(std::memory_order_acquire) >= kMaxQueuedBuffers) return false;
    queue[t % kMaxQueuedBuffers] = header;
    tail.store(t + 1, std::memory_order_release);
    return true;
  }
  MidiBufferHeader* Pop() {
    const std::size_t h = head.load(std::memory_order_relaxed);
    if (h == tail.load(std::memory_order_acquire)) return nullptr;
    MidiBufferHeader* header = queue[h % kMaxQueuedBuffers];
    head.store(h + 1, std::memory_order_release);
    return header;
  }

  // RtMidi's thread: no allocation, no lock.
  static void Receive(double, std::vector<unsigned char>* message, void* self) {
    auto* in = static_cast<Input*>(self);
    in->inflight.fetch_add(1);
    if (in->running.load() && message && !message->empty())
      in->Deliver(message->data(), message->size());
    in->inflight.fetch_sub(1);
  }

  void Deliver(const std::uint8_t* bytes, std::size_t size) {
    const auto stamp = static_cast<std::uintptr_t>(
        static_cast<std::uint32_t>((NowNs() - start_ns.load()) / 1000000));
    if (bytes[0] != 0xF0) {
      std::uint32_t word = bytes[0];
      if (size > 1) word |= std::uint32_t{bytes[1]} << 8;
      if (size > 2) word |= std::uint32_t{bytes[2]} << 16;
      callback(handle, MidiCallbackMessage::InputData, instance, word, stamp);
      return;
    }
    // System exclusive fills the queued buffers in turn; with none queued the
    // rest of the message is lost, as with any driver that has no buffer.
    std::size_t offset = 0;
    while (offset < size) {
      MidiBufferHeader* header = Pop();
      if (!header) return;
      const std::size_t n = std::min<std::size_t>(header->buffer_length, size - offset);
      if (n > 0) std::memcpy(header->data, bytes + offset, n);
      header->bytes_recorded = static_cast<std::uint32_t>(n);
      header->flags = (header->flags | kMidiHeaderDone) & ~std::uint32_t{kMidiHeaderInQueue};
      offset += n;
      callback(handle, MidiCallbackMessage::InputLongData, instance,
               reinterpret_cast<std::uintptr_t>(header), stamp);
    }
  }
};

// Pieces that need threads or RtMidi objects of their own.
struct RtMidiService::Helpers {
  std::unique_ptr<RtMidiIn> input_lister;
  std::unique_ptr<RtMidiOut> output_lister;

  // Output-done callbacks run here, on the service's own thread.
  struct Done {
    Output* out;
    MidiBufferHeader* header;
  };
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Done> done;
  bool stop = false;
  std::thread notifier;
  // Outputs of a dead server take a second to close; they close here.
  std::vector<std::thread> reapers;
  std::atomic<int> reaping{0};

  Helpers() : notifier([this] { Run(); }) {}

  template <typename T>
  void Reap(std::unique_ptr<T> object) {
    if (!object) return;
    reaping.fetch_add(1);
    reapers.emplace_back([this, o = std::move(object)]() mutable {
      o.reset();
      reaping.fetch_sub(1);
    });
  }
  void JoinReapers() {
    for (auto& t : reapers) t.join();
    reapers.clear();
  }

  ~Helpers() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    wake.notify_all();
    notifier.join();
    JoinReapers();
  }

  void Post(Output* out, MidiBufferHeader* header) {
    out->done_pending.fetch_add(1);
    {
      std::lock_guard<std::mutex> lock(mutex);
      done.push_back({out, header});
    }
    wake.notify_one();
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return stop || !done.empty(); });
      if (done.empty()) return;
      const Done item = done.front();
      done.pop_front();
      lock.unlock();
      item.header->flags =
          (item.header->flags | kMidiHeaderDone) & ~std::uint32_t{kMidiHeaderInQueue};
      item.out->callback(item.out->handle, MidiCallbackMessage::OutputDone, item.out->instance,
                         reinterpret_cast<std::uintptr_t>(item.header), 0);
      item.out->done_pending.fetch_sub(1);
      lock.lock();
    }
  }
};

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
  for (auto& [handle, in] : inputs_) {
    in->running.store(false);
    in->midi.reset();
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
  notice_ = kJackStopped;
  unavailable_ = kJackStopped;
  last_probe_ms_ = NowMs();
  // Every client of the dead server closes now, off this thread: an output
  // waits a second for a process cycle that never comes.
  for (auto& [handle, in] : inputs_) {
    in->running.store(false);
    helpers_->Reap(std::move(in->midi));
  }
  for (auto& [handle, out] : outputs_) helpers_->Reap(std::move(out->midi));
  helpers_->Reap(std::move(helpers_->input_lister));
  helpers_->Reap(std::move(helpers_->output_lister));
  helpers_->Reap(std::move(watch_));
  if (notice_handler_) notice_handler_(notice_);
}

void RtMidiService::SetNoticeHandler(std::function<void(const std::string&)> handler) {
  notice_handler_ = std::move(handler);
}

std::string RtMidiService::Notice() const {
  if (watch_ && watch_->gone.load()) return kJackStopped;
  return notice_;
}

bool RtMidiService::StillClosing() const {
  return helpers_->reaping.load() > 0;
}

bool RtMidiService::Available() const {
  return helpers_->input_lister && !(watch_ && watch_->gone.load());
}

std::string RtMidiService::UnavailableReason() const {
  if (watch_ && watch_->gone.load()) return kJackStopped;
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

std::uint32_t RtMidiService::OutputDeviceCount() {
  output_names_ = ListDevices(true);
  return static_cast<std::uint32_t>(output_names_.size());
}

std::uint32_t RtMidiService::InputDeviceCount() {
  input_names_ = ListDevices(false);
  return static_cast<std::uint32_t>(input_names_.size());
}

MidiResult RtMidiService::OutputDeviceCaps(int id, MidiOutputCaps& caps) {
  if (id == kMidiMapperId) {
    caps = MidiOutputCaps{};
    caps.name = "MIDI Mapper";
    return kMidiNoError;
  }
  if (id < 0 || static_cast<std::size_t>(id) >= output_names_.size()) return kMidiBadDeviceId;
  caps = MidiOutputCaps{};
  caps.name = output_names_[static_cast<std::size_t>(id)];
  caps.channel_mask = 0xFFFF;
  return kMidiNoError;
}

MidiResult RtMidiService::InputDeviceCaps(unsigned id, MidiInputCaps& caps) {
  if (id >= input_names_.size()) return kMidiBadDeviceId;
  caps = MidiInputCaps{};
  caps.name = input_names_[id];
  return kMidiNoError;
}

std::string RtMidiService::TakePortName(bool output) {
  std::string wanted;
  wanted.swap(next_port_name_);
  if (!wanted.empty()) {
    used_port_names_.push_back(wanted);
    return wanted;
  }
  for (int n = 1;; ++n) {
    std::string name;
    if (output)
      name = n == 1 ? "MIDI Out" : "MIDI Out " + std::to_string(n);
    else
      name = n == 1 ? "MIDI In 1" : n == 2 ? "Remote In" : "MIDI In " + std::to_string(n);
    if (std::find(used_port_names_.begin(), used_port_names_.end(), name) ==
        used_port_names_.end()) {
      used_port_names_.push_back(name);
      return name;
    }
  }
}

namespace {

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

// A new connection shows once the server has switched graphs, a cycle or so later.
bool JackConnected(jack_client_t* client, const std::string& device, const std::string& port) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (!JackConnectedNow(client, device, port)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

MidiResult RtMidiService::OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                                     void* instance) {
  if (!Connected()) return generation_ > 0 ? kMidiSystemGone : MidiResult{kMidiNoDriver};
  std::string device;
  if (id == kMidiMapperId) {
    if (output_names_.empty()) OutputDeviceCount();
    if (output_names_.empty()) return kMidiNoMap;
    device = output_names_.front();
  } else if (id >= 0 && static_cast<std::size_t>(id) < output_names_.size()) {
    device = output_names_[static_cast<std::size_t>(id)];
  } else {
    return kMidiBadDeviceId;
  }
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
  out->port_name = TakePortName(true);
  out->midi->openPort(static_cast<unsigned>(index), out->port_name);
  const bool open = out->midi->isPortOpen() && !driver_error_raised_ &&
                    (api_ != Api::Jack || JackConnected(watch_->client, device, out->port_name));
  if (!open) {
    used_port_names_.erase(
        std::find(used_port_names_.begin(), used_port_names_.end(), out->port_name));
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
  const std::size_t size = ShortLength(bytes[0]);
  if (size == 0) return kMidiInvalidParam;
  return SendBytes(*out, bytes, size);
}

MidiResult RtMidiService::OutputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindOutput(handle)) return kMidiInvalidHandle;
  if (!header.data && header.buffer_length > 0) return kMidiInvalidParam;
  header.flags |= kMidiHeaderPrepared;
  return kMidiNoError;
}

MidiResult RtMidiService::OutputLongMessage(MidiHandle handle, MidiBufferHeader& header) {
  Output* out = FindOutput(handle);
  if (!out) return kMidiInvalidHandle;
  if (!(header.flags & kMidiHeaderPrepared)) return kMidiUnprepared;
  if (header.flags & kMidiHeaderInQueue) return kMidiStillPlaying;
  if (header.buffer_length == 0) return kMidiInvalidParam;
  const MidiResult result = SendBytes(*out, header.data, header.buffer_length);
  if (result != kMidiNoError) return result;
  header.flags = (header.flags & ~std::uint32_t{kMidiHeaderDone}) | kMidiHeaderInQueue;
  helpers_->Post(out, &header);
  return kMidiNoError;
}

MidiResult RtMidiService::OutputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) {
  if (!FindOutput(handle)) return kMidiInvalidHandle;
  if (header.flags & kMidiHeaderInQueue) return kMidiStillPlaying;
  header.flags &= ~std::uint32_t{kMidiHeaderPrepared};
  return kMidiNoError;
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
  used_port_names_.erase(
      std::remove(used_port_names_.begin(), used_port_names_.end(), out->port_name),
      used_port_names_.end());
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

MidiResult RtMidiService::ErrorText(MidiResult code, std::string& text) const {
  switch (code) {
    case kMidiSystemGone:
      text = kJackStopped;
      return kMidiNoError;
    case kMidiMessageTooLong:
      text = "The system-exclusive message is longer than " + std::string(ApiName(api_)) +
             " MIDI can carry (at most " + std::to_string(MaxLongMessage()) + " bytes).";
      return kMidiNoError;
    case kMidiDriverError:
      text = driver_error_.empty() ? "The MIDI system reported an error." : driver_error_;
      return kMidiNoError;
    default:
      return StandardMidiErrorText(code, text);
  }
}

MidiResult RtMidiService::OutputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

MidiResult RtMidiService::InputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace quorvane
