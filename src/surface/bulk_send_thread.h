#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace quorvane {

// Stop, shared by the bulk sends: any thread may request it, and a send's pause ends as soon
// as it is requested, so Stop and shutdown never wait out a long MIDI delay.
class StopSignal {
 public:
  using Clock = std::chrono::steady_clock;

  void Request();
  void Clear();
  bool IsRequested() const;
  // Blocks until the deadline or a request, whichever comes first; true when requested.
  bool WaitUntil(Clock::time_point deadline);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool requested_ = false;  // guarded by mutex_
};

class BulkSendHost;

// One bulk send in the background: walks the definitions and has each message sent on the
// GUI thread, pausing midi_delay ms after every message. Pauses follow absolute deadlines on a
// monotonic clock, so a long walk does not drift; with a host's send lead each message is
// handed over that much before its deadline, together with the deadline.
//
// The object lives on the GUI thread (the thread that creates it); its worker never touches the
// host except through steps that run there while the worker waits.
class BulkSendThread : public QObject {
  Q_OBJECT

 public:
  enum Mode : std::uint8_t { kAllPages = 0, kCurrentPage = 1, kSelected = 2 };
  using Clock = std::chrono::steady_clock;
  // Blocks the worker until the given time or a stop; tests replace it to count the pauses.
  using Sleeper = std::function<void(Clock::time_point)>;

  BulkSendThread(BulkSendHost& host, StopSignal& stop_request, Mode mode,
                 QObject* parent = nullptr);
  // Stops and waits for a walk still running.
  ~BulkSendThread() override;
  BulkSendThread(const BulkSendThread&) = delete;
  BulkSendThread& operator=(const BulkSendThread&) = delete;

  Mode SendMode() const { return send_mode_; }
  // Before Start: the object deletes itself once the walk has ended.
  void SetFreeOnFinish(bool on) { free_on_finish_ = on; }
  void SetSleeper(Sleeper sleeper) { sleeper_ = std::move(sleeper); }

  void Start();
  // Returns once the walk has ended, serving its steps on this (the GUI) thread meanwhile.
  void WaitWhileProcessingEvents();

 signals:
  // On the GUI thread, after the end step; failed when a refused message abandoned the walk.
  void finished(bool failed);

 private:
  // Runs the step the worker is waiting for; nothing of the worker's travels inside Qt's event.
  void RunPendingStep();
  // On the GUI thread once the walk is over: tells and frees.
  void Finish();
  void Run();
  // Runs fn on the GUI thread and waits for it; passes on fn's answer (false abandons the walk).
  bool Step(const std::function<bool()>& fn);
  void Pause(Clock::time_point& deadline, int delay_ms);
  // Inside a step: when the message about to go is due; the first one anchors the schedule.
  void Schedule(Clock::time_point& deadline, bool& anchored, int delay_ms);

  BulkSendHost& host_;
  StopSignal& stop_request_;
  // The definition being sent; written by the worker, read inside the steps.
  std::uint8_t slot_ = 0;
  std::uint8_t page_ = 0;
  bool second_ = false;
  const Mode send_mode_;
  bool free_on_finish_ = false;
  std::chrono::microseconds lead_{};  // the host's send lead, read as the first message goes
  Sleeper sleeper_;
  std::mutex step_mutex_;
  std::function<bool()> pending_step_;       // guarded by step_mutex_
  std::promise<bool>* step_done_ = nullptr;  // guarded by step_mutex_
  std::atomic<bool> failed_{false};
  std::atomic<bool> finished_{false};
  std::thread worker_;
};

// What a bulk send needs from the main window. Every call runs on the GUI thread.
class BulkSendHost {
 public:
  virtual ~BulkSendHost() = default;
  virtual void BeginSend() = 0;  // busy cursor, send window, other windows disabled
  virtual void EndSend() = 0;    // the reverse
  virtual int CurrentPage() const = 0;
  // Whether definition (page, slot) takes part in a send of the given mode.
  virtual bool Qualifies(int page, int slot, BulkSendThread::Mode mode) const = 0;
  virtual bool UsesSlider(int page, int slot) const = 0;
  // Sends the slider message (second = false) or the button message of a definition; false
  // when the output refused it, which abandons the walk.
  virtual bool SendDefinition(int page, int slot, bool second) = 0;
  virtual int MidiDelay() const = 0;  // ms; 0 or less = no pause
  using Clock = std::chrono::steady_clock;
  // An output that places each message on a clock of its own takes a paced message up to this
  // much ahead of its due moment, told by SetNextDue just before the message; the walk then
  // runs that far ahead of its schedule, so a late wake-up of its thread does not show.
  virtual std::chrono::microseconds SendLead() const { return {}; }
  virtual void SetNextDue(Clock::time_point /*due*/) {}
};

}  // namespace quorvane
