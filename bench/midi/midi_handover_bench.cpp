// Latency from the driver callback on a service thread to the GUI thread's data-ready
// handling: ring + eventfd + QSocketNotifier, one message at a time.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "midi/midi_message.h"
#include "midi/port_notifier.h"

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t NowNs() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
          .count());
}

void BM_CallbackToGuiHandover(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  for (auto _ : state) {
    PortNotifier window;
    auto ring = RingCreate(1024);
    TDriverCallbackBlock block;
    block.ring = ring.get();
    block.window = &window;
    std::atomic<std::uint64_t> sent_at{0};
    std::atomic<bool> handled{true};
    std::vector<double> latencies_us;
    latencies_us.reserve(static_cast<std::size_t>(samples));
    QEventLoop loop;

    window.on_data_ready = [&] {
      TMidiRingRecord record;
      while (RingPeek(*ring, record)) {
        latencies_us.push_back(static_cast<double>(NowNs() - sent_at.load()) / 1000.0);
        RingRemove(*ring);
        handled.store(true, std::memory_order_release);
      }
      if (static_cast<int>(latencies_us.size()) >= samples) loop.quit();
    };

    std::thread service([&] {
      for (int i = 0; i < samples; ++i) {
        while (!handled.load(std::memory_order_acquire)) std::this_thread::yield();
        handled.store(false, std::memory_order_relaxed);
        sent_at.store(NowNs());
        DriverCallback(1, MidiCallbackMessage::InputData, &block, PackShortMessage(0xB0, 7, 1), 0);
      }
    });
    loop.exec();
    service.join();

    std::sort(latencies_us.begin(), latencies_us.end());
    const auto at = [&](double q) {
      return latencies_us[static_cast<std::size_t>(q * (latencies_us.size() - 1))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = latencies_us.back();
  }
}
BENCHMARK(BM_CallbackToGuiHandover)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane
