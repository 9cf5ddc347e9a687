#include "midi/midi_byte_parser.h"

namespace quorvane {

void MidiByteParser::Reset() {
  sysex_ = false;
  status_ = 0;
  need_ = 0;
  have_ = 0;
}

void MidiByteParser::Feed(const std::uint8_t* bytes, std::size_t size, Sink& sink) {
  // Sysex bytes go to the sink in runs between the bytes that interrupt them.
  const std::uint8_t* run = nullptr;
  const auto flush = [&](const std::uint8_t* end) {
    if (run && end > run) sink.SysexBytes(run, static_cast<std::size_t>(end - run));
    run = nullptr;
  };
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t byte = bytes[i];
    const std::uint8_t* at = bytes + i;
    if (byte >= 0xF8) {
      // Real time: at once, and neither running status nor a sysex is disturbed.
      flush(at);
      sink.Message(byte);
      continue;
    }
    if (sysex_) {
      if (byte < 0x80) {
        if (!run) run = at;
        continue;
      }
      if (byte == 0xF7) {
        if (!run) run = at;
        flush(at + 1);
        sysex_ = false;
        sink.SysexEnd(true);
        continue;
      }
      flush(at);
      sysex_ = false;
      sink.SysexEnd(false);
      // and the new status is taken as it would be anywhere
    }
    if (byte == 0xF0) {
      sysex_ = true;
      status_ = 0;
      have_ = 0;
      run = at;
      continue;
    }
    if (byte >= 0x80) {
      Status(byte, sink);
      continue;
    }
    if (status_ == 0) continue;  // data with no status to belong to
    data_[have_++] = byte;
    if (have_ < need_) continue;
    std::uint32_t word = status_ | std::uint32_t{data_[0]} << 8;
    if (need_ > 1) word |= std::uint32_t{data_[1]} << 16;
    have_ = 0;
    // System common messages leave no running status behind.
    if (status_ >= 0xF0) status_ = 0;
    sink.Message(word);
  }
  flush(bytes + size);
}

void MidiByteParser::Status(std::uint8_t byte, Sink& sink) {
  have_ = 0;
  status_ = 0;
  if (byte < 0xF0) {
    status_ = byte;
    need_ = (byte & 0xF0) == 0xC0 || (byte & 0xF0) == 0xD0 ? 1 : 2;
    return;
  }
  switch (byte) {
    case 0xF1:
    case 0xF3:
      status_ = byte;
      need_ = 1;
      return;
    case 0xF2:
      status_ = byte;
      need_ = 2;
      return;
    case 0xF6:
      sink.Message(byte);
      return;
    default:
      return;  // F4, F5 and a stray F7 carry nothing
  }
}

}  // namespace quorvane
