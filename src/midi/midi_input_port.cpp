#include "midi/midi_input_port.h"

#include <algorithm>
#include <cstring>

#include "midi/port_notifier.h"

namespace quorvane {

namespace {
constexpr std::size_t kErrorTextLimit = 127;  // the service's text buffer holds 128 with the NUL
}  // namespace

TMidiInput2::TMidiInput2(MidiService& service)
    : service_(service), notifier_(std::make_unique<PortNotifier>()) {
  device_count_ = static_cast<std::uint16_t>(service_.InputDeviceCount());
  if (device_count_ > 0) SetDeviceID(0);
  notifier_->on_data_ready = [this] { DataReady(); };
  notifier_->on_overflow = [this] { Overflowed(); };
}

TMidiInput2::~TMidiInput2() {
  if (open_) {
    try {
      Close();
    } catch (const PortError&) {
      // Nobody is left to show it.
    }
  }
  TearDownQuietly();
  block_.reset();
}

std::string TMidiInput2::ErrorText(MidiResult code) {
  std::string text;
  if (service_.InputErrorText(code, text) != kMidiNoError) return kErrorNumberOutOfRange;
  if (text.size() > kErrorTextLimit) text.resize(kErrorTextLimit);
  return text;
}

void TMidiInput2::Raise(const std::string& message) {
  throw EMidiInputError(message);
}

void TMidiInput2::Check(MidiResult result) {
  if (result != kMidiNoError) Raise(ErrorText(result));
}

void TMidiInput2::SetDeviceID(std::uint16_t id) {
  if (open_) Raise("Change to DeviceID while device was open");
  if (id >= service_.InputDeviceCount()) Raise("Invalid device ID");
  device_id_ = id;
  MidiInputCaps caps;
  Check(Store(service_.InputDeviceCaps(id, caps)));
  product_name_ = caps.name;
  device_info_ = std::move(caps);
}

void TMidiInput2::SetProductName(const std::string& name) {
  if (open_) Raise("Change to ProductName while device was open");
  const std::uint32_t count = service_.InputDeviceCount();
  bool found = false;
  std::uint16_t found_id = 0;
  for (std::uint32_t id = 0; id < count; ++id) {
    MidiInputCaps caps;
    Check(Store(service_.InputDeviceCaps(static_cast<unsigned>(id), caps)));
    if (caps.name == name) {
      product_name_ = name;
      found = true;
      found_id = static_cast<std::uint16_t>(id);
      break;
    }
  }
  if (!found || product_name_ != name) Raise("MIDI Input Device " + name + " not installed ");
  SetDeviceID(found_id);
}

void TMidiInput2::SetSysexBufferSize(std::uint16_t size) {
  if (open_) Raise("Change to SysexBufferSize while device was open");
  sysex_buffer_size_ = size;
}

void TMidiInput2::SetSysexBufferCount(std::uint16_t count) {
  if (open_) Raise("Change to SysexBuffercount while device was open");
  sysex_buffer_count_ = count;
}

void TMidiInput2::SetSysexOnly(bool sysex_only) {
  sysex_only_ = sysex_only;
  if (block_) block_->sysex_only.store(sysex_only ? 1 : 0, std::memory_order_relaxed);
}

// Releases everything of a device that is not properly open (failed Open, failed Close),
// ignoring the service's answers: there is nothing left to report them to.
void TMidiInput2::TearDownQuietly() {
  if (handle_ != kNoMidiHandle) {
    service_.InputReset(handle_);
    for (const auto& buffer : buffers_) service_.InputUnprepareHeader(handle_, *buffer->Header());
    service_.InputClose(handle_);
    handle_ = kNoMidiHandle;
  }
  buffers_.clear();
  if (block_) block_->ring = nullptr;
  RingRelease(ring_);
  open_ = false;
}

void TMidiInput2::Open() {
  if (open_) return;
  if (handle_ != kNoMidiHandle) TearDownQuietly();  // left over from a failed Close

  const auto fail = [this] {
    TearDownQuietly();
    block_.reset();
  };
  if (!ring_) ring_ = RingCreate(capacity_);
  if (!ring_) return fail();
  if (!block_) block_ = std::make_unique<TDriverCallbackBlock>();
  // Nothing turned away during an earlier opening may be taken now.
  block_->any_dropped.store(false, std::memory_order_relaxed);
  for (auto& entry : block_->dropped_controls) entry.store(0, std::memory_order_relaxed);
  block_->ring = ring_.get();
  block_->window = notifier_.get();
  block_->sysex_only.store(sysex_only_ ? 1 : 0, std::memory_order_relaxed);
  notifier_->Discard();  // nothing from an earlier opening may fire now

  MidiHandle handle = kNoMidiHandle;
  service_.SetNextPortName(port_name_);
  if (Store(service_.InputOpen(handle, device_id_, &DriverCallback, block_.get())) !=
      kMidiNoError) {
    return fail();
  }
  handle_ = handle;

  if (sysex_buffer_count_ > 0 && sysex_buffer_size_ > 0 && handle_ != kNoMidiHandle) {
    buffers_.reserve(sysex_buffer_count_);
    for (std::uint16_t i = 0; i < sysex_buffer_count_; ++i) {
      auto buffer = std::make_unique<TMyMidiHdr>(sysex_buffer_size_);
      buffer->Header()->user = reinterpret_cast<std::uintptr_t>(buffer.get());
      if (Store(service_.InputPrepareHeader(handle_, *buffer->Header())) != kMidiNoError) {
        return fail();
      }
      buffers_.push_back(std::move(buffer));
    }
  }
  for (const auto& buffer : buffers_) {
    if (Store(service_.InputAddBuffer(handle_, *buffer->Header())) != kMidiNoError) {
      return fail();
    }
  }
  open_ = true;
}

void TMidiInput2::Start() {
  if (open_) Check(Store(service_.InputStart(handle_)));
}

void TMidiInput2::Close() {
  if (!open_) return;
  // Closed first: buffers the reset hands back and notices still in flight are ignored.
  open_ = false;
  Check(Store(service_.InputReset(handle_)));
  while (!buffers_.empty()) {
    Check(Store(service_.InputUnprepareHeader(handle_, *buffers_.back()->Header())));
    buffers_.pop_back();
  }
  Check(Store(service_.InputClose(handle_)));
  handle_ = kNoMidiHandle;
  block_->ring = nullptr;
  RingRelease(ring_);
}

std::uint16_t TMidiInput2::PendingCount() const {
  if (!open_ || !ring_) return 0;
  return ring_->Count();
}

std::unique_ptr<TMyMidiEvent> TMidiInput2::ReadEvent() {
  TMidiRingRecord record;
  if (!open_ || !ring_ || !RingPeek(*ring_, record)) return nullptr;
  auto event = std::make_unique<TMyMidiEvent>();
  event->timestamp = record.timestamp;
  if (record.header != nullptr) {
    MidiBufferHeader& header = *record.header;
    event->status = kSysexStatus;
    const auto recorded = static_cast<std::uint16_t>(
        std::min<std::uint32_t>(header.bytes_recorded, header.buffer_length) & 0xFFFF);
    event->sysex_length = recorded;
    if (recorded > 0) {
      event->sysex_data = std::make_unique<std::uint8_t[]>(recorded);
      std::memcpy(event->sysex_data.get(), header.data, recorded);
    }
    MidiResult requeued = Store(service_.InputPrepareHeader(handle_, header));
    if (requeued == kMidiNoError) requeued = Store(service_.InputAddBuffer(handle_, header));
    if (requeued != kMidiNoError) {
      // Drop the record anyway, or a drain loop would meet it forever.
      RingRemove(*ring_);
      Check(requeued);
    }
  } else {
    UnpackShortMessage(record.short_message, event->status, event->data1, event->data2);
  }
  RingRemove(*ring_);
  return event;
}

void TMidiInput2::DataReady() {
  if (OnMidiInput && open_ && PendingCount() > 0) OnMidiInput(this);
}

void TMidiInput2::TakeDroppedControlChanges(
    const std::function<void(std::uint8_t, std::uint8_t, std::uint8_t)>& take) {
  if (!block_ || !block_->any_dropped.exchange(false, std::memory_order_acquire)) return;
  for (std::size_t i = 0; i < block_->dropped_controls.size(); ++i) {
    std::atomic<std::uint16_t>& entry = block_->dropped_controls[i];
    if (entry.load(std::memory_order_relaxed) == 0) continue;
    const std::uint16_t dropped = entry.exchange(0, std::memory_order_acquire);
    if (dropped == 0) continue;
    take(static_cast<std::uint8_t>(0xB0 | (i >> 7)), static_cast<std::uint8_t>(i & 0x7F),
         static_cast<std::uint8_t>(dropped & 0x7F));
  }
}

void TMidiInput2::Overflowed() {
  if (OnOverflow && open_) OnOverflow(this);
}

void TMidiInput2::SetErrorHandler(std::function<void(const std::string&)> handler) {
  notifier_->on_error = std::move(handler);
}

}  // namespace quorvane
