#pragma once

// Fills an input's queued receive buffers with the system-exclusive message under way: the rule
// every service keeps alike.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "midi/midi_service.h"

namespace quorvane {

// Runs on the receiving thread; allocates nothing and takes no lock of its own, so it may run
// where the driver callback runs. The bytes of one message fill the queued buffers in turn; a
// full one goes back once more bytes need room, the last one when the message ends. With none
// queued the rest of the message is lost, and counted when it ends.
class SysexFiller {
 public:
  // Where the buffers come from and where they go back.
  class Buffers {
   public:
    // The oldest buffer queued with the service, taken off the queue; nullptr when none is.
    virtual MidiBufferHeader* Next() = 0;
    // The buffer, released already, goes back to its port: InputLongData, or InputLongError
    // for the last piece of a message that was cut off or lost bytes.
    virtual void Give(MidiBufferHeader& header, MidiCallbackMessage message) = 0;

   protected:
    ~Buffers() = default;
  };

  // The next bytes of the message. Even no bytes take a buffer when none is being filled.
  void Add(const std::uint8_t* bytes, std::size_t size, Buffers& buffers);
  // The message has ended: complete when by F7, otherwise cut off.
  void End(bool complete, Buffers& buffers);
  // Input has stopped: the buffer being filled goes back as far as filled, then every queued one
  // empty; the message under way is forgotten.
  void HandBack(Buffers& buffers);
  // The service is going away: the buffer being filled is forgotten, not given back.
  void Forget() {
    current_.store(nullptr, std::memory_order_relaxed);
    losing_ = false;
  }

  // Any thread: whether a buffer is being filled.
  bool Filling() const { return current_.load(std::memory_order_relaxed) != nullptr; }
  // Any thread: messages that lost bytes for want of a buffer.
  std::uint64_t Lost() const { return lost_count_.load(std::memory_order_relaxed); }

 private:
  void Give(Buffers& buffers, MidiCallbackMessage message);

  std::atomic<MidiBufferHeader*> current_{nullptr};
  bool losing_ = false;  // the message under way has lost bytes
  std::atomic<std::uint64_t> lost_count_{0};
};

}  // namespace quorvane
