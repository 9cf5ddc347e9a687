// Start-up of the main window on the offscreen platform: model, page 1, window, first expose.
// Also reports the cold first start (including QApplication) and the peak resident set.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/session.h"
#include "midi/midi_system.h"
#include "surface/surface_model.h"
#include "surface/ui/main_window.h"

namespace {

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Everything start-up does up to the first shown main window.
void StartOnce() {
  auto model = std::make_unique<quorvane::SurfaceModel>();
  model->MutablePages().Initialize();
  model->ShowPage(1);
  auto window = std::make_unique<quorvane::MainWindow>(*model);
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) std::abort();
  QCoreApplication::processEvents();
  window.reset();
  model.reset();
  // Objects that Qt hands to deleteLater during teardown.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_MainWindowStartUp(benchmark::State& state) {
  for (auto _ : state) StartOnce();
  state.counters["peak_rss_MB"] = static_cast<double>(PeakRssKb()) / 1024.0;
}
BENCHMARK(BM_MainWindowStartUp)->Unit(benchmark::kMillisecond);

// The whole program as `quorvane --no-splash` starts it, up to a usable main window: every
// window, the settings file (written by the previous round), the ports (no MIDI system here).
void BM_SessionStartUp(benchmark::State& state) {
  QTemporaryDir dir;
  quorvane::Session::Options options;
  options.quit = [] {};
  options.settings_path = dir.filePath(QStringLiteral("Brellin.ini"));
  options.midi_service_factory = [](const std::string&, std::string* chosen) {
    *chosen = "ALSA";
    return std::make_unique<quorvane::NoMidiService>("no MIDI in this benchmark");
  };
  for (auto _ : state) {
    auto session = std::make_unique<quorvane::Session>(options);
    session->Start();
    if (!QTest::qWaitForWindowExposed(&session->Window()) || !session->Started()) std::abort();
    state.PauseTiming();
    session.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SessionStartUp)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QElapsedTimer cold;
  cold.start();
  QApplication app(argc, argv);
  StartOnce();
  const qint64 cold_ms = cold.elapsed();
  std::printf("cold start to first shown window: %lld ms, peak RSS %.1f MB\n",
              static_cast<long long>(cold_ms), static_cast<double>(PeakRssKb()) / 1024.0);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("peak RSS after all runs: %.1f MB\n", static_cast<double>(PeakRssKb()) / 1024.0);
  return 0;
}
