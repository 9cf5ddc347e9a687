#pragma once

// The MIDI service of a Linux desktop: RtMidi over the ALSA sequencer or a JACK server.

#include <atomic>
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

class QObject;
class QTimer;
class RtMidi;

namespace quorvane {

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
  enum class Api { Alsa, Jack };

  // Connects to the given system once. When it cannot be used the service is
  // not Available(), its lists are empty and UnavailableReason() says why.
  explicit RtMidiService(Api api);
  ~RtMidiService() override;
  RtMidiService(const RtMidiService&) = delete;
  RtMidiService& operator=(const RtMidiService&) = delete;

  Api api() const { return api_; }
  static const char* ApiName(Api api) { return api == Api::Alsa ? "ALSA" : "JACK"; }

  // Called on the thread that created the service, through its Qt event loop,
  // with one line the program can show (the JACK server stopping, for one).
  void SetNoticeHandler(std::function<void(const std::string&)> handler) override;
  void SetNextPortName(const std::string& name) override { port_names_.SetNext(name); }
  // ALSA: the device lists are compared once a second and the handler is called when they
  // differ.
  void SetDevicesChangedHandler(std::function<void()> handler) override;
  // The last notice given, empty while all is well.
  std::string Notice() const;
  // The most recent error text RtMidi reported; RtMidi itself never prints.
  const std::string& LastDriverError() const { return driver_error_; }
  // True while clients of a dead JACK server are still closing. libjack
  // crashes if another client in the process connects to the new server
  // before they are gone; the service itself waits for them.
  bool StillClosing() const;
  // Longest message one OutputLongMessage call can carry.
  std::uint32_t MaxLongMessage() const;

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

  // Largest message RtMidi's JACK output accepts: its 16 KiB ring less the length word.
  static constexpr std::uint32_t kJackMaxMessage = 16379;
  // Receive buffers one input can hold queued at a time.
  static constexpr std::size_t kMaxQueuedBuffers = 4096;

  struct Output;
  struct Input;
  struct JackInput;
  struct Watch;

 private:
  bool Connected();
  void Reconnect();
  void Lost();
  std::vector<std::string> ListDevices(bool outputs) override;
  Output* FindOutput(MidiHandle handle) const;
  Input* FindInput(MidiHandle handle) const;
  bool Dead(int generation) const;
  MidiResult OpenJackInput(Input& in, const std::string& device);
  MidiResult SendBytes(Output& out, const std::uint8_t* bytes, std::size_t size);
  bool WaitCycles(std::uint64_t since, std::uint64_t cycles, int timeout_ms) const;
  void Retire(std::unique_ptr<Output> out);
  MidiResult ErrorText(MidiResult code, std::string& text) const;
  void ClearDriverError() { driver_error_raised_ = false; }
  // Routes RtMidi's errors into driver_error_ instead of stderr.
  void Sink(RtMidi& midi);

  Api api_;
  std::thread::id owner_;
  std::string unavailable_;
  std::string driver_error_;
  bool driver_error_raised_ = false;
  std::unique_ptr<Watch> watch_;
  std::unique_ptr<DeviceListWatch> alsa_watch_;  // with a devices-changed handler only
  std::map<MidiHandle, std::unique_ptr<Output>> outputs_;
  std::map<MidiHandle, std::unique_ptr<Input>> inputs_;
  PortNames port_names_;
  std::unique_ptr<QObject> notice_target_;
  std::function<void(const std::string&)> notice_handler_;
  std::string notice_;
  std::int64_t last_probe_ms_ = 0;
  int generation_ = 0;
  struct Helpers;
  std::unique_ptr<Helpers> helpers_;
};

}  // namespace quorvane
