#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/midi_message.h"
#include "midi/midi_service.h"
#include "midi/port_error.h"

namespace quorvane {

class PortNotifier;

// One MIDI input device of the service. Received data goes from the driver callback into the
// ring; OnMidiInput / OnOverflow fire on the GUI thread only, and ReadEvent hands out one
// event per record. Service errors raise EMidiInputError with the service's own text.
class TMidiInput2 {
 public:
  explicit TMidiInput2(MidiService& service);  // must be built on the GUI thread
  ~TMidiInput2();
  TMidiInput2(const TMidiInput2&) = delete;
  TMidiInput2& operator=(const TMidiInput2&) = delete;

  const std::string& ProductName() const { return product_name_; }
  // The name this port shows to other programs when it is open; empty lets the service choose.
  const std::string& PortName() const { return port_name_; }
  void SetPortName(const std::string& name) { port_name_ = name; }
  void SetProductName(const std::string& name);
  std::uint16_t DeviceID() const { return device_id_; }
  void SetDeviceID(std::uint16_t id);
  // Ring slots; takes effect at the next Open. 1 .. kMaxRingCapacity, else Open fails.
  std::uint16_t Capacity() const { return capacity_; }
  void SetCapacity(std::uint16_t capacity) { capacity_ = capacity; }
  // Result of the most recent service call.
  MidiResult Error() const { return last_result_; }
  std::uint16_t SysexBufferSize() const { return sysex_buffer_size_; }
  void SetSysexBufferSize(std::uint16_t size);
  std::uint16_t SysexBufferCount() const { return sysex_buffer_count_; }
  void SetSysexBufferCount(std::uint16_t count);
  bool SysexOnly() const { return sysex_only_; }
  void SetSysexOnly(bool sysex_only);  // applies at once, also while open

  // Input devices counted at construction; ids 0 .. DeviceCount() - 1.
  std::uint16_t DeviceCount() const { return device_count_; }
  const MidiInputCaps& DeviceInfo() const { return device_info_; }
  bool IsOpen() const { return open_; }

  // Never raises; on any failure the port simply stays closed. Does nothing while open.
  void Open();
  void Start();
  void Close();

  std::uint16_t PendingCount() const;
  // The oldest record as an event, or none. Re-queues a sysex buffer with the service.
  std::unique_ptr<TMyMidiEvent> ReadEvent();

  // After the ring is drained: the newest control change of each channel and controller that a
  // full ring turned away and that nothing newer in the ring replaced, each once, as
  // (status, controller, value). Lets a surface end on the last value after a flood.
  void TakeDroppedControlChanges(
      const std::function<void(std::uint8_t, std::uint8_t, std::uint8_t)>& take);

  // Receive buffers currently owned by the port (queued with the service or waiting in the ring).
  std::size_t SysexBuffers() const { return buffers_.size(); }

  // Records are waiting: drain with `while (PendingCount() > 0) ReadEvent()`.
  std::function<void(TMidiInput2*)> OnMidiInput;
  // One firing per record dropped because the ring was full.
  std::function<void(TMidiInput2*)> OnOverflow;
  // A notice handler failed (the text is the port error's); set before Open.
  void SetErrorHandler(std::function<void(const std::string&)> handler);

 private:
  MidiResult Store(MidiResult result) { return last_result_ = result; }
  void Check(MidiResult result);
  [[noreturn]] void Raise(const std::string& message);
  std::string ErrorText(MidiResult code);
  void TearDownQuietly();
  void DataReady();
  void Overflowed();

  MidiService& service_;
  std::unique_ptr<PortNotifier> notifier_;
  std::unique_ptr<TDriverCallbackBlock> block_;
  std::unique_ptr<TMidiEventRing> ring_;
  std::vector<std::unique_ptr<TMyMidiHdr>> buffers_;
  std::string product_name_;
  std::string port_name_;
  std::uint16_t device_id_ = 0;
  std::uint16_t capacity_ = 1024;
  MidiResult last_result_ = kMidiNoError;
  std::uint16_t sysex_buffer_size_ = 4096;
  std::uint16_t sysex_buffer_count_ = 16;
  bool sysex_only_ = false;
  std::uint16_t device_count_ = 0;
  MidiInputCaps device_info_;
  MidiHandle handle_ = kNoMidiHandle;
  bool open_ = false;
};

}  // namespace quorvane
