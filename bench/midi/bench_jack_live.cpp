// The JACK service against a stock JACK client on one private dummy server at 256 frames:
//  - idle: CPU time and context switches a second of the service with an output and two inputs
//    open, and of a client that does nothing, each in a process of its own (argv[1] seconds,
//    20 by default);
//  - key to wire: a message handed to the output port, and the same message from a stock client
//    that writes it at the first frame of its next cycle, to the moment the receiver's frame
//    time says it is on the wire (40 presses, interleaved);
//  - remote round trip: a control change into the remote input, sent back out by its handler,
//    in frames from the one to the other at the receiver.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "midi/jack_service.h"
#include "midi/midi_input_port.h"
#include "midi/midi_output_port.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/pump.h"

namespace quorvane {
namespace {

using testing::JackMidiPeer;
using testing::JackServer;

int Nothing(jack_nframes_t, void*) {
  return 0;
}

void Noop(MidiHandle, MidiCallbackMessage, void*, std::uintptr_t, std::uintptr_t) {}

// A client that does nothing, as long as the process lives.
[[noreturn]] void DoNothingClient() {
  jack_client_t* client = jack_client_open("idle", JackNoStartServer, nullptr);
  if (!client) _exit(1);
  jack_set_process_callback(client, &Nothing, nullptr);
  jack_activate(client);
  for (;;) pause();
}

// The service with an output and two inputs open on the peer's ports.
[[noreturn]] void ServiceClient() {
  JackService service;
  std::vector<std::string> outs, ins;
  for (int i = 0; i < 500 && (outs.empty() || ins.empty()); ++i) {
    outs.clear();
    ins.clear();
    for (std::uint32_t d = 0; d < service.OutputDeviceCount(); ++d) outs.push_back("");
    for (std::uint32_t d = 0; d < service.InputDeviceCount(); ++d) ins.push_back("");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  MidiHandle out = kNoMidiHandle, in1 = kNoMidiHandle, in2 = kNoMidiHandle;
  service.SetNextPortName("MIDI Out");
  if (service.OutputOpen(out, 0, &Noop, nullptr) != kMidiNoError) _exit(2);
  service.SetNextPortName("MIDI In 1");
  if (service.InputOpen(in1, 0, &Noop, nullptr) != kMidiNoError) _exit(3);
  service.SetNextPortName("Remote In");
  if (service.InputOpen(in2, 0, &Noop, nullptr) != kMidiNoError) _exit(4);
  service.InputStart(in1);
  service.InputStart(in2);
  for (;;) pause();
}

struct Usage {
  double cpu_s = 0;
  long long switches = 0;
};

Usage UsageOf(pid_t pid) {
  Usage u;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string f;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stoll(f);
    if (i == 15) stime = std::stoll(f);
  }
  u.cpu_s = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks)) {
    std::ifstream status(task.path() / "status");
    for (std::string l; std::getline(status, l);)
      if (l.find("ctxt_switches:") != std::string::npos)
        u.switches += std::stoll(l.substr(l.find(':') + 1));
  }
  return u;
}

void Idle(int seconds) {
  const pid_t nothing = fork();
  if (nothing == 0) DoNothingClient();
  const pid_t service = fork();
  if (service == 0) ServiceClient();
  JackMidiPeer peer("peer");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const Usage n0 = UsageOf(nothing), s0 = UsageOf(service);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const Usage n1 = UsageOf(nothing), s1 = UsageOf(service);
  const auto show = [seconds](const char* what, const Usage& a, const Usage& b) {
    std::printf("idle %-28s CPU %.2f %% of a core, %.0f context switches/s\n", what,
                100.0 * (b.cpu_s - a.cpu_s) / seconds,
                static_cast<double>(b.switches - a.switches) / seconds);
  };
  show("service (1 out, 2 in open)", s0, s1);
  show("do-nothing client", n0, n1);
  kill(nothing, SIGKILL);
  kill(service, SIGKILL);
  waitpid(nothing, nullptr, 0);
  waitpid(service, nullptr, 0);
}

