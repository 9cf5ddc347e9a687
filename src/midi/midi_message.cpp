#include "midi/midi_message.h"

#include <new>

#include "midi/port_notifier.h"

namespace quorvane {

TMyMidiHdr::TMyMidiHdr(std::uint16_t size) {
  if (size == 0) return;
  header_ = std::make_unique<MidiBufferHeader>();
  data_ = std::make_unique<std::uint8_t[]>(size);  // value-initialised: zero-filled
  header_->data = data_.get();
  header_->buffer_length = size;
}

TMidiEventRing::TMidiEventRing(std::uint16_t capacity)
    : storage_(std::make_unique<TMidiRingRecord[]>(capacity)), capacity_(capacity) {}

bool TMidiEventRing::Put(const TMidiRingRecord& record) {
  // Acquire pairs with Remove's release: the consumer is done with the slot we reuse.
  if (count_.load(std::memory_order_acquire) >= capacity_) return false;
  storage_[write_pos_] = record;
  write_pos_ = static_cast<std::uint16_t>(write_pos_ + 1 == capacity_ ? 0 : write_pos_ + 1);
  count_.fetch_add(1, std::memory_order_release);
  return true;
}

bool TMidiEventRing::Peek(TMidiRingRecord& record) const {
  if (count_.load(std::memory_order_acquire) == 0) return false;
  record = storage_[read_pos_];
  return true;
}

bool TMidiEventRing::Remove() {
  if (count_.load(std::memory_order_acquire) == 0) return false;
  read_pos_ = static_cast<std::uint16_t>(read_pos_ + 1 == capacity_ ? 0 : read_pos_ + 1);
  count_.fetch_sub(1, std::memory_order_release);
  return true;
}

std::unique_ptr<TMidiEventRing> RingCreate(std::uint16_t capacity) {
  if (capacity == 0 || capacity > kMaxRingCapacity) return nullptr;
  try {
    return std::make_unique<TMidiEventRing>(capacity);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void DriverCallback(MidiHandle /*handle*/, MidiCallbackMessage message, void* instance,
                    std::uintptr_t param1, std::uintptr_t param2) {
  auto* block = static_cast<TDriverCallbackBlock*>(instance);
  switch (message) {
    case MidiCallbackMessage::InputData:
    case MidiCallbackMessage::InputLongData:
    case MidiCallbackMessage::InputLongError: {
      if (param1 == kActiveSensing || param1 == kTimingClock) return;
      const bool is_short = message == MidiCallbackMessage::InputData;
      if (is_short && block != nullptr && block->sysex_only.load(std::memory_order_relaxed) != 0) {
        return;
      }
      if (block == nullptr || block->ring == nullptr) return;
      TMidiRingRecord record;
      record.timestamp = static_cast<std::uint32_t>(param2);
      if (is_short) {
        record.short_message = static_cast<std::uint32_t>(param1);
      } else {
        record.header = reinterpret_cast<MidiBufferHeader*>(param1);
      }
      // A control change's entry is cleared before the record can be seen in the ring.
      std::atomic<std::uint16_t>* control = nullptr;
      if (is_short && (param1 & 0xF0) == 0xB0) {
        control = &block->dropped_controls[((param1 & 0x0F) << 7) | ((param1 >> 8) & 0x7F)];
        if (control->load(std::memory_order_relaxed) != 0) {
          control->store(0, std::memory_order_relaxed);
        }
      }
      if (RingPut(*block->ring, record)) {
        if (block->window != nullptr) block->window->PostDataReady();
        return;
      }
      if (control != nullptr) {
        const auto value = static_cast<std::uint16_t>((param1 >> 16) & 0x7F);
        control->store(TDriverCallbackBlock::kDroppedMark | value, std::memory_order_relaxed);
        block->any_dropped.store(true, std::memory_order_release);
      }
      if (block->window != nullptr) block->window->PostOverflow();
      return;
    }
    case MidiCallbackMessage::OutputDone:
      if (block != nullptr && block->window != nullptr) {
        block->window->PostSendDone(reinterpret_cast<MidiBufferHeader*>(param1));
      }
      return;
    default:
      return;  // open, close, error, more-data: nothing to do
  }
}

std::size_t ShortMessageLength(std::uint8_t status) {
  if (status < 0x80) return 0;
  if (status < 0xC0 || (status >= 0xE0 && status < 0xF0) || status == 0xF2) return 3;
  if (status < 0xE0 || status == 0xF1 || status == 0xF3) return 2;
  switch (status) {
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

}  // namespace quorvane
