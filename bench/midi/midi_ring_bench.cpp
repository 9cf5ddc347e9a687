#include <benchmark/benchmark.h>

#include "midi/midi_message.h"

namespace quorvane {
namespace {

// One record through the ring: put, peek, remove.
void BM_RingPutPeekRemove(benchmark::State& state) {
  auto ring = RingCreate(1024);
  TMidiRingRecord in{1, PackShortMessage(0xB0, 7, 100), nullptr};
  TMidiRingRecord out;
  for (auto _ : state) {
    in.timestamp++;
    RingPut(*ring, in);
    RingPeek(*ring, out);
    RingRemove(*ring);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RingPutPeekRemove);

// A full ring's worth in, then all out: the pattern of a burst drained by the GUI thread.
void BM_RingBurst(benchmark::State& state) {
  const auto capacity = static_cast<std::uint16_t>(state.range(0));
  auto ring = RingCreate(capacity);
  TMidiRingRecord in{1, PackShortMessage(0xB0, 7, 100), nullptr};
  TMidiRingRecord out;
  for (auto _ : state) {
    for (std::uint16_t i = 0; i < capacity; ++i) RingPut(*ring, in);
    while (RingPeek(*ring, out)) RingRemove(*ring);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * capacity);
}
BENCHMARK(BM_RingBurst)->Arg(1024)->Arg(kMaxRingCapacity);

// The driver callback's own cost for a short message, without a window to wake.
void BM_DriverCallbackShortNoWake(benchmark::State& state) {
  auto ring = RingCreate(1024);
  TDriverCallbackBlock block;
  block.ring = ring.get();
  const std::uintptr_t word = PackShortMessage(0xB0, 7, 100);
  for (auto _ : state) {
    DriverCallback(1, MidiCallbackMessage::InputData, &block, word, 0);
    RingRemove(*ring);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DriverCallbackShortNoWake);

}  // namespace
}  // namespace quorvane

BENCHMARK_MAIN();
