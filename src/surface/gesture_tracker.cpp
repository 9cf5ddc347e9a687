#include "surface/gesture_tracker.h"

namespace quorvane {

bool GestureTracker::TouchInGesture(int slot) {
  bool& touched = touched_.at(static_cast<std::size_t>(slot));
  if (touched) return false;
  touched = true;
  return true;
}

}  // namespace quorvane
