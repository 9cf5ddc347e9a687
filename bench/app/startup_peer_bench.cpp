// Start-up and memory of the release program beside the Debian package jack-keyboard, the
// lightest stock JACK program with a window: each started on a private X server (Xvfb) against a
// private JACK server, interleaved over argv[2] rounds (5 by default), with a Qt Widgets program
// that shows only a label (bench_toolkit_floor) as the toolkit's own floor. Start is the time
// from the launch to its first top-level window mapped; memory is Private_Clean + Private_Dirty
// (smaps_rollup) a second after that, and Private_Dirty alone.
// usage: bench_startup_peer [path/to/quorvane] [rounds]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "desktop_rig.h"
#include "support/jack_server.h"

namespace {

using quorvane::bench::Child;
using quorvane::bench::MapWatch;
using quorvane::bench::PrivateDisplay;
using quorvane::bench::PrivateMemoryOf;
using quorvane::testing::JackServer;
using Clock = std::chrono::steady_clock;

struct Samples {
  std::vector<double> ms;
  std::vector<double> kb;
  std::vector<double> dirty_kb;
};

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One start of argv: false when no window came.
bool StartOnce(const std::string& display, const std::vector<std::string>& argv,
               const std::vector<std::string>& env, Samples& out) {
  MapWatch watch(display);
  if (!watch.ok()) return false;
  const Clock::time_point t0 = Clock::now();
  Child child(argv, env);
  const double s = watch.WaitFor(child.pid(), t0, std::chrono::seconds(20));
  if (s < 0) return false;
  std::fprintf(stderr, "%s: %.0f ms\n", argv[0].c_str(), s * 1000);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  out.ms.push_back(s * 1000);
  const auto memory = PrivateMemoryOf(child.pid());
  out.kb.push_back(static_cast<double>(memory.all_kb));
  out.dirty_kb.push_back(static_cast<double>(memory.dirty_kb));
  child.stop();
  return true;
}

void Report(const char* name, const Samples& s) {
  std::printf("%-14s start to window: median %6.1f ms (", name, Median(s.ms));
  for (double v : s.ms) std::printf(" %.0f", v);
  std::printf(" )  private memory: median %6.1f MiB, of it dirty %4.1f MiB\n", Median(s.kb) / 1024,
              Median(s.dirty_kb) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string exe = argc > 1 ? argv[1] : QUORVANE_EXECUTABLE;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  PrivateDisplay display;
  if (!display.ok()) return std::fprintf(stderr, "Xvfb did not start\n"), 1;
  JackServer server;
  // A client that goes without closing is dropped instead of stalling the next start.
  server.setSynchronous(false);
  if (!server.start()) return std::fprintf(stderr, "jackd did not start\n"), 1;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("quorvane-start-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::vector<std::string> env = {"DISPLAY=" + display.name(), "QT_QPA_PLATFORM=xcb",
                                        "XDG_CONFIG_HOME=" + dir.string()};
  const std::vector<std::string> quorvane = {
      exe, "--no-splash", "--settings", (dir / "Brellin.ini").string(), "--midi-system", "jack"};
  const std::vector<std::string> peer = {"jack-keyboard"};
  const std::vector<std::string> floor = {TOOLKIT_FLOOR_EXECUTABLE};

  Samples ours, theirs, toolkit;
  // A first start of each, not counted, so that all find their libraries in the page cache.
  Samples warm;
  if (!StartOnce(display.name(), quorvane, env, warm))
    return std::fprintf(stderr, "quorvane showed no window\n"), 1;
  if (!StartOnce(display.name(), peer, env, warm))
    return std::fprintf(stderr, "jack-keyboard showed no window (apt-get install jack-keyboard)\n"),
           1;
  if (!StartOnce(display.name(), floor, env, warm))
    return std::fprintf(stderr, "the toolkit floor showed no window\n"), 1;
  for (int r = 0; r < rounds; ++r) {
    if (!StartOnce(display.name(), quorvane, env, ours))
      std::fprintf(stderr, "quorvane: no window\n");
    if (!StartOnce(display.name(), peer, env, theirs))
      std::fprintf(stderr, "jack-keyboard: no window\n");
    if (!StartOnce(display.name(), floor, env, toolkit))
      std::fprintf(stderr, "toolkit floor: no window\n");
  }
  std::printf("%d rounds, interleaved, %d-core machine, Xvfb, jackd dummy\n", rounds,
              static_cast<int>(std::thread::hardware_concurrency()));
  Report("quorvane", ours);
  Report("jack-keyboard", theirs);
  Report("Qt label only", toolkit);
  std::filesystem::remove_all(dir);
  return 0;
}
