#include "remote/transport.h"

#include "model/controller.h"

namespace quorvane {

std::uint8_t TransportControllers::Of(TransportButton button) const {
  switch (button) {
    case TransportButton::kPlay:
      return play;
    case TransportButton::kStop:
      return stop;
    case TransportButton::kRecord:
      return record;
    case TransportButton::kPause:
      return pause;
  }
  return play;
}

TransportControllers TransportControllersOf(const AppSettings& settings) {
  TransportControllers c;
  c.play = settings.play_controller;
  c.stop = settings.stop_controller;
  c.record = settings.record_controller;
  c.pause = settings.pause_controller;
  c.channel = settings.transport_channel;
  return c;
}

bool SendTransport(const TransportControllers& controllers, TransportButton button,
                   bool output_in_use, const TransportSend& send) {
  if (!output_in_use || !send) return false;
  return send(ControlChangeStatus(controllers.channel),
              static_cast<std::uint8_t>(controllers.Of(button) & 0x7F), 127);
}

}  // namespace quorvane
