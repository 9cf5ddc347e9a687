#include "bridge/surface_midi_link.h"

#include <memory>

#include "midi/port_error.h"

namespace quorvane {

SurfaceMidiLink::SurfaceMidiLink(SurfaceModel& model, MidiPorts& ports, QObject* parent)
    : QObject(parent), model_(model), ports_(ports) {
  model_.SetShortSender([this](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    return SendShort(status, data1, data2);
  });
  model_.SetOutputInUse(ports_.OutputUsable());
  connect(&ports_, &MidiPorts::outputUsableChanged, this,
          [this](bool usable) { model_.SetOutputInUse(usable); });
  connect(&ports_, &MidiPorts::portError, this, &SurfaceMidiLink::portError);
  connect(&ports_, &MidiPorts::messageLost, this, [this] { model_.NoteMessagesLost(1); });
  ports_.SetInputHandler(PortRole::kInput1, [this](TMidiInput2& port) { FollowInput(port); });
  ports_.SetInputHandler(PortRole::kRemoteInput,
                         [this](TMidiInput2& port) { DispatchRemoteInput(port); });
}

SurfaceMidiLink::~SurfaceMidiLink() {
  model_.SetShortSender({});
  model_.SetOutputInUse(false);
  ports_.SetInputHandler(PortRole::kInput1, {});
  ports_.SetInputHandler(PortRole::kRemoteInput, {});
}

bool SurfaceMidiLink::Guard(const std::function<void()>& operation) {
  try {
    operation();
    return true;
  } catch (const PortError& e) {
    emit portError(QString::fromUtf8(e.what()));
  }
  return false;
}

bool SurfaceMidiLink::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  return Guard([&] { ports_.MidiOutput1().SendShort(status, data1, data2); });
}

void SurfaceMidiLink::FollowInput(TMidiInput2& port) {
  // A burst moves a slot many times; its view is redrawn once, after the drain.
  model_.BeginSlotBatch();
  Guard([&] {
    while (port.PendingCount() > 0) {
      const std::unique_ptr<TMyMidiEvent> event = port.ReadEvent();
      if (!event) break;
      model_.FollowMessage(event->status, event->data1, event->data2);
    }
    // A flood turned messages away: the surface still ends on the last value of each.
    port.TakeDroppedControlChanges(
        [this](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
          model_.FollowMessage(status, data1, data2);
        });
  });
  model_.EndSlotBatch();
}

void SurfaceMidiLink::DispatchRemoteInput(TMidiInput2& port) {
  Guard([&] {
    while (port.PendingCount() > 0) {
      const std::unique_ptr<TMyMidiEvent> event = port.ReadEvent();
      if (!event) break;
      if (remote_input_) remote_input_(*event);
    }
  });
}

}  // namespace quorvane
