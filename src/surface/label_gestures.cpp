#include "surface/label_gestures.h"

#include <cstdlib>
#include <utility>

#include "surface/selection_commands.h"
#include "surface/surface_model.h"

namespace quorvane {

LabelGestures::LabelGestures(SurfaceModel& model, SelectionCommands& selection)
    : model_(model), selection_(selection) {}

void LabelGestures::Press(int slot, Qt::MouseButton button, QPoint global) {
  if (button == Qt::RightButton) {
    model_.Gestures().EndGesture();
    selection_.ToggleSelection(slot);
  } else if (button == Qt::LeftButton) {
    drag_.start = global;
    drag_.left_down = true;
  }
}

LabelGestures::Outcome LabelGestures::Move(int slot, Qt::MouseButtons buttons,
                                           Qt::KeyboardModifiers modifiers, QPoint global) {
  if (modifiers != Qt::NoModifier) return Outcome::kNone;
  if (buttons == Qt::RightButton) {
    selection_.ToggleSelection(slot);
    return Outcome::kNone;
  }
  if (buttons != Qt::LeftButton || !drag_.left_down || drag_.active) return Outcome::kNone;
  const QPoint d = global - drag_.start;
  if (std::abs(d.x()) <= kDragThreshold && std::abs(d.y()) <= kDragThreshold) {
    return Outcome::kNone;
  }
  drag_.active = true;
  drag_.source_page = model_.CurrentPage();
  drag_.source_slot = slot;
  return Outcome::kBeginDrag;
}

LabelGestures::Outcome LabelGestures::Release(Qt::MouseButton button, bool inside) {
  model_.Gestures().EndGesture();
  if (button != Qt::LeftButton) return Outcome::kNone;
  const bool click = drag_.left_down && !drag_.active && inside;
  drag_.left_down = false;
  return click ? Outcome::kOpenSettings : Outcome::kNone;
}

void LabelGestures::EndDrag() {
  drag_ = DragState{};
}

bool LabelGestures::AcceptsDrop(int slot) const {
  if (!drag_.active) return false;
  return !(drag_.source_page == model_.CurrentPage() && drag_.source_slot == slot);
}

void LabelGestures::HoverPage(int page) {
  if (drag_.active && page != model_.CurrentPage()) model_.ShowPage(page);
}

bool LabelGestures::Drop(int slot) {
  if (!AcceptsDrop(slot)) return false;
  std::swap(model_.SlotDefinition(slot), model_.Definition(drag_.source_page, drag_.source_slot));
  model_.ShowPage(model_.CurrentPage());
  return true;
}

}  // namespace quorvane