// A stock sender: writes a note at the first frame of its next cycle once asked to.
struct Stock {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  std::atomic<bool> pending{false};
  static int Process(jack_nframes_t nframes, void* self) {
    auto* s = static_cast<Stock*>(self);
    void* buffer = jack_port_get_buffer(s->port, nframes);
    jack_midi_clear_buffer(buffer);
    if (s->pending.exchange(false)) {
      const jack_midi_data_t note[3] = {0x91, 60, 100};
      jack_midi_event_write(buffer, 0, note, 3);
    }
    return 0;
  }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

void Latency(const JackServer& server) {
  JackMidiPeer rec("rec");
  Stock stock;
  stock.client = jack_client_open("stock", JackNoStartServer, nullptr);
  stock.port = jack_port_register(stock.client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(stock.client, &Stock::Process, &stock);
  jack_activate(stock.client);
  rec.connect("stock:out", rec.inPortName());
  rec.connect(rec.outPortName(), rec.inPortName());  // its own sends show at their frames

  JackService service;
  TMidiOutput2 out(service);
  TMidiInput2 remote(service);
  const auto index = [](const std::vector<std::string>& names, const std::string& name) {
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
  };
  std::vector<std::string> outs, ins;
  for (std::uint32_t d = 0; d < service.OutputDeviceCount(); ++d) {
    MidiOutputCaps caps;
    service.OutputDeviceCaps(static_cast<int>(d), caps);
    outs.push_back(caps.name);
  }
  for (std::uint32_t d = 0; d < service.InputDeviceCount(); ++d) {
    MidiInputCaps caps;
    service.InputDeviceCaps(d, caps);
    ins.push_back(caps.name);
  }
  out.SetDeviceID(index(outs, "rec:in"));
  out.SetPortName("MIDI Out");
  remote.SetDeviceID(static_cast<std::uint16_t>(index(ins, "rec:out")));
  remote.SetPortName("Remote In");
  remote.OnMidiInput = [&](TMidiInput2* port) {
    while (port->PendingCount() > 0) {
      const auto event = port->ReadEvent();
      out.SendShort(event->status, event->data1, event->data2);
    }
  };
  if (!out.Open()) return;
  remote.Open();
  remote.Start();

  const double rate = server.sampleRate();
  const auto wire_us = [&](const testing::PeerEvent& e) {
    const auto frame = static_cast<jack_nframes_t>(
        (e.time_us * static_cast<std::uint64_t>(rate) + 999999) / 1000000);
    return static_cast<double>(jack_frames_to_time(stock.client, frame));
  };
  std::minstd_rand moment(5);
  std::vector<double> ours, theirs, round_trip;
  for (int i = 0; i < 40; ++i) {
    for (int who = 0; who < 2; ++who) {
      std::this_thread::sleep_for(std::chrono::microseconds(3000 + moment() % 5000));
      const std::size_t from = rec.count();
      const auto t0 = static_cast<double>(jack_get_time());
      if (who == 0) {
        out.SendShort(0x90, 60, 100);
      } else {
        stock.pending.store(true);
      }
      if (!rec.waitFor(from + 1)) return;
      (who == 0 ? ours : theirs).push_back((wire_us(rec.events(from)[0]) - t0) / 1000.0);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(3000 + moment() % 5000));
    const std::size_t from = rec.count();
    rec.send({{0xB0, 20, static_cast<std::uint8_t>(i)}});
    if (!testing::Pump([&] { return rec.count() >= from + 2; })) return;
    const auto events = rec.events(from);
    round_trip.push_back(
        (static_cast<double>(events[1].time_us) - static_cast<double>(events[0].time_us)) * rate /
        1e6);
  }
  std::printf("key to wire, ms: service p50 %.2f max %.2f; stock client p50 %.2f max %.2f\n",
              Median(ours), Percentile(ours, 1.0), Median(theirs), Percentile(theirs, 1.0));
  std::printf("remote round trip, frames: p50 %.0f p99 %.0f max %.0f (period %d)\n",
              Median(round_trip), Percentile(round_trip, 0.99), Percentile(round_trip, 1.0),
              server.period());
  remote.Close();
  out.Close();
  jack_client_close(stock.client);
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  quorvane::testing::JackServer server;
  server.setSynchronous(false);
  server.setPeriod(256);
  if (!server.start()) {
    std::fprintf(stderr, "no JACK server\n");
    return 1;
  }
  quorvane::Idle(seconds);
  QCoreApplication app(argc, argv);
  quorvane::Latency(server);
  return 0;
}
