#include "bridge/remote_binding.h"

#include <QTimer>

#include "bridge/surface_midi_link.h"
#include "snapshots/snapshot_store.h"

namespace quorvane {

RemoteBinding::RemoteBinding(SurfaceMidiLink& link, SnapshotStore& snapshots, QObject* parent)
    : QObject(parent),
      link_(link),
      snapshots_(snapshots),
      dispatcher_(link.Model(), static_cast<RemoteHost&>(*this)) {
  compact_values_.fill(-1);
  link_.SetRemoteInputHandler([this](const TMyMidiEvent& event) { HandleRemoteEvent(event); });
}

RemoteBinding::~RemoteBinding() {
  link_.SetRemoteInputHandler({});
  if (batch_open_) link_.Model().EndSlotBatch();
}

void RemoteBinding::ApplySettings(const AppSettings& settings) {
  dispatcher_.SetControllers(RemoteControllersOf(settings));
  transport_ = TransportControllersOf(settings);
}

bool RemoteBinding::SendTransport(TransportButton button) {
  return quorvane::SendTransport(link_.Model(), transport_, button);
}

void RemoteBinding::HandleRemoteEvent(const TMyMidiEvent& event) {
  // The link hands over a whole burst in one go: each slot is redrawn once, after it.
  if (!batch_open_) {
    batch_open_ = true;
    link_.Model().BeginSlotBatch();
    QTimer::singleShot(0, this, &RemoteBinding::EndBatch);
  }
  dispatcher_.HandleEvent(event);
}

void RemoteBinding::EndBatch() {
  if (!batch_open_) return;
  batch_open_ = false;
  link_.Model().EndSlotBatch();
  // After the redraw, which puts the captions back on the strip.
  for (int s = 1; s <= kSlotCount; ++s) {
    int& v = compact_values_.at(static_cast<std::size_t>(s - 1));
    if (v < 0) continue;
    if (hooks_.show_compact_value) hooks_.show_compact_value(s, v);
    v = -1;
  }
}

int RemoteBinding::RemoteChannel() const {
  return link_.RemoteChannel();
}

bool RemoteBinding::ModalDialogOpen() const {
  return hooks_.modal_dialog_open && hooks_.modal_dialog_open();
}

bool RemoteBinding::ApplicationActive() const {
  return hooks_.application_active && hooks_.application_active();
}

void RemoteBinding::BringToFront() {
  if (hooks_.bring_to_front) hooks_.bring_to_front();
}

void RemoteBinding::SnapshotSlotAction(int slot) {
  snapshots_.SnapshotSlotAction(slot);
}

bool RemoteBinding::TakeMode() const {
  return snapshots_.TakeMode();
}

void RemoteBinding::SetTakeMode(bool on) {
  snapshots_.SetTakeMode(on);
}

void RemoteBinding::ShowCompactValue(int slot, int value) {
  if (batch_open_) {
    compact_values_.at(static_cast<std::size_t>(slot - 1)) = value;
  } else if (hooks_.show_compact_value) {
    hooks_.show_compact_value(slot, value);
  }
}

}  // namespace quorvane
