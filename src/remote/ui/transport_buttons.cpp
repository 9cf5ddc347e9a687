#include "remote/ui/transport_buttons.h"

#include "surface/ui/commands.h"
#include "surface/ui/main_window.h"

namespace quorvane {

void BindTransportButtons(MainWindow& window, const std::function<void(TransportButton)>& send) {
  const struct {
    Command command;
    TransportButton button;
  } transport[] = {
      {Command::kPlay, TransportButton::kPlay},
      {Command::kStop, TransportButton::kStop},
      {Command::kRecord, TransportButton::kRecord},
      {Command::kPause, TransportButton::kPause},
  };
  for (const auto& t : transport)
    window.Bind(t.command, [send, button = t.button] { send(button); });
}

}  // namespace quorvane
