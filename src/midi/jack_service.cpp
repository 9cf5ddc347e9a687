#include "midi/jack_service.h"

#include <pthread.h>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

#include <jack/uuid.h>

#include "midi/jack_service_detail.h"
#include "midi/midi_message.h"

namespace quorvane {

using namespace jack_detail;  // the service's own rings and records

namespace {

// How often a lost server is looked for again.
constexpr std::int64_t kReprobeMs = 250;
// How long a new port may take to carry MIDI: the server switches graphs a cycle or two later.
constexpr int kGraphWaitMs = 1000;
// A connection to one of our ports that went away is forgotten only when, this long after,
// both ends are still there: one that left with its port's program is made again on its return.
constexpr int kUnlinkSettleMs = 250;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Quiet(const char*) {}

jack_client_t* OpenClient(const std::string& name, const std::string& server) {
  // libjack reports a missing server on stderr, again on every attempt.
  jack_set_error_function(&Quiet);
  jack_set_info_function(&Quiet);
  jack_status_t status{};
  return server.empty()
             ? jack_client_open(name.c_str(), JackNoStartServer, &status)
             : jack_client_open(name.c_str(),
                                static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                &status, server.c_str());
}

}  // namespace

// What libjack calls. Process runs on the realtime thread: no allocation, lock or system
// call. The others run on JACK's notification thread and only post to the GUI thread.
struct JackService::Callbacks {
  static int Process(jack_nframes_t nframes, void* self) {
    auto* s = static_cast<JackService*>(self);
    const std::uint64_t pass = s->process_entered_.fetch_add(1) + 1;
    const jack_nframes_t cycle_start = jack_last_frame_time(s->Handle());
    s->cycle_frame_.store(cycle_start, std::memory_order_release);
    s->period_.store(nframes, std::memory_order_release);
    for (auto& slot : s->idle_outputs_)
      if (jack_port_t* port = slot.load(std::memory_order_acquire))
        jack_midi_clear_buffer(jack_port_get_buffer(port, nframes));
    bool relay = false;
    for (auto& slot : s->output_slots_)
      if (Output* out = slot.load(std::memory_order_acquire))
        relay = out->Write(nframes, cycle_start) || relay;
    for (auto& slot : s->input_slots_)
      if (Input* in = slot.load(std::memory_order_acquire))
        relay = in->Read(nframes, cycle_start) || relay;
    if (relay) sem_post(&s->relay_wake_);
    s->cycles_.fetch_add(1, std::memory_order_release);
    s->process_left_.store(pass);
    return 0;
  }

  static int BufferSize(jack_nframes_t nframes, void* self) {
    static_cast<JackService*>(self)->period_.store(nframes, std::memory_order_release);
    return 0;
  }

  // libjack calls one of the two, PipeWire's the plain one only.
  static void PlainShutdown(void* self) { Shutdown(JackFailure, "", self); }

  static void Shutdown(jack_status_t, const char*, void* self) {
    auto* s = static_cast<JackService*>(self);
    s->gone_.store(true);
    if (s->lost_posted_.exchange(true)) return;
    // The service may have noticed first and even found a new server by then.
    QMetaObject::invokeMethod(
        s->target_.get(),
        [s] {
          s->Settle();
          if (s->gone_.load()) s->Lost();
        },
        Qt::QueuedConnection);
  }

  static void PortRegistered(jack_port_id_t id, int, void* self) {
    auto* s = static_cast<JackService*>(self);
    // Our own ports are never devices, and audio ports are none of our business.
    if (jack_port_t* port = jack_port_by_id(s->Handle(), id)) {
      if (jack_port_is_mine(s->Handle(), port)) return;
      const char* type = jack_port_type(port);
      if (type && std::strcmp(type, JACK_DEFAULT_MIDI_TYPE) != 0) return;
    }
    s->PostDevicesChanged();
  }

  static void ClientRegistered(const char* name, int, void* self) {
    auto* s = static_cast<JackService*>(self);
    const char* own = jack_get_client_name(s->Handle());
    if (name && own && std::strcmp(own, name) == 0) return;
    s->PostDevicesChanged();
  }

