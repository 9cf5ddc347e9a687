#include "midi/midi_settings_form.h"

#include "midi/midi_ports.h"
#include "surface/slider_window.h"

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

MidiSettingsForm::MidiSettingsForm(MidiPorts& ports, TSliderWindow& model, QObject* parent)
    : QObject(parent), ports_(ports), model_(model) {}

QStringList MidiSettingsForm::InputItems() const {
  return QStringList{MidiPorts::kNone} + ports_.InputDevices();
}

QStringList MidiSettingsForm::OutputItems() const {
  return QStringList{MidiPorts::kNone} + ports_.OutputDevices();
}

QStringList MidiSettingsForm::ChannelItems() {
  return Numbers();
}

QStringList MidiSettingsForm::ListenChannelItems() {
  return QStringList{QStringLiteral("All")} + Numbers();
}

QStringList MidiSettingsForm::SystemItems() {
  return {QStringLiteral("ALSA"), QStringLiteral("JACK")};
}

void MidiSettingsForm::SelectDevices() {
  input1 = ports_.input1_in_use ? ports_.input_device1 + 1 : 0;
  input2 = ports_.input2_in_use ? ports_.input_device2 + 1 : 0;
  output1 = ports_.output_in_use ? ports_.output_device + 1 : 0;
  system = SystemItems().indexOf(ports_.ActiveSystem().isEmpty() ? ports_.midi_api
                                                                 : ports_.ActiveSystem());
}

void MidiSettingsForm::Setup() {
  // A stored channel outside 1..16 leaves its list without a selection.
  auto entry = [](int value, int first) {
    return value >= first && value <= 16 ? value - first : -1;
  };
  channel = entry(model_.global_channel, 1);
  listen_channel = entry(model_.listen_channel, 0);
  remote_channel = entry(ports_.remote_channel, 1);
  delay_text = QString::number(model_.midi_delay);
  opened_api_ = ports_.midi_api;
  opened_active_ = ports_.ActiveSystem();
  SelectDevices();
  ports_.CloseAll();
}

bool MidiSettingsForm::DelayValid(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  return ok && value >= 0 && value <= kMaxDelay;
}

void MidiSettingsForm::Accept() {
  // Without a selection the value stays what it was.
  model_.global_channel = ChannelAt(channel, model_.global_channel);
  ports_.remote_channel = ChannelAt(remote_channel, ports_.remote_channel);
  if (listen_channel >= 0 && listen_channel <= 16) model_.listen_channel = listen_channel;
  model_.midi_delay = delay_text.trimmed().toInt();
  if (system >= 0) ports_.midi_api = SystemItems().at(system);
  ports_.UseInput1(input1 - 1);
  ports_.UseInput2(input2 - 1);
  ports_.UseOutput(output1 - 1);
}

void MidiSettingsForm::Cancel() {
  if (ports_.ActiveSystem() != opened_active_) ports_.SwitchSystem(opened_api_);
  ports_.ReopenConfigured();
}

QString MidiSettingsForm::ChangeSystem(int index) {
  const QStringList systems = SystemItems();
  if (index < 0 || index >= systems.size()) return {};
  const QString wanted = systems.at(index);
  QString told;
  if (wanted != ports_.ActiveSystem()) told = ports_.SwitchSystem(wanted);
  SelectDevices();
  emit listsChanged();
  return told;
}

}  // namespace quorvane
