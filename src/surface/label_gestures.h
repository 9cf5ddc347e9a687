#pragma once

#include <QPoint>
#include <Qt>

namespace quorvane {

class SelectionCommands;
class SurfaceModel;

// What the mouse does on the slots' number labels: the right button selects (a sweep
// toggles each label it passes once), the left button drags a definition to another slot
// of any page, and a left click opens the slot's settings. Nothing here sends MIDI.
class LabelGestures {
 public:
  // A left-button move farther than this from the press, either way, starts a drag.
  static constexpr int kDragThreshold = 10;

  enum class Outcome { kNone, kBeginDrag, kOpenSettings };

  LabelGestures(SurfaceModel& model, SelectionCommands& selection);

  // A press on number label `slot`; `global` is the cursor's screen position.
  void Press(int slot, Qt::MouseButton button, QPoint global);
  // A move over number label `slot` with the given buttons and modifier keys held. Any
  // modifier key held turns the gesture off for moves (the press does not look at them).
  Outcome Move(int slot, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint global);
  // The button released; `inside` tells whether over the label it was pressed on.
  Outcome Release(Qt::MouseButton button, bool inside);

  // The drag begun by kBeginDrag has ended, dropped or not.
  void EndDrag();
  bool Dragging() const { return drag_.active; }
  int DragSourcePage() const { return drag_.source_page; }
  int DragSourceSlot() const { return drag_.source_slot; }

  // Whether the dragged definition may land on `slot` of the page shown: not on itself.
  bool AcceptsDrop(int slot) const;
  // The drag hovers over page button `page`: that page is shown; the button takes no drop.
  void HoverPage(int page);
  // Swaps the dragged definition, every field, with the one at `slot` of the page shown.
  // False when refused.
  bool Drop(int slot);

 private:
  struct DragState {
    QPoint start;  // where the left button went down, screen coordinates
    bool left_down = false;
    bool active = false;
    int source_page = 0;
    int source_slot = 0;
  };

  SurfaceModel& model_;
  SelectionCommands& selection_;
  DragState drag_;
};

}  // namespace quorvane
