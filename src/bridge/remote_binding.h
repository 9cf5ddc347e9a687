#pragma once

#include <QObject>

#include "files/app_settings.h"
#include "midi/midi_message.h"
#include "remote/remote_dispatcher.h"
#include "remote/transport.h"

namespace quorvane {

class SurfaceMidiLink;

// Remote control and the transport buttons joined to the running program: every event of the
// remote input goes to the dispatcher, which drives the program through the surface commands.
class RemoteBinding : public QObject {
  Q_OBJECT

 public:
  RemoteBinding(SurfaceMidiLink& link, SurfaceCommands& commands, SurfaceClient client,
                QObject* parent = nullptr);
  ~RemoteBinding() override;
  RemoteBinding(const RemoteBinding&) = delete;
  RemoteBinding& operator=(const RemoteBinding&) = delete;

  // The remote and transport controller numbers of the settings file.
  void ApplySettings(const AppSettings& settings);

  const TransportControllers& Transport() const { return transport_; }
  // A transport button's click; false when nothing went out.
  bool SendTransport(TransportButton button);

  // One event of the remote input, as the link hands it over; it lights the input lamp.
  RemoteAction HandleRemoteEvent(const TMyMidiEvent& event);

 private:
  SurfaceMidiLink& link_;
  RemoteDispatcher dispatcher_;
  TransportControllers transport_;
};

}  // namespace quorvane
