#pragma once

// What the JACK service's files share: the lock-free rings between its threads and the records
// behind its handles. Private to the MIDI layer.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "midi/jack_service.h"
#include "midi/midi_byte_parser.h"
#include "midi/sysex_filler.h"

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace quorvane::jack_detail {

// Polls until done() or the timeout; the answer is done()'s last.
template <typename Pred>
bool WaitUntil(Pred done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

// A port buffer lives in the server's shared memory and goes from one client's process thread
// to the next through the server's semaphores, which ThreadSanitizer cannot see: each side says
// when it takes a buffer and when it lets go.
inline void TakePortBuffer([[maybe_unused]] void* buffer) {
#if defined(__SANITIZE_THREAD__)
  __tsan_acquire(buffer);
#endif
}
inline void LetGoPortBuffer([[maybe_unused]] void* buffer) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(buffer);
#endif
}

// One producer thread, one consumer thread, no lock; the storage is made up front so that
// neither side allocates.
template <typename T, std::size_t N>
class SpscRing {
 public:
  bool Push(const T& item) {
    const std::size_t t = tail_.load(std::memory_order_relaxed);
    if (t - head_.load(std::memory_order_acquire) >= N) return false;
    items_[t % N] = item;
    tail_.store(t + 1, std::memory_order_release);
    return true;
  }
  // The oldest item, or nullptr; stays until Pop.
  const T* Front() const {
    const std::size_t h = head_.load(std::memory_order_relaxed);
    if (h == tail_.load(std::memory_order_acquire)) return nullptr;
    return &items_[h % N];
  }
  void Pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
  // Consumer: forgets everything pushed so far.
  void Clear() { head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release); }
  bool Empty() const {
    return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
  }

 private:
  std::unique_ptr<T[]> items_{new T[N]};
  std::atomic<std::size_t> head_{0};
  std::atomic<std::size_t> tail_{0};
};

// Variable-length records (frame time, bytes) from the process thread to the relay thread.
class ByteRing {
 public:
  static constexpr std::size_t kSize = std::size_t{1} << 18;
  static constexpr std::size_t kHeader = 8;

  // Producer: false, nothing written, when the record does not fit.
  bool Put(std::uint32_t frame, const std::uint8_t* bytes, std::uint32_t size) {
    const std::size_t t = tail_.load(std::memory_order_relaxed);
    if (kSize - (t - head_.load(std::memory_order_acquire)) < kHeader + size) return false;
    const std::uint32_t header[2] = {frame, size};
    Copy(t, reinterpret_cast<const std::uint8_t*>(header), kHeader);
    Copy(t + kHeader, bytes, size);
    tail_.store(t + kHeader + size, std::memory_order_release);
    return true;
  }
  // Consumer: the oldest record into out (kSize bytes of room); false when empty.
  bool Get(std::uint32_t& frame, std::uint8_t* out, std::uint32_t& size) {
    const std::size_t h = head_.load(std::memory_order_relaxed);
    if (h == tail_.load(std::memory_order_acquire)) return false;
    std::uint32_t header[2];
    Read(h, reinterpret_cast<std::uint8_t*>(header), kHeader);
    frame = header[0];
    size = header[1];
    Read(h + kHeader, out, size);
    head_.store(h + kHeader + size, std::memory_order_release);
    return true;
  }
  void Clear() { head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release); }

 private:
  void Copy(std::size_t at, const std::uint8_t* from, std::size_t n) {
    const std::size_t start = at % kSize;
    const std::size_t first = std::min(n, kSize - start);
    std::memcpy(data_.get() + start, from, first);
    std::memcpy(data_.get(), from + first, n - first);
  }
  void Read(std::size_t at, std::uint8_t* to, std::size_t n) const {
    const std::size_t start = at % kSize;
    const std::size_t first = std::min(n, kSize - start);
    std::memcpy(to, data_.get() + start, first);
    std::memcpy(to + first, data_.get(), n - first);
  }

  std::unique_ptr<std::uint8_t[]> data_{new std::uint8_t[kSize]};
  std::atomic<std::size_t> head_{0};
  std::atomic<std::size_t> tail_{0};
};

// Where the messages of a paced run go on the frame clock. Each keeps its distance in frames
// from the run's first message, so that time the server loses to late cycles does not squeeze
// a gap: the run then trails the server's clock by what it lost. It starts over from the
// message's own frame when its frame has passed by more than that frame is ahead (the sender
// fell behind; a skipped cycle only shifts the run), or when it
// would trail by more than kMaxBehind, which only a server that has all but stopped can cause.
class PacedRun {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kMaxBehind{1000};
  // A longer pause between two messages ends the run.
  static constexpr std::chrono::seconds kMaxPause{1};

