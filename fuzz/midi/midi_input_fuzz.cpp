// Any byte stream, cut into messages as a MIDI wire is, goes into an input port through the
// driver callback of an in-memory service. What the port hands out must be exactly what
// arrived (minus timing clock and active sensing, minus what a full ring or a lack of sysex
// buffers drops), every event well formed, and every sysex buffer back with the port at close.
//
// Input: four set-up bytes (ring capacity, sysex buffer count, sysex buffer size, flags), then
// the stream. Two bytes no device sends steer the harness: 0xF4 drains the port and checks what
// came so far, 0xF5 closes and reopens it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "midi/midi_input_port.h"
#include "midi/midi_message.h"
#include "support/in_process_midi_service.h"

namespace {

using namespace quorvane;

constexpr std::uint8_t kDrainMark = 0xF4;
constexpr std::uint8_t kReopenMark = 0xF5;
constexpr int kMaxReopens = 8;  // each opening starts a service thread

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "midi input: %s\n", what);
  std::abort();
}

// One message as the service delivers it, or a harness step.
struct Item {
  enum Kind { kShort, kSysex, kBrokenSysex, kDrain, kReopen } kind = kShort;
  std::uint32_t word = 0;
  std::vector<std::uint8_t> bytes;
};

// Data bytes after a status: channel messages by their high nibble, system common by value.
int DataLength(std::uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 1;
    case 0xF0:
      return status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
    default:
      return 2;
  }
}

// Cuts a wire byte stream into messages: running status, real-time bytes anywhere (also inside
// a sysex), a sysex cut short by a status byte or by the end of the stream is broken.
std::vector<Item> Split(const std::uint8_t* data, std::size_t size) {
  std::vector<Item> items;
  std::uint8_t running = 0;  // channel status for running status, 0 for none
  std::uint8_t status = 0;   // message being collected, 0 for none
  std::vector<std::uint8_t> message;
  bool in_sysex = false;
  auto end_sysex = [&](bool broken) {
    items.push_back({broken ? Item::kBrokenSysex : Item::kSysex, 0, std::move(message)});
    message.clear();
    in_sysex = false;
  };
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    if (b >= 0xF8) {
      items.push_back({Item::kShort, b, {}});
      continue;
    }
    if (b == kDrainMark || b == kReopenMark) {
      if (in_sysex) end_sysex(true);
      status = 0;
      items.push_back({b == kDrainMark ? Item::kDrain : Item::kReopen, 0, {}});
      continue;
    }
    if (in_sysex) {
      message.push_back(b);
      if (b == 0xF7) {
        end_sysex(false);
      } else if (b >= 0x80) {
        message.pop_back();
        end_sysex(true);
        --i;  // the status byte starts the next message
      }
      continue;
    }
    if (b == 0xF0) {
      in_sysex = true;
      status = 0;
      running = 0;
      message = {b};
      continue;
    }
    if (b >= 0x80) {
      status = b == 0xF7 ? 0 : b;  // a stray end of exclusive is dropped
      running = b < 0xF0 ? b : 0;
      message = {b};
    } else if (status != 0) {
      message.push_back(b);
    } else if (running != 0) {
      status = running;
      message = {running, b};
    } else {
      continue;  // data with no status
    }
    if (status != 0 && static_cast<int>(message.size()) == DataLength(status) + 1) {
      std::uint32_t word = 0;
      for (std::size_t k = 0; k < message.size(); ++k) word |= std::uint32_t{message[k]} << (8 * k);
      items.push_back({Item::kShort, word, {}});
      status = 0;
    }
  }
  if (in_sysex) end_sysex(true);
  return items;
}

struct Expected {
  std::uint8_t status = 0, data1 = 0, data2 = 0;
  std::vector<std::uint8_t> sysex;
};

bool Same(const TMyMidiEvent& got, const Expected& want) {
  if (got.status != want.status) return false;
  if (got.status == kSysexStatus) {
    if (got.sysex_length != want.sysex.size()) return false;
    for (std::size_t k = 0; k < want.sysex.size(); ++k) {
      if (got.sysex_data[k] != want.sysex[k]) return false;
    }
    return true;
  }
  return got.data1 == want.data1 && got.data2 == want.data2;
}

// The port on one device and what it should hand out, following the service's rules.
class Rig {
 public:
  Rig(std::uint16_t capacity, std::uint16_t buffer_count, std::uint16_t buffer_size,
      bool sysex_only)
      : port_(service_), capacity_(capacity) {
    port_.SetCapacity(capacity);
    port_.SetSysexBufferCount(buffer_count);
    port_.SetSysexBufferSize(buffer_size);
    port_.SetSysexOnly(sysex_only);
    buffers_ = buffer_count > 0 && buffer_size > 0 ? buffer_count : 0;
    port_.OnMidiInput = [this](TMidiInput2* sender) {
      while (sender->PendingCount() > 0) Take(sender->ReadEvent());
    };
    port_.OnOverflow = [this](TMidiInput2*) { ++overflows_seen_; };
    Open();
  }

