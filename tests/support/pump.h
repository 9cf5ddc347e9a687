#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace quorvane::testing {

// Runs the GUI thread's events until pred holds or the time is up; returns pred().
template <typename Pred>
bool Pump(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer tick;  // bounds each wait so that pred is looked at again
  tick.start(5);
  while (!pred()) {
    if (elapsed.elapsed() > timeout.count()) return pred();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// Handles whatever is already pending for the GUI thread, without waiting for more.
inline void PumpPending() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace quorvane::testing
