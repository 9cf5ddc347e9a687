#include "remote/remote_dispatcher.h"

namespace quorvane {

RemoteControllers RemoteControllersOf(const AppSettings& settings) {
  RemoteControllers c;
  c.slider = settings.slider_controllers;
  c.button = settings.button_controllers;
  c.page = settings.page_controllers;
  c.compact_view = settings.compact_view_controller;
  c.minimize = settings.minimize_controller;
  c.take_snapshot = settings.take_snapshot_controller;
  c.snapshot = settings.snapshot_controllers;
  return c;
}

RemoteAction RemoteDispatcher::HandleEvent(const TMyMidiEvent& event) {
  const RemoteAction action = Dispatch(event.status, event.data1, event.data2);
  model_.Status().NoteMidiIn();
  return action;
}

RemoteAction RemoteDispatcher::Dispatch(std::uint8_t status, std::uint8_t data1,
                                        std::uint8_t data2) {
  // Also turns away system-exclusive events and every other message kind.
  if (status != ControlChangeStatus(host_.RemoteChannel())) return RemoteAction::kIgnored;
  const int c = data1 & 0x7F;
  const int v = data2 & 0x7F;
  const bool slider = MoveSliders(c, v);
  const bool button = SetButtons(c, v);
  if (slider) return RemoteAction::kSlider;
  if (button) return RemoteAction::kButton;
  // A dialog may be editing a definition of the page shown: no page, window or snapshot
  // command may change things under it.
  if (host_.ModalDialogOpen()) return RemoteAction::kIgnored;
  return Command(c);
}

bool RemoteDispatcher::MoveSliders(int data1, int data2) {
  bool handled = false;
  // Every entry is looked at: one message may drive several slots.
  for (int n = 1; n <= kSlotCount; ++n) {
    if (data1 != controllers_.slider.at(static_cast<std::size_t>(n - 1))) continue;
    Tcontroller& d = model_.SlotDefinition(n);
    if (!d.enabled) continue;
    handled = true;
    // An instrument that echoes what it receives would otherwise loop forever.
    if (d.value == data2) continue;
    d.value = static_cast<std::uint8_t>(data2);
    model_.RefreshSlot(n);
    if (model_.Window().CompactView()) host_.ShowCompactValue(n, data2);
    model_.SendControlChange(d.ctrl, d.channel, data2);
  }
  return handled;
}

bool RemoteDispatcher::SetButtons(int data1, int data2) {
  bool handled = false;
  for (int n = 1; n <= kSlotCount; ++n) {
    Tcontroller& d = model_.SlotDefinition(n);
    if (d.use_slider || !d.enabled) continue;
    if (data1 != controllers_.button.at(static_cast<std::size_t>(n - 1))) continue;
    handled = true;
    const std::uint8_t state = data2 < 64 ? 0 : 127;
    if (d.button_value == state) continue;  // the echo guard, as for the sliders
    d.button_value = state;
    model_.RedrawSlot(n);
    // The value as received, not the stored 0 or 127.
    model_.SendControlChange(d.button_ctrl, d.button_channel, data2);
  }
  return handled;
}

// Steps that act on the controller number alone; the value is never looked at.
RemoteAction RemoteDispatcher::Command(int data1) {
  bool handled = false;
  // Every page entry is looked at, as the snapshot entries below are.
  for (int p = 1; p <= kPageCount; ++p) {
    if (data1 != controllers_.page.at(static_cast<std::size_t>(p - 1))) continue;
    if (p == model_.CurrentPage()) continue;
    handled = true;
    // The page's tool button and menu item follow the model's stateChanged.
    model_.ShowPage(p);
  }
  if (handled) return RemoteAction::kPage;
  if (data1 == controllers_.compact_view) {
    if (!model_.Window().Minimized()) model_.Window().ToggleCompactView();
    return RemoteAction::kCompactView;
  }
  if (data1 == controllers_.minimize) {
    if (model_.Window().Minimized()) {
      model_.Window().Restore();
      model_.Window().SetMinimized(false);
    } else if (host_.ApplicationActive() || model_.Settings().always_on_top) {
      model_.Window().Minimize();
      model_.Window().SetMinimized(true);
    } else {
      host_.BringToFront();
    }
    return RemoteAction::kMinimize;
  }
  for (int s = 0; s < kRemoteSnapshotCount; ++s) {
    if (data1 != controllers_.snapshot.at(static_cast<std::size_t>(s))) continue;
    handled = true;
    host_.SnapshotSlotAction(s);
  }
  if (handled) return RemoteAction::kSnapshot;
  if (data1 == controllers_.take_snapshot) {
    // The tool button and menu item follow the store's take mode.
    host_.SetTakeMode(!host_.TakeMode());
    return RemoteAction::kTakeMode;
  }
  return RemoteAction::kIgnored;
}

}  // namespace quorvane
