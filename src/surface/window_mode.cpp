#include "surface/window_mode.h"

namespace quorvane {

void WindowMode::ToggleCompactView() {
  compact_view_ = !compact_view_;
  emit compactViewChanged(compact_view_);
}

void WindowMode::LeaveCompactView() {
  if (compact_view_) ToggleCompactView();
}

}  // namespace quorvane
