#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <memory>

#include "surface/bulk_send_thread.h"

namespace quorvane {

class SurfaceModel;

// The paced background sends of the surface's definitions (all pages, the current page, the
// selected ones), the Stop shared by them, and the schedule an output may impose on them.
class BulkSends : public QObject {
  Q_OBJECT

 public:
  // An output that places messages on a clock of its own: how far ahead of its due moment a
  // bulk send may hand a message over, and where it says when the next one is due.
  struct SendSchedule {
    std::function<std::chrono::microseconds()> lead;
    std::function<void(std::chrono::steady_clock::time_point)> next_due;
  };

  explicit BulkSends(SurfaceModel& model, QObject* parent = nullptr);
  ~BulkSends() override;  // stops running sends first

  void SetSendSchedule(SendSchedule schedule) { schedule_ = std::move(schedule); }
  const SendSchedule& Schedule() const { return schedule_; }

  // Starts a paced background send of the mode. The thread frees itself when it ends; the
  // last one started stays reachable.
  BulkSendThread* StartSend(BulkSendThread::Mode mode);
  BulkSendThread* LastSendThread() const { return last_thread_; }
  int RunningSends() const { return running_; }
  // Shared by every running bulk send; requested by Stop, which also ends a pause at once.
  StopSignal& StopRequest() { return stop_request_; }
  // Whether a send of the mode takes definition (page, slot).
  bool SendQualifies(int page, int slot, BulkSendThread::Mode mode) const;
  // Sets the stop request and returns once every running send has ended, serving their steps.
  void StopSends();

 signals:
  void sendBegun();  // a bulk send starts: busy look, other windows disabled
  void sendEnded();  // ... and ends

 private:
  class Host;

  SurfaceModel& model_;
  SendSchedule schedule_;
  StopSignal stop_request_;
  QPointer<BulkSendThread> last_thread_;
  int running_ = 0;
  std::unique_ptr<Host> host_;
};

}  // namespace quorvane
