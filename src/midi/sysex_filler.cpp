#include "midi/sysex_filler.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

void SysexFiller::Add(const std::uint8_t* bytes, std::size_t size, Buffers& buffers) {
  for (bool first = true; !losing_ && (first || size > 0); first = false) {
    MidiBufferHeader* header = current_.load(std::memory_order_relaxed);
    if (header && size > 0 && header->bytes_recorded >= header->buffer_length) {
      Give(buffers, MidiCallbackMessage::InputLongData);
      header = nullptr;
    }
    if (!header) {
      header = buffers.Next();
      if (!header) {
        losing_ = true;
        return;
      }
      header->bytes_recorded = 0;
      current_.store(header, std::memory_order_relaxed);
    }
    const std::size_t n =
        std::min<std::size_t>(header->buffer_length - header->bytes_recorded, size);
    if (n > 0) std::memcpy(header->data + header->bytes_recorded, bytes, n);
    header->bytes_recorded += static_cast<std::uint32_t>(n);
    bytes += n;
    size -= n;
  }
}

void SysexFiller::End(bool complete, Buffers& buffers) {
  if (Filling())
    Give(buffers, complete && !losing_ ? MidiCallbackMessage::InputLongData
                                       : MidiCallbackMessage::InputLongError);
  if (losing_) lost_count_.fetch_add(1, std::memory_order_relaxed);
  losing_ = false;
}

void SysexFiller::HandBack(Buffers& buffers) {
  if (Filling()) Give(buffers, MidiCallbackMessage::InputLongData);
  while (MidiBufferHeader* header = buffers.Next()) {
    header->bytes_recorded = 0;
    current_.store(header, std::memory_order_relaxed);
    Give(buffers, MidiCallbackMessage::InputLongData);
  }
  losing_ = false;
}

void SysexFiller::Give(Buffers& buffers, MidiCallbackMessage message) {
  MidiBufferHeader* header = current_.exchange(nullptr, std::memory_order_relaxed);
  ReleaseHeader(*header);
  buffers.Give(*header, message);
}

}  // namespace quorvane
