#include "app/session.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>

#include "surface/ui/main_window.h"

namespace quorvane {

Session::Session(QuitFunction quit, QObject* parent)
    : QObject(parent),
      quit_(quit ? std::move(quit) : QuitFunction([] { QCoreApplication::quit(); })) {
  model_ = std::make_unique<TSliderWindow>();
  connect(&signals_, &SignalWatcher::terminationRequested, this, &Session::RequestExit);
  connect(qApp, &QCoreApplication::aboutToQuit, this, &Session::Shutdown);
}

Session::~Session() {
  Shutdown();
  window_.reset();
}

void Session::Start() {
  model_->pages.Initialize();
  window_ = std::make_unique<MainWindow>(*model_);
  window_->installEventFilter(this);
  window_->setEnabled(false);
  model_->ShowPage(1);
  window_->show();
  window_->setEnabled(true);
}

bool Session::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.get() && event->type() == QEvent::Close && !shut_down_) RequestExit();
  return QObject::eventFilter(watched, event);
}

void Session::RequestExit() {
  Shutdown();
  quit_();
}

void Session::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  for (auto& step : shutdown_steps_) step();
  emit shutdownFinished();
}

}  // namespace quorvane
