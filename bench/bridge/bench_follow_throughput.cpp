// Input follow under a flood through JACK: a peer on a private dummy server writes control
// changes in bursts of a given size every cycle (256 frames at 48 kHz) and the program follows
// them. Reports the messages per second followed and how many a full ring turned away; the
// largest burst with nothing lost is the sustained throughput.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <memory>
#include <vector>

#include "jack_ports.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMessages = 20000;
constexpr std::uint8_t kLastController = 127;  // its value marks the end of a run

void BM_FollowFlood(benchmark::State& state) {
  testing::JackServer server;
  const auto per_cycle = static_cast<std::size_t>(state.range(0));
  if (!server.start()) {
    state.SkipWithError("jackd did not start");
    return;
  }
  auto peer = std::make_unique<testing::JackMidiPeer>("peer");
  peer->setPerCycleLimit(per_cycle);
  SurfaceModel model;
  model.MutablePages().Initialize();
  for (int i = 0; i < kDefinitionCount; ++i) {
    model.MutablePages()[i].ctrl = static_cast<std::uint8_t>(i);
  }
  model.MutablePages()[kDefinitionCount - 1].ctrl = kLastController;
  model.ShowPage(1);
  testing::LinkedPorts ports = testing::StartJackPorts(model, *peer, true);
  if (!ports->InUse(PortRole::kInput1)) {
    state.SkipWithError("input did not open");
    return;
  }
  int lost = 0;
  QObject::connect(ports.get(), &MidiPorts::messageLost, [&lost] { ++lost; });

  double rate = 0;
  int runs = 0;
  for (auto _ : state) {
    std::vector<testing::MidiBytes> flood;
    flood.reserve(kMessages + 1);
    for (int n = 0; n < kMessages; ++n) {
      flood.push_back(
          {0xB0, static_cast<std::uint8_t>(n % 100), static_cast<std::uint8_t>((n + runs) % 128)});
    }
    const auto mark = static_cast<std::uint8_t>(runs % 128);
    flood.push_back({0xB0, kLastController, mark});
    const auto start = Clock::now();
    if (!peer->send(std::move(flood))) {
      state.SkipWithError("the peer could not send");
      break;
    }
    const auto deadline = start + std::chrono::seconds(20);
    while (model.Pages()[kDefinitionCount - 1].value != mark && Clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (model.Pages()[kDefinitionCount - 1].value != mark) {
      state.SkipWithError("the last message never arrived");
      break;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    rate += (kMessages + 1) / seconds;
    ++runs;
  }
  if (runs > 0) {
    state.counters["msgs_per_s"] = rate / runs;
    state.counters["lost"] = lost;
  }
  ports->CloseInUse();
}
BENCHMARK(BM_FollowFlood)
    ->Arg(64)
    ->Arg(256)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane
