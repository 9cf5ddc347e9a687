// GUI-thread time of the two dragging gestures that send straight from the GUI thread: one
// morph step moving all 120 definitions, and one pad move driving eight definitions. Each is
// measured on the model alone (sends into a no-op sender) and with the main window showing
// the page, so that the slot redraws are paid for too.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "morph/morphing.h"
#include "surface/surface_model.h"
#include "surface/ui/main_window.h"

namespace {

using quorvane::SurfaceModel;

// 120 enabled definitions spanning 0..127, so that every step between the two ends moves
// and sends all of them; the output is in use and its sends cost nothing.
std::unique_ptr<SurfaceModel> RangedModel(std::int64_t& sends) {
  auto model = std::make_unique<SurfaceModel>();
  model->MutablePages().Initialize();
  for (auto& d : model->MutablePages()) {
    d.upper_range = 127;
    d.lower_range = 0;
  }
  model->SetOutputInUse(true);
  model->SetShortSender([&sends](std::uint8_t, std::uint8_t, std::uint8_t) {
    ++sends;
    return true;
  });
  model->ShowPage(1);
  return model;
}

// With the page shown in a main window, so that the slots' redraws run as in the program.
std::unique_ptr<quorvane::MainWindow> ShownWindow(SurfaceModel& model) {
  auto window = std::make_unique<quorvane::MainWindow>(model);
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) std::abort();
  return window;
}

// The repaints a gesture asks for, timed with it unless only the call itself is wanted.
void Repaint(benchmark::State& state, bool timed) {
  if (timed) {
    QCoreApplication::processEvents();
    return;
  }
  state.PauseTiming();
  QCoreApplication::processEvents();
  state.ResumeTiming();
}

void MorphSteps(benchmark::State& state, SurfaceModel& model, const std::int64_t& sends) {
  int m = 127;  // the definitions start at 127: the first step moves them too
  for (auto _ : state) {
    m = m == 0 ? 127 : 0;  // each end moves every definition
    quorvane::MorphControllers(model, m);
    Repaint(state, state.range(0) != 0);
  }
  state.counters["sends_per_step"] =
      benchmark::Counter(static_cast<double>(sends), benchmark::Counter::kAvgIterations);
}

void PadMoves(benchmark::State& state, SurfaceModel& model, const std::int64_t& sends) {
  quorvane::VectorAssignments pad;
  // Four definitions per axis, half of them on the page shown.
  pad.SetX({0, 1, 30, 60});
  pad.SetY({2, 3, 90, 119});
  bool far = true;  // the definitions start at 127: the first move goes to 0
  for (auto _ : state) {
    far = !far;
    const int x = far ? 324 : 0;
    const int y = far ? 8 : 320;
    benchmark::DoNotOptimize(pad.Move(model, x, y, true));
    Repaint(state, state.range(0) != 0);
  }
  state.counters["sends_per_move"] =
      benchmark::Counter(static_cast<double>(sends), benchmark::Counter::kAvgIterations);
}

void BM_MorphStepModel(benchmark::State& state) {
  std::int64_t sends = 0;
  auto model = RangedModel(sends);
  MorphSteps(state, *model, sends);
}
BENCHMARK(BM_MorphStepModel)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_MorphStepWithWindow(benchmark::State& state) {
  std::int64_t sends = 0;
  auto model = RangedModel(sends);
  auto window = ShownWindow(*model);
  MorphSteps(state, *model, sends);
  window.reset();
}
// Arg 0: the call alone, with the widgets updated; 1: with the repaint it asked for.
BENCHMARK(BM_MorphStepWithWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_PadMoveModel(benchmark::State& state) {
  std::int64_t sends = 0;
  auto model = RangedModel(sends);
  PadMoves(state, *model, sends);
}
BENCHMARK(BM_PadMoveModel)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_PadMoveWithWindow(benchmark::State& state) {
  std::int64_t sends = 0;
  auto model = RangedModel(sends);
  auto window = ShownWindow(*model);
  PadMoves(state, *model, sends);
  window.reset();
}
BENCHMARK(BM_PadMoveWithWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