  // The frame for a message due at `due`: `own` is its frame by the server's clock, `begun`
  // the start of the cycle under way.
  jack_nframes_t Place(Clock::time_point due, jack_nframes_t own, jack_nframes_t begun,
                       jack_nframes_t rate) {
    const bool goes_on = running_ && due >= last_ && due - last_ <= kMaxPause;
    last_ = due;
    if (goes_on) {
      const auto since = std::chrono::duration_cast<std::chrono::microseconds>(due - start_);
      const auto frames = static_cast<std::int64_t>(
          (static_cast<double>(since.count()) * rate + 500000.0) / 1000000.0);
      const auto frame = static_cast<jack_nframes_t>(start_frame_ + frames);
      const auto ahead = static_cast<std::int64_t>(static_cast<std::int32_t>(frame - begun));
      if (ahead >= 0 && ahead * 1000 <= kMaxBehind.count() * std::int64_t{rate}) return frame;
      // Passed by less than its own frame's lead (the server skipped a cycle): the run trails by
      // what it lost and goes on at once. Starting over at its own frame would add that lead.
      const auto own_ahead = static_cast<std::int64_t>(static_cast<std::int32_t>(own - begun));
      if (ahead < 0 && -ahead < own_ahead) {
        start_frame_ += static_cast<jack_nframes_t>(-ahead);
        return begun;
      }
    }
    running_ = true;
    start_ = due;
    start_frame_ = static_cast<std::int32_t>(own - begun) > 0 ? own : begun;
    return start_frame_;
  }

 private:
  bool running_ = false;
  Clock::time_point start_;
  Clock::time_point last_;
  jack_nframes_t start_frame_ = 0;
};

// Where paced events go in the buffers the process callback writes. An event goes at its frame
// by the server's clock, but never nearer to the paced message written before than its gap,
// counted in the frames of the buffers written since, not on the clock: the receiver takes
// the buffers one after the other, while a client the server runs late can read the next
// cycle's frame as the start of this one, so that an event looks late and would go at the
// start of a buffer that follows the last one by a single period.
class PacedPlacer {
 public:
  // At the start of each cycle the process callback runs.
  void Begin(jack_nframes_t cycle_start, jack_nframes_t nframes) {
    written_ += nframes_;
    cycle_start_ = cycle_start;
    nframes_ = nframes;
  }
  // The event's offset in this cycle's buffer, at `earliest` or after; none when it belongs
  // to a later cycle. `late` says its place had passed.
  std::optional<jack_nframes_t> Place(jack_nframes_t frame, jack_nframes_t gap,
                                      jack_nframes_t earliest, bool& late) const {
    auto due = static_cast<std::int32_t>(frame - cycle_start_);
    if (gap > 0) due = std::max(due, static_cast<std::int32_t>(last_ + gap - written_));
    if (due >= static_cast<std::int32_t>(nframes_)) return std::nullopt;
    late = due < 0;
    return std::max(earliest, static_cast<jack_nframes_t>(std::max(due, 0)));
  }
  // A paced event went at `offset` of this cycle's buffer.
  void Wrote(jack_nframes_t offset) { last_ = written_ + offset; }

 private:
  jack_nframes_t cycle_start_ = 0;
  jack_nframes_t nframes_ = 0;
  jack_nframes_t written_ = 0;  // frames of the buffers before this cycle's, wrapping
  jack_nframes_t last_ = 0;     // where the last paced event went, on the same count
};

// A message on its way to the process callback.
struct OutEvent {
  jack_nframes_t frame = 0;  // a paced message's frame; others go at the first free one
  // The least distance in frames from the paced message before, as their due moments are
  // apart; 0 for the first of a run.
  jack_nframes_t gap = 0;
  bool live = true;
  std::uint32_t size = 0;
  const std::uint8_t* data = nullptr;  // a long message's bytes; short ones travel in bytes
  MidiBufferHeader* header = nullptr;  // reported done once its last byte has left
  std::uint8_t bytes[4] = {};
};

inline constexpr std::size_t kOutRing = 4096;
inline constexpr std::size_t kMaxQueuedBuffers = 4096;

}  // namespace quorvane::jack_detail

namespace quorvane {

struct JackService::Output {
  jack_port_t* port = nullptr;
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  MidiHandle handle = kNoMidiHandle;
  std::string port_name;
  std::string device;
  int generation = 0;
  jack_nframes_t last_frame = 0;  // GUI thread: keeps paced frames from going back
  // GUI thread: when the next message is due, if its sender said, and the run it belongs to.
  std::optional<std::chrono::steady_clock::time_point> next_due;
  std::optional<std::chrono::steady_clock::time_point> last_due;
  jack_detail::PacedRun paced;
  std::uint64_t long_sent = 0;  // GUI thread
  std::atomic<std::uint64_t> long_done{0};
  jack_detail::SpscRing<jack_detail::OutEvent, jack_detail::kOutRing> events;  // GUI -> process
  jack_detail::SpscRing<MidiBufferHeader*, jack_detail::kOutRing> done;        // process -> relay
  std::uint32_t sent = 0;              // process thread: bytes of the oldest event already written
  jack_detail::PacedPlacer placer;     // process thread
  std::atomic<std::uint64_t> late{0};  // events that reached the callback after their frame

