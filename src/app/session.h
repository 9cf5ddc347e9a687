#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "app/signal_watcher.h"
#include "surface/slider_window.h"

namespace quorvane {

class MainWindow;

// One run of the program: creates the model and the windows, and owns the single shutdown
// path that every way out (close button, Exit, SIGINT, SIGTERM) goes through.
class Session : public QObject {
  Q_OBJECT

 public:
  using QuitFunction = std::function<void()>;

  explicit Session(QuitFunction quit = {}, QObject* parent = nullptr);
  ~Session() override;

  void Start();
  // Ends the run: shutdown steps once, then the event loop.
  void RequestExit();
  // Closes ports and writes settings; runs its steps once, whatever calls it.
  void Shutdown();
  // Later steps (ports, settings) register here; they run in order at shutdown.
  void AddShutdownStep(std::function<void()> step) { shutdown_steps_.push_back(std::move(step)); }

  bool IsShutDown() const { return shut_down_; }
  TSliderWindow& Model() { return *model_; }
  MainWindow& Window() { return *window_; }

 signals:
  void shutdownFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QuitFunction quit_;
  std::unique_ptr<TSliderWindow> model_;
  std::unique_ptr<MainWindow> window_;
  SignalWatcher signals_;
  std::vector<std::function<void()>> shutdown_steps_;
  bool shut_down_ = false;
};

}  // namespace quorvane
