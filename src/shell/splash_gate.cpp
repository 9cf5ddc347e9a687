#include "shell/splash_gate.h"

namespace quorvane {

SplashGate::SplashGate(int show_ms, QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &SplashGate::mayClose);
  timer_.start(show_ms);
}

void SplashGate::Click() {
  if (!timer_.isActive()) return;
  timer_.stop();
  emit mayClose();
}

}  // namespace quorvane
