#include "remote/remote_dispatcher.h"

namespace quorvane {

namespace {

// A slot that takes the message handles it, whether or not its state changes.
bool Taken(CommandOutcome outcome) {
  return outcome == CommandOutcome::kApplied || outcome == CommandOutcome::kUnchanged;
}

// A command dropped while a dialog is open leaves the event unhandled.
RemoteAction Unless(CommandOutcome outcome, RemoteAction action) {
  return outcome == CommandOutcome::kDropped ? RemoteAction::kIgnored : action;
}

}  // namespace

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

RemoteAction RemoteDispatcher::Dispatch(std::uint8_t status, std::uint8_t data1,
                                        std::uint8_t data2) {
  // Also turns away system-exclusive events and every other message kind.
  if (status != ControlChangeStatus(channel_())) return RemoteAction::kIgnored;
  const int c = data1 & 0x7F;
  const int v = data2 & 0x7F;
  const bool slider = MoveSliders(c, v);
  const bool button = SetButtons(c, v);
  if (slider) return RemoteAction::kSlider;
  if (button) return RemoteAction::kButton;
  return Command(c);
}

bool RemoteDispatcher::MoveSliders(int data1, int data2) {
  bool handled = false;
  // Every entry is looked at: one message may drive several slots.
  for (int n = 1; n <= kSlotCount; ++n) {
    if (data1 != controllers_.slider.at(static_cast<std::size_t>(n - 1))) continue;
    handled = Taken(commands_.MoveSlot(n, data2, client_)) || handled;
  }
  return handled;
}

bool RemoteDispatcher::SetButtons(int data1, int data2) {
  bool handled = false;
  for (int n = 1; n <= kSlotCount; ++n) {
    if (data1 != controllers_.button.at(static_cast<std::size_t>(n - 1))) continue;
    handled = Taken(commands_.SetButton(n, data2, client_)) || handled;
  }
  return handled;
}

// Steps that act on the controller number alone; the value is never looked at.
RemoteAction RemoteDispatcher::Command(int data1) {
  // Every page entry is looked at, as the snapshot entries below are; the page shown already
  // does not take its number.
  bool handled = false;
  for (int p = 1; p <= kPageCount; ++p) {
    if (data1 != controllers_.page.at(static_cast<std::size_t>(p - 1))) continue;
    const CommandOutcome outcome = commands_.ShowPage(p, client_);
    if (outcome == CommandOutcome::kDropped) return RemoteAction::kIgnored;
    handled = handled || outcome != CommandOutcome::kUnchanged;
  }
  if (handled) return RemoteAction::kPage;
  if (data1 == controllers_.compact_view)
    return Unless(commands_.ToggleCompactView(client_), RemoteAction::kCompactView);
  if (data1 == controllers_.minimize)
    return Unless(commands_.MinimizeOrRestore(client_), RemoteAction::kMinimize);
  for (int s = 0; s < kRemoteSnapshotCount; ++s) {
    if (data1 != controllers_.snapshot.at(static_cast<std::size_t>(s))) continue;
    if (commands_.SnapshotSlotAction(s, client_) == CommandOutcome::kDropped)
      return RemoteAction::kIgnored;
    handled = true;
  }
  if (handled) return RemoteAction::kSnapshot;
  if (data1 == controllers_.take_snapshot)
    return Unless(commands_.ToggleTakeMode(client_), RemoteAction::kTakeMode);
  return RemoteAction::kIgnored;
}

}  // namespace quorvane
