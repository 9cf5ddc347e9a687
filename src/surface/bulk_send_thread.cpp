#include "surface/bulk_send_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <algorithm>
#include <future>

namespace quorvane {

void StopSignal::Request() {
  {
    std::lock_guard lock(mutex_);
    requested_ = true;
  }
  changed_.notify_all();
}

void StopSignal::Clear() {
  std::lock_guard lock(mutex_);
  requested_ = false;
}

bool StopSignal::IsRequested() const {
  std::lock_guard lock(mutex_);
  return requested_;
}

bool StopSignal::WaitUntil(Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return changed_.wait_until(lock, deadline, [this] { return requested_; });
}

BulkSendThread::BulkSendThread(BulkSendHost& host, StopSignal& stop_request, Mode mode,
                               QObject* parent)
    : QObject(parent),
      host_(host),
      stop_request_(stop_request),
      send_mode_(mode),
      sleeper_([&stop_request](Clock::time_point until) { stop_request.WaitUntil(until); }) {}

BulkSendThread::~BulkSendThread() {
  if (!worker_.joinable()) return;
  if (!finished_.load()) stop_request_.Request();
  WaitWhileProcessingEvents();
}

void BulkSendThread::Start() {
  if (worker_.joinable()) return;
  worker_ = std::thread([this] { Run(); });
}

void BulkSendThread::WaitWhileProcessingEvents() {
  // The worker may be waiting for a step on this thread: keep serving events until it ends.
  // Every step and the end are posted events, so waiting for more events cannot miss the end.
  while (worker_.joinable() && !finished_.load()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
  if (worker_.joinable()) worker_.join();
}

bool BulkSendThread::Step(const std::function<bool()>& fn) {
  // The step is handed over under a mutex and waited for through a promise: plain C++ that
  // thread checkers can follow, unlike a blocking queued call.
  std::promise<bool> done;
  std::future<bool> answer = done.get_future();
  {
    std::lock_guard lock(step_mutex_);
    pending_step_ = fn;
    step_done_ = &done;
  }
  QMetaObject::invokeMethod(this, &BulkSendThread::RunPendingStep, Qt::QueuedConnection);
  return answer.get();
}

void BulkSendThread::RunPendingStep() {
  std::function<bool()> step;
  std::promise<bool>* done = nullptr;
  {
    std::lock_guard lock(step_mutex_);
    step.swap(pending_step_);
    std::swap(done, step_done_);
  }
  if (!done) return;
  done->set_value(step());
}

void BulkSendThread::Pause(Clock::time_point& deadline, int delay_ms) {
  if (delay_ms <= 0) return;
  const auto delay = std::chrono::milliseconds(delay_ms);
  deadline += delay;
  // More than a whole pause behind (the GUI thread was held up): let the schedule slip
  // instead of sending the backlog in a burst.
  const auto now = Clock::now();
  if (now + lead_ > deadline + delay) deadline = now + lead_;
  sleeper_(deadline - lead_);
}

void BulkSendThread::Schedule(Clock::time_point& deadline, bool& anchored, int delay_ms) {
  if (delay_ms <= 0) return;  // unpaced: each message goes as it is handed over
  if (!anchored) {
    lead_ = std::max(host_.SendLead(), std::chrono::microseconds{});
    deadline = Clock::now() + lead_;
    anchored = true;
  }
  if (lead_.count() > 0) host_.SetNextDue(deadline);
}

void BulkSendThread::Run() {
  bool ok = Step([this] {
    host_.BeginSend();
    stop_request_.Clear();
    return true;
  });
  // Message k is due k pauses after the first one.
  Clock::time_point deadline{};
  bool anchored = false;
  bool stopped = false;
  for (int p = 1; ok && !stopped && p <= 5; ++p) {
    for (int s = 1; ok && !stopped && s <= 24; ++s) {
      bool sent = false;
      bool uses_slider = true;
      int delay = 0;
      // Qualifying and the first message in one step: the model is read where it lives.
      ok = Step([&] {
        page_ = static_cast<std::uint8_t>(send_mode_ == kCurrentPage ? host_.CurrentPage() : p);
        slot_ = static_cast<std::uint8_t>(s);
        if (!host_.Qualifies(page_, slot_, send_mode_)) return true;
        uses_slider = host_.UsesSlider(page_, slot_);
        delay = host_.MidiDelay();
        second_ = false;
        sent = true;
        Schedule(deadline, anchored, delay);
        return host_.SendDefinition(page_, slot_, second_);
      });
      if (!ok || !sent) continue;
      if (!uses_slider) {
        Pause(deadline, delay);
        ok = Step([&] {
          second_ = true;
          Schedule(deadline, anchored, delay);
          return host_.SendDefinition(page_, slot_, second_);
        });
        if (!ok) continue;
      }
      Pause(deadline, delay);
      stopped = stop_request_.IsRequested();
    }
    // The current-page walk visits one page only.
    if (send_mode_ == kCurrentPage) break;
  }
  // A refused message abandons the walk; the end step still runs.
  Step([this] {
    host_.EndSend();
    return true;
  });
  failed_.store(!ok);
  finished_.store(true);
  QMetaObject::invokeMethod(this, &BulkSendThread::Finish, Qt::QueuedConnection);
}

void BulkSendThread::Finish() {
  emit finished(failed_.load());
  if (free_on_finish_) deleteLater();
}

}  // namespace quorvane
