#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace quorvane {

// What a bulk send needs from the main window. Every call runs on the GUI thread.
class SendHost {
 public:
  virtual ~SendHost() = default;
  virtual void BeginSend() = 0;  // busy cursor, send window, other windows disabled
  virtual void EndSend() = 0;    // the reverse
  virtual int CurrentPage() const = 0;
  // Whether definition (page, slot) takes part in a send of the given mode.
  virtual bool Qualifies(int page, int slot, int send_mode) const = 0;
  virtual bool UsesSlider(int page, int slot) const = 0;
  // Sends the slider message (second = false) or the button message of a definition.
  virtual void SendDefinition(int page, int slot, bool second) = 0;
  virtual int MidiDelay() const = 0;  // ms; 0 or less = no pause
};

// One bulk send in the background: walks the definitions and has each message sent on the
// GUI thread, pausing midi_delay ms after every message. Pauses follow absolute deadlines on a
// monotonic clock, so a long walk does not drift.
//
// The object lives on the GUI thread (the thread that creates it); its worker never touches the
// host except through steps that run there while the worker waits.
class TMIDISendThread : public QObject {
  Q_OBJECT

 public:
  enum Mode : std::uint8_t { kAllPages = 0, kCurrentPage = 1, kSelected = 2 };
  using Clock = std::chrono::steady_clock;
  // Blocks the worker until the given time; tests replace it to count the pauses.
  using Sleeper = std::function<void(Clock::time_point)>;

  TMIDISendThread(SendHost& host, std::atomic<bool>& stop_request, int send_mode,
                  QObject* parent = nullptr);
  // Stops and waits for a walk still running.
  ~TMIDISendThread() override;
  TMIDISendThread(const TMIDISendThread&) = delete;
  TMIDISendThread& operator=(const TMIDISendThread&) = delete;

  int SendMode() const { return send_mode_; }
  // Before Start: the object deletes itself once the walk has ended.
  void SetFreeOnFinish(bool on) { free_on_finish_ = on; }
  void SetSleeper(Sleeper sleeper) { sleeper_ = std::move(sleeper); }

  void Start();
  bool IsFinished() const { return finished_.load(); }
  // Returns once the walk has ended, serving its steps on this (the GUI) thread meanwhile.
  void WaitWhileProcessingEvents();

 signals:
  // On the GUI thread, after the end step.
  void finished();

 private:
  // Runs the step the worker is waiting for; posted by name, so nothing of the worker's
  // travels inside Qt's event.
  Q_INVOKABLE void RunPendingStep();
  // On the GUI thread once the walk is over: tells, frees, and raises a port error if any.
  Q_INVOKABLE void Finish();
  void Run();
  // Runs fn on the GUI thread and waits for it; false when it raised (the walk is abandoned).
  bool Step(const std::function<void()>& fn);
  void Pause(Clock::time_point& deadline, int delay_ms);

  SendHost& host_;
  std::atomic<bool>& stop_request_;
  // The definition being sent; written by the worker, read inside the steps.
  std::uint8_t slot_ = 0;
  std::uint8_t page_ = 0;
  bool second_ = false;
  const std::uint8_t send_mode_;
  bool free_on_finish_ = false;
  Sleeper sleeper_;
  std::exception_ptr error_;  // set inside a step, read by the worker after it
  std::mutex step_mutex_;
  std::function<void()> pending_step_;       // guarded by step_mutex_
  std::promise<void>* step_done_ = nullptr;  // guarded by step_mutex_
  std::exception_ptr final_error_;           // guarded by step_mutex_
  std::atomic<bool> finished_{false};
  std::thread worker_;
};

}  // namespace quorvane
