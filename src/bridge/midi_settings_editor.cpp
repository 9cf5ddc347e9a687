#include "bridge/midi_settings_editor.h"

#include <array>

#include "bridge/surface_midi_link.h"
#include "midi/midi_ports.h"
#include "surface/surface_model.h"

namespace quorvane {

namespace {

QStringList Numbers() {
  QStringList items;
  for (int c = 1; c <= 16; ++c) items << QString::number(c);
  return items;
}

// The channel a list entry shows; the fallback when nothing is selected.
int ChannelAt(int index, int fallback) {
  return index >= 0 && index < 16 ? index + 1 : fallback;
}

constexpr std::array<PortRole, kPortRoleCount> kDeviceRoles{
    PortRole::kInput1, PortRole::kRemoteInput, PortRole::kOutput};

std::size_t Slot(PortRole role) {
  return static_cast<std::size_t>(role);
}

}  // namespace

MidiSettingsEditor::MidiSettingsEditor(SurfaceMidiLink& link, QObject* parent)
    : QObject(parent), link_(link) {
  connect(&link_.Ports(), &MidiPorts::devicesChanged, this, &MidiSettingsEditor::DevicesChanged);
}

int& MidiSettingsEditor::Entry(PortRole role) {
  switch (role) {
    case PortRole::kInput1:
      return input1;
    case PortRole::kRemoteInput:
      return input2;
    case PortRole::kOutput:
      break;
  }
  return output1;
}

void MidiSettingsEditor::Select(PortRole role, int entry) {
  Entry(role) = entry;
  waiting_.at(Slot(role)).clear();
}

void MidiSettingsEditor::DevicesChanged() {
  if (!open_) return;  // the ports follow the devices themselves
  for (PortRole role : kDeviceRoles) {
    const bool output = role == PortRole::kOutput;
    const QStringList& shown = output ? shown_outputs_ : shown_inputs_;
    const QStringList now = output ? OutputItems() : InputItems();
    int& entry = Entry(role);
    QString& waiting = waiting_.at(Slot(role));
    const QString name = entry > 0 ? shown.value(entry) : waiting;
    if (name.isEmpty()) continue;  // "none" or no selection stays as it is
    const int found = static_cast<int>(now.indexOf(name, 1));
    entry = found > 0 ? found : 0;
    waiting = found > 0 ? QString() : name;
  }
  shown_inputs_ = InputItems();
  shown_outputs_ = OutputItems();
  emit deviceListsChanged();
}

QStringList MidiSettingsEditor::InputItems() const {
  return QStringList{MidiPorts::kNone} + link_.Ports().InputDevices();
}

QStringList MidiSettingsEditor::OutputItems() const {
  return QStringList{MidiPorts::kNone} + link_.Ports().OutputDevices();
}

QStringList MidiSettingsEditor::ChannelItems() {
  return Numbers();
}

QStringList MidiSettingsEditor::ListenChannelItems() {
  return QStringList{QStringLiteral("All")} + Numbers();
}

QStringList MidiSettingsEditor::SystemItems() {
  return {QStringLiteral("ALSA"), QStringLiteral("JACK")};
}

void MidiSettingsEditor::SelectDevices() {
  const MidiPorts& ports = link_.Ports();
  const MidiPortsConfig config = ports.Config();
  for (PortRole role : kDeviceRoles) {
    Entry(role) = ports.InUse(role) ? ports.Device(role) + 1 : 0;
    // A device missing now is waited for under its stored name.
    const QString& stored = config.devices.at(Slot(role)).name;
    waiting_.at(Slot(role)) = ports.InUse(role) || ports.Suspended() ? QString() : stored;
  }
  shown_inputs_ = InputItems();
  shown_outputs_ = OutputItems();
  system = static_cast<int>(
      SystemItems().indexOf(ports.ActiveSystem().isEmpty() ? ports.Api() : ports.ActiveSystem()));
}

void MidiSettingsEditor::Setup() {
  // A stored channel outside 1..16 leaves its list without a selection.
  auto entry = [](int value, int first) {
    return value >= first && value <= 16 ? value - first : -1;
  };
  const SurfaceModel& model = link_.Model();
  channel = entry(model.Settings().global_channel, 1);
  listen_channel = entry(model.Settings().listen_channel, 0);
  remote_channel = entry(link_.RemoteChannel(), 1);
  delay_text = QString::number(model.Settings().midi_delay);
  opened_api_ = link_.Ports().Api();
  opened_active_ = link_.Ports().ActiveSystem();
  SelectDevices();
  open_ = true;
  link_.Guard([this] { link_.Ports().CloseAll(); });
}

bool MidiSettingsEditor::DelayValid(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  return ok && value >= 0 && value <= kMaxDelay;
}

void MidiSettingsEditor::Accept() {
  // Without a selection the value stays what it was.
  SurfaceModel& model = link_.Model();
  MidiPorts& ports = link_.Ports();
  SurfaceSettings s = model.Settings();
  s.global_channel = ChannelAt(channel, s.global_channel);
  if (listen_channel >= 0 && listen_channel <= 16) s.listen_channel = listen_channel;
  s.midi_delay = delay_text.trimmed().toInt();
  model.SetSettings(s);
  link_.SetRemoteChannel(ChannelAt(remote_channel, link_.RemoteChannel()));
  if (system >= 0) ports.SetApi(SystemItems().at(system));
  open_ = false;
  // Each port on its own: one that fails leaves the others as chosen. A device waited for
  // stays chosen, to open once it is back.
  bool used = false;
  for (PortRole role : kDeviceRoles) {
    if (!waiting_.at(Slot(role)).isEmpty()) continue;
    used = true;
    link_.Guard([&] { ports.Use(role, Entry(role) - 1); });
  }
  // Every device waited for: the ports are no longer held closed for the dialog.
  if (!used) link_.Guard([&] { ports.ReopenConfigured(); });
}

void MidiSettingsEditor::Cancel() {
  open_ = false;
  MidiPorts& ports = link_.Ports();
  link_.Guard([&] {
    if (ports.ActiveSystem() != opened_active_) ports.SwitchSystem(opened_api_);
    ports.ReopenConfigured();
  });
}

QString MidiSettingsEditor::ChangeSystem(int index) {
  const QStringList systems = SystemItems();
  if (index < 0 || index >= systems.size()) return {};
  const QString& wanted = systems.at(index);
  QString told;
  if (wanted != link_.Ports().ActiveSystem()) {
    link_.Guard([&] { told = link_.Ports().SwitchSystem(wanted); });
  }
  SelectDevices();
  emit listsChanged();
  return told;
}

}  // namespace quorvane
