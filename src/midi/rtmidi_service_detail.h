#pragma once

// What the RtMidi service's files share: constants, small helpers and the records behind
// its handles. Private to the MIDI layer.

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
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

// The clients that only list devices; they own no ports.
inline constexpr const char* kListerName = "Quorvane list";

// Long messages go to the ALSA sequencer in pieces this big, paced, so that a
// slow receiver is not overrun.
inline constexpr std::size_t kAlsaChunk = 256;
inline constexpr auto kAlsaChunkPause = std::chrono::milliseconds(1);
// How often a sequencer that could not be opened is looked for again.
inline constexpr std::int64_t kReprobeMs = 250;

std::int64_t NowNs();
std::int64_t NowMs();
// Our own ports show up in every list; they are never offered as devices.
bool IsOwnPort(const std::string& name, const std::string& client_name);
// Finds a device by name in a fresh RtMidi object's own list.
int IndexOf(RtMidi& midi, const std::string& name);

}  // namespace quorvane::rtmidi_detail

namespace quorvane {

struct RtMidiService::Output {
  std::unique_ptr<RtMidiOut> midi;
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  MidiHandle handle = kNoMidiHandle;
  std::string port_name;
  std::atomic<int> done_pending{0};
};

struct RtMidiService::Input final : MidiByteParser::Sink, SysexFiller::Buffers {
  std::unique_ptr<RtMidiIn> midi;
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  MidiHandle handle = kNoMidiHandle;
  std::string port_name;
  std::atomic<bool> running{false};
  std::atomic<int> inflight{0};
  std::atomic<std::int64_t> start_ns{0};
  // Queued receive buffers: the GUI thread adds, the receiving thread takes.
  std::unique_ptr<MidiBufferHeader* []> queue { new MidiBufferHeader*[kMaxQueuedBuffers] };
  std::atomic<std::size_t> head{0};  // next to take
  std::atomic<std::size_t> tail{0};  // next free
  // RtMidi's thread's, between its calls: a sysex may span events.
  MidiByteParser parser;
  SysexFiller filler;
  std::uintptr_t stamp = 0;

  Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  // The client goes first: none of its callbacks may find the rest half gone.
  ~Input() { midi.reset(); }

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

  // RtMidi's thread: no allocation, no lock. RtMidi may have glued messages after an
  // unterminated sysex into it; the parser splits them again.
  static void Receive(double, std::vector<unsigned char>* message, void* self) {
    auto* in = static_cast<Input*>(self);
    in->inflight.fetch_add(1);
    if (in->running.load() && message && !message->empty())
      in->Deliver(message->data(), message->size());
    in->inflight.fetch_sub(1);
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

  Helpers() : notifier([this] { Run(); }) {}

  ~Helpers() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    wake.notify_all();
    notifier.join();
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
