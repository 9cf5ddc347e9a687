#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

namespace quorvane::testing {

// A private JACK server on the dummy backend, owned by one test.
//
// The server runs without realtime scheduling under a name no other running
// server has, and JACK_DEFAULT_SERVER is pointed at it so that every JACK client
// of the test process (RtMidi's included) talks to it and never to a server
// somebody else runs. The destructor always stops it.
class JackServer {
 public:
  JackServer();
  ~JackServer();
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  // True when PipeWire stands in for jackd (QUORVANE_TEST_SERVER=pipewire, under pw-jack).
  static bool OnPipeWire();

  // Starts jackd and waits until a client can connect. False when it did not
  // answer within the timeout (the process is then stopped again).
  bool start(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // SIGTERM, bounded wait, SIGKILL fallback. Does nothing when not running.
  void stop();
  // SIGKILL without warning, as a crashing server would go.
  void kill();
  // Kills (if running) and starts again under the same name.
  bool restart(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // Taken at the next start. Synchronous (the default) waits for every client each cycle, so
  // load slows the graph instead of losing MIDI; a client that dies without closing then
  // stalls the server, so a test ends a stock client with a signal it closes on (SIGINT).
  void setSynchronous(bool synchronous) { synchronous_ = synchronous; }
  // Frames per cycle; smaller periods give finer timing.
  void setPeriod(int frames) { period_ = frames; }
  int period() const { return period_; }

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  const std::string& name() const { return name_; }
  int sampleRate() const { return kSampleRate; }

  static constexpr int kSampleRate = 48000;
  static constexpr int kPeriod = 256;

 private:
  bool launch(std::chrono::milliseconds timeout);
  bool answers() const;
  void reap(std::chrono::milliseconds timeout);
  void removeLeftovers() const;

  std::string name_;
  std::string runtime_dir_;  // PipeWire's, when it stands in for jackd
  pid_t pid_ = -1;
  bool restarting_ = false;
  int lock_fd_ = -1;
  bool synchronous_ = true;
  int period_ = kPeriod;
};

}  // namespace quorvane::testing