  static void PortConnected(jack_port_id_t a, jack_port_id_t b, int connected, void* self) {
    auto* s = static_cast<JackService*>(self);
    Client* client = s->Handle();
    jack_port_t* first = jack_port_by_id(client, a);
    jack_port_t* second = jack_port_by_id(client, b);
    if (!first || !second) return;
    const bool first_mine = jack_port_is_mine(client, first) != 0;
    if (first_mine == (jack_port_is_mine(client, second) != 0)) return;
    if (connected && s->awaited_link_.load() == (first_mine ? first : second))
      s->link_told_.store(true);
    std::string ours = jack_port_short_name(first_mine ? first : second);
    std::string other = jack_port_name(first_mine ? second : first);
    const jack_uuid_t other_id = jack_port_uuid(first_mine ? second : first);
    QMetaObject::invokeMethod(
        s->target_.get(),
        [s, ours = std::move(ours), other = std::move(other), other_id, connected] {
          s->Settle();
          s->LinkChanged(ours, other, other_id, connected != 0);
        },
        Qt::QueuedConnection);
  }
};

JackService::JackService(std::string client_name, std::string server_name)
    : JackService(std::move(client_name), std::move(server_name), Ahead{}) {
  Settle();
}

JackService::JackService(std::string client_name, std::string server_name, Ahead)
    : wanted_client_name_(std::move(client_name)),
      server_name_(std::move(server_name)),
      target_(std::make_unique<QObject>()) {
  sem_init(&relay_wake_, 0, 0);
  relay_ = std::thread([this] { RelayLoop(); });
  last_probe_ms_ = NowMs();
  connecting_ = std::thread([this] { Reconnect(); });
}

std::unique_ptr<JackService> JackService::ConnectingAhead(std::string client_name,
                                                          std::string server_name) {
  return std::unique_ptr<JackService>(
      new JackService(std::move(client_name), std::move(server_name), Ahead{}));
}

void JackService::Settle() {
  if (connecting_.joinable()) connecting_.join();
}

JackService::~JackService() {
  Settle();
  for (auto& [handle, in] : inputs_) in->running.store(false);
  while (!inputs_.empty()) {
    Input& in = *inputs_.begin()->second;
    in.queue.Clear();
    in.filler.Forget();
    InputClose(in.handle);
  }
  while (!outputs_.empty()) OutputClose(outputs_.begin()->first);
  CloseClient(!gone_.load());
  relay_stop_.store(true);
  WakeRelay();
  relay_.join();
  target_.reset();  // queued calls still on their way die with it
  sem_destroy(&relay_wake_);
}

void JackService::Reconnect() {
  unavailable_.clear();
  jack_client_t* client = OpenClient(wanted_client_name_, server_name_);
  if (!client) {
    unavailable_ = "No JACK server is running.";
    return;
  }
  client_.store(client, std::memory_order_release);
  client_name_ = jack_get_client_name(client);
  gone_.store(false);
  lost_posted_.store(false);
  cycles_.store(0);
  period_.store(jack_get_buffer_size(client));
  cycle_frame_.store(jack_frame_time(client));
  jack_set_process_callback(client, &Callbacks::Process, this);
  jack_set_buffer_size_callback(client, &Callbacks::BufferSize, this);
  jack_on_shutdown(client, &Callbacks::PlainShutdown, this);
  jack_on_info_shutdown(client, &Callbacks::Shutdown, this);
  jack_set_port_registration_callback(client, &Callbacks::PortRegistered, this);
  jack_set_client_registration_callback(client, &Callbacks::ClientRegistered, this);
  jack_set_port_connect_callback(client, &Callbacks::PortConnected, this);
  if (jack_activate(client) != 0) {
    jack_client_close(client);
    client_.store(nullptr);
    client_name_.clear();
    unavailable_ = "The JACK client could not be started.";
  }
}

// No callback runs once jack_client_close has returned: only then is what they read cleared.
// Closing a dead server's client takes well under a millisecond: libjack waits for nothing.
void JackService::CloseClient(bool server_alive) {
  Client* client = Handle();
  if (client) {
    if (server_alive) jack_deactivate(client);
    jack_client_close(client);
  }
  client_.store(nullptr, std::memory_order_release);
  client_name_.clear();
  for (auto& slot : output_slots_) slot.store(nullptr);
  for (auto& slot : input_slots_) slot.store(nullptr);
  for (auto& slot : idle_outputs_) slot.store(nullptr);
  parked_.clear();
}

bool JackService::Connected() {
  if (Handle() && !gone_.load()) return true;
  if (Handle()) Lost();  // the notice is still on its way
  const std::int64_t now = NowMs();
  if (now - last_probe_ms_ < kReprobeMs) return false;
  last_probe_ms_ = now;
  Reconnect();
  if (!Handle()) return false;
  notice_.clear();
  return true;
}

void JackService::Lost() {
  if (!Handle()) return;
  ++generation_;  // whatever is open belongs to the dead server
  notice_ = kJackStoppedText;
  unavailable_ = kJackStoppedText;
  last_probe_ms_ = NowMs();
  for (auto& [handle, in] : inputs_) in->running.store(false);
  CloseClient(false);
  if (notice_handler_) notice_handler_(notice_);
}

void JackService::PostDevicesChanged() {
  if (changed_posted_.exchange(true)) return;  // one call covers a burst
  QMetaObject::invokeMethod(
      target_.get(),
      [this] {
        Settle();
        changed_posted_.store(false);
        RestoreLinks();  // a peer of a remembered connection may be back
        if (devices_changed_) devices_changed_();
      },
      Qt::QueuedConnection);
}

void JackService::SetNoticeHandler(std::function<void(const std::string&)> handler) {
  notice_handler_ = std::move(handler);
}

void JackService::SetDevicesChangedHandler(std::function<void()> handler) {
  devices_changed_ = std::move(handler);
}

std::string JackService::Notice() const {
  return gone_.load() ? kJackStoppedText : notice_;
}

std::string JackService::ClientName() const {
  return client_name_;
}

std::uint64_t JackService::LateEvents() const {
  std::uint64_t late = 0;
  for (const auto& [handle, out] : outputs_) late += out->late.load(std::memory_order_relaxed);
  return late;
}

bool JackService::Available() const {
  return Handle() && !gone_.load();
}

std::string JackService::UnavailableReason() const {
  if (Handle() && gone_.load()) return kJackStoppedText;
  return unavailable_;
}

bool JackService::Dead(int generation) const {
  return generation != generation_ || gone_.load() || !Handle();
}

std::vector<std::string> JackService::ListDevices(bool outputs) {
  std::vector<std::string> names;
  if (!Connected()) return names;
  // Other programs' inputs are where we send, their outputs what we read.
  const char** ports = jack_get_ports(Handle(), nullptr, JACK_DEFAULT_MIDI_TYPE,
                                      outputs ? JackPortIsInput : JackPortIsOutput);
  if (!ports) return names;
  const std::string own = client_name_ + ":";
  for (const char** p = ports; *p; ++p)
    if (std::strncmp(*p, own.c_str(), own.size()) != 0) names.emplace_back(*p);
  jack_free(ports);
  return names;
}

// A port of our client, connected to the device and to whatever was connected to a port of
// its name before; it carries MIDI once the graph has switched.
MidiResult JackService::Register(const std::string& device, bool output, std::string& port_name,
                                 jack_port_t*& port) {
  Client* client = Handle();
  if (!jack_port_by_name(client, device.c_str())) return kMidiNoDevice;
  port_name = port_names_.Take(output);
  port = nullptr;
  if (const auto parked = parked_.find(port_name); parked != parked_.end()) {
    const bool parked_output = (jack_port_flags(parked->second) & JackPortIsOutput) != 0;
    if (parked_output == output) port = parked->second;
  }
  const bool kept = port != nullptr;
  if (!kept)
    port = jack_port_register(client, port_name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                              output ? JackPortIsOutput : JackPortIsInput, 0);
  if (!port) {
    port_names_.GiveBack(port_name);
    driver_error_ = "The JACK MIDI port " + port_name + " could not be made.";
    return kMidiDriverError;
  }
  const auto undo = [&] {
    if (!kept) jack_port_unregister(client, port);
    port = nullptr;
    port_names_.GiveBack(port_name);
  };
  const std::string own = jack_port_name(port);
  link_told_.store(false);
  awaited_link_.store(port);
  const int rc = output ? jack_connect(client, own.c_str(), device.c_str())
                        : jack_connect(client, device.c_str(), own.c_str());
  if (rc != 0 && rc != EEXIST) {
    awaited_link_.store(nullptr);
    undo();
    return kMidiNoDevice;
  }
  // On PipeWire what is sent before the link is told made is lost; on JACK 2 it is told at once.
  // Not told within the bound, the port is used all the same: the link may still carry, and
  // a slow server is no reason to refuse the device.
  if (rc == 0)
    WaitUntil([&] { return gone_.load() || link_told_.load(); },
              std::chrono::milliseconds(kGraphWaitMs));
  awaited_link_.store(nullptr);
  if (kept) {
    parked_.erase(port_name);
    for (auto& slot : idle_outputs_)
      if (slot.load() == port) slot.store(nullptr);
  }
  device_of_[port_name] = device;
  RestoreLinks(port, port_name);
  if (!WaitCycles(2, kGraphWaitMs)) {
    undo();
    driver_error_ = "The JACK server ran no cycle for a second: " + port_name +
                    " could not be connected to " + device + ".";
    return kMidiDriverError;
  }
  return kMidiNoError;
}

void JackService::Release(jack_port_t* port, const std::string& port_name,
                          const std::string& device, bool output) {
  Client* client = Handle();
  if (jack_port_by_name(client, device.c_str())) {
    jack_port_unregister(client, port);
    device_of_.erase(port_name);
    return;
  }
  parked_[port_name] = port;
  if (!output) return;
  for (auto& slot : idle_outputs_)
    if (!slot.load()) {
      slot.store(port, std::memory_order_release);
      return;
    }
}

void JackService::LinkChanged(const std::string& ours, const std::string& other,
                              jack_uuid_t other_id, bool connected) {
  if (connected) {
    const auto device = device_of_.find(ours);
    if (device == device_of_.end() || device->second != other) user_links_[ours].insert(other);
    return;
  }
  // Only the same two ports, still there on the same server, make it the user's doing.
  const int generation = generation_;
  QTimer::singleShot(kUnlinkSettleMs, target_.get(), [this, ours, other, other_id, generation] {
    Client* client = Handle();
    if (!client || gone_.load() || generation != generation_) return;
    const std::string full = client_name_ + ":" + ours;
    jack_port_t* port = jack_port_by_name(client, full.c_str());
    jack_port_t* peer = jack_port_by_name(client, other.c_str());
    if (!port || !peer || jack_uuid_compare(jack_port_uuid(peer), other_id) != 0) return;
    if (!jack_port_connected_to(port, other.c_str())) user_links_[ours].erase(other);
  });
}

void JackService::RestoreLinks() {
  Client* client = Handle();
  if (!client || gone_.load()) return;
  for (const auto& [name, links] : user_links_) {
    const std::string full = client_name_ + ":" + name;
    if (jack_port_t* port = jack_port_by_name(client, full.c_str())) RestoreLinks(port, name);
  }
}

void JackService::RestoreLinks(jack_port_t* port, const std::string& port_name) {
  const auto links = user_links_.find(port_name);
  if (links == user_links_.end()) return;
  Client* client = Handle();
  const std::string own = jack_port_name(port);
  const bool output = (jack_port_flags(port) & JackPortIsOutput) != 0;
  for (const std::string& other : links->second) {
    if (!jack_port_by_name(client, other.c_str()) || jack_port_connected_to(port, other.c_str()))
      continue;
    if (output) {
      jack_connect(client, own.c_str(), other.c_str());
    } else {
      jack_connect(client, other.c_str(), own.c_str());
    }
  }
}

bool JackService::WaitCycles(std::uint64_t cycles, int timeout_ms) const {
  const std::uint64_t until = cycles_.load(std::memory_order_acquire) + cycles;
  return WaitUntil([&] { return gone_.load() || cycles_.load(std::memory_order_acquire) >= until; },
                   std::chrono::milliseconds(timeout_ms));
}

// Returns once a process callback that may have seen a slot before it changed has ended.
void JackService::WaitProcess() const {
  const std::uint64_t entered = process_entered_.load();
  WaitUntil([&] { return gone_.load() || process_left_.load() >= entered; },
            std::chrono::milliseconds(500));
}

void JackService::WaitRelay() const {
  const std::uint64_t entered = relay_entered_.load();
  while (relay_left_.load() < entered) std::this_thread::sleep_for(std::chrono::microseconds(100));
}

// The service's own thread: every driver callback runs here, never on the process thread. It
// sleeps until the process callback hands it something.
void JackService::RelayLoop() {
  pthread_setname_np(pthread_self(), "jack-relay");
  std::unique_ptr<std::uint8_t[]> scratch(new std::uint8_t[ByteRing::kSize]);
  while (true) {
    while (sem_wait(&relay_wake_) != 0 && errno == EINTR) {
    }
    while (sem_trywait(&relay_wake_) == 0) {
      // one pass covers every post so far
    }
    if (relay_stop_.load()) break;
    const std::uint64_t pass = relay_entered_.fetch_add(1) + 1;
    for (auto& slot : input_slots_)
      if (Input* in = slot.load()) in->Relay(scratch.get());
    for (auto& slot : output_slots_) {
      Output* out = slot.load();
      if (!out) continue;
      while (const auto* next = out->done.Front()) {
        MidiBufferHeader* header = *next;
        out->done.Pop();
        ReleaseHeader(*header);
        out->callback(out->handle, MidiCallbackMessage::OutputDone, out->instance,
                      reinterpret_cast<std::uintptr_t>(header), 0);
        out->long_done.fetch_add(1);
      }
    }
    relay_left_.store(pass);
  }
}

void JackService::WakeRelay() {
  sem_post(&relay_wake_);
}

JackService::Input* JackService::FindInput(MidiHandle handle) const {
  const auto it = inputs_.find(handle);
  return it == inputs_.end() ? nullptr : it->second.get();
}

MidiResult JackService::ErrorText(MidiResult code, std::string& text) const {
  return ServiceErrorText(code, "JACK", kMaxLongMessage, driver_error_, text);
}

MidiResult JackService::OutputErrorText(MidiResult code, std::string& text) {
  return ErrorText(code, text);
}

}  // namespace quorvane
