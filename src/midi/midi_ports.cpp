#include "midi/midi_ports.h"

#include <algorithm>
#include <vector>

#include "midi/midi_system.h"

namespace quorvane {

namespace {

constexpr std::array<PortRole, kPortRoleCount> kRoles{PortRole::kInput1, PortRole::kRemoteInput,
                                                      PortRole::kOutput};

QString RoleText(PortRole role) {
  switch (role) {
    case PortRole::kInput1:
      return QStringLiteral("MIDI Input");
    case PortRole::kRemoteInput:
      return QStringLiteral("Remote Input");
    case PortRole::kOutput:
      break;
  }
  return QStringLiteral("MIDI Output");
}

const QString kPortsBack =
    QStringLiteral("The MIDI system is running again; the MIDI ports in use are open again.");
const QString kServerArrived =
    QStringLiteral("The JACK server is running now; the MIDI ports in use are open.");

QString MissingText(const QString& what, const QString& name, int index) {
  const QString device =
      name.isEmpty() ? QStringLiteral("number %1").arg(index) : QStringLiteral("\"%1\"").arg(name);
  return QStringLiteral("%1 device %2 is not available; %1 is not used.").arg(what, device);
}

QString DeviceText(const QString& what, const QString& name) {
  return QStringLiteral("%1 device \"%2\"").arg(what, name);
}

}  // namespace

MidiPorts::MidiPorts(ServiceFactory factory, QObject* parent)
    : QObject(parent),
      factory_(std::move(factory)),
      // Nothing is opened before Start, which makes the service the configuration names.
      service_(std::make_unique<NoMidiService>(kNoMidiSystemText)) {
  MakePorts();
  recovery_timer_.setInterval(kRecoveryIntervalMs);
  connect(&recovery_timer_, &QTimer::timeout, this, &MidiPorts::TryRecover);
}

MidiPorts::~MidiPorts() {
  // The ports hand their handles back to the service, so they go first.
  input2_.reset();
  input1_.reset();
  output1_.reset();
  service_.reset();
}

void MidiPorts::MakeService(const QString& api) {
  input2_.reset();
  input1_.reset();
  output1_.reset();
  service_.reset();
  std::string chosen;
  if (factory_) service_ = factory_(api.toStdString(), &chosen);
  if (!service_) chosen.clear();
  active_system_ = QString::fromStdString(chosen);
  wanted_system_ = api;
  // JACK asked for and nothing usable: the server is what is missing, and it may start later.
  waiting_for_system_ = active_system_.isEmpty() && api == QLatin1String("JACK");
  if (waiting_for_system_) {
    service_ = std::make_unique<NoMidiService>(kJackNotRunningText);
  } else if (!service_) {
    service_ = std::make_unique<NoMidiService>(kNoMidiSystemText);
  }
  service_->SetNoticeHandler(
      [this](const std::string& text) { ServiceLost(QString::fromStdString(text)); });
  service_->SetDevicesChangedHandler([this] { DevicesChanged(); });
  suspended_ = waiting_for_system_;
  intervals_available_ = 0;
  if (waiting_for_system_) {
    recovery_timer_.start();
  } else {
    recovery_timer_.stop();
  }
}

// While waiting for the system the configured devices stay in use, closed, as after a loss:
// they are looked for by name once it runs, and a missing one is told then.
void MidiPorts::HoldConfigured() {
  input_names_.clear();
  output_names_.clear();
  for (PortRole role : kRoles) {
    PortBinding& b = Binding(role);
    if (!b.in_use && b.missing.present) {
      b.device = b.missing.index;
      b.name = b.missing.name;
    }
    b.missing = {};
    b.in_use = b.device >= 0 || !b.name.isEmpty();
  }
}

void MidiPorts::MakePorts() {
  output1_ = std::make_unique<TMidiOutput2>(*service_);
  input1_ = std::make_unique<TMidiInput2>(*service_);
  input2_ = std::make_unique<TMidiInput2>(*service_);
  output1_->SetPortName("MIDI Out");
  input1_->SetPortName("MIDI In 1");
  input2_->SetPortName("Remote In");
  auto report = [this](const std::string& text) { emit portError(QString::fromStdString(text)); };
  output1_->SetErrorHandler(report);
  input1_->SetErrorHandler(report);
  input2_->SetErrorHandler(report);
  input1_->OnMidiInput = [this](TMidiInput2* port) {
    if (const InputHandler& handler = input_handlers_[0]) handler(*port);
  };
  input2_->OnMidiInput = [this](TMidiInput2* port) {
    if (const InputHandler& handler = input_handlers_[1]) handler(*port);
  };
  input1_->OnOverflow = [this](TMidiInput2*) { emit messageLost(PortRole::kInput1); };
  input2_->OnOverflow = [this](TMidiInput2*) { emit messageLost(PortRole::kRemoteInput); };
}

void MidiPorts::SetInputHandler(PortRole role, InputHandler handler) {
  if (!IsOutput(role)) input_handlers_.at(static_cast<std::size_t>(role)) = std::move(handler);
}

void MidiPorts::ListDevices() {
  input_names_.clear();
  output_names_.clear();
  try {
    for (int i = 0; i < input1_->DeviceCount(); ++i) {
      input1_->SetDeviceID(static_cast<std::uint16_t>(i));
      input_names_ << QString::fromStdString(input1_->ProductName());
    }
    for (std::uint32_t i = 0; i < output1_->DeviceCount(); ++i) {
      output1_->SetDeviceID(static_cast<int>(i));
      output_names_ << QString::fromStdString(output1_->ProductName());
    }
  } catch (const PortError& e) {
    // A device that vanished while being listed ends its list; the rest still works.
    messages_ << QString::fromUtf8(e.what());
  }
}

void MidiPorts::Resolve(PortRole role) {
  PortBinding& b = Binding(role);
  const QStringList& list = DeviceList(role);
  // A port left out of use because its device was missing tries that device again.
  if (!b.in_use && b.missing.present) {
    b.device = b.missing.index;
    b.name = b.missing.name;
  }
  if (b.device < 0 && b.name.isEmpty()) {
    b.device = -1;
    b.in_use = false;
    return;
  }
  int found = -1;
  if (!b.name.isEmpty()) {
    // The name decides: numbers change when devices come and go.
    found = b.device >= 0 && b.device < list.size() && list.at(b.device) == b.name
                ? b.device
                : static_cast<int>(list.indexOf(b.name));
  } else if (b.device < list.size()) {
    found = b.device;
  }
  if (found < 0) {
    if (!b.missing.present) messages_ << MissingText(RoleText(role), b.name, b.device);
    b.missing = {true, b.device, b.name};
    b.device = -1;
    b.in_use = false;
    return;
  }
  b.missing = {};
  b.device = found;
  b.name = list.at(found);
  b.in_use = true;
}

void MidiPorts::ResolveAll() {
  const bool was_usable = OutputUsable();
  for (PortRole role : kRoles) Resolve(role);
  if (OutputUsable() != was_usable) emit outputUsableChanged(OutputUsable());
}

void MidiPorts::Start(const MidiPortsConfig& config) {
  for (PortRole role : kRoles) {
    const MidiDeviceChoice& choice = config.devices.at(static_cast<std::size_t>(role));
    PortBinding& b = Binding(role);
    b = {};
    b.device = choice.index < 0 ? -1 : choice.index;
    b.name = choice.name;
  }
  api_ = config.api == QLatin1String("JACK") ? QStringLiteral("JACK") : QStringLiteral("ALSA");
  MakeService(api_);
  MakePorts();
  if (waiting_for_system_) {
    HoldConfigured();
    messages_ << QString::fromLatin1(kJackNotRunningText);
    emit outputUsableChanged(false);
    return;
  }
  if (!active_system_.isEmpty() && active_system_ != api_) {
    messages_ << QStringLiteral("The MIDI system %1 is not available; %2 is used instead.")
                     .arg(api_, active_system_);
  }
  ListDevices();
  ResolveAll();
  emit outputUsableChanged(OutputUsable());
  ReopenConfigured();
}

MidiPortsConfig MidiPorts::Config() const {
  MidiPortsConfig config;
  for (PortRole role : kRoles) {
    const PortBinding& b = Binding(role);
    MidiDeviceChoice& choice = config.devices.at(static_cast<std::size_t>(role));
    if (b.in_use) {
      choice = {b.device, b.name};
    } else if (b.missing.present) {
      choice = {b.missing.index, b.missing.name};
    }
  }
  config.api = api_;
  return config;
}

void MidiPorts::ServiceLost(const QString& text) {
  if (suspended_) {
    emit serviceNotice(text);
    return;
  }
  suspended_ = true;
  // Nothing more goes to a system that is gone; the configuration stays as it is.
  auto close_quietly = [](auto& port) {
    try {
      port.Close();
    } catch (const PortError&) {
      // The service has already let go of a port whose system died.
    }
  };
  close_quietly(*input1_);
  close_quietly(*input2_);
  close_quietly(*output1_);
  emit outputUsableChanged(false);
  recovery_timer_.start();
  emit serviceNotice(text);
}

bool MidiPorts::ConfiguredDevicesPresent() {
  std::vector<std::string> inputs, outputs;
  for (unsigned i = 0; i < service_->InputDeviceCount(); ++i) {
    MidiInputCaps caps;
    if (service_->InputDeviceCaps(i, caps) == kMidiNoError) inputs.push_back(caps.name);
  }
  for (int i = 0; i < static_cast<int>(service_->OutputDeviceCount()); ++i) {
    MidiOutputCaps caps;
    if (service_->OutputDeviceCaps(i, caps) == kMidiNoError) outputs.push_back(caps.name);
  }
  return std::all_of(kRoles.begin(), kRoles.end(), [&](PortRole role) {
    const PortBinding& b = Binding(role);
    const std::vector<std::string>& list = IsOutput(role) ? outputs : inputs;
    const bool wanted = b.in_use || b.missing.present;
    return !wanted || b.name.isEmpty() ||
           std::find(list.begin(), list.end(), b.name.toStdString()) != list.end();
  });
}

// Makes the service of the system waited for; false while it is still not there.
bool MidiPorts::AdoptWantedService() {
  std::string chosen;
  std::unique_ptr<MidiService> made;
  if (factory_) made = factory_(wanted_system_.toStdString(), &chosen);
  // A fallback system that became usable meanwhile is not the one asked for.
  if (!made || QString::fromStdString(chosen) != wanted_system_) return false;
  input2_.reset();
  input1_.reset();
  output1_.reset();
  service_ = std::move(made);
  active_system_ = wanted_system_;
  waiting_for_system_ = false;
  service_->SetNoticeHandler(
      [this](const std::string& text) { ServiceLost(QString::fromStdString(text)); });
  service_->SetDevicesChangedHandler([this] { DevicesChanged(); });
  try {
    MakePorts();
  } catch (const PortError&) {
    // A device vanished while the ports were made: wait on, and try again next time.
    input2_.reset();
    input1_.reset();
    output1_.reset();
    service_ = std::make_unique<NoMidiService>(kJackNotRunningText);
    active_system_.clear();
    waiting_for_system_ = true;
    MakePorts();
    return false;
  }
  emit systemChanged();
  return true;
}

void MidiPorts::TryRecover() {
  if (waiting_for_system_) {
    if (!AdoptWantedService()) return;
    first_arrival_ = true;
  }
  service_->OutputDeviceCount();  // looks for the system again
  if (!service_->Available()) {
    intervals_available_ = 0;
    return;
  }
  // Other programs come back after the server: give their ports a moment.
  if (!ConfiguredDevicesPresent() && ++intervals_available_ < kDeviceWaitIntervals) return;
  intervals_available_ = 0;
  recovery_timer_.stop();
  suspended_ = false;
  // Device numbers may differ on the new server: list again and find the devices by name.
  MakePorts();
  ListDevices();
  const qsizetype before = messages_.size();
  ResolveAll();
  // A device still missing stays chosen and opens once it is back: said below as it stands.
  messages_.remove(before, messages_.size() - before);
  emit outputUsableChanged(OutputUsable());
  QStringList lines{first_arrival_ ? kServerArrived : kPortsBack};
  first_arrival_ = false;
  try {
    ReopenConfigured();
  } catch (const PortError& e) {
    lines << QString::fromUtf8(e.what());
  }
  lines << TakeMessages();
  if (const QString missing = MissingDevicesText(); !missing.isEmpty()) lines << missing;
  emit serviceNotice(lines.join(QLatin1Char('\n')));
}

void MidiPorts::Open(PortRole role) {
  const int device = Binding(role).device;
  if (IsOutput(role)) {
    output1_->SetDeviceID(device);
    output1_->Open();
    return;
  }
  TMidiInput2& port = role == PortRole::kInput1 ? *input1_ : *input2_;
  port.SetDeviceID(static_cast<std::uint16_t>(device));
  port.Open();
  port.Start();
}

void MidiPorts::Close(PortRole role) {
  switch (role) {
    case PortRole::kInput1:
      input1_->Close();
      break;
    case PortRole::kRemoteInput:
      input2_->Close();
      break;
    case PortRole::kOutput:
      output1_->Close();
      break;
  }
}

void MidiPorts::ReopenConfigured() {
  held_ = false;
  if (suspended_) return;  // the ports open when the system is back
  for (PortRole role : kRoles) {
    if (InUse(role) && !IsOpen(role)) Open(role);
  }
}

void MidiPorts::CloseInUse() {
  for (PortRole role : kRoles) {
    if (InUse(role)) Close(role);
  }
}

void MidiPorts::CloseAll() {
  held_ = true;
  for (PortRole role : kRoles) Close(role);
}

void MidiPorts::SetInUse(PortRole role, bool in_use) {
  const bool was_usable = OutputUsable();
  Binding(role).in_use = in_use;
  if (OutputUsable() != was_usable) emit outputUsableChanged(OutputUsable());
}

void MidiPorts::Use(PortRole role, int device) {
  held_ = false;
  PortBinding& b = Binding(role);
  b.missing = {};
  if (device >= 0) {
    const bool kept = suspended_ && b.in_use && device == b.device;
    b.device = device;
    if (!kept) b.name = DeviceList(role).value(device);
    if (!suspended_) Open(role);
    SetInUse(role, true);
  } else {
    SetInUse(role, false);
    b.device = -1;
    b.name.clear();
  }
}

QString MidiPorts::SwitchSystem(const QString& api) {
  CloseAll();
  MakeService(api);
  MakePorts();
  const qsizetype before = messages_.size();
  if (waiting_for_system_) {
    HoldConfigured();
    emit outputUsableChanged(false);
  } else {
    ListDevices();
    ResolveAll();
  }
  QStringList told;
  if (active_system_ != api) {
    told << (service_->Available()
                 ? QStringLiteral("The MIDI system %1 is not available; %2 is used instead.")
                       .arg(api, active_system_)
                 : QString::fromStdString(service_->UnavailableReason()));
  }
  told << messages_.mid(before);
  messages_.remove(before, messages_.size() - before);
  emit systemChanged();
  return told.join(QLatin1Char('\n'));
}

void MidiPorts::ReadLists(QStringList& inputs, QStringList& outputs) {
  const unsigned input_count = service_->InputDeviceCount();
  for (unsigned i = 0; i < input_count; ++i) {
    MidiInputCaps caps;
    if (service_->InputDeviceCaps(i, caps) != kMidiNoError) break;  // gone while listed
    inputs << QString::fromStdString(caps.name);
  }
  const auto output_count = static_cast<int>(service_->OutputDeviceCount());
  for (int i = 0; i < output_count; ++i) {
    MidiOutputCaps caps;
    if (service_->OutputDeviceCaps(i, caps) != kMidiNoError) break;
    outputs << QString::fromStdString(caps.name);
  }
}

bool MidiPorts::IsOpen(PortRole role) const {
  switch (role) {
    case PortRole::kInput1:
      return input1_->IsOpen();
    case PortRole::kRemoteInput:
      return input2_->IsOpen();
    case PortRole::kOutput:
      break;
  }
  return output1_->IsOpen();
}

void MidiPorts::CloseQuietly(PortRole role) {
  try {
    Close(role);
  } catch (const PortError&) {
    // The device has gone: the service has nothing left to hand back.
  }
}

bool MidiPorts::Reopen(PortRole role) {
  if (held_) return true;  // OK or Cancel opens it
  try {
    Open(role);
  } catch (const PortError&) {
    // Not ready yet: it stays missing and is tried again with the next change.
  }
  if (IsOpen(role)) return true;
  CloseQuietly(role);
  return false;
}

void MidiPorts::DevicesChanged() {
  if (suspended_) return;  // the lists are read again once the system is back
  QStringList inputs, outputs;
  ReadLists(inputs, outputs);
  // A device listed before it could be opened (JACK lists a program's ports before the
  // program is active, and tells of them again once it is) is tried at every change told,
  // even one that leaves the lists as they were.
  const bool same = inputs == input_names_ && outputs == output_names_;
  if (same && !AnyWaiting()) return;
  input_names_ = inputs;
  output_names_ = outputs;
  const bool was_usable = OutputUsable();
  QStringList back;
  bool went = false;
  for (PortRole role : kRoles) {
    PortBinding& b = Binding(role);
    const QStringList& list = DeviceList(role);
    if (b.in_use && !b.name.isEmpty()) {
      // The name decides: numbers shift when other devices come and go.
      const int found = b.device >= 0 && b.device < list.size() && list.at(b.device) == b.name
                            ? b.device
                            : static_cast<int>(list.indexOf(b.name));
      if (found >= 0) {
        b.device = found;
        if (!held_ && !IsOpen(role) && Reopen(role))
          back << QStringLiteral("%1 is ready and in use.").arg(DeviceText(RoleText(role), b.name));
        continue;
      }
      CloseQuietly(role);
      b.missing = {true, b.device, b.name};
      b.device = -1;
      b.in_use = false;
      went = true;
    } else if (!b.in_use && b.missing.present && !b.missing.name.isEmpty()) {
      const int found = static_cast<int>(list.indexOf(b.missing.name));
      if (found < 0) continue;
      b.device = found;
      b.name = b.missing.name;
      if (!Reopen(role)) {
        b.device = -1;
        continue;
      }
      b.missing = {};
      b.in_use = true;
      back
          << QStringLiteral("%1 is back and in use again.").arg(DeviceText(RoleText(role), b.name));
    }
  }
  if (OutputUsable() != was_usable) emit outputUsableChanged(OutputUsable());
  if (!same) emit devicesChanged();
  if (!went && back.isEmpty()) return;
  const QString missing = MissingDevicesText();
  if (!missing.isEmpty()) back << missing;
  emit deviceNotice(back.join(QStringLiteral("  ")));
}

bool MidiPorts::AnyWaiting() const {
  for (PortRole role : kRoles) {
    const PortBinding& b = Binding(role);
    if (b.in_use ? !b.name.isEmpty() && !held_ && !IsOpen(role)
                 : b.missing.present && DeviceList(role).contains(b.missing.name))
      return true;
  }
  return false;
}

QString MidiPorts::MissingDevicesText() const {
  QStringList lines;
  for (PortRole role : kRoles) {
    const PortBinding& b = Binding(role);
    if (b.in_use || !b.missing.present) continue;
    const QString what = RoleText(role);
    const QString device =
        b.missing.name.isEmpty()
            ? QStringLiteral("%1 device number %2").arg(what).arg(b.missing.index)
            : DeviceText(what, b.missing.name);
    lines << QStringLiteral("%1 is missing; %2 is off until it is back.").arg(device, what);
  }
  return lines.join(QStringLiteral("  "));
}

QStringList MidiPorts::TakeMessages() {
  QStringList taken;
  taken.swap(messages_);
  return taken;
}

QString MidiPorts::UnavailableReason() const {
  return service_->Available() ? QString() : QString::fromStdString(service_->UnavailableReason());
}

}  // namespace quorvane
