#pragma once

#include <array>
#include <cstddef>

#include "model/controller.h"

namespace quorvane {

// The slot the user works on and the slots one selection gesture has passed over.
class GestureTracker {
 public:
  int ActiveSlot() const { return active_slot_; }
  void SetActiveSlot(int slot) { active_slot_ = slot; }
  // True the first time a selection gesture passes over the slot, false after.
  bool TouchInGesture(int slot);
  bool TouchedInGesture(int slot) const { return touched_.at(static_cast<std::size_t>(slot)); }
  void EndGesture() { touched_.fill(false); }

 private:
  int active_slot_ = 1;
  std::array<bool, kSlotCount + 1> touched_{};  // indexed by slot
};

}  // namespace quorvane
