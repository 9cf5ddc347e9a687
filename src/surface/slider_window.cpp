#include "surface/slider_window.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

#include "midi/midi_send_thread.h"

namespace quorvane {
namespace {

// The send thread's view of the model; every call comes on the GUI thread.
class ModelSendHost final : public SendHost {
 public:
  explicit ModelSendHost(TSliderWindow& w) : w_(w) {}
  void BeginSend() override { emit w_.sendBegun(); }
  void EndSend() override { emit w_.sendEnded(); }
  int CurrentPage() const override { return w_.current_page; }
  bool Qualifies(int page, int slot, int send_mode) const override {
    return w_.SendQualifies(page, slot, send_mode);
  }
  bool UsesSlider(int page, int slot) const override { return w_.pages.at(page, slot).use_slider; }
  void SendDefinition(int page, int slot, bool second) override {
    w_.SendDefinition(page, slot, second);
  }
  int MidiDelay() const override { return w_.midi_delay; }

 private:
  TSliderWindow& w_;
};

}  // namespace

TSliderWindow::TSliderWindow(QObject* parent)
    : QObject(parent), send_host_(std::make_unique<ModelSendHost>(*this)) {
  for (QTimer* t : {&midi_in_timer_, &midi_out_timer_}) {
    t->setInterval(kActivityMs);
    t->setSingleShot(true);
  }
  connect(&midi_in_timer_, &QTimer::timeout, this, &TSliderWindow::MidiInTimerTimer);
  connect(&midi_out_timer_, &QTimer::timeout, this, &TSliderWindow::MidiOutTimerTimer);
  status_[1] = QStringLiteral("MIDI Controller");
  status_[3] = QStringLiteral("Value");
}

TSliderWindow::~TSliderWindow() {
  StopSends();
}

void TSliderWindow::SetStatus(int panel, const QString& text) {
  QString& current = status_.at(static_cast<std::size_t>(panel));
  if (current == text) return;
  current = text;
  emit statusPanelChanged(panel);
}

void TSliderWindow::ShowPage(int p) {
  current_page = std::clamp(p, 1, kPageCount);
  RefreshAllSlots();
  for (int s = 1; s <= kSlotCount; ++s) DrawSlot(s);
  emit pageShown(current_page);
  emit stateChanged();
}

void TSliderWindow::DrawSlot(int s) {
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
  v.number_text = QString::number(update_slider_numbers ? SequenceNumber(current_page, s) : s);
  v.hint = QStringLiteral("Label: %1\r\nController: %2\r\nChannel: %3")
               .arg(d.caption)
               .arg(d.ctrl)
               .arg(d.channel == 0 ? QStringLiteral("Global") : QString::number(d.channel));
}

void TSliderWindow::RefreshSlot(int s) {
  const bool saved_output = output_in_use;
  output_in_use = false;
  const Tcontroller& d = SlotDefinition(s);
  SlotView& v = MutableView(s);
  const int position = TrackBarPosition(d.value);
  if (v.position != position) {
    v.position = position;
    SliderChanged(s);
  }
  v.value_text = QString::number(SlotDefinition(s).value);
  output_in_use = saved_output;
  NotifySlot(s);
}

void TSliderWindow::RefreshAllSlots() {
  for (int s = 1; s <= kSlotCount; ++s) RefreshSlot(s);
}

void TSliderWindow::NoteMidiIn() {
  midi_in_timer_.start();
  if (!in_activity) {
    in_activity = true;
    emit activityChanged();
  }
}

void TSliderWindow::NoteMidiOut() {
  midi_out_timer_.start();
  if (!out_activity) {
    out_activity = true;
    emit activityChanged();
  }
}

void TSliderWindow::MidiInTimerTimer() {
  midi_in_timer_.stop();
  in_activity = false;
  emit activityChanged();
}

void TSliderWindow::MidiOutTimerTimer() {
  midi_out_timer_.stop();
  out_activity = false;
  SetStatus(2, QString());
  SetStatus(4, QString());
  emit activityChanged();
}

void TSliderWindow::SendControlChange(int controller, int channel, int value) {
  if (!output_in_use) return;
  const int c = EffectiveChannel(channel, global_channel);
  if (send_short_) {
    send_short_(ControlChangeStatus(c), static_cast<std::uint8_t>(controller),
                static_cast<std::uint8_t>(value));
  }
  SetStatus(2, QString::number(controller));
  SetStatus(4, QString::number(value));
  NoteMidiOut();
}

void TSliderWindow::FollowMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  const bool accepted =
      listen_channel == 0 ? (status & 0xF0) == 0xB0 : status == ControlChangeStatus(listen_channel);
  if (accepted) {
    const int c = data1 & 0x7F;
    for (int i = 0; i < kDefinitionCount; ++i) {
      Tcontroller& d = pages[i];
      if (d.ctrl != c) continue;
      d.value = data2;
      if (PageOfIndex(i) == current_page) RefreshSlot(SlotOfIndex(i));
      if (dump_capture_active) {
        used_controllers[static_cast<std::size_t>(c)] = true;
        if (c <= kDefinitionCount) captured_values[static_cast<std::size_t>(c)] = data2;
      }
    }
  }
  NoteMidiIn();
}

