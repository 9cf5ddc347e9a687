#include "surface/surface_model.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

#include "surface/bulk_send_thread.h"

namespace quorvane {
namespace {

// The send thread's view of the model; every call comes on the GUI thread.
class ModelBulkSendHost final : public BulkSendHost {
 public:
  explicit ModelBulkSendHost(SurfaceModel& w) : w_(w) {}
  void BeginSend() override { emit w_.sendBegun(); }
  void EndSend() override { emit w_.sendEnded(); }
  int CurrentPage() const override { return w_.CurrentPage(); }
  bool Qualifies(int page, int slot, int send_mode) const override {
    return w_.SendQualifies(page, slot, send_mode);
  }
  bool UsesSlider(int page, int slot) const override {
    return w_.Pages().at(page, slot).use_slider;
  }
  bool SendDefinition(int page, int slot, bool second) override {
    return w_.SendDefinition(page, slot, second);
  }
  int MidiDelay() const override { return w_.MidiDelay(); }
  std::chrono::microseconds SendLead() const override {
    const auto& lead = w_.Schedule().lead;
    return lead ? lead() : std::chrono::microseconds{};
  }
  void SetNextDue(Clock::time_point due) override {
    if (const auto& next_due = w_.Schedule().next_due) next_due(due);
  }

 private:
  SurfaceModel& w_;
};

}  // namespace

SurfaceModel::SurfaceModel(QObject* parent)
    : QObject(parent), send_host_(std::make_unique<ModelBulkSendHost>(*this)) {
  for (QTimer* t : {&midi_in_timer_, &midi_out_timer_}) {
    t->setInterval(kActivityMs);
    t->setSingleShot(true);
  }
  connect(&midi_in_timer_, &QTimer::timeout, this, &SurfaceModel::MidiInTimerTimer);
  connect(&midi_out_timer_, &QTimer::timeout, this, &SurfaceModel::MidiOutTimerTimer);
  loss_.clear_timer.setSingleShot(true);
  loss_.clear_timer.setInterval(kLossNoticeMs);
  connect(&loss_.clear_timer, &QTimer::timeout, this, [this] {
    loss_.count = 0;
    loss_.notice.clear();
    emit noticeChanged();
  });
  status_[1] = QStringLiteral("MIDI Controller");
  status_[3] = QStringLiteral("Value");
}

SurfaceModel::~SurfaceModel() {
  StopSends();
}

void SurfaceModel::SetStatus(int panel, const QString& text) {
  QString& current = status_.at(static_cast<std::size_t>(panel));
  if (current == text) return;
  current = text;
  emit statusPanelChanged(panel);
}

void SurfaceModel::ShowPage(int p) {
  current_page_ = std::clamp(p, 1, kPageCount);
  RefreshAllSlots();
  for (int s = 1; s <= kSlotCount; ++s) DrawSlot(s);
  emit pageShown(current_page_);
  emit stateChanged();
}

void SurfaceModel::DrawSlot(int s) {
  const Tcontroller& d = SlotDefinition(s);
  SlotView& v = MutableView(s);
  v.caption = d.caption;
  v.marker = RangeMarkerFor(d.upper_range, d.lower_range);
  v.selected_look = d.selected;
  v.enabled = d.enabled;
  if (d.enabled) {
    v.value_text_color = kWhite;
    v.caption_background = d.color;
    v.caption_text_color = CaptionTextColor(d.color);
  } else {
    v.value_text_color = kDisabledText;
    v.caption_background = kDisabledCaption;
    v.caption_text_color = kDisabledText;
  }
  v.button_down = ButtonShownDown(d);
  v.number_text =
      QString::number(settings_.update_slider_numbers ? SequenceNumber(current_page_, s) : s);
  v.hint = QStringLiteral("Label: %1\r\nController: %2\r\nChannel: %3")
               .arg(d.caption)
               .arg(d.ctrl)
               .arg(d.channel == 0 ? QStringLiteral("Global") : QString::number(d.channel));
}

void SurfaceModel::RefreshSlot(int s) {
  // Shows the stored value and nothing more: the group follows only the user's own moves, so
  // a redraw can never change a value that the instrument has not been sent.
  const Tcontroller& d = SlotDefinition(s);
  SlotView& v = MutableView(s);
  v.position = TrackBarPosition(d.value);
  if (d.use_slider) v.button_down = ButtonShownDown(d);
  v.value_text = QString::number(d.value);
  NotifySlot(s);
}

void SurfaceModel::RefreshAllSlots() {
  for (int s = 1; s <= kSlotCount; ++s) RefreshSlot(s);
}

void SurfaceModel::NoteMidiIn() {
  midi_in_timer_.start();
  if (!lamps_.in) {
    lamps_.in = true;
    emit activityChanged();
  }
}

void SurfaceModel::NoteMidiOut() {
  midi_out_timer_.start();
  if (!lamps_.out) {
    lamps_.out = true;
    emit activityChanged();
  }
}

void SurfaceModel::MidiInTimerTimer() {
  midi_in_timer_.stop();
  lamps_.in = false;
  emit activityChanged();
}

void SurfaceModel::NoteMessagesLost(int count) {
  loss_.count += count;
  loss_.clear_timer.start();
  if (loss_.update_posted) return;
  loss_.update_posted = true;
  QTimer::singleShot(0, this, [this] {
    loss_.update_posted = false;
    if (loss_.count == 0) return;
    loss_.notice = QStringLiteral("%1 MIDI messages lost").arg(loss_.count);
    emit noticeChanged();
  });
}

void SurfaceModel::ShowNotice(const QString& text) {
  loss_.clear_timer.start();
  if (loss_.notice == text) return;
  loss_.notice = text;
  emit noticeChanged();
}

void SurfaceModel::MidiOutTimerTimer() {
  midi_out_timer_.stop();
  lamps_.out = false;
  SetStatus(2, QString());
  SetStatus(4, QString());
  emit activityChanged();
}

bool SurfaceModel::SendControlChange(int controller, int channel, int value) {
  if (!output_in_use_) return true;
  const int c = EffectiveChannel(channel, settings_.global_channel);
  if (send_short_ && !send_short_(ControlChangeStatus(c), static_cast<std::uint8_t>(controller),
                                  static_cast<std::uint8_t>(value))) {
    return false;
  }
  SetStatus(2, QString::number(controller));
  SetStatus(4, QString::number(value));
  NoteMidiOut();
  return true;
}

bool SurfaceModel::SendShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  if (!output_in_use_) return true;
  if (send_short_ && !send_short_(status, data1, data2)) return false;
  NoteMidiOut();
  return true;
}

