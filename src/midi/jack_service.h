#pragma once

// The MIDI service of a JACK server, spoken to directly: one client for the whole program.

#include <semaphore.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <jack/types.h>

#include "midi/midi_service.h"
#include "midi/named_device_service.h"
#include "midi/port_names.h"

class QObject;

namespace quorvane {

// One JACK client, "Quorvane", holds every port in use ("MIDI Out", "MIDI In 1", "Remote In"),
// lists the devices and watches the server. A message goes out at the first frame of the next
// cycle; a paced one (its sender said when it is due: OutputSetNextDue) one period after that
// moment, so that a run keeps its spacing. A port whose device went away stays registered, with
// whatever else is connected to it; connections other programs made to the ports are
// remembered by name and made again when a port or its peer comes back, on this server or the
// next. Threads: the GUI thread calls in; JACK's process thread moves events through lock-free
// rings and wakes the service's relay thread, which runs the driver callbacks, when it handed
// it something; JACK's notification thread only posts to the GUI thread.
class JackService : public NamedDeviceService {
 public:
  // Connects once; without a server the service is not Available() and looks again, now and
  // then, whenever its device lists are asked for.
  // An empty server name is JACK_DEFAULT_SERVER's, else "default".
  explicit JackService(std::string client_name = "Quorvane", std::string server_name = {});
  // The same, connecting on a thread of its own so that the wait for the server (twenty
  // milliseconds and more) runs while the program starts. Nothing but Settle, which
  // waits for the connection, may be called until Settle has returned.
  static std::unique_ptr<JackService> ConnectingAhead(std::string client_name,
                                                      std::string server_name);
  void Settle();
  ~JackService() override;
  JackService(const JackService&) = delete;
  JackService& operator=(const JackService&) = delete;

  void SetNoticeHandler(std::function<void(const std::string&)> handler) override;
  void SetDevicesChangedHandler(std::function<void()> handler) override;
  void SetNextPortName(const std::string& name) override { port_names_.SetNext(name); }
  // The last notice given, empty while all is well.
  std::string Notice() const;
  // The client's name as the server knows it; empty without a server.
  std::string ClientName() const;
  // Events of the open outputs that came to the process callback after their frame had
  // passed (a send thread or server held up), and so went out late at the cycle's start.
  std::uint64_t LateEvents() const;

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
  std::chrono::microseconds OutputScheduleLead() const override { return kScheduleLead; }
  void OutputSetNextDue(MidiHandle handle, std::chrono::steady_clock::time_point due) override;