  void Feed(const Item& item) {
    switch (item.kind) {
      case Item::kShort:
        service_.InjectShort(0, item.word);
        ExpectShort(item.word);
        break;
      case Item::kSysex:
      case Item::kBrokenSysex:
        service_.InjectSysex(0, item.bytes, item.kind == Item::kBrokenSysex);
        ExpectSysex(item.bytes);
        break;
      case Item::kDrain:
        Settle();
        break;
      case Item::kReopen:
        if (reopens_++ >= kMaxReopens) break;
        Settle();
        Close();
        Open();
        break;
    }
  }

  void Settle() {
    service_.WaitIdle();
    QElapsedTimer waited;
    waited.start();
    while (port_.PendingCount() > 0 || overflows_seen_ < overflows_) {
      // Never waits long: a notice that does not come is a fault of its own.
      if (waited.elapsed() > 2000) Fail("a notice never reached the GUI thread");
      QCoreApplication::processEvents();
    }
    if (overflows_seen_ != overflows_) Fail("overflow notices differ");
    if (read_ != expected_.size()) Fail("fewer events than delivered");
    expected_.clear();
    read_ = 0;
    free_ = capacity_;
    queued_ = buffers_ - lost_;
  }

  void Close() {
    port_.Close();
    if (port_.SysexBuffers() != 0) Fail("the port keeps buffers after close");
    if (service_.QueuedBufferCount(0) != 0) Fail("buffers left queued after close");
    if (service_.OpenHandleCount() != 0) Fail("handle left open after close");
  }

 private:
  void Open() {
    port_.Open();
    if (!port_.IsOpen()) Fail("open failed");
    port_.Start();
    if (port_.SysexBuffers() != buffers_) Fail("wrong buffer count");
    if (service_.QueuedBufferCount(0) != buffers_) Fail("buffers not queued");
    free_ = capacity_;
    queued_ = buffers_;
    lost_ = 0;
    overflows_ = overflows_seen_ = 0;
  }

  void Take(std::unique_ptr<TMyMidiEvent> event) {
    if (!event) Fail("pending record read as nothing");
    if (event->status < 0x80) Fail("status byte below 0x80");
    if (event->status != kSysexStatus && (event->data1 >= 0x80 || event->data2 >= 0x80))
      Fail("data byte of a short message at 0x80 or above");
    if (read_ >= expected_.size() || !Same(*event, expected_[read_])) Fail("event differs");
    ++read_;
  }

  void Record(Expected e, bool sysex) {
    if (free_ == 0) {
      ++overflows_;
      if (sysex) ++lost_;  // the port gets this buffer back only at close
      return;
    }
    --free_;
    expected_.push_back(std::move(e));
  }

  void ExpectShort(std::uint32_t word) {
    if (word == kActiveSensing || word == kTimingClock || port_.SysexOnly()) return;
    Expected e;
    UnpackShortMessage(word, e.status, e.data1, e.data2);
    Record(std::move(e), false);
  }

  void ExpectSysex(const std::vector<std::uint8_t>& bytes) {
    const std::size_t chunk = port_.SysexBufferSize();
    for (std::size_t pos = 0; pos < bytes.size() && queued_ > 0; pos += chunk) {
      --queued_;
      Expected e;
      e.status = kSysexStatus;
      e.sysex.assign(
          bytes.begin() + static_cast<std::ptrdiff_t>(pos),
          bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), pos + chunk)));
      Record(std::move(e), true);
    }
  }

  InProcessMidiService service_{{"Fuzz In"}, {}};
  TMidiInput2 port_;
  std::uint16_t capacity_;
  std::size_t buffers_ = 0;
  std::vector<Expected> expected_;
  std::size_t read_ = 0;
  std::size_t free_ = 0;    // ring slots left until the next drain
  std::size_t queued_ = 0;  // sysex buffers with the service
  std::size_t lost_ = 0;    // buffers whose record a full ring dropped
  int overflows_ = 0;
  int overflows_seen_ = 0;
  int reopens_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);  // the port's notices need an event loop
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const auto capacity = static_cast<std::uint16_t>(1 + data[0] % 64);
  const auto buffer_count = static_cast<std::uint16_t>(data[1] % 9);
  const auto buffer_size = static_cast<std::uint16_t>(data[2] % 64);
  const bool sysex_only = (data[3] & 1) != 0;
  Rig rig(capacity, buffer_count, buffer_size, sysex_only);
  for (const Item& item : Split(data + 4, size - 4)) rig.Feed(item);
  rig.Settle();
  rig.Close();
  return 0;
}
