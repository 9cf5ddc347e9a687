#pragma once

#include <cstdint>

#include "files/app_settings.h"
#include "surface/surface_model.h"

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

// One transport button's click: its one control change, value 127, on the transport channel,
// and nothing when no output is in use. The status bar's controller and value stay as they
// are. False when nothing went out.
bool SendTransport(SurfaceModel& model, const TransportControllers& controllers,
                   TransportButton button);

}  // namespace quorvane