void TSliderWindow::RedrawSlot(int slot) {
  DrawSlot(slot);
  NotifySlot(slot);
}

void TSliderWindow::TrackBarMoved(int slot, int position) {
  SlotView& v = MutableView(slot);
  position = std::clamp(position, 0, 127);
  if (v.position == position) return;
  v.position = position;
  SliderChanged(slot);
}

void TSliderWindow::GroupMove(int slot, int v) {
  const int leader_index = IndexOf(current_page, slot);
  const int m = group_reference[static_cast<std::size_t>(leader_index + 1)];
  for (int i = 0; i < kDefinitionCount; ++i) {
    if (i == leader_index) continue;
    Tcontroller& e = pages[i];
    if (!e.selected || !e.enabled) continue;
    const int r = group_reference[static_cast<std::size_t>(i + 1)];
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
    if (output_in_use && e.value != old_value) SendControlChange(e.ctrl, e.channel, e.value);
    if (PageOfIndex(i) == current_page) RefreshSlot(SlotOfIndex(i));
  }
}

void TSliderWindow::SliderChanged(int slot) {
  Tcontroller& d = SlotDefinition(slot);
  SlotView& view = MutableView(slot);
  const int v = ValueFromPosition(view.position);
  if (group_mode && group_follow && d.selected && slot == active_slot) GroupMove(slot, v);
  if (output_in_use && d.value != v) SendControlChange(d.ctrl, d.channel, v);
  d.value = static_cast<std::uint8_t>(v);
  if (d.use_slider) view.button_down = v >= 64;
  view.value_text = QString::number(v);
  NotifySlot(slot);
}

void TSliderWindow::ButtonPressed(int slot, bool down) {
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

void TSliderWindow::CaptureGroupReference() {
  for (int n = 1; n <= kDefinitionCount; ++n)
    group_reference[static_cast<std::size_t>(n)] = pages.byNumber(n).value;
}

void TSliderWindow::SetUpdateSliderNumbers(bool on) {
  update_slider_numbers = on;
  ShowPage(current_page);
}

TMIDISendThread* TSliderWindow::StartSend(int send_mode) {
  auto* thread = new TMIDISendThread(*send_host_, stop_request, send_mode, this);
  thread->SetFreeOnFinish(true);
  connect(thread, &TMIDISendThread::finished, this, [this] { --running_sends_; });
  ++running_sends_;
  last_send_thread_ = thread;
  thread->Start();
  return thread;
}

bool TSliderWindow::SendQualifies(int page, int slot, int send_mode) const {
  const Tcontroller& d = pages.at(page, slot);
  if (send_mode == TMIDISendThread::kSelected) return d.selected && d.enabled;
  return d.enabled;
}

void TSliderWindow::SendDefinition(int page, int slot, bool second) {
  const Tcontroller& d = pages.at(page, slot);
  if (second) {
    SendControlChange(d.button_ctrl, d.button_channel, d.button_value);
  } else {
    SendControlChange(d.ctrl, d.channel, d.value);
  }
}

void TSliderWindow::StopSends() {
  // The workers wait for steps on this thread: serve them rather than block on a join. Each
  // step and each end arrives as a posted event, so waiting for events cannot miss the end.
  // The request is renewed after every event, since a begin step clears it.
  while (running_sends_ > 0) {
    stop_request.store(true);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
}

void TSliderWindow::NotifySlot(int slot) {
  if (slot_batch_depth_ > 0) {
    dirty_slots_[static_cast<std::size_t>(slot)] = true;
    return;
  }
  emit slotChanged(slot);
}

void TSliderWindow::BeginSlotBatch() {
  ++slot_batch_depth_;
}

void TSliderWindow::EndSlotBatch() {
  if (slot_batch_depth_ == 0 || --slot_batch_depth_ > 0) return;
  for (int s = 1; s <= kSlotCount; ++s) {
    if (!dirty_slots_[static_cast<std::size_t>(s)]) continue;
    dirty_slots_[static_cast<std::size_t>(s)] = false;
    emit slotChanged(s);
  }
}

}  // namespace quorvane
