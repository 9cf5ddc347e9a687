#include "bridge/surface_midi_link.h"

#include <memory>
#include <utility>

#include "midi/port_error.h"

namespace quorvane {

SurfaceMidiLink::SurfaceMidiLink(SurfaceModel& model, MidiPorts& ports, QObject* parent)
    : QObject(parent), model_(model), ports_(ports) {
  model_.SetShortSender([this](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    return SendShort(status, data1, data2);
  });
  model_.Sends().SetSendSchedule({[this] { return ports_.MidiOutput1().ScheduleLead(); },
                                  [this](std::chrono::steady_clock::time_point due) {
                                    ports_.MidiOutput1().SetNextDue(due);
                                  }});
  model_.SetOutputInUse(ports_.OutputUsable());
  connect(&ports_, &MidiPorts::outputUsableChanged, this,
          [this](bool usable) { model_.SetOutputInUse(usable); });
  connect(&ports_, &MidiPorts::portError, this, &SurfaceMidiLink::portError);
  connect(&ports_, &MidiPorts::messageLost, this, [this] { model_.Status().NoteMessagesLost(1); });
  ports_.SetInputHandler(PortRole::kInput1, [this](TMidiInput2& port) { FollowInput(port); });
  ports_.SetInputHandler(PortRole::kRemoteInput,
                         [this](TMidiInput2& port) { DispatchRemoteInput(port); });
}

SurfaceMidiLink::~SurfaceMidiLink() {
  model_.SetShortSender({});
  model_.Sends().SetSendSchedule({});
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
  try {
    ports_.MidiOutput1().SendShort(status, data1, data2);
    return true;
  } catch (const PortError& e) {
    // A device pulled out before the service said so: the lists tell, and its missing line is
    // the one notice instead of a box per slider step.
    ports_.DevicesChanged();
    if (ports_.OutputUsable()) emit portError(QString::fromUtf8(e.what()));
  }
  return false;
}

void SurfaceMidiLink::FollowInput(TMidiInput2& port) {
  // A burst moves a slot many times; its view is redrawn once, after the drain.
  model_.BeginSlotBatch();
  Guard([&] {
    while (port.PendingCount() > 0) {
      const std::unique_ptr<TMyMidiEvent> event = port.ReadEvent();
      if (!event) break;
      Arrived(event->status, event->data1, event->data2);
    }
    // A flood turned messages away: the surface still ends on the last value of each.
    port.TakeDroppedControlChanges([this](std::uint8_t status, std::uint8_t data1,
                                          std::uint8_t data2) { Arrived(status, data1, data2); });
  });
  model_.EndSlotBatch();
}

void SurfaceMidiLink::Arrived(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  if (learn_taker_ && (status & 0xF0) == 0xB0) {
    // Taken once; the taker may wait for the next one itself.
    const Taker taker = std::exchange(learn_taker_, {});
    taker(status, data1, data2);
    return;
  }
  Follow(status, data1, data2);
}

void SurfaceMidiLink::Follow(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  model_.FollowMessage(status, data1, data2);
  if (!capture_ || !capture_->active) return;
  // The same control changes the follow accepts: on the listened channel, or any with 0.
  const int listen = model_.Settings().listen_channel;
  const bool accepted =
      listen == 0 ? (status & 0xF0) == 0xB0 : status == ControlChangeStatus(listen);
  if (!accepted) return;
  const int c = data1 & 0x7F;
  for (const Tcontroller& d : model_.Pages()) {
    if (d.ctrl != c) continue;
    capture_->Record(c, data2);
    return;
  }
}

bool SurfaceMidiLink::SendSysex(const std::vector<std::uint8_t>& bytes) {
  if (!model_.OutputInUse() || bytes.empty()) return false;
  if (!Guard([&] { ports_.MidiOutput1().SendSysex(bytes.data(), bytes.size()); })) return false;
  model_.Status().NoteMidiOut();
  return true;
}

void SurfaceMidiLink::DispatchRemoteInput(TMidiInput2& port) {
  Guard([&] {
    while (port.PendingCount() > 0) {
      const std::unique_ptr<TMyMidiEvent> event = port.ReadEvent();
      if (!event) break;
      if (remote_input_) remote_input_(*event);
    }
    // A flood turned messages away: remote control still ends on the last value of each.
    port.TakeDroppedControlChanges(
        [this](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
          if (!remote_input_) return;
          TMyMidiEvent e;
          e.status = status;
          e.data1 = data1;
          e.data2 = data2;
          remote_input_(e);
        });
  });
}

}  // namespace quorvane
