#pragma once

#include <chrono>
#include <cstddef>
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

// One MIDI output device of the service. GUI thread only. Service errors raise
// EmidioutputError with the service's own text.
class TMidiOutput2 {
 public:
  explicit TMidiOutput2(MidiService& service);  // must be built on the GUI thread
  ~TMidiOutput2();
  TMidiOutput2(const TMidiOutput2&) = delete;
  TMidiOutput2& operator=(const TMidiOutput2&) = delete;

  const std::string& ProductName() const { return product_name_; }
  // The name this port shows to other programs when it is open; empty lets the service choose.
  const std::string& PortName() const { return port_name_; }
  void SetPortName(const std::string& name) { port_name_ = name; }
  void SetProductName(const std::string& name);
  int DeviceID() const { return device_id_; }
  void SetDeviceID(int id);  // -1 names the mapper
  // Result of the most recent service call.
  MidiResult Error() const { return last_result_; }
  // Output devices counted at construction; ids 0 .. DeviceCount() - 1.
  std::uint32_t DeviceCount() const { return device_count_; }
  const MidiOutputCaps& DeviceInfo() const { return device_info_; }
  bool IsOpen() const { return open_; }

  // Never raises; false leaves the port closed.
  bool Open();
  // Returns only after everything handed to the service has left. False when it was not open.
  bool Close();

  // Does not test the port state: a closed port hands the empty handle to the service.
  // Raises, sending nothing, when status is below 0x80 or a data byte the status implies is
  // 0x80 or more.
  void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  // length 1..65535; the copy lives until the service reports the block sent.
  void SendSysex(const std::uint8_t* data, std::size_t length);
  void SendEvent(const TMyMidiEvent& event);

  // How far ahead of its due moment a paced message may be handed over; zero when closed or
  // when the service sends at once.
  std::chrono::microseconds ScheduleLead() const;
  // The moment the next message is due; ignored while closed.
  void SetNextDue(std::chrono::steady_clock::time_point due);

  // Sysex blocks handed to the service and not yet reported sent.
  std::size_t SysexInFlight() const { return in_flight_.size(); }

  // Fired on the GUI thread once per sysex block the service has finished sending.
  std::function<void(TMidiOutput2*)> Onmidioutput;
  // A notice handler failed (the text is the port error's); set before Open.
  void SetErrorHandler(std::function<void(const std::string&)> handler);

 private:
  MidiResult Store(MidiResult result) { return last_result_ = result; }
  void Check(MidiResult result);  // raises with the service's text
  [[noreturn]] void Raise(const std::string& message);
  std::string ErrorText(MidiResult code);
  void SendDone(MidiBufferHeader* header);

  MidiService& service_;
  std::unique_ptr<PortNotifier> notifier_;
  std::unique_ptr<TDriverCallbackBlock> block_;
  std::vector<std::unique_ptr<TMyMidiHdr>> in_flight_;
  std::string product_name_;
  std::string port_name_;
  int device_id_ = 0;
  MidiResult last_result_ = kMidiNoError;
  std::uint32_t device_count_ = 0;
  MidiOutputCaps device_info_;
  MidiHandle handle_ = kNoMidiHandle;
  bool open_ = false;
};

}  // namespace quorvane
