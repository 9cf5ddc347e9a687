#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

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
  // Another MIDI system was picked: new service, new lists, selections from the devices found
  // again. Returns what the user should be told (empty when all went as wanted).
  QString ChangeSystem(int index);

 signals:
  // The device lists changed; selections were set again.
  void listsChanged();

 private:
  void SelectDevices();

  SurfaceMidiLink& link_;
  QString opened_api_;     // the setting when the dialog opened
  QString opened_active_;  // the system in use then
};

}  // namespace quorvane
