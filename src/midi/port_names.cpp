#include "midi/port_names.h"

#include <algorithm>

namespace quorvane {

bool PortNames::Used(const std::string& name) const {
  return std::find(used_.begin(), used_.end(), name) != used_.end();
}

std::string PortNames::Take(bool output) {
  std::string wanted;
  wanted.swap(next_);
  if (!wanted.empty() && !Used(wanted)) {
    used_.push_back(wanted);
    return wanted;
  }
  for (int n = 1;; ++n) {
    std::string name;
    if (output) {
      name = n == 1 ? "MIDI Out" : "MIDI Out " + std::to_string(n);
    } else {
      name = n == 1 ? "MIDI In 1" : n == 2 ? "Remote In" : "MIDI In " + std::to_string(n);
    }
    if (!Used(name)) {
      used_.push_back(name);
      return name;
    }
  }
}

void PortNames::GiveBack(const std::string& name) {
  const auto it = std::find(used_.begin(), used_.end(), name);
  if (it != used_.end()) used_.erase(it);
}

}  // namespace quorvane
