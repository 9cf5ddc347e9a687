#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <thread>

namespace quorvane::testing {

// Runs the GUI thread's events until pred holds or the time is up; returns pred().
template <typename Pred>
bool Pump(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace quorvane::testing
