#pragma once

#include <cstdint>
#include <functional>

#include "files/app_settings.h"

namespace quorvane {

enum class TransportButton : std::uint8_t { kPlay, kStop, kRecord, kPause };

// Which controller each transport button sends, and on which channel (1..16).
struct TransportControllers {
  std::uint8_t play = 65;
  std::uint8_t stop = 66;
  std::uint8_t record = 67;
  std::uint8_t pause = 68;
  std::uint8_t channel = 1;

  bool operator==(const TransportControllers&) const = default;
  std::uint8_t Of(TransportButton button) const;
};

TransportControllers TransportControllersOf(const AppSettings& settings);

// Hands one short message (status, data1, data2) to the output as a plain send, which leaves
// the status bar's controller and value as they are; false when the output refused it.
using TransportSend = std::function<bool(std::uint8_t, std::uint8_t, std::uint8_t)>;

// One transport button's click: its one control change, value 127, on the transport channel,
// and nothing when no output is in use. False when nothing went out.
bool SendTransport(const TransportControllers& controllers, TransportButton button,
                   bool output_in_use, const TransportSend& send);

}  // namespace quorvane
