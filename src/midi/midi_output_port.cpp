#include "midi/midi_output_port.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "midi/port_notifier.h"

namespace quorvane {

namespace {
constexpr std::size_t kErrorTextLimit = 127;  // the service's text buffer holds 128 with the NUL
constexpr std::size_t kMaxSysexLength = 65535;

// Data bytes a short message with this status carries; the rest of the word is never sent.
// Same table as the service's (rtmidi_support.cpp ShortLength, less the status byte).
int DataByteCount(std::uint8_t status) {
  if (status < 0xC0) return 2;
  if (status < 0xE0) return 1;
  if (status < 0xF0) return 2;
  if (status == 0xF1 || status == 0xF3) return 1;
  if (status == 0xF2) return 2;
  return 0;  // real-time and the rest: the status alone (or refused by the service)
}

std::string Hex(std::uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

// "B0 C8 7F": the bytes the message would carry.
std::string MessageText(const std::uint8_t* bytes, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? " " : "") + Hex(bytes[i]);
  return text;
}
}  // namespace

TMidiOutput2::TMidiOutput2(MidiService& service)
    : service_(service), notifier_(std::make_unique<PortNotifier>()) {
  device_count_ = service_.OutputDeviceCount();
  notifier_->on_send_done = [this](MidiBufferHeader* header) { SendDone(header); };
}

TMidiOutput2::~TMidiOutput2() {
  if (open_) {
    try {
      Close();
    } catch (const PortError&) {
      // Nobody is left to show it.
    }
  }
  // The service is done with the handle; whatever it never reported goes now.
  in_flight_.clear();
  block_.reset();
}

std::string TMidiOutput2::ErrorText(MidiResult code) {
  std::string text;
  if (service_.OutputErrorText(code, text) != kMidiNoError) return kErrorNumberOutOfRange;
  if (text.size() > kErrorTextLimit) text.resize(kErrorTextLimit);
  return text;
}

void TMidiOutput2::Raise(const std::string& message) {
  throw EmidioutputError(message);
}

void TMidiOutput2::Check(MidiResult result) {
  if (result != kMidiNoError) Raise(ErrorText(result));
}

void TMidiOutput2::SetDeviceID(int id) {
  if (open_) Raise("Change to DeviceID while device was open");
  if (static_cast<long long>(id) >= static_cast<long long>(service_.OutputDeviceCount())) {
    Raise("Invalid device ID");
  }
  device_id_ = id;
  MidiOutputCaps caps;
  Check(Store(service_.OutputDeviceCaps(id, caps)));
  product_name_ = caps.name;
  device_info_ = std::move(caps);
}

void TMidiOutput2::SetProductName(const std::string& name) {
  if (open_) Raise("Change to ProductName while device was open");
  const int count = static_cast<int>(service_.OutputDeviceCount());
  bool found = false;
  int found_id = kMidiMapperId;
  for (int id = kMidiMapperId; id < count; ++id) {
    MidiOutputCaps caps;
    Check(Store(service_.OutputDeviceCaps(id, caps)));
    if (caps.name == name) {
      product_name_ = name;
      found = true;
      found_id = id;
      break;
    }
  }
  if (!found || product_name_ != name) Raise("MIDI output Device " + name + " not installed");
  SetDeviceID(found_id);
}

bool TMidiOutput2::Open() {
  if (!block_) block_ = std::make_unique<TDriverCallbackBlock>();
  block_->window = notifier_.get();
  MidiHandle handle = kNoMidiHandle;
  service_.SetNextPortName(port_name_);
  if (Store(service_.OutputOpen(handle, device_id_, &DriverCallback, block_.get())) !=
      kMidiNoError) {
    // A port that is still open keeps the block its handle uses.
    if (!open_) block_.reset();
    return false;
  }
  handle_ = handle;
  open_ = true;
  return true;
}

bool TMidiOutput2::Close() {
  if (!open_) {
    handle_ = kNoMidiHandle;
    return false;
  }
  const MidiResult drained = Store(service_.OutputDrain(handle_));
  // Finish the blocks the service has reported, while the handle is still valid.
  std::exception_ptr failure;
  try {
    notifier_->Dispatch();
  } catch (...) {
    failure = std::current_exception();
  }
  const MidiResult closed = Store(service_.OutputClose(handle_));
  handle_ = kNoMidiHandle;
  open_ = false;
  // A closed handle tells of no more blocks; anything unreported is ours to free.
  in_flight_.clear();
  notifier_->Discard();
  if (failure) std::rethrow_exception(failure);
  Check(drained);
  Check(closed);
  return true;
}

void TMidiOutput2::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  // A receiver would read a byte of 0x80 or more as the status of a new message.
  const std::uint8_t bytes[3] = {status, data1, data2};
  if (status < 0x80) {
    Raise("Invalid MIDI status byte 0x" + Hex(status) + " in message " + MessageText(bytes, 3));
  }
  const int length = 1 + DataByteCount(status);
  for (int i = 1; i < length; ++i) {
    if (bytes[i] >= 0x80) {
      Raise("Invalid MIDI data byte 0x" + Hex(bytes[i]) + " in message " +
            MessageText(bytes, length));
    }
  }
  Check(Store(service_.OutputShortMessage(handle_, PackShortMessage(status, data1, data2))));
}

void TMidiOutput2::SendSysex(const std::uint8_t* data, std::size_t length) {
  if (length == 0 || length > kMaxSysexLength) {
    Raise("System exclusive message of " + std::to_string(length) +
          " bytes cannot be sent (1 to 65535 bytes)");
  }
  auto owner = std::make_unique<TMyMidiHdr>(static_cast<std::uint16_t>(length));
  std::memcpy(owner->Data(), data, length);
  MidiBufferHeader& header = *owner->Header();
  header.user = reinterpret_cast<std::uintptr_t>(owner.get());
  Check(Store(service_.OutputPrepareHeader(handle_, header)));
  if (Store(service_.OutputLongMessage(handle_, header)) != kMidiNoError) {
    const MidiResult refused = last_result_;
    service_.OutputUnprepareHeader(handle_, header);
    last_result_ = refused;
    Check(refused);
  }
  in_flight_.push_back(std::move(owner));
}

void TMidiOutput2::SendEvent(const TMyMidiEvent& event) {
  if (!open_) Raise("MIDI Output device not open");
  if (event.sysex_data) {
    SendSysex(event.sysex_data.get(), event.sysex_length);
  } else {
    SendShort(event.status, event.data1, event.data2);
  }
}

std::chrono::microseconds TMidiOutput2::ScheduleLead() const {
  return open_ ? service_.OutputScheduleLead() : std::chrono::microseconds{};
}

void TMidiOutput2::SetNextDue(std::chrono::steady_clock::time_point due) {
  if (open_) service_.OutputSetNextDue(handle_, due);
}

void TMidiOutput2::SendDone(MidiBufferHeader* header) {
  TMyMidiHdr* owner = TMyMidiHdr::OwnerOf(*header);
  const auto it = std::find_if(in_flight_.begin(), in_flight_.end(),
                               [owner](const auto& held) { return held.get() == owner; });
  if (it == in_flight_.end()) return;  // not ours (any more)
  const MidiResult unprepared = Store(service_.OutputUnprepareHeader(handle_, *header));
  in_flight_.erase(it);
  Check(unprepared);
  if (Onmidioutput) Onmidioutput(this);
}

void TMidiOutput2::SetErrorHandler(std::function<void(const std::string&)> handler) {
  notifier_->on_error = std::move(handler);
}

}  // namespace quorvane
