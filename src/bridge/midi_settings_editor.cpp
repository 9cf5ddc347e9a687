#include "bridge/midi_settings_editor.h"

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

}  // namespace

MidiSettingsEditor::MidiSettingsEditor(SurfaceMidiLink& link, QObject* parent)
    : QObject(parent), link_(link) {}

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
  auto entry = [&ports](PortRole role) { return ports.InUse(role) ? ports.Device(role) + 1 : 0; };
  input1 = entry(PortRole::kInput1);
  input2 = entry(PortRole::kRemoteInput);
  output1 = entry(PortRole::kOutput);
  system = static_cast<int>(
      SystemItems().indexOf(ports.ActiveSystem().isEmpty() ? ports.Api() : ports.ActiveSystem()));
}

void MidiSettingsEditor::Setup() {
  // A stored channel outside 1..16 leaves its list without a selection.
  auto entry = [](int value, int first) {
    return value >= first && value <= 16 ? value - first : -1;
  };
  const SurfaceModel& model = link_.Model();
  channel = entry(model.GlobalChannel(), 1);
  listen_channel = entry(model.ListenChannel(), 0);
  remote_channel = entry(link_.RemoteChannel(), 1);
  delay_text = QString::number(model.MidiDelay());
  opened_api_ = link_.Ports().Api();
  opened_active_ = link_.Ports().ActiveSystem();
  SelectDevices();
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
  model.SetGlobalChannel(ChannelAt(channel, model.GlobalChannel()));
  link_.SetRemoteChannel(ChannelAt(remote_channel, link_.RemoteChannel()));
  if (listen_channel >= 0 && listen_channel <= 16) model.SetListenChannel(listen_channel);
  model.SetMidiDelay(delay_text.trimmed().toInt());
  if (system >= 0) ports.SetApi(SystemItems().at(system));
  // Each port on its own: one that fails leaves the others as chosen.
  link_.Guard([&] { ports.Use(PortRole::kInput1, input1 - 1); });
  link_.Guard([&] { ports.Use(PortRole::kRemoteInput, input2 - 1); });
  link_.Guard([&] { ports.Use(PortRole::kOutput, output1 - 1); });
}

void MidiSettingsEditor::Cancel() {
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
