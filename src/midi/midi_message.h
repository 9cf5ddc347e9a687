#pragma once

// MIDI wire layout and the small types shared by both ports: the packed short message, the
// received event, the sysex buffer owner, the receive ring and the driver callback.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "midi/midi_service.h"

namespace quorvane {

class PortNotifier;

// status | data1 << 8 | data2 << 16, each taken as an unsigned byte; bits 24..31 zero.
constexpr std::uint32_t PackShortMessage(std::uint8_t status, std::uint8_t data1,
                                         std::uint8_t data2) {
  return std::uint32_t{status} | std::uint32_t{data1} << 8 | std::uint32_t{data2} << 16;
}

// How many bytes a short message with this status carries; 0 when it cannot go as one
// (system exclusive, undefined statuses, data bytes).
std::size_t ShortMessageLength(std::uint8_t status);

constexpr void UnpackShortMessage(std::uint32_t word, std::uint8_t& status, std::uint8_t& data1,
                                  std::uint8_t& data2) {
  status = static_cast<std::uint8_t>(word & 0xFF);
  data1 = static_cast<std::uint8_t>((word >> 8) & 0xFF);
  data2 = static_cast<std::uint8_t>((word >> 16) & 0xFF);
}

inline constexpr std::uint8_t kSysexStatus = 0xF0;
inline constexpr std::uint32_t kActiveSensing = 0xFE;
inline constexpr std::uint32_t kTimingClock = 0xF8;

// One received event; whoever called ReadEvent owns it.
struct TMyMidiEvent {
  std::uint8_t status = 0;  // 0xF0 for system exclusive
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  std::uint32_t timestamp = 0;  // ms since the input was started
  std::uint16_t sysex_length = 0;
  std::unique_ptr<std::uint8_t[]> sysex_data;  // sysex_length bytes, or none
};

// Owns one service buffer header and its zero-filled data block. Its address goes into the
// header's user field so that the owner can be found from a header the service hands back.
class TMyMidiHdr {
 public:
  explicit TMyMidiHdr(std::uint16_t size);  // size 0 allocates nothing
  TMyMidiHdr(const TMyMidiHdr&) = delete;
  TMyMidiHdr& operator=(const TMyMidiHdr&) = delete;

  MidiBufferHeader* Header() const { return header_.get(); }
  std::uint8_t* Data() const { return data_.get(); }

  // The owner stored in header.user, or nullptr.
  static TMyMidiHdr* OwnerOf(const MidiBufferHeader& header) {
    return reinterpret_cast<TMyMidiHdr*>(header.user);
  }

 private:
  std::unique_ptr<MidiBufferHeader> header_;
  std::unique_ptr<std::uint8_t[]> data_;
};

// One slot of the receive ring.
struct TMidiRingRecord {
  std::uint32_t timestamp = 0;
  std::uint32_t short_message = 0;     // 0 for a sysex record
  MidiBufferHeader* header = nullptr;  // the sysex buffer, none for a short message
};

// Storage was once sized by a 16-bit byte count of 12-byte records; the limit stays.
inline constexpr std::uint16_t kMaxRingCapacity = 5461;

// Fixed-capacity FIFO between exactly one producer (the driver callback) and one consumer
// (the GUI thread). count is the only field both sides write; a record becomes visible only
// once it is completely written, and a slot is reused only after the consumer removed it.
class TMidiEventRing {
 public:
  explicit TMidiEventRing(std::uint16_t capacity);

  std::uint16_t Capacity() const { return capacity_; }
  std::uint16_t Count() const { return count_.load(std::memory_order_acquire); }

  bool Put(const TMidiRingRecord& record);   // producer
  bool Peek(TMidiRingRecord& record) const;  // consumer
  bool Remove();                             // consumer

 private:
  std::unique_ptr<TMidiRingRecord[]> storage_;
  std::uint16_t capacity_;
  std::uint16_t write_pos_ = 0;  // producer only
  std::uint16_t read_pos_ = 0;   // consumer only
  std::atomic<std::uint16_t> count_{0};
};

// None for a capacity of 0 or above kMaxRingCapacity, or when allocation fails.
std::unique_ptr<TMidiEventRing> RingCreate(std::uint16_t capacity);
inline bool RingPut(TMidiEventRing& ring, const TMidiRingRecord& record) {
  return ring.Put(record);
}
inline bool RingPeek(const TMidiEventRing& ring, TMidiRingRecord& record) {
  return ring.Peek(record);
}
inline bool RingRemove(TMidiEventRing& ring) {
  return ring.Remove();
}
inline void RingRelease(std::unique_ptr<TMidiEventRing>& ring) {
  ring.reset();
}

// Instance data handed to the service at open and back to every driver callback. The GUI
// thread fills ring and window before the device is opened and clears ring only after it is
// closed; sysex_only may change at any time.
struct TDriverCallbackBlock {
  TMidiEventRing* ring = nullptr;  // none for an output port
  PortNotifier* window = nullptr;
  std::atomic<std::uint8_t> sysex_only{0};
  // The newest control change of each channel and controller that a full ring turned away,
  // as kDroppedMark | value, or 0. A control change that enters the ring clears its entry
  // first, so after a drain the entries left are newer than anything the ring held.
  static constexpr std::uint16_t kDroppedMark = 0x100;
  std::array<std::atomic<std::uint16_t>, std::size_t{16} * 128> dropped_controls{};
  std::atomic<bool> any_dropped{false};
};

// The driver callback both ports register. Runs on the service's thread; it copies one record
// and posts one notice, nothing else.
void DriverCallback(MidiHandle handle, MidiCallbackMessage message, void* instance,
                    std::uintptr_t param1, std::uintptr_t param2);

}  // namespace quorvane
