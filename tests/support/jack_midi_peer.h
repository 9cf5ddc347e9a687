#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane::testing {

using MidiBytes = std::vector<std::uint8_t>;

// One event as the peer's input port saw it.
struct PeerEvent {
  MidiBytes bytes;
  std::uint64_t time_us = 0;  // frame time of the event, in microseconds
};

// A JACK client in the test process with one MIDI input and one MIDI output.
//
// The process callback records every input event (bytes and frame-accurate
// time) into storage reserved up front, and writes queued outgoing messages,
// so nothing on the realtime path allocates or locks. The server must be
// running when the peer is created.
class JackMidiPeer {
 public:
  explicit JackMidiPeer(const std::string& client_name = "peer");
  ~JackMidiPeer();
  JackMidiPeer(const JackMidiPeer&) = delete;
  JackMidiPeer& operator=(const JackMidiPeer&) = delete;

  // "client:in" and "client:out" as other clients see them.
  std::string inPortName() const;
  std::string outPortName() const;
  std::string clientName() const;

  // Connects two ports by full name (works for any client's ports) and returns once the
  // connection carries MIDI: the graph switches a cycle or more after the request, later on a
  // loaded machine. False when it did not within the timeout.
  bool connect(const std::string& source, const std::string& destination,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Full names of every MIDI port of the given direction, as JACK lists them.
  std::vector<std::string> midiPorts(bool outputs) const;

  // Queues messages for the process callback (each one JACK event, in order);
  // waits for an earlier batch to leave first. Returns false if it could not.
  bool send(std::vector<MidiBytes> messages,
            std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // At most n messages of a batch per cycle (0: as many as the buffer takes).
  void setPerCycleLimit(std::size_t n) { per_cycle_limit_.store(n, std::memory_order_relaxed); }
  // Waits until the queued batch has been written to the output buffer.
  bool waitSent(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

  // Number of events recorded so far.
  std::size_t count() const { return recorded_.load(std::memory_order_acquire); }
  // Waits until at least n events have been recorded.
  bool waitFor(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
  // Copies of the events recorded from index `from` on.
  std::vector<PeerEvent> events(std::size_t from = 0) const;
  // True when the input saw more than the reserved storage holds.
  bool lost() const { return lost_.load(std::memory_order_acquire); }
  // Names of the clients that joined the server since the peer was made, in order.
  std::vector<std::string> clientsRegistered() const;
  // True once JACK told the client that the server went away.
  bool serverGone() const { return shutdown_.load(std::memory_order_acquire); }

  static constexpr std::size_t kMaxEvents = 65536;
  static constexpr std::size_t kMaxBytes = 4 * 1024 * 1024;

 private:
  static int Process(jack_nframes_t nframes, void* self);
  static void Shutdown(void* self);
  static void ClientRegistration(const char* name, int registered, void* self);
  void record(jack_nframes_t nframes);
  void write(jack_nframes_t nframes);

  struct Slot {
    std::size_t offset;
    std::size_t size;
    std::uint64_t time_us;
  };

  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  jack_port_t* out_ = nullptr;
  jack_nframes_t rate_ = 48000;

  // Input log: written only by the process thread, published through recorded_.
  std::unique_ptr<Slot[]> slots_;
  std::unique_ptr<std::uint8_t[]> pool_;
  std::size_t pool_used_ = 0;
  std::atomic<std::size_t> recorded_{0};
  std::atomic<bool> lost_{false};

  // Output batch: filled by the test thread while idle, then handed over.
  std::vector<MidiBytes> batch_;
  std::size_t batch_next_ = 0;  // process thread only
  std::atomic<bool> batch_ready_{false};
  std::atomic<bool> shutdown_{false};
  std::atomic<std::size_t> per_cycle_limit_{0};
  std::atomic<std::uint64_t> cycles_{0};  // process cycles run so far
  // JACK's notification thread adds, the test thread reads.
  mutable std::mutex clients_mutex_;
  std::vector<std::string> clients_;
};

}  // namespace quorvane::testing
