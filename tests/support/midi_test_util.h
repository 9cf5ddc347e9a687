#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace quorvane::test {

// Runs the GUI thread's event loop until done() holds or timeout_ms pass; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 10000) {
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer tick;  // bounds each wait so done() is looked at again
  tick.start(5);
  while (!done()) {
    if (elapsed.elapsed() > timeout_ms) return done();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// Handles whatever is already pending for the GUI thread, without waiting for more.
inline void PumpPending() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace quorvane::test
