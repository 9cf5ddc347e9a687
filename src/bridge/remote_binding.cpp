#include "bridge/remote_binding.h"

#include "bridge/surface_midi_link.h"
#include "surface/status_board.h"
#include "surface/surface_model.h"

namespace quorvane {

RemoteBinding::RemoteBinding(SurfaceMidiLink& link, SurfaceCommands& commands, SurfaceClient client,
                             QObject* parent)
    : QObject(parent),
      link_(link),
      dispatcher_(
          commands, [&link] { return link.RemoteChannel(); }, client) {
  link_.SetRemoteInputHandler([this](const TMyMidiEvent& event) { HandleRemoteEvent(event); });
}

RemoteBinding::~RemoteBinding() {
  link_.SetRemoteInputHandler({});
}

void RemoteBinding::ApplySettings(const AppSettings& settings) {
  dispatcher_.SetControllers(RemoteControllersOf(settings));
  transport_ = TransportControllersOf(settings);
}

bool RemoteBinding::SendTransport(TransportButton button) {
  SurfaceModel& model = link_.Model();
  // The plain short-message send: SendControlChange would write the status bar.
  return quorvane::SendTransport(
      transport_, button, model.OutputInUse(),
      [&model](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        return model.SendShortMessage(status, data1, data2);
      });
}

RemoteAction RemoteBinding::HandleRemoteEvent(const TMyMidiEvent& event) {
  const RemoteAction action = dispatcher_.Dispatch(event.status, event.data1, event.data2);
  // Every event read lights the input lamp, ignored or not.
  link_.Model().Status().NoteMidiIn();
  return action;
}

}  // namespace quorvane
