// The two MIDI paths of the slider surface:
// - one slider change through the model and the output port down to the service's send call;
// - a burst of 1,024 incoming control changes drained from the input port and applied, with
//   the main window on screen, timed as GUI-thread work until everything is drawn.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "files/app_settings.h"
#include "linked_ports.h"
#include "midi/midi_ports.h"
#include "midi/midi_system.h"
#include "support/in_process_midi_service.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"
#include "surface/ui/main_window.h"

namespace quorvane {
namespace {

// An output that accepts everything and only counts, so that the path above it is measured.
class CountingService : public NoMidiService {
 public:
  CountingService() : NoMidiService({}) {}
  bool Available() const override { return true; }
  std::uint32_t OutputDeviceCount() override { return 1; }
  MidiResult OutputDeviceCaps(int, MidiOutputCaps& caps) override {
    caps.name = "Counter";
    return kMidiNoError;
  }
  MidiResult OutputOpen(MidiHandle& handle, int, MidiDriverCallback, void*) override {
    handle = 1;
    return kMidiNoError;
  }
  MidiResult OutputClose(MidiHandle) override { return kMidiNoError; }
  MidiResult OutputShortMessage(MidiHandle, std::uint32_t word) override {
    ++sent;
    last = word;
    return kMidiNoError;
  }
  std::uint64_t sent = 0;
  std::uint32_t last = 0;
};

void Configure(SurfaceModel& model) {
  for (int i = 0; i < kDefinitionCount; ++i) {
    model.MutablePages()[i] = Tcontroller::Initial(i + 1);
    model.MutablePages()[i].ctrl =
        static_cast<std::uint8_t>(20 + i % kSlotCount);  // 5 per controller
  }
  model.ShowPage(1);
}

void BM_SliderChangeToServiceSend(benchmark::State& state) {
  const bool with_window = state.range(0) != 0;
  SurfaceModel model;
  Configure(model);
  CountingService* service = nullptr;
  testing::LinkedPorts ports(model, [&service](const std::string&, std::string* chosen) {
    auto made = std::make_unique<CountingService>();
    service = made.get();
    *chosen = "ALSA";
    return made;
  });
  AppSettings settings;
  settings.output_device = 0;
  ports.Start(settings);
  std::unique_ptr<MainWindow> window;
  if (with_window) {
    window = std::make_unique<MainWindow>(model);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) state.SkipWithError("window not exposed");
  }
  model.Gestures().SetActiveSlot(5);
  int position = 26;
  for (auto _ : state) {
    position = position == 26 ? 27 : 26;
    model.TrackBarMoved(5, position);
  }
  if (service->sent != static_cast<std::uint64_t>(state.iterations()))
    state.SkipWithError("not one send per change");
  state.SetItemsProcessed(state.iterations());
}

void BM_FollowBurst1024(benchmark::State& state) {
  constexpr int kBurst = 1024;
  SurfaceModel model;
  Configure(model);
  InProcessMidiService* service = nullptr;
  testing::LinkedPorts ports(model, [&service](const std::string&, std::string* chosen) {
    auto made = std::make_unique<InProcessMidiService>(std::vector<std::string>{"Keys"},
                                                       std::vector<std::string>{"Synth"});
    service = made.get();
    *chosen = "ALSA";
    return made;
  });
  AppSettings settings;
  settings.input_device1 = 0;
  ports.Start(settings);
  testing::SetSetting(model, &SurfaceSettings::listen_channel, 1);
  MainWindow window(model);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) state.SkipWithError("window not exposed");
  TMidiInput2& in = ports->MidiInput1();
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++round;
    for (int i = 0; i < kBurst; ++i) {
      // Every controller of page 1, each many times over, with values that keep changing.
      const int ctrl = 20 + i % kSlotCount;
      const int value = (i + round) % 128;
      service->InjectShort(0, static_cast<std::uint32_t>(0xB0 | ctrl << 8 | value << 16));
    }
    service->WaitIdle();
    state.ResumeTiming();
    // GUI-thread time: drain and apply, then the frame that draws it, here and now rather than
    // when its timer would run.
    while (in.PendingCount() > 0) QCoreApplication::processEvents();
    model.Redraws().Flush();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * kBurst);
}

BENCHMARK(BM_SliderChangeToServiceSend)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FollowBurst1024)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::benchmark::Initialize(&argc, argv);
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