void SurfaceModel::FollowMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  const int listen = settings_.listen_channel;
  const bool accepted =
      listen == 0 ? (status & 0xF0) == 0xB0 : status == ControlChangeStatus(listen);
  if (accepted) {
    const int c = data1 & 0x7F;
    for (int i = 0; i < kDefinitionCount; ++i) {
      Tcontroller& d = pages_[i];
      if (d.ctrl != c) continue;
      d.value = data2;
      if (PageOfIndex(i) == current_page_) RefreshSlot(SlotOfIndex(i));
    }
  }
  NoteMidiIn();
}

void SurfaceModel::RedrawSlot(int slot) {
  DrawSlot(slot);
  NotifySlot(slot);
}

void SurfaceModel::TrackBarMoved(int slot, int position) {
  SlotView& v = MutableView(slot);
  position = std::clamp(position, 0, 127);
  if (v.position == position) return;
  v.position = position;
  SliderChanged(slot);
}

SurfaceModel::Echo SurfaceModel::GroupMove(int slot, int v, Echo echo) {
  const int leader_index = IndexOf(current_page_, slot);
  const int m = group_.reference[static_cast<std::size_t>(leader_index) + 1];
  for (int i = 0; i < kDefinitionCount; ++i) {
    if (i == leader_index) continue;
    Tcontroller& e = pages_[i];
    if (!e.selected || !e.enabled) continue;
    const int r = group_.reference[static_cast<std::size_t>(i) + 1];
    int t;
    if (r == m) {
      t = v;
    } else if (m == 0) {
      t = RoundHalfEven(static_cast<double>(r) * (v + 1));
    } else {
      t = RoundHalfEven(static_cast<double>(r) / m * v);
    }
    const std::uint8_t old_value = e.value;
    e.value = static_cast<std::uint8_t>(std::min(t, 127));
    // After a refused message the rest of the group moves without sending: one error is told.
    if (echo == Echo::kSend && e.value != old_value &&
        !SendControlChange(e.ctrl, e.channel, e.value))
      echo = Echo::kSilent;
    if (PageOfIndex(i) == current_page_) RefreshSlot(SlotOfIndex(i));
  }
  return echo;
}

