#include "bridge/surface_control.h"

#include <QTimer>

#include "midi/midi_ports.h"
#include "morph/morphing.h"
#include "snapshots/snapshot_store.h"
#include "surface/surface_model.h"
#include "surface/window_mode.h"

namespace quorvane {
namespace {

bool IsMidiValue(int value) {
  return value >= 0 && value <= 127;
}

}  // namespace

SurfaceControl::SurfaceControl(SurfaceModel& model, SnapshotStore& snapshots, QObject* parent)
    : SurfaceObserver(parent), model_(model), snapshots_(snapshots) {
  compact_values_.fill(-1);
  connect(&model_, &SurfaceModel::slotChanged, this, &SurfaceControl::EmitSlotChanged);
  connect(&model_, &SurfaceModel::pageShown, this, [this](int page) {
    marks_.fill({});
    emit pageChanged(page, page_from_);
  });
  connect(&model_.Window(), &WindowMode::compactViewChanged, this, &SurfaceObserver::viewChanged);
  connect(&snapshots_, &SnapshotStore::bankShown, this, &SurfaceObserver::snapshotsChanged);
  connect(&snapshots_, &SnapshotStore::takeModeChanged, this, &SurfaceObserver::snapshotsChanged);
  connect(&snapshots_, &SnapshotStore::listChanged, this, &SurfaceObserver::snapshotsChanged);
}

SurfaceControl::~SurfaceControl() {
  if (batch_open_) model_.EndSlotBatch();
}

void SurfaceControl::WatchOutput(MidiPorts& ports) {
  // Made after the link's own connection, which keeps the model's flag in step first.
  connect(&ports, &MidiPorts::outputUsableChanged, this, &SurfaceObserver::outputChanged);
}

SurfaceState SurfaceControl::State() const {
  SurfaceState state;
  state.page = model_.CurrentPage();
  for (int s = 1; s <= kSlotCount; ++s) {
    const Tcontroller& d = model_.SlotDefinition(s);
    SurfaceSlotState& slot = state.page_slots.at(static_cast<std::size_t>(s - 1));
    slot.caption = d.caption;
    slot.color = d.color;
    slot.value = d.value;
    slot.enabled = d.enabled;
    slot.has_button = !d.use_slider;
    slot.button_down = ButtonShownDown(d);
    slot.lower_range = d.lower_range;
    slot.upper_range = d.upper_range;
  }
  state.bank = snapshots_.CurrentBank();
  for (int s = 0; s < kSurfaceSnapshotSlots; ++s) {
    state.snapshot_names.at(static_cast<std::size_t>(s)) = snapshots_.SlotName(s);
    state.snapshot_enabled.at(static_cast<std::size_t>(s)) = snapshots_.SlotEnabled(s);
  }
  state.take_mode = snapshots_.TakeMode();
  state.compact_view = model_.Window().CompactView();
  state.output_in_use = model_.OutputInUse();
  return state;
}

CommandOutcome SurfaceControl::MoveSlot(int slot, int value, SurfaceClient from) {
  if (slot < 1 || slot > kSlotCount || !IsMidiValue(value)) return CommandOutcome::kNotTaken;
  Tcontroller& d = model_.SlotDefinition(slot);
  if (!d.enabled) return CommandOutcome::kNotTaken;
  OpenBatch();
  // An instrument that echoes what it receives would otherwise loop forever.
  if (d.value == value) return CommandOutcome::kUnchanged;
  d.value = static_cast<std::uint8_t>(value);
  Mark(slot, from);
  model_.RefreshSlot(slot);
  if (model_.Window().CompactView()) ShowCompactValue(slot, value);
  model_.SendControlChange(d.ctrl, d.channel, value);
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::SetButton(int slot, int value, SurfaceClient from) {
  if (slot < 1 || slot > kSlotCount || !IsMidiValue(value)) return CommandOutcome::kNotTaken;
  Tcontroller& d = model_.SlotDefinition(slot);
  if (d.use_slider || !d.enabled) return CommandOutcome::kNotTaken;
  OpenBatch();
  const std::uint8_t state = value < 64 ? 0 : 127;
  if (d.button_value == state) return CommandOutcome::kUnchanged;  // the echo guard
  d.button_value = state;
  Mark(slot, from);
  model_.RedrawSlot(slot);
  // The value as given, not the stored 0 or 127.
  model_.SendControlChange(d.button_ctrl, d.button_channel, value);
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::SetDefinition(int number, int value, SurfaceClient from) {
  if (number < 1 || number > kDefinitionCount || !IsMidiValue(value))
    return CommandOutcome::kNotTaken;
  const int page = PageOfIndex(number - 1);
  const int slot = SlotOfIndex(number - 1);
  if (page == model_.CurrentPage()) return MoveSlot(slot, value, from);
  Tcontroller& d = model_.Definition(page, slot);
  if (!d.enabled) return CommandOutcome::kNotTaken;
  if (d.value == value) return CommandOutcome::kUnchanged;
  d.value = static_cast<std::uint8_t>(value);
  model_.SendControlChange(d.ctrl, d.channel, value);
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::ShowPage(int page, SurfaceClient from) {
  if (page < 1 || page > kPageCount) return CommandOutcome::kNotTaken;
  OpenBatch();
  if (page == model_.CurrentPage()) return CommandOutcome::kUnchanged;
  // A dialog may be editing a definition of the page shown.
  if (DropWhileModal()) return CommandOutcome::kDropped;
  page_from_ = from;
  // The page's tool button and menu item follow the model's stateChanged.
  model_.ShowPage(page);
  page_from_ = kProgramClient;
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::ToggleCompactView(SurfaceClient /*from*/) {
  OpenBatch();
  if (DropWhileModal()) return CommandOutcome::kDropped;
  if (model_.Window().Minimized()) return CommandOutcome::kUnchanged;
  model_.Window().ToggleCompactView();
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::MinimizeOrRestore(SurfaceClient /*from*/) {
  OpenBatch();
  if (DropWhileModal()) return CommandOutcome::kDropped;
  if (model_.Window().Minimized()) {
    model_.Window().Restore();
    model_.Window().SetMinimized(false);
  } else if ((hooks_.application_active && hooks_.application_active()) ||
             model_.Settings().always_on_top) {
    model_.Window().Minimize();
    model_.Window().SetMinimized(true);
  } else if (hooks_.bring_to_front) {
    hooks_.bring_to_front();
  }
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::SnapshotSlotAction(int slot, SurfaceClient /*from*/) {
  if (slot < 0 || slot >= kSurfaceSnapshotSlots) return CommandOutcome::kNotTaken;
  OpenBatch();
  if (DropWhileModal()) return CommandOutcome::kDropped;
  snapshots_.SnapshotSlotAction(slot);
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::SetTakeMode(bool on, SurfaceClient /*from*/) {
  OpenBatch();
  if (DropWhileModal()) return CommandOutcome::kDropped;
  if (snapshots_.TakeMode() == on) return CommandOutcome::kUnchanged;
  // The tool button and menu item follow the store's take mode.
  snapshots_.SetTakeMode(on);
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::ToggleTakeMode(SurfaceClient from) {
  return SetTakeMode(!snapshots_.TakeMode(), from);
}

CommandOutcome SurfaceControl::ShowBank(int bank, SurfaceClient /*from*/) {
  if (bank < 1 || bank > kSnapshotBanks) return CommandOutcome::kNotTaken;
  OpenBatch();
  if (bank == snapshots_.CurrentBank()) return CommandOutcome::kUnchanged;
  // The snapshot buttons change under a dialog that may be naming one of them.
  if (DropWhileModal()) return CommandOutcome::kDropped;
  snapshots_.SelectBank(bank);
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::Recall(int bank, int slot, SurfaceClient /*from*/) {
  if (bank < 1 || bank > kSnapshotBanks || slot < 0 || slot >= kSurfaceSnapshotSlots)
    return CommandOutcome::kNotTaken;
  OpenBatch();
  if (DropWhileModal()) return CommandOutcome::kDropped;
  if (!snapshots_.Library().InUse(bank, slot)) return CommandOutcome::kUnchanged;
  snapshots_.RecallSnapshot(bank, slot);
  return CommandOutcome::kApplied;
}

CommandOutcome SurfaceControl::Morph(int position, SurfaceClient /*from*/) {
  if (!IsMidiValue(position)) return CommandOutcome::kNotTaken;
  OpenBatch();
  // Values move as slot moves do, so a dialog does not stop it.
  MorphControllers(model_, position);
  return CommandOutcome::kApplied;
}

bool SurfaceControl::DropWhileModal() {
  if (!hooks_.modal_dialog_open || !hooks_.modal_dialog_open()) return false;
  // Acting once the dialog closes would surprise the player: dropped, and told.
  model_.Status().ShowNotice(kCommandIgnoredNotice);
  return true;
}

void SurfaceControl::OpenBatch() {
  if (batch_open_) return;
  batch_open_ = true;
  model_.BeginSlotBatch();
  QTimer::singleShot(0, this, &SurfaceControl::EndBatch);
}

void SurfaceControl::EndBatch() {
  if (!batch_open_) return;
  batch_open_ = false;
  model_.EndSlotBatch();
  // After the redraw, which puts the captions back on the strip.
  for (int s = 1; s <= kSlotCount; ++s) {
    int& v = compact_values_.at(static_cast<std::size_t>(s - 1));
    if (v < 0) continue;
    if (hooks_.show_compact_value) hooks_.show_compact_value(s, v);
    v = -1;
  }
}

void SurfaceControl::ShowCompactValue(int slot, int value) {
  if (batch_open_) {
    compact_values_.at(static_cast<std::size_t>(slot - 1)) = value;
  } else if (hooks_.show_compact_value) {
    hooks_.show_compact_value(slot, value);
  }
}

void SurfaceControl::Mark(int slot, SurfaceClient from) {
  const Tcontroller& d = model_.SlotDefinition(slot);
  marks_.at(static_cast<std::size_t>(slot - 1)) = {from, d.value, d.button_value};
}

void SurfaceControl::EmitSlotChanged(int slot) {
  SlotMark& mark = marks_.at(static_cast<std::size_t>(slot - 1));
  const Tcontroller& d = model_.SlotDefinition(slot);
  // Only when nothing else moved the slot since: a later change belongs to the program.
  const SurfaceClient from =
      d.value == mark.value && d.button_value == mark.button ? mark.from : kProgramClient;
  mark = {};
  emit slotChanged(slot, from);
}

}  // namespace quorvane
