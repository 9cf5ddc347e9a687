#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

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

  // Starts a paced background send of the mode and returns its thread, which frees itself when
  // it ends; the last one started stays reachable. While a send runs, the request waits its
  // turn instead (nullptr): one send at a time keeps the pace, and a kind already waiting is
  // not queued again, since a send reads the values as it goes (the latest recall wins).
  BulkSendThread* StartSend(BulkSendThread::Mode mode);
  BulkSendThread* LastSendThread() const { return last_thread_; }
  int RunningSends() const { return running_; }
  // Shared by every running bulk send; requested by Stop, which also ends a pause at once.
  StopSignal& StopRequest() { return stop_request_; }
  // Whether a send of the mode takes definition (page, slot).
  bool SendQualifies(int page, int slot, BulkSendThread::Mode mode) const;
  // Sets the stop request, drops the waiting requests and returns once the running send has
  // ended, serving its steps. A Stop through StopRequest drops the waiting ones too.
  void StopSends();

 signals:
  void sendBegun();  // a bulk send starts: busy look, other windows disabled
  void sendEnded();  // ... and ends

 private:
  class Host;

  BulkSendThread* Launch(BulkSendThread::Mode mode);
  void Finished();

  SurfaceModel& model_;
  SendSchedule schedule_;
  StopSignal stop_request_;
  QPointer<BulkSendThread> last_thread_;
  int running_ = 0;
  std::vector<BulkSendThread::Mode> waiting_;  // at most one request of each kind
  std::unique_ptr<Host> host_;
};

}  // namespace quorvane
