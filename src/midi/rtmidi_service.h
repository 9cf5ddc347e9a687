#pragma once

// The ALSA sequencer's MIDI service, through RtMidi. JACK has a service of its own.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "midi/midi_service.h"
#include "midi/named_device_service.h"
#include "midi/port_names.h"

class QTimer;
class RtMidi;

namespace quorvane {

// Whether this machine's ALSA sequencer can be opened.
bool AlsaSequencerOpens();

// Compares device lists on a timer and tells when they differ: the ALSA sequencer announces
// its changes, but RtMidi hides the announcements. Lives on the thread that made it.
class DeviceListWatch {
 public:
  // Inputs, then outputs.
  using Lists = std::pair<std::vector<std::string>, std::vector<std::string>>;
  static constexpr int kIntervalMs = 1000;

  // Takes the lists as they are now; `changed` is called from the timer when they differ.
  DeviceListWatch(std::function<Lists()> lister, std::function<void()> changed,
                  int interval_ms = kIntervalMs);
  ~DeviceListWatch();
  DeviceListWatch(const DeviceListWatch&) = delete;
  DeviceListWatch& operator=(const DeviceListWatch&) = delete;

  // One look, as the timer takes it; true when the lists differed (and `changed` was called).
  bool Check();
  int IntervalMs() const;

 private:
  std::function<Lists()> lister_;
  std::function<void()> changed_;
  Lists last_;
  std::unique_ptr<QTimer> timer_;
};

class RtMidiService : public NamedDeviceService {
 public:
  // Connects to the sequencer once. When it cannot be used the service is not Available(), its
  // lists are empty and UnavailableReason() says why; it looks again, now and then, whenever its
  // device lists are asked for.
  explicit RtMidiService(std::string client_name = "Quorvane");
  ~RtMidiService() override;
  RtMidiService(const RtMidiService&) = delete;
  RtMidiService& operator=(const RtMidiService&) = delete;

  void SetNextPortName(const std::string& name) override { port_names_.SetNext(name); }
  // The device lists are compared once a second and the handler is called when they differ.
  void SetDevicesChangedHandler(std::function<void()> handler) override;
  // The most recent error text RtMidi reported; RtMidi itself never prints.
  const std::string& LastDriverError() const { return driver_error_; }

  bool Available() const override;
  std::string UnavailableReason() const override;

  MidiResult OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                        void* instance) override;
  MidiResult OutputClose(MidiHandle handle) override;
  MidiResult OutputShortMessage(MidiHandle handle, std::uint32_t word) override;
  MidiResult OutputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult OutputLongMessage(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult OutputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult OutputDrain(MidiHandle handle) override;
  MidiResult OutputErrorText(MidiResult code, std::string& text) override;

  MidiResult InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                       void* instance) override;
  MidiResult InputClose(MidiHandle handle) override;
  MidiResult InputStart(MidiHandle handle) override;
  MidiResult InputReset(MidiHandle handle) override;
  MidiResult InputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputAddBuffer(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputErrorText(MidiResult code, std::string& text) override;
  // System-exclusive messages an input lost in part or whole for want of a queued buffer.
  std::uint64_t InputSysexLost(MidiHandle handle) const;

  // Longest message one OutputLongMessage call can carry.
  static constexpr std::uint32_t kMaxLongMessage = 65535;
  // Receive buffers one input can hold queued at a time.
  static constexpr std::size_t kMaxQueuedBuffers = 4096;

  struct Output;
  struct Input;

 private:
  bool Connected();
  void Reconnect();
  std::vector<std::string> ListDevices(bool outputs) override;
  // Opens a port of midi, a client of our own, on `device` under the next name of its role.
  MidiResult OpenPort(RtMidi& midi, const std::string& device, bool output, std::string& port_name);
  Output* FindOutput(MidiHandle handle) const;
  Input* FindInput(MidiHandle handle) const;
  MidiResult SendBytes(Output& out, const std::uint8_t* bytes, std::size_t size);
  MidiResult ErrorText(MidiResult code, std::string& text) const;
  void ClearDriverError() { driver_error_raised_ = false; }
  // Routes RtMidi's errors into driver_error_ instead of stderr.
  void Sink(RtMidi& midi);

  std::string client_name_;  // the sequencer client that holds our ports
  std::thread::id owner_;
  std::string unavailable_;
  std::string driver_error_;
  bool driver_error_raised_ = false;
  std::unique_ptr<DeviceListWatch> alsa_watch_;  // with a devices-changed handler only
  std::map<MidiHandle, std::unique_ptr<Output>> outputs_;
  std::map<MidiHandle, std::unique_ptr<Input>> inputs_;
  PortNames port_names_;
  std::int64_t last_probe_ms_ = 0;
  struct Helpers;
  std::unique_ptr<Helpers> helpers_;
};

}  // namespace quorvane
