#pragma once

#include <array>
#include <functional>

#include "surface/surface_commands.h"

namespace quorvane {

class MidiPorts;
class SnapshotStore;
class SurfaceModel;

// The one way in for remote surfaces, over the surface model and the snapshot store, and
// what they show. Every rule that all such surfaces share is kept here and nowhere else.
class SurfaceControl : public SurfaceObserver, public SurfaceCommands {
  Q_OBJECT

 public:
  // What the windows answer; an unset hook answers false or does nothing.
  struct WindowHooks {
    std::function<bool()> modal_dialog_open;
    std::function<bool()> application_active;
    std::function<void()> bring_to_front;
    // The compact strip's label of the slot shows the value, until the labels are next drawn.
    std::function<void(int slot, int value)> show_compact_value;
  };

  SurfaceControl(SurfaceModel& model, SnapshotStore& snapshots, QObject* parent = nullptr);
  ~SurfaceControl() override;
  SurfaceControl(const SurfaceControl&) = delete;
  SurfaceControl& operator=(const SurfaceControl&) = delete;

  void SetWindowHooks(WindowHooks hooks) { hooks_ = std::move(hooks); }
  // Reports the output coming into use or going, as the ports tell it.
  void WatchOutput(MidiPorts& ports);

  SurfaceState State() const override;

  CommandOutcome MoveSlot(int slot, int value, SurfaceClient from) override;
  CommandOutcome SetButton(int slot, int value, SurfaceClient from) override;
  CommandOutcome SetDefinition(int number, int value, SurfaceClient from) override;
  CommandOutcome ShowPage(int page, SurfaceClient from) override;
  CommandOutcome ToggleCompactView(SurfaceClient from) override;
  CommandOutcome MinimizeOrRestore(SurfaceClient from) override;
  CommandOutcome SnapshotSlotAction(int slot, SurfaceClient from) override;
  CommandOutcome SetTakeMode(bool on, SurfaceClient from) override;
  CommandOutcome ToggleTakeMode(SurfaceClient from) override;
  CommandOutcome ShowBank(int bank, SurfaceClient from) override;
  CommandOutcome Recall(int bank, int slot, SurfaceClient from) override;
  CommandOutcome Morph(int position, SurfaceClient from) override;

 private:
  // The last command's mark on a slot; a change of the slot that still shows it is that
  // command's own.
  struct SlotMark {
    SurfaceClient from = kProgramClient;
    int value = -1;
    int button = -1;
  };

  // A modal dialog is open: the command is dropped and the status bar says so.
  bool DropWhileModal();
  // A burst of commands redraws each slot once, when the event loop next runs.
  void OpenBatch();
  void EndBatch();
  void ShowCompactValue(int slot, int value);
  void Mark(int slot, SurfaceClient from);
  void EmitSlotChanged(int slot);

  SurfaceModel& model_;
  SnapshotStore& snapshots_;
  WindowHooks hooks_;
  bool batch_open_ = false;
  // Compact-strip values received during the open batch, [slot - 1]; -1 for none.
  std::array<int, kSlotCount> compact_values_{};
  std::array<SlotMark, kSlotCount> marks_{};  // [slot - 1]
  SurfaceClient page_from_ = kProgramClient;
};

}  // namespace quorvane
