#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "midi/midi_input_port.h"
#include "midi/midi_output_port.h"
#include "midi/midi_service.h"

namespace quorvane {

// The program's three ports, by what they are for.
enum class PortRole : std::uint8_t { kInput1 = 0, kRemoteInput = 1, kOutput = 2 };
inline constexpr std::size_t kPortRoleCount = 3;

// A stored device: its number in the device list and its name (empty when not known).
// index -1 with no name means "not in use".
struct MidiDeviceChoice {
  int index = -1;
  QString name;
  bool operator==(const MidiDeviceChoice&) const = default;
};

// What the ports are told to use at start-up and hand back at exit.
struct MidiPortsConfig {
  std::array<MidiDeviceChoice, kPortRoleCount> devices{};
  QString api = QStringLiteral("ALSA");  // "ALSA" or "JACK"
  bool operator==(const MidiPortsConfig&) const = default;
};

// The program's MIDI system and its three ports: which device each port uses and the system
// they run on. Port operations raise PortError; callers at the layer above catch it. Errors
// found while handling the service's notices are reported through portError instead.
class MidiPorts : public QObject {
  Q_OBJECT

 public:
  // Makes the service for a system name ("ALSA", "JACK"); puts the system really chosen
  // ("" for none) into *chosen.
  using ServiceFactory =
      std::function<std::unique_ptr<MidiService>(const std::string& wanted, std::string* chosen)>;
  // Called when records wait in an input port's ring; drains them with ReadEvent.
  using InputHandler = std::function<void(TMidiInput2&)>;

  static inline const QString kNone = QStringLiteral("none");
  static constexpr int kRecoveryIntervalMs = 1000;
  // Once the system is back, how many intervals to wait for the configured devices to
  // reappear before opening whatever is there.
  static constexpr int kDeviceWaitIntervals = 10;

  explicit MidiPorts(ServiceFactory factory, QObject* parent = nullptr);
  ~MidiPorts() override;

  // --- start-up and exit ----------------------------------------------------
  // Takes the configuration, makes the service, lists the devices once and opens the
  // configured ports. A stored device that is gone leaves its port out of use and adds one
  // message. With JACK asked for and no MIDI system usable, one message says the server is
  // not running; the ports wait, suspended, and open by name once it starts.
  void Start(const MidiPortsConfig& config);
  // What to store: a device that was missing at start and not replaced since is handed back
  // as it was read, so that it is used again once it returns.
  MidiPortsConfig Config() const;
  // Closes the ports marked in use.
  void CloseInUse();
  // Messages for the user collected since the last call (missing devices, system fallback).
  QStringList TakeMessages();
  // Empty while a MIDI system is usable, else the line that says why not.
  QString UnavailableReason() const;
  // The system the ports run on now ("ALSA", "JACK", or "" when none).
  const QString& ActiveSystem() const { return active_system_; }
  // The system asked for ("ALSA" or "JACK").
  const QString& Api() const { return api_; }
  void SetApi(const QString& api) { api_ = api; }

  // --- configuration ----------------------------------------------------------
  bool InUse(PortRole role) const { return Binding(role).in_use; }
  int Device(PortRole role) const { return Binding(role).device; }
  const QString& DeviceName(PortRole role) const { return Binding(role).name; }

  // --- what the dialog works on -----------------------------------------------
  const QStringList& InputDevices() const { return input_names_; }
  const QStringList& OutputDevices() const { return output_names_; }
  void CloseAll();
  // Opens and starts the configured ports after a Cancel; nothing while suspended.
  void ReopenConfigured();
  // -1 for none, else an index of the role's device list. Closed ports only. While suspended
  // the port is not opened: the choice waits for the system, and the device already chosen
  // keeps its name (the lists are empty meanwhile).
  void Use(PortRole role, int device);
  // Makes a new service for system name `api` and lists its devices again; the ports are
  // closed and made anew. Keeps the configuration; devices are found again by their names.
  // Returns a message when the system wanted is not the one in use.
  QString SwitchSystem(const QString& api);

  // --- ports ----------------------------------------------------------------
  MidiService& Service() { return *service_; }
  TMidiOutput2& MidiOutput1() { return *output1_; }
  TMidiInput2& MidiInput1() { return *input1_; }
  TMidiInput2& MidiInput2() { return *input2_; }

  void SetInputHandler(PortRole role, InputHandler handler);

  // The service's device lists may have changed: reads them again. A chosen device that is
  // gone leaves its port closed and out of use (its stored choice is kept); one that is back
  // under its name opens again, unless the ports are held closed for the dialog, and so does
  // one listed that could not be opened yet. Nothing is sent. Emits devicesChanged when the lists
  // differ and deviceNotice when a chosen device went or came.
  void DevicesChanged();
  // One line naming every chosen device that is missing now; empty when none is.
  QString MissingDevicesText() const;

  // True from the moment the MIDI system went away until the ports are open again.
  bool Suspended() const { return suspended_; }
  // The output is configured and its system is there: sends can go out.
  bool OutputUsable() const { return InUse(PortRole::kOutput) && !suspended_; }

 signals:
  // The service and the ports were made anew (device lists changed).
  void systemChanged();
  // One line for the user: the MIDI system stopped, or came back and the ports reopened.
  void serviceNotice(const QString& text);
  // Whether the output can take messages now (opened, closed, system lost or back).
  void outputUsableChanged(bool usable);
  // A port failed while handling one of the service's notices.
  void portError(const QString& text);
  // An input's ring was full: a message was turned away.
  void messageLost(PortRole role);
  // The device lists were read again and differ from before.
  void devicesChanged();
  // A chosen device went missing or came back; the line says which, and what is missing now.
  void deviceNotice(const QString& text);

 private:
  struct Missing {
    bool present = false;
    int index = -1;
    QString name;
  };
  struct PortBinding {
    int device = -1;
    QString name;
    bool in_use = false;
    Missing missing;
  };

  const PortBinding& Binding(PortRole role) const {
    return bindings_.at(static_cast<std::size_t>(role));
  }
  PortBinding& Binding(PortRole role) { return bindings_.at(static_cast<std::size_t>(role)); }
  // A chosen device is listed while its port is not open (and not held closed for the dialog).
  bool AnyWaiting() const;
  static bool IsOutput(PortRole role) { return role == PortRole::kOutput; }
  const QStringList& DeviceList(PortRole role) const {
    return IsOutput(role) ? output_names_ : input_names_;
  }

  void MakeService(const QString& api);
  void HoldConfigured();
  void MakePorts();
  void ListDevices();
  void Resolve(PortRole role);
  void ResolveAll();
  void Open(PortRole role);
  void Close(PortRole role);
  void SetInUse(PortRole role, bool in_use);
  void ServiceLost(const QString& text);
  void TryRecover();
  bool AdoptWantedService();
  bool ConfiguredDevicesPresent();
  void ReadLists(QStringList& inputs, QStringList& outputs);
  bool IsOpen(PortRole role) const;
  void CloseQuietly(PortRole role);
  // The device of a port left out of use is back: opens it unless held. False when it would
  // not open.
  bool Reopen(PortRole role);

  ServiceFactory factory_;
  std::unique_ptr<MidiService> service_;
  std::unique_ptr<TMidiOutput2> output1_;
  std::unique_ptr<TMidiInput2> input1_;
  std::unique_ptr<TMidiInput2> input2_;
  std::array<InputHandler, kPortRoleCount> input_handlers_;
  std::array<PortBinding, kPortRoleCount> bindings_;
  QString api_ = QStringLiteral("ALSA");
  QStringList input_names_;
  QStringList output_names_;
  QString active_system_;
  QStringList messages_;
  bool suspended_ = false;
  // The system waited for since start-up has just been found: its arrival is told as such.
  bool first_arrival_ = false;
  // The dialog closed every port: devices that come back wait for its OK or Cancel.
  bool held_ = false;
  // Start found no system while JACK was asked for: the service is made again until JACK runs.
  bool waiting_for_system_ = false;
  QString wanted_system_;
  int intervals_available_ = 0;
  QTimer recovery_timer_;
};

}  // namespace quorvane
