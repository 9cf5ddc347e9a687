#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>

#include "midi/midi_ports.h"

namespace quorvane {

class SurfaceMidiLink;

// What the "MIDI Devices" dialog decides: its lists, what they select when it opens, the
// delay check, and what OK and Cancel do to the ports. The dialog only shows and forwards.
// Port errors are reported through the link and leave the rest of a step done.
class MidiSettingsEditor : public QObject {
  Q_OBJECT

 public:
  static inline const QString kInvalidDelayText = QStringLiteral("Invalid input for MIDI delay.");
  static constexpr int kMaxDelay = 1000;

  explicit MidiSettingsEditor(SurfaceMidiLink& link, QObject* parent = nullptr);

  // "none", then the device names.
  QStringList InputItems() const;
  QStringList OutputItems() const;
  static QStringList ChannelItems();        // "1" .. "16"
  static QStringList ListenChannelItems();  // "All", "1" .. "16"
  static QStringList SystemItems();         // "ALSA", "JACK"

  // Selected entries while the dialog is open (-1: no selection).
  int input1 = 0;
  int input2 = 0;
  int output1 = 0;
  int channel = 0;
  int listen_channel = 0;
  int remote_channel = 0;
  int system = 0;
  QString delay_text;

  // Selects what the configuration holds and closes every port.
  void Setup();
  // The delay text is a decimal integer in 0..1000.
  static bool DelayValid(const QString& text);
  // OK: takes the selections and opens the ports chosen.
  void Accept();
  // Cancel: back to the system the dialog opened with, ports reopened as they were.
  void Cancel();
  // The user picked entry `entry` of a device list while the dialog is open.
  void Select(PortRole role, int entry);
  // Another MIDI system was picked: new service, new lists, selections from the devices found
  // again. Returns what the user should be told (empty when all went as wanted).
  QString ChangeSystem(int index);

 signals:
  // The device lists changed; selections were set again.
  void listsChanged();
  // Devices came or went while the dialog is open: only the device lists and their
  // selections changed.
  void deviceListsChanged();

 private:
  void SelectDevices();
  // The lists changed under the open dialog: each selection follows its device's name.
  void DevicesChanged();
  int& Entry(PortRole role);

  SurfaceMidiLink& link_;
  bool open_ = false;  // between Setup and OK or Cancel
  // The lists as the dialog shows them, to find a selection's name when they change.
  QStringList shown_inputs_;
  QStringList shown_outputs_;
  // A chosen device that is not there now, per role: shown as "none", kept on OK, and chosen
  // again when it comes back, until the user picks something else in its list.
  std::array<QString, kPortRoleCount> waiting_;
  QString opened_api_;     // the setting when the dialog opened
  QString opened_active_;  // the system in use then
};

}  // namespace quorvane
