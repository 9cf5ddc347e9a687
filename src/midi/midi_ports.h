#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "midi/midi_input_port.h"
#include "midi/midi_output_port.h"
#include "midi/midi_service.h"

namespace quorvane {

struct AppSettings;
class TSliderWindow;

// The program's MIDI configuration and its three ports: which device each port uses, the
// remote channel, the MIDI system they run on. Sends of the model leave through MidiOutput1;
// MidiInput1 drives input follow; MidiInput2 feeds the remote-control hook.
class MidiPorts : public QObject {
  Q_OBJECT

 public:
  // Makes the service for a system name ("ALSA", "JACK"); puts the system really chosen
  // ("" for none) into *chosen.
  using ServiceFactory =
      std::function<std::unique_ptr<MidiService>(const std::string& wanted, std::string* chosen)>;
  // Receives every event of the remote input, in order.
  using RemoteInputHandler = std::function<void(const TMyMidiEvent&)>;

  static inline const QString kNone = QStringLiteral("none");

  MidiPorts(TSliderWindow& model, ServiceFactory factory, QObject* parent = nullptr);
  ~MidiPorts() override;

  // --- configuration ----------------------------------------------------------
  int input_device1 = -1;
  int input_device2 = -1;
  int output_device = -1;
  bool input1_in_use = false;
  bool input2_in_use = false;
  bool output_in_use = false;  // mirrored into the model, which tests it before every send
  int remote_channel = 1;
  QString midi_api = QStringLiteral("ALSA");
  QString input_device1_name, input_device2_name, output_device_name;

  // --- start-up and exit ----------------------------------------------------
  // Takes the MIDI keys, makes the service, lists the devices once and opens the configured
  // ports. A stored device that is gone leaves its port out of use and adds one message.
  void Start(const AppSettings& settings);
  // Closes the ports marked in use.
  void CloseInUse();
  // Writes the MIDI keys back. A device that was missing at start and not replaced since is
  // written back as it was read, so that it is used again once it returns.
  void Store(AppSettings& settings) const;
  // Messages for the user collected since the last call (missing devices, system fallback).
  QStringList TakeMessages();
  // Empty while a MIDI system is usable, else the line that says why not.
  QString UnavailableReason() const;
  // The system the ports run on now ("ALSA", "JACK", or "" when none).
  const QString& ActiveSystem() const { return active_system_; }

  // --- what the dialog works on -----------------------------------------------
  const QStringList& InputDevices() const { return input_names_; }
  const QStringList& OutputDevices() const { return output_names_; }
  void CloseAll();
  // Opens and starts the configured ports after a Cancel.
  void ReopenConfigured();
  // -1 for none, else an index of the device list. Closed ports only.
  void UseInput1(int device);
  void UseInput2(int device);
  void UseOutput(int device);
  // Makes a new service for system name `api` and lists its devices again; the ports are
  // closed and made anew. Keeps the configuration; devices are found again by their names.
  // Returns a message when the system wanted is not the one in use.
  QString SwitchSystem(const QString& api);

  // --- ports ----------------------------------------------------------------
  MidiService& Service() { return *service_; }
  TMidiOutput2& MidiOutput1() { return *output1_; }
  TMidiInput2& MidiInput1() { return *input1_; }
  TMidiInput2& MidiInput2() { return *input2_; }

  void SetRemoteInputHandler(RemoteInputHandler handler) { remote_input_ = std::move(handler); }

  // True from the moment the MIDI system went away until the ports are open again.
  bool Suspended() const { return suspended_; }
  static constexpr int kRecoveryIntervalMs = 1000;
  // Once the system is back, how many intervals to wait for the configured devices to
  // reappear before opening whatever is there.
  static constexpr int kDeviceWaitIntervals = 10;

 signals:
  // The service and the ports were made anew (device lists changed).
  void systemChanged();
  // One line for the user: the MIDI system stopped, or came back and the ports reopened.
  void serviceNotice(const QString& text);

 private:
  struct Missing {
    bool present = false;
    int index = -1;
    QString name;
  };

  void MakeService(const QString& api);
  void MakePorts();
  void ListDevices();
  void Resolve(int& device, QString& name, bool& in_use, Missing& missing, const QStringList& list,
               const QString& what);
  void SetOutputInUse(bool on);
  void OpenInput(TMidiInput2& port, int device);
  void OpenOutput(int device);
  void MidiInput1MidiInput(TMidiInput2* port);
  void MidiInput2MidiInput(TMidiInput2* port);
  void ResolveAll();
  void ServiceLost(const QString& text);
  void TryRecover();
  bool ConfiguredDevicesPresent();

  TSliderWindow& model_;
  ServiceFactory factory_;
  std::unique_ptr<MidiService> service_;
  std::unique_ptr<TMidiOutput2> output1_;
  std::unique_ptr<TMidiInput2> input1_;
  std::unique_ptr<TMidiInput2> input2_;
  QStringList input_names_;
  QStringList output_names_;
  QString active_system_;
  QStringList messages_;
  Missing missing_in1_, missing_in2_, missing_out_;
  RemoteInputHandler remote_input_;
  bool suspended_ = false;
  int intervals_available_ = 0;
  QTimer recovery_timer_;
};

}  // namespace quorvane
