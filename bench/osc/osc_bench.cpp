// Latency from an OSC datagram leaving a client's socket to the slot's control change at the
// MIDI service's send call: loopback UDP, the socket notifier, parsing, the surface commands.
// One message at a time, a little over half a millisecond apart.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "bridge/surface_control.h"
#include "osc/osc_server.h"
#include "snapshots/snapshot_store.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

std::uint64_t NowNs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

void BM_OscToMidiOut(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  for (auto _ : state) {
    SurfaceModel model;
    model.MutablePages().Initialize();
    model.SetOutputInUse(true);
    SnapshotStore snapshots(model);
    SurfaceControl control(model, snapshots);
    OscServer server(control, control);
    if (!server.Listen(0).isEmpty()) {
      state.SkipWithError("no UDP port");
      return;
    }
    model.ShowPage(1);
    std::atomic<std::uint64_t> sent_at{0};
    std::atomic<bool> handled{true};
    std::vector<double> latencies_us;
    latencies_us.reserve(static_cast<std::size_t>(samples));
    QEventLoop loop;
    model.SetShortSender([&](std::uint8_t, std::uint8_t, std::uint8_t) {
      latencies_us.push_back(static_cast<double>(NowNs() - sent_at.load()) / 1000.0);
      handled.store(true, std::memory_order_release);
      if (static_cast<int>(latencies_us.size()) >= samples) loop.quit();
      return true;
    });
    // Two values in turn, so that every message changes the slot and is sent.
    const std::vector<std::uint8_t> datagrams[2] = {
        OscDatagram("/quorvane/slot/5", 10, false, 127),
        OscDatagram("/quorvane/slot/5", 20, false, 127)};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(server.Port()));
    std::thread client([&] {
      const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
      for (int i = 0; i < samples; ++i) {
        while (!handled.load(std::memory_order_acquire)) std::this_thread::yield();
        handled.store(false, std::memory_order_relaxed);
        // Under the server's per-client rate, which would drop the rest of a second.
        std::this_thread::sleep_for(std::chrono::microseconds(600));
        const auto& d = datagrams[i % 2];
        sent_at.store(NowNs());
        ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
      }
      ::close(fd);
    });
    loop.exec();
    client.join();

    std::sort(latencies_us.begin(), latencies_us.end());
    const auto at = [&](double q) {
      return latencies_us[static_cast<std::size_t>(q *
                                                   static_cast<double>(latencies_us.size() - 1))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = latencies_us.back();
  }
}
BENCHMARK(BM_OscToMidiOut)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane
