#include "surface/surface_model.h"

#include <algorithm>

namespace quorvane {
SurfaceModel::SurfaceModel(QObject* parent) : QObject(parent), sends_(*this) {
  RedrawPacer* r = &redraws_;
  connect(this, &SurfaceModel::slotChanged, r, &RedrawPacer::MarkSlot);
  connect(this, &SurfaceModel::pageShown, r, &RedrawPacer::MarkAllSlots);
  connect(&status_, &StatusBoard::statusPanelChanged, r, &RedrawPacer::MarkPanel);
  connect(&status_, &StatusBoard::activityChanged, r, &RedrawPacer::MarkLamps);
  // A value on the strip lasts until the labels are next drawn or the output goes quiet.
  connect(this, &SurfaceModel::slotChanged, this, &SurfaceModel::ClearStripValues);
  connect(&status_, &StatusBoard::activityChanged, this, [this] {
    if (!status_.OutActivity()) ClearStripValues();
  });
}

SurfaceModel::~SurfaceModel() {
  sends_.StopSends();
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

bool SurfaceModel::SendControlChange(int controller, int channel, int value) {
  if (!output_in_use_) return true;
  const int c = EffectiveChannel(channel, settings_.global_channel);
  if (send_short_ && !send_short_(ControlChangeStatus(c), static_cast<std::uint8_t>(controller),
                                  static_cast<std::uint8_t>(value))) {
    return false;
  }
  status_.SetPanel(2, QString::number(controller));
  status_.SetPanel(4, QString::number(value));
  status_.NoteMidiOut();
  return true;
}

bool SurfaceModel::SendShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  if (!output_in_use_) return true;
  if (send_short_ && !send_short_(status, data1, data2)) return false;
  status_.NoteMidiOut();
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
  status_.NoteMidiIn();
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
  if (group_.mode && group_.follow && d.selected && slot == gestures_.ActiveSlot()) {
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

void SurfaceModel::ShowStripValue(int slot, int value) {
  MutableView(slot).strip_value = value;
  redraws_.MarkSlot(slot);
}

void SurfaceModel::ClearStripValues() {
  for (int s = 1; s <= kSlotCount; ++s) {
    int& v = MutableView(s).strip_value;
    if (v < 0) continue;
    v = -1;
    redraws_.MarkSlot(s);
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

void SurfaceModel::SetSettings(const SurfaceSettings& settings) {
  const bool renumbered = settings.update_slider_numbers != settings_.update_slider_numbers;
  settings_ = settings;
  if (renumbered)
    ShowPage(current_page_);  // tells stateChanged too
  else
    emit stateChanged();
}

bool SurfaceModel::SendDefinition(int page, int slot, bool second) {
  const Tcontroller& d = pages_.at(page, slot);
  return second ? SendControlChange(d.button_ctrl, d.button_channel, d.button_value)
                : SendControlChange(d.ctrl, d.channel, d.value);
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
