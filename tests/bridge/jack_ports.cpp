#include "jack_ports.h"

#include "files/app_settings.h"
#include "midi/jack_service.h"

namespace quorvane::testing {

LinkedPorts StartJackPorts(SurfaceModel& model, const JackMidiPeer& peer, bool with_input) {
  LinkedPorts ports(model, [](const std::string&, std::string* chosen) {
    *chosen = "JACK";
    return std::make_unique<JackService>();
  });
  AppSettings s;
  s.midi_api = QStringLiteral("JACK");
  s.output_device = 0;
  s.output_device_name = QString::fromStdString(peer.inPortName());
  if (with_input) {
    s.input_device1 = 0;
    s.input_device1_name = QString::fromStdString(peer.outPortName());
  }
  ports.Start(s);
  return ports;
}

}  // namespace quorvane::testing
