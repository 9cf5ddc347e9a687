// The program's CPU under a stream of control changes, against its own idle figure, in one run:
// the release executable on a private X server (Xvfb) and a private JACK server (dummy driver,
// 48 kHz, 256 frames), with JACK peers on its followed input, its remote input and its output.
// Each part lasts argv[2] seconds (10 by default); CPU is utime + stime from /proc.
//   idle            ports open, nothing arriving
//   follow N/s      control changes on the followed input, each to a new value
//   remote N/s      slider moves on the remote input; the peer on the output counts that each
//                   one still goes out
//   morph drag      the morph position swept at a mouse's pace (60 a second) over OSC, the way
//                   a remote surface drives it (the remote MIDI input has no morph controller),
//                   60 ranged definitions
// usage: bench_surface_cpu [path/to/quorvane] [seconds]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "desktop_rig.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"

namespace {

using quorvane::bench::Child;
using quorvane::bench::CpuSeconds;
using quorvane::bench::PrivateDisplay;
using quorvane::testing::JackMidiPeer;
using quorvane::testing::JackServer;
using quorvane::testing::MidiBytes;
using Clock = std::chrono::steady_clock;

constexpr int kOscPort = 47913;
constexpr int kRangedDefinitions = 60;

// Slider settings whose first 60 definitions have a full range, for the morph.
void WriteRangedFile(const std::string& path) {
  std::ofstream out(path);
  out << "[Application Settings]\nFile Type=Slider Settings\nFile Version=1.0.0\n"
      << "[Slider Settings]\n";
  for (int n = 1; n <= kRangedDefinitions; ++n)
    out << "s" << n << "_upper_range=127\ns" << n << "_lower_range=0\n";
}

// Every cycle `per_cycle` control changes on channel 1, controllers 1..per_cycle, each to a value
// its controller did not have the cycle before.
std::vector<MidiBytes> ControlChanges(int per_cycle, int cycles) {
  std::vector<MidiBytes> out;
  out.reserve(static_cast<std::size_t>(per_cycle * cycles));
  for (int c = 0; c < cycles; ++c)
    for (int k = 1; k <= per_cycle; ++k)
      out.push_back({0xB0, static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(c % 128)});
  return out;
}

std::vector<std::uint8_t> OscMorph(int position) {
  std::vector<std::uint8_t> m;
  for (const char* s : {"/quorvane/morph", ",i"}) {
    const std::size_t n = std::string(s).size();
    m.insert(m.end(), s, s + n);
    m.resize(m.size() + 4 - n % 4, 0);
  }
  const std::uint32_t v = htonl(static_cast<std::uint32_t>(position));
  const auto* b = reinterpret_cast<const std::uint8_t*>(&v);
  m.insert(m.end(), b, b + 4);
  return m;
}

struct Figure {
  double cpu_percent = 0;
  double seconds = 0;
};

// CPU of pid while `work` runs, as a share of one core.
template <typename Work>
Figure Measure(pid_t pid, Work work) {
  const double cpu0 = CpuSeconds(pid);
  const Clock::time_point t0 = Clock::now();
  work();
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  return {100.0 * (CpuSeconds(pid) - cpu0) / wall, wall};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string exe = argc > 1 ? argv[1] : QUORVANE_EXECUTABLE;
  const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
  const int cycles = static_cast<int>(seconds * JackServer::kSampleRate / JackServer::kPeriod);

  PrivateDisplay display;
  if (!display.ok()) return std::fprintf(stderr, "Xvfb did not start\n"), 1;
  JackServer server;
  server.setPeriod(JackServer::kPeriod);
  if (!server.start()) return std::fprintf(stderr, "jackd did not start\n"), 1;
  JackMidiPeer feed("feed"), remote("remote"), sink("sink");

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("quorvane-cpu-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string qrt = (dir / "ranged.qrt").string();
  WriteRangedFile(qrt);
  Child program(
      {exe, "--no-splash", "--settings", (dir / "Brellin.ini").string(), "--midi-system", "jack",
       "--output", sink.inPortName(), "--input", feed.outPortName(), "--remote-input",
       remote.outPortName(), "--osc-port", std::to_string(kOscPort), qrt},
      {"DISPLAY=" + display.name(), "QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + dir.string()});

  // Ready once a remote move comes back out.
  bool ready = false;
  for (int i = 0; i < 100 && !ready; ++i) {
    remote.send({{0xB0, 1, static_cast<std::uint8_t>(i % 2)}});
    ready = sink.waitFor(1, std::chrono::milliseconds(100));
  }
  if (!ready || !program.alive()) return std::fprintf(stderr, "the program did not come up\n"), 1;
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const pid_t pid = program.pid();
  const auto settle = [] { std::this_thread::sleep_for(std::chrono::seconds(1)); };
  const auto wait_long = std::chrono::milliseconds(static_cast<int>(seconds * 3000) + 5000);

  std::printf("quorvane %s, %d-core machine, Xvfb, jackd dummy 48000 Hz / %d frames, %.0f s each\n",
              exe.c_str(), static_cast<int>(std::thread::hardware_concurrency()),
              JackServer::kPeriod, seconds);
  const Figure idle =
      Measure(pid, [&] { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); });
  std::printf("%-22s %6.1f %% of a core\n", "idle, ports open", idle.cpu_percent);

  struct Part {
    const char* name;
    JackMidiPeer& peer;
    int per_cycle;
    bool counted;
  };
  const Part streams[] = {{"follow 187/s", feed, 1, false},
                          {"follow 1500/s", feed, 8, false},
                          {"remote 187/s", remote, 1, true},
                          {"remote 1500/s", remote, 8, true}};
  for (const Part& s : streams) {
    std::vector<MidiBytes> messages = ControlChanges(s.per_cycle, cycles);
    const std::size_t n = messages.size();
    s.peer.setPerCycleLimit(static_cast<std::size_t>(s.per_cycle));
    const std::size_t before = sink.count();
    const Figure f = Measure(pid, [&] {
      s.peer.send(std::move(messages));
      s.peer.waitSent(wait_long);
    });
    std::printf("%-22s %6.1f %% (+%.1f over idle), %.0f messages/s", s.name, f.cpu_percent,
                f.cpu_percent - idle.cpu_percent, static_cast<double>(n) / f.seconds);
    if (s.counted) {
      sink.waitFor(before + n, std::chrono::seconds(3));
      std::printf(", %zu of %zu went out", sink.count() - before, n);
    }
    std::printf("\n");
    settle();
  }

  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(kOscPort);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const std::size_t before = sink.count();
  int steps = 0;
  const Figure morph = Measure(pid, [&] {
    const Clock::time_point start = Clock::now();
    const int total = static_cast<int>(seconds * 60);
    for (; steps < total; ++steps) {
      // 0..127 and back, as a hand sweeps the slider.
      const int phase = (steps * 4) % 254;
      const std::vector<std::uint8_t> m = OscMorph(phase < 128 ? phase : 253 - phase);
      ::sendto(fd, m.data(), m.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
      std::this_thread::sleep_until(start + std::chrono::microseconds(16667 * (steps + 1)));
    }
  });
  ::close(fd);
  std::printf("%-22s %6.1f %% (+%.1f over idle), %d positions, %zu messages out\n",
              "morph drag (60 ranged)", morph.cpu_percent, morph.cpu_percent - idle.cpu_percent,
              steps, sink.count() - before);
  program.stop();
  std::filesystem::remove_all(dir);
  return 0;
}
