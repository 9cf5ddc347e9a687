#include "shell/tray_rules.h"

#include "surface/window_mode.h"

namespace quorvane {

bool TrayRules::NoteAvailable(bool available) {
  if (available == was_available_) return false;
  was_available_ = available;
  if (!available && enabled_ && window_.Minimized()) window_.Restore();
  return true;
}

}  // namespace quorvane
