#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "midi/midi_service.h"

namespace quorvane::testing {

// The names a service lists for its output devices, in id order.
inline std::vector<std::string> OutputNames(MidiService& service) {
  std::vector<std::string> names;
  for (std::uint32_t i = 0, n = service.OutputDeviceCount(); i < n; ++i) {
    MidiOutputCaps caps;
    EXPECT_EQ(service.OutputDeviceCaps(static_cast<int>(i), caps), kMidiNoError);
    names.push_back(caps.name);
  }
  return names;
}

// The names a service lists for its input devices, in id order.
inline std::vector<std::string> InputNames(MidiService& service) {
  std::vector<std::string> names;
  for (std::uint32_t i = 0, n = service.InputDeviceCount(); i < n; ++i) {
    MidiInputCaps caps;
    EXPECT_EQ(service.InputDeviceCaps(i, caps), kMidiNoError);
    names.push_back(caps.name);
  }
  return names;
}

// The id of a device name in such a list, or -1.
inline int IndexOf(const std::vector<std::string>& list, const std::string& name) {
  const auto it = std::find(list.begin(), list.end(), name);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace quorvane::testing
