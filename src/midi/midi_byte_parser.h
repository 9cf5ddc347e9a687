#pragma once

// Splits a MIDI byte stream into messages, as a receiving instrument would.

#include <cstddef>
#include <cstdint>

namespace quorvane {

// Running status, real-time bytes inside anything, and a system-exclusive message that any
// status byte other than a real-time one ends. Keeps its state between calls, so a message may
// arrive in pieces. Allocates nothing: it runs on realtime threads.
class MidiByteParser {
 public:
  class Sink {
   public:
    // A whole short message: status | data1 << 8 | data2 << 16.
    virtual void Message(std::uint32_t word) = 0;
    // The next bytes of the system-exclusive message under way (F0 first, F7 last if any).
    virtual void SysexBytes(const std::uint8_t* bytes, std::size_t size) = 0;
    // The message has ended: complete when by F7, otherwise cut off by another status byte.
    virtual void SysexEnd(bool complete) = 0;

   protected:
    ~Sink() = default;
  };

  void Feed(const std::uint8_t* bytes, std::size_t size, Sink& sink);
  // Forgets any message under way without a word to the sink.
  void Reset();
  bool InSysex() const { return sysex_; }

 private:
  void Status(std::uint8_t byte, Sink& sink);

  bool sysex_ = false;
  std::uint8_t status_ = 0;  // of the message being collected; 0 for none
  std::uint8_t need_ = 0;    // data bytes it takes
  std::uint8_t have_ = 0;
  std::uint8_t data_[2] = {};
};

}  // namespace quorvane
