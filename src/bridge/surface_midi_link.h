#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "files/unused_slider_filter.h"
#include "midi/midi_message.h"
#include "midi/midi_ports.h"
#include "surface/controller_learning.h"
#include "surface/surface_model.h"

namespace quorvane {

// Joins the surface to the MIDI ports: the surface's sends leave through the output, the first
// input is followed, the output's state is mirrored into the model, and the remote input goes
// to its handler. Every port error stops here and is reported through portError. It is also
// where the settings dialog learns a controller from the first input.
class SurfaceMidiLink : public QObject, public ControlChangeSource {
  Q_OBJECT

 public:
  // Receives every event of the remote input, in order.
  using RemoteInputHandler = std::function<void(const TMyMidiEvent&)>;

  SurfaceMidiLink(SurfaceModel& model, MidiPorts& ports, QObject* parent = nullptr);
  ~SurfaceMidiLink() override;
  SurfaceMidiLink(const SurfaceMidiLink&) = delete;
  SurfaceMidiLink& operator=(const SurfaceMidiLink&) = delete;

  // Runs one operation on the ports; a port error is reported and ends it. False then.
  bool Guard(const std::function<void()>& operation);

  // The channel remote-control messages arrive on (1..16).
  int RemoteChannel() const { return remote_channel_; }
  void SetRemoteChannel(int channel) { remote_channel_ = channel; }
  void SetRemoteInputHandler(RemoteInputHandler handler) { remote_input_ = std::move(handler); }

  // While the capture is active, each control change the first input's follow accepts, on a
  // controller some definition uses, is recorded there as well. Null records nothing.
  void SetDumpCapture(DumpCapture* capture) { capture_ = capture; }
  // One system-exclusive message, when the output is in use; lights the output lamp. False
  // when nothing went out.
  bool SendSysex(const std::vector<std::uint8_t>& bytes);

  // The next control change of the first input goes to `taker` and is not followed; empty
  // stops waiting.
  void TakeNextControlChange(Taker taker) override { learn_taker_ = std::move(taker); }
  int LearnGlobalChannel() const override { return model_.Settings().global_channel; }

  SurfaceModel& Model() { return model_; }
  MidiPorts& Ports() { return ports_; }
  const MidiPorts& Ports() const { return ports_; }

 signals:
  // A port refused an operation; the text is the one to show.
  void portError(const QString& text);

 private:
  bool SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  void FollowInput(TMidiInput2& port);
  // The follow path's message, recorded for a running dump capture.
  void Follow(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  // A message of the first input: learned when a learning waits for it, else followed.
  void Arrived(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  void DispatchRemoteInput(TMidiInput2& port);

  SurfaceModel& model_;
  MidiPorts& ports_;
  RemoteInputHandler remote_input_;
  DumpCapture* capture_ = nullptr;
  Taker learn_taker_;
  int remote_channel_ = 1;
};

}  // namespace quorvane