  MidiResult InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                       void* instance) override;
  MidiResult InputClose(MidiHandle handle) override;
  MidiResult InputStart(MidiHandle handle) override;
  MidiResult InputReset(MidiHandle handle) override;
  MidiResult InputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputAddBuffer(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputErrorText(MidiResult code, std::string& text) override;
  // Sysex messages an input lost in part or whole for want of a queued buffer.
  std::uint64_t InputSysexLost(MidiHandle handle) const;

  // The longest sysex block a port hands over.
  static constexpr std::uint32_t kMaxLongMessage = 65535;
  // How early a paced sender may hand a message over: enough to ride out a late wake-up of its
  // thread, short enough that a stop still feels immediate.
  static constexpr std::chrono::microseconds kScheduleLead{4000};
  // Ports one service holds at a time, inputs and outputs each.
  static constexpr std::size_t kMaxPorts = 8;

  struct Output;
  struct Input;

 private:
  using Client = jack_client_t;
  struct Ahead {};
  JackService(std::string client_name, std::string server_name, Ahead);

  bool Connected();
  Client* Handle() const { return client_.load(std::memory_order_acquire); }
  void Reconnect();
  void Lost();
  void CloseClient(bool server_alive);
  bool Dead(int generation) const;
  std::vector<std::string> ListDevices(bool outputs) override;
  // The server's frame clock now, as far as the cycles it runs can tell.
  jack_nframes_t FrameNow() const;
  // Where the cycle the process callback last began starts, and its length.
  jack_nframes_t CycleFrame() const { return cycle_frame_.load(std::memory_order_acquire); }
  jack_nframes_t Period() const { return period_.load(std::memory_order_acquire); }
  // The server's frame clock at a moment of the steady clock, on the current cycle's estimate.
  jack_nframes_t FrameAt(std::chrono::steady_clock::time_point moment) const;
  Output* FindOutput(MidiHandle handle) const;
  Input* FindInput(MidiHandle handle) const;
  MidiResult Enqueue(Output& out, const std::uint8_t* bytes, std::uint32_t size,
                     MidiBufferHeader* header);
  MidiResult Register(const std::string& device, bool output, std::string& port_name,
                      jack_port_t*& port);
  // A closed port's end: unregistered when the user let go of a device that is still there,
  // else kept, connections and all, for the device's return.
  void Release(jack_port_t* port, const std::string& port_name, const std::string& device,
               bool output);
  // Connections of other programs to our ports, as they come and go.
  void LinkChanged(const std::string& ours, const std::string& other, jack_uuid_t other_id,
                   bool connected);
  // Makes every remembered connection whose ports are both there now.
  void RestoreLinks();
  void RestoreLinks(jack_port_t* port, const std::string& port_name);
  bool WaitCycles(std::uint64_t cycles, int timeout_ms) const;
  void WaitProcess() const;
  void WaitRelay() const;
  std::uintptr_t InputStamp(const Input& in) const;
  MidiResult ErrorText(MidiResult code, std::string& text) const;
  void PostDevicesChanged();
  void RelayLoop();
  void WakeRelay();

  struct Callbacks;  // what libjack calls

  std::string wanted_client_name_;
  std::string server_name_;
  // Read by libjack's threads; cleared only once the client is closed and they are done.
  std::atomic<Client*> client_{nullptr};
  std::string client_name_;
  // Published by the process callback: libjack answers jack_last_frame_time only there.
  std::atomic<jack_nframes_t> cycle_frame_{0};
  std::atomic<jack_nframes_t> period_{256};
  std::string unavailable_;
  std::string notice_;
  std::string driver_error_;
  std::int64_t last_probe_ms_ = 0;
  int generation_ = 0;
  std::atomic<bool> gone_{false};
  std::atomic<bool> lost_posted_{false};
  std::atomic<bool> changed_posted_{false};
  std::atomic<std::uint64_t> cycles_{0};
  // The port whose link to its device Register waits for, and whether libjack told it made:
  // PipeWire's links carry only from then, some time after jack_connect has returned.
  std::atomic<jack_port_t*> awaited_link_{nullptr};
  std::atomic<bool> link_told_{false};
  // Counted in and out by the process and relay threads, so that a record they might be
  // using is only freed once they are past it.
  std::atomic<std::uint64_t> process_entered_{0};
  std::atomic<std::uint64_t> process_left_{0};
  std::atomic<std::uint64_t> relay_entered_{0};
  std::atomic<std::uint64_t> relay_left_{0};
  std::atomic<bool> relay_stop_{false};
  // Posted by the process callback when it handed the relay thread something: a post never
  // blocks or locks. The relay thread sleeps on it otherwise.
  sem_t relay_wake_{};
  // What the process and relay threads see; set and cleared on the GUI thread only.
  std::atomic<Output*> output_slots_[kMaxPorts] = {};
  std::atomic<Input*> input_slots_[kMaxPorts] = {};
  // Outputs kept for a device's return: the process callback keeps their buffers empty.
  std::atomic<jack_port_t*> idle_outputs_[kMaxPorts] = {};
  // GUI thread: our registered ports no open record uses, by short name; the device each of
  // our ports was opened for; the connections others made to each, by full name.
  std::map<std::string, jack_port_t*> parked_;
  std::map<std::string, std::string> device_of_;
  std::map<std::string, std::set<std::string>> user_links_;
  std::map<MidiHandle, std::unique_ptr<Output>> outputs_;
  std::map<MidiHandle, std::unique_ptr<Input>> inputs_;
  PortNames port_names_;
  std::function<void(const std::string&)> notice_handler_;
  std::function<void()> devices_changed_;
  std::unique_ptr<QObject> target_;  // lives on the GUI thread; queued calls land here
  std::thread relay_;
  std::thread connecting_;
};

}  // namespace quorvane