void SurfaceModel::SliderChanged(int slot) {
  Tcontroller& d = SlotDefinition(slot);
  SlotView& view = MutableView(slot);
  const int v = ValueFromPosition(view.position);
  Echo echo = Echo::kSend;
  if (group_.mode && group_.follow && d.selected && slot == gesture_.active_slot) {
    echo = GroupMove(slot, v, echo);
  }
  if (echo == Echo::kSend && d.value != v) SendControlChange(d.ctrl, d.channel, v);
  d.value = static_cast<std::uint8_t>(v);
  if (d.use_slider) view.button_down = v >= 64;
  view.value_text = QString::number(v);
  NotifySlot(slot);
}

void SurfaceModel::ButtonPressed(int slot, bool down) {
  Tcontroller& d = SlotDefinition(slot);
  d.button_value = down ? 127 : 0;
  MutableView(slot).button_down = down;
  if (d.use_slider) {
    d.value = d.button_value;
    RefreshSlot(slot);
    SendControlChange(d.ctrl, d.channel, d.value);
  } else {
    SendControlChange(d.button_ctrl, d.button_channel, d.button_value);
    NotifySlot(slot);
  }
}

void SurfaceModel::CaptureGroupReference() {
  for (int n = 1; n <= kDefinitionCount; ++n)
    group_.reference[static_cast<std::size_t>(n)] = pages_.byNumber(n).value;
}

void SurfaceModel::SetGroupMode(bool on) {
  group_.mode = on;
  emit stateChanged();
}

void SurfaceModel::SetSlotColor(int slot, std::uint32_t color) {
  SlotDefinition(slot).color = color;
  RedrawSlot(slot);
}

void SurfaceModel::ToggleCompactView() {
  window_.compact_view = !window_.compact_view;
  emit compactViewChanged(window_.compact_view);
}

void SurfaceModel::LeaveCompactView() {
  if (window_.compact_view) ToggleCompactView();
}

bool SurfaceModel::TouchInGesture(int slot) {
  bool& touched = gesture_.touched.at(static_cast<std::size_t>(slot));
  if (touched) return false;
  touched = true;
  return true;
}

void SurfaceModel::SetUpdateSliderNumbers(bool on) {
  settings_.update_slider_numbers = on;
  ShowPage(current_page_);
}

BulkSendThread* SurfaceModel::StartSend(int send_mode) {
  auto* thread = new BulkSendThread(*send_host_, bulk_.stop_request, send_mode, this);
  thread->SetFreeOnFinish(true);
  connect(thread, &BulkSendThread::finished, this, [this] { --bulk_.running; });
  ++bulk_.running;
  bulk_.last_thread = thread;
  thread->Start();
  return thread;
}

bool SurfaceModel::SendQualifies(int page, int slot, int send_mode) const {
  const Tcontroller& d = pages_.at(page, slot);
  if (send_mode == BulkSendThread::kSelected) return d.selected && d.enabled;
  return d.enabled;
}

bool SurfaceModel::SendDefinition(int page, int slot, bool second) {
  const Tcontroller& d = pages_.at(page, slot);
  return second ? SendControlChange(d.button_ctrl, d.button_channel, d.button_value)
                : SendControlChange(d.ctrl, d.channel, d.value);
}

void SurfaceModel::StopSends() {
  // The workers wait for steps on this thread: serve them rather than block on a join. Each
  // step and each end arrives as a posted event, so waiting for events cannot miss the end.
  // The request is renewed after every event, since a begin step clears it.
  while (bulk_.running > 0) {
    bulk_.stop_request.Request();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
}

void SurfaceModel::NotifySlot(int slot) {
  if (slot_batch_depth_ > 0) {
    dirty_slots_[static_cast<std::size_t>(slot)] = true;
    return;
  }
  emit slotChanged(slot);
}

void SurfaceModel::BeginSlotBatch() {
  ++slot_batch_depth_;
}

void SurfaceModel::EndSlotBatch() {
  if (slot_batch_depth_ == 0 || --slot_batch_depth_ > 0) return;
  for (int s = 1; s <= kSlotCount; ++s) {
    if (!dirty_slots_[static_cast<std::size_t>(s)]) continue;
    dirty_slots_[static_cast<std::size_t>(s)] = false;
    emit slotChanged(s);
  }
}

}  // namespace quorvane
