#include "surface/bulk_sends.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

#include "surface/surface_model.h"

namespace quorvane {

// The send thread's view of the model; every call comes on the GUI thread.
class BulkSends::Host final : public BulkSendHost {
 public:
  Host(BulkSends& sends, SurfaceModel& model) : sends_(sends), model_(model) {}
  void BeginSend() override { emit sends_.sendBegun(); }
  void EndSend() override { emit sends_.sendEnded(); }
  int CurrentPage() const override { return model_.CurrentPage(); }
  bool Qualifies(int page, int slot, BulkSendThread::Mode mode) const override {
    return sends_.SendQualifies(page, slot, mode);
  }
  bool UsesSlider(int page, int slot) const override {
    return model_.Pages().at(page, slot).use_slider;
  }
  bool SendDefinition(int page, int slot, bool second) override {
    return model_.SendDefinition(page, slot, second);
  }
  int MidiDelay() const override { return model_.Settings().midi_delay; }
  std::chrono::microseconds SendLead() const override {
    const auto& lead = sends_.Schedule().lead;
    return lead ? lead() : std::chrono::microseconds{};
  }
  void SetNextDue(Clock::time_point due) override {
    if (const auto& next_due = sends_.Schedule().next_due) next_due(due);
  }

 private:
  BulkSends& sends_;
  SurfaceModel& model_;
};

BulkSends::BulkSends(SurfaceModel& model, QObject* parent)
    : QObject(parent), model_(model), host_(std::make_unique<Host>(*this, model)) {}

BulkSends::~BulkSends() {
  StopSends();
}

BulkSendThread* BulkSends::StartSend(BulkSendThread::Mode mode) {
  if (running_ == 0) return Launch(mode);
  if (std::find(waiting_.begin(), waiting_.end(), mode) == waiting_.end()) waiting_.push_back(mode);
  return nullptr;
}

BulkSendThread* BulkSends::Launch(BulkSendThread::Mode mode) {
  auto* thread = new BulkSendThread(*host_, stop_request_, mode, this);
  thread->SetFreeOnFinish(true);
  connect(thread, &BulkSendThread::finished, this, &BulkSends::Finished);
  ++running_;
  last_thread_ = thread;
  thread->Start();
  return thread;
}

void BulkSends::Finished() {
  --running_;
  // The request stays set after a stopped walk (only a begin step clears it).
  if (stop_request_.IsRequested()) waiting_.clear();
  if (running_ > 0 || waiting_.empty()) return;
  const BulkSendThread::Mode next = waiting_.front();
  waiting_.erase(waiting_.begin());
  Launch(next);
}

bool BulkSends::SendQualifies(int page, int slot, BulkSendThread::Mode mode) const {
  const Tcontroller& d = model_.Pages().at(page, slot);
  if (mode == BulkSendThread::kSelected) return d.selected && d.enabled;
  return d.enabled;
}

void BulkSends::StopSends() {
  waiting_.clear();
  // The workers wait for steps on this thread: serve them rather than block on a join. Each
  // step and each end arrives as a posted event, so waiting for events cannot miss the end.
  // The request is renewed after every event, since a begin step clears it.
  while (running_ > 0) {
    stop_request_.Request();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
}

}  // namespace quorvane
