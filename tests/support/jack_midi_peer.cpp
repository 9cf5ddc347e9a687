#include "support/jack_midi_peer.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace quorvane::testing {
namespace {

// Port buffers pass between clients through the server's semaphores, unseen by
// ThreadSanitizer: say when a buffer is taken and let go.
void TakePortBuffer([[maybe_unused]] void* buffer) {
#if defined(__SANITIZE_THREAD__)
  __tsan_acquire(buffer);
#endif
}
void LetGoPortBuffer([[maybe_unused]] void* buffer) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(buffer);
#endif
}

}  // namespace
namespace {

template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

JackMidiPeer::JackMidiPeer(const std::string& client_name)
    : slots_(new Slot[kMaxEvents]), pool_(new std::uint8_t[kMaxBytes]) {
  jack_status_t status{};
  // A server held up by a loaded machine may turn an opening away once: ask again.
  for (int attempt = 0; attempt < 3 && !client_; ++attempt)
    client_ = jack_client_open(client_name.c_str(), JackNoStartServer, &status);
  if (!client_) throw std::runtime_error("JackMidiPeer: no JACK server answers");
  rate_ = jack_get_sample_rate(client_);
  in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (!in_ || !out_ || jack_set_process_callback(client_, &Process, this) != 0) {
    jack_client_close(client_);
    throw std::runtime_error("JackMidiPeer: cannot register ports");
  }
  jack_on_shutdown(client_, &Shutdown, this);
  jack_set_client_registration_callback(client_, &ClientRegistration, this);
  if (jack_activate(client_) != 0) {
    jack_client_close(client_);
    throw std::runtime_error("JackMidiPeer: cannot activate");
  }
}

JackMidiPeer::~JackMidiPeer() {
  if (!shutdown_.load()) jack_deactivate(client_);
  jack_client_close(client_);
}

std::string JackMidiPeer::clientName() const {
  return jack_get_client_name(client_);
}
std::string JackMidiPeer::inPortName() const {
  return jack_port_name(in_);
}
std::string JackMidiPeer::outPortName() const {
  return jack_port_name(out_);
}

bool JackMidiPeer::connect(const std::string& source, const std::string& destination,
                           std::chrono::milliseconds timeout) {
  const int rc = jack_connect(client_, source.c_str(), destination.c_str());
  if (rc != 0 && rc != EEXIST) return false;
  jack_port_t* port = jack_port_by_name(client_, source.c_str());
  if (!port) return false;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  if (!WaitUntil([&] { return jack_port_connected_to(port, destination.c_str()) != 0; }, timeout))
    return false;
  // Two whole cycles after the server shows the connection, the graph in use has it.
  const std::uint64_t shown = cycles_.load(std::memory_order_acquire);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return WaitUntil([&] { return cycles_.load(std::memory_order_acquire) >= shown + 2; },
                   std::max(left, std::chrono::milliseconds(0)));
}

std::vector<std::string> JackMidiPeer::midiPorts(bool outputs) const {
  std::vector<std::string> names;
  const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                      outputs ? JackPortIsOutput : JackPortIsInput);
  if (!ports) return names;
  for (const char** p = ports; *p; ++p) names.emplace_back(*p);
  jack_free(ports);
  return names;
}

bool JackMidiPeer::send(std::vector<MidiBytes> messages, std::chrono::milliseconds timeout) {
  if (!waitSent(timeout)) return false;
  batch_ = std::move(messages);
  batch_next_ = 0;
  batch_ready_.store(true, std::memory_order_release);
  return true;
}

bool JackMidiPeer::waitSent(std::chrono::milliseconds timeout) const {
  return WaitUntil([this] { return !batch_ready_.load(std::memory_order_acquire); }, timeout);
}

bool JackMidiPeer::waitFor(std::size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return count() >= n; }, timeout);
}

std::vector<PeerEvent> JackMidiPeer::events(std::size_t from) const {
  const std::size_t n = count();
  std::vector<PeerEvent> out;
  for (std::size_t i = from; i < n; ++i) {
    const Slot& s = slots_[i];
    out.push_back({MidiBytes(pool_.get() + s.offset, pool_.get() + s.offset + s.size), s.time_us});
  }
  return out;
}

int JackMidiPeer::Process(jack_nframes_t nframes, void* self) {
  auto* peer = static_cast<JackMidiPeer*>(self);
  peer->record(nframes);
  void* out = jack_port_get_buffer(peer->out_, nframes);
  TakePortBuffer(out);
  peer->write(nframes);
  LetGoPortBuffer(out);
  peer->cycles_.fetch_add(1, std::memory_order_release);
  return 0;
}

void JackMidiPeer::Shutdown(void* self) {
  static_cast<JackMidiPeer*>(self)->shutdown_.store(true, std::memory_order_release);
}

void JackMidiPeer::ClientRegistration(const char* name, int registered, void* self) {
  if (!registered || !name) return;
  auto* peer = static_cast<JackMidiPeer*>(self);
  std::lock_guard<std::mutex> lock(peer->clients_mutex_);
  peer->clients_.emplace_back(name);
}

std::vector<std::string> JackMidiPeer::clientsRegistered() const {
  std::lock_guard<std::mutex> lock(clients_mutex_);
  return clients_;
}

void JackMidiPeer::record(jack_nframes_t nframes) {
  void* buffer = jack_port_get_buffer(in_, nframes);
  TakePortBuffer(buffer);
  const jack_nframes_t cycle_start = jack_last_frame_time(client_);
  const std::uint32_t n = jack_midi_get_event_count(buffer);
  std::size_t index = recorded_.load(std::memory_order_relaxed);
  for (std::uint32_t i = 0; i < n; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) != 0) continue;
    if (index >= kMaxEvents || pool_used_ + event.size > kMaxBytes) {
      lost_.store(true, std::memory_order_release);
      continue;
    }
    const std::uint64_t frame = std::uint64_t{cycle_start} + event.time;
    std::memcpy(pool_.get() + pool_used_, event.buffer, event.size);
    slots_[index] = {pool_used_, event.size, frame * 1000000u / rate_};
    pool_used_ += event.size;
    ++index;
    recorded_.store(index, std::memory_order_release);
  }
  LetGoPortBuffer(buffer);
}

void JackMidiPeer::write(jack_nframes_t nframes) {
  void* buffer = jack_port_get_buffer(out_, nframes);
  jack_midi_clear_buffer(buffer);
  if (!batch_ready_.load(std::memory_order_acquire)) return;
  bool wrote = false;
  const std::size_t limit = per_cycle_limit_.load(std::memory_order_relaxed);
  std::size_t written = 0;
  while (batch_next_ < batch_.size()) {
    if (limit > 0 && written == limit) return;  // the rest goes next cycle
    ++written;
    const MidiBytes& m = batch_[batch_next_];
    if (jack_midi_event_write(buffer, 0, m.data(), m.size()) != 0) {
      if (wrote) return;  // buffer full: the rest goes next cycle
      // Larger than an empty buffer holds: it can never go; skip it.
    }
    wrote = true;
    ++batch_next_;
  }
  batch_ready_.store(false, std::memory_order_release);
}

}  // namespace quorvane::testing