  // Process thread. A paced event goes to its frame, the others to the first free one; never
  // before the one ahead of it. Frames the server skipped (it does when the period changes) or
  // a late event push the rest of a run on rather than closer together. A long message that
  // does not fit goes on in the next cycle. True when a block was done.
  bool Write(jack_nframes_t nframes, jack_nframes_t cycle_start) {
    void* buffer = jack_port_get_buffer(port, nframes);
    jack_detail::TakePortBuffer(buffer);
    jack_midi_clear_buffer(buffer);
    placer.Begin(cycle_start, nframes);
    jack_nframes_t last = 0;
    bool finished = false;
    while (const jack_detail::OutEvent* e = events.Front()) {
      jack_nframes_t at = last;
      if (sent == 0 && !e->live) {
        bool passed = false;
        const auto placed = placer.Place(e->frame, e->gap, last, passed);
        if (!placed) break;                                        // a later cycle's
        if (passed) late.fetch_add(1, std::memory_order_relaxed);  // its frame has passed
        at = *placed;
      }
      const std::uint32_t left = e->size - sent;
      // No piece larger than an audio buffer of the period, as JACK 2 sizes MIDI buffers:
      // PipeWire's libjack (0.3.65) offers more room than its links carry and crashes on such
      // an event. Even at 64 frames a 64 KB message takes a third of a second; a cable, twenty.
      const std::size_t room = std::min<std::size_t>(jack_midi_max_event_size(buffer),
                                                     std::size_t{nframes} * sizeof(float));
      std::uint32_t n = left;
      if (room < left) {
        if (!e->header || room == 0) break;  // whole short messages only
        n = static_cast<std::uint32_t>(room);
      }
      jack_midi_data_t* to = jack_midi_event_reserve(buffer, at, n);
      if (!to) break;
      std::memcpy(to, (e->data ? e->data : e->bytes) + sent, n);
      if (sent == 0 && !e->live) placer.Wrote(at);
      last = at;
      if (n < left) {
        sent += n;
        break;
      }
      sent = 0;
      if (e->header) {
        done.Push(e->header);  // as large as events: always room
        finished = true;
      }
      events.Pop();
    }
    jack_detail::LetGoPortBuffer(buffer);
    return finished;
  }
};

struct JackService::Input final : MidiByteParser::Sink, SysexFiller::Buffers {
  jack_port_t* port = nullptr;
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  MidiHandle handle = kNoMidiHandle;
  std::string port_name;
  std::string device;
  int generation = 0;
  jack_nframes_t rate = 48000;
  std::atomic<bool> running{false};
  std::atomic<jack_nframes_t> start_frame{0};
  std::atomic<std::uint64_t> events_lost{0};
  jack_detail::ByteRing events;  // process -> relay
  jack_detail::SpscRing<MidiBufferHeader*, jack_detail::kMaxQueuedBuffers> queue;  // GUI -> relay
  // The relay thread's between passes: a sysex may span events and cycles.
  MidiByteParser parser;
  SysexFiller filler;
  std::uintptr_t stamp = 0;

  // Process thread: copies the cycle's events with their frame times. True when it did.
  bool Read(jack_nframes_t nframes, jack_nframes_t cycle_start) {
    if (!running.load(std::memory_order_acquire)) return false;
    void* buffer = jack_port_get_buffer(port, nframes);
    jack_detail::TakePortBuffer(buffer);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    bool put = false;
    for (std::uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0) continue;
      if (events.Put(cycle_start + event.time, event.buffer,
                     static_cast<std::uint32_t>(event.size))) {
        put = true;
      } else {
        events_lost.fetch_add(1, std::memory_order_relaxed);
      }
    }
    jack_detail::LetGoPortBuffer(buffer);
    return put;
  }

  // Relay thread: parses what the process thread copied and hands it to the port.
  void Relay(std::uint8_t* scratch) {
    std::uint32_t frame = 0;
    std::uint32_t size = 0;
    // Stopped, the GUI thread owns the ring and the parser.
    while (running.load(std::memory_order_acquire) && events.Get(frame, scratch, size)) {
      const auto since = static_cast<std::int32_t>(frame - start_frame.load());
      stamp = since <= 0 ? 0
                         : static_cast<std::uintptr_t>(
                               std::uint64_t{static_cast<std::uint32_t>(since)} * 1000 / rate);
      parser.Feed(scratch, size, *this);
    }
  }

  void Message(std::uint32_t word) override {
    callback(handle, MidiCallbackMessage::InputData, instance, word, stamp);
  }

  void SysexBytes(const std::uint8_t* bytes, std::size_t size) override {
    filler.Add(bytes, size, *this);
  }
  void SysexEnd(bool complete) override { filler.End(complete, *this); }

  MidiBufferHeader* Next() override {
    const auto* next = queue.Front();
    if (!next) return nullptr;
    MidiBufferHeader* header = *next;
    queue.Pop();
    return header;
  }
  void Give(MidiBufferHeader& header, MidiCallbackMessage message) override {
    callback(handle, message, instance, reinterpret_cast<std::uintptr_t>(&header), stamp);
  }

  // GUI thread, input stopped and the relay out of the way: every buffer goes back, the one
  // being filled first.
  void HandBack(std::uintptr_t now) {
    stamp = now;
    events.Clear();
    filler.HandBack(*this);
    parser.Reset();
  }
};

}  // namespace quorvane
