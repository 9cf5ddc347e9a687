#pragma once

// What the RtMidi service's files share: constants, small helpers and the records behind
// its handles. Private to the MIDI layer.

#include <jack/jack.h>
#include <jack/midiport.h>
#include <rtmidi/RtMidi.h>

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "midi/midi_byte_parser.h"
#include "midi/rtmidi_service.h"
#include "midi/sysex_filler.h"

namespace quorvane::rtmidi_detail {

inline constexpr const char* kClientName = "Quorvane";
// Clients that only list devices or watch the server; they own no ports.
inline constexpr const char* kListerName = "Quorvane list";
inline constexpr const char* kWatchName = "Quorvane watch";

// RtMidi's JACK output ring: 16 KiB, one byte always kept free.
inline constexpr std::uint32_t kJackRingSpace = 16383;
// A process cycle that began after a write has certainly drained it once this
// many cycles have been counted since the write.
inline constexpr std::uint64_t kDrainCycles = 3;
// Long messages go to the ALSA sequencer in pieces this big, paced, so that a
// slow receiver is not overrun.
inline constexpr std::size_t kAlsaChunk = 256;
inline constexpr auto kAlsaChunkPause = std::chrono::milliseconds(1);
// How often a lost JACK server is looked for again.
inline constexpr std::int64_t kReprobeMs = 250;

std::int64_t NowNs();
std::int64_t NowMs();
// Swallows what JACK would print.
void Quiet(const char*);
RtMidi::Api ToRtMidi(RtMidiService::Api api);
// Our own ports show up in every list; they are never offered as devices.
bool IsOwnPort(const std::string& name);
// Finds a device by name in a fresh RtMidi object's own list.
int IndexOf(RtMidi& midi, const std::string& name);
// On JACK, whether our port got connected to the device (waits a few cycles).
bool JackConnected(jack_client_t* client, const std::string& device, const std::string& port);

}  // namespace quorvane::rtmidi_detail

namespace quorvane {

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
    client = jack_client_open(rtmidi_detail::kWatchName, JackNoStartServer, &status);
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

// An input's own JACK client: RtMidi's JACK input glues every event after an unterminated
// sysex into it, so the program reads JACK events itself. Named like RtMidi's clients, so
// that its port shows under the same name as before.
struct RtMidiService::JackInput {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;

  ~JackInput() {
    if (client) jack_client_close(client);
  }
};

struct RtMidiService::Input final : MidiByteParser::Sink, SysexFiller::Buffers {
  std::unique_ptr<RtMidiIn> midi;    // ALSA
  std::unique_ptr<JackInput> jack;   // JACK
  jack_port_t* jack_port = nullptr;  // its port, for the process thread
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  MidiHandle handle = kNoMidiHandle;
  std::string port_name;
  int generation = 0;
  std::atomic<bool> running{false};
  std::atomic<int> inflight{0};
  std::atomic<std::int64_t> start_ns{0};
  // Queued receive buffers: the GUI thread adds, the receiving thread takes.
  std::unique_ptr<MidiBufferHeader* []> queue { new MidiBufferHeader*[kMaxQueuedBuffers] };
  std::atomic<std::size_t> head{0};  // next to take
  std::atomic<std::size_t> tail{0};  // next free
  // The receiving thread's, between its calls: a sysex may span events and cycles.
  MidiByteParser parser;
  SysexFiller filler;
  std::uintptr_t stamp = 0;

  Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  // The clients go first: none of their callbacks may find the rest half gone.
  ~Input() {
    jack.reset();
    midi.reset();
  }

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

  std::uintptr_t Stamp() const {
    return static_cast<std::uintptr_t>(
        static_cast<std::uint32_t>((rtmidi_detail::NowNs() - start_ns.load()) / 1000000));
  }

  // RtMidi's thread (ALSA): no allocation, no lock. RtMidi may have glued messages after an
  // unterminated sysex into it; the parser splits them again.
  static void Receive(double, std::vector<unsigned char>* message, void* self) {
    auto* in = static_cast<Input*>(self);
    in->inflight.fetch_add(1);
    if (in->running.load() && message && !message->empty())
      in->Deliver(message->data(), message->size());
    in->inflight.fetch_sub(1);
  }

  // JACK's process thread: no allocation, no lock.
  static int Process(jack_nframes_t frames, void* self) {
    auto* in = static_cast<Input*>(self);
    in->inflight.fetch_add(1);
    if (in->running.load() && in->jack_port) {
      void* buffer = jack_port_get_buffer(in->jack_port, frames);
      const std::uint32_t count = jack_midi_get_event_count(buffer);
      for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0)
          in->Deliver(event.buffer, event.size);
      }
    }
    in->inflight.fetch_sub(1);
    return 0;
  }

  void Deliver(const std::uint8_t* bytes, std::size_t size) {
    stamp = Stamp();
    parser.Feed(bytes, size, *this);
  }

  void Message(std::uint32_t word) override {
    callback(handle, MidiCallbackMessage::InputData, instance, word, stamp);
  }

  void SysexBytes(const std::uint8_t* bytes, std::size_t size) override {
    filler.Add(bytes, size, *this);
  }
  void SysexEnd(bool complete) override { filler.End(complete, *this); }

  MidiBufferHeader* Next() override { return Pop(); }
  void Give(MidiBufferHeader& header, MidiCallbackMessage message) override {
    callback(handle, message, instance, reinterpret_cast<std::uintptr_t>(&header), stamp);
  }

  // With input stopped: the buffer being filled goes back first, as far as filled.
  void HandBack() {
    stamp = Stamp();
    filler.HandBack(*this);
    parser.Reset();
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
      ReleaseHeader(*item.header);
      item.out->callback(item.out->handle, MidiCallbackMessage::OutputDone, item.out->instance,
                         reinterpret_cast<std::uintptr_t>(item.header), 0);
      item.out->done_pending.fetch_sub(1);
      lock.lock();
    }
  }
};

}  // namespace quorvane
