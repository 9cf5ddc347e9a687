#include "bridge/settings_binding.h"

#include "bridge/surface_midi_link.h"
#include "surface/surface_model.h"

namespace quorvane {

namespace {

std::size_t Slot(PortRole role) {
  return static_cast<std::size_t>(role);
}

}  // namespace

MidiPortsConfig MidiPortsConfigOf(const AppSettings& a) {
  MidiPortsConfig config;
  config.devices[Slot(PortRole::kInput1)] = {a.input_device1, a.input_device1_name};
  config.devices[Slot(PortRole::kRemoteInput)] = {a.input_device2, a.input_device2_name};
  config.devices[Slot(PortRole::kOutput)] = {a.output_device, a.output_device_name};
  config.api = a.midi_api;
  return config;
}

void ApplyAppSettings(const AppSettings& a, SurfaceModel& model, SurfaceMidiLink& link) {
  SurfaceSettings s = model.Settings();
  s.always_on_top = a.always_on_top;
  s.update_slider_numbers = a.update_slider_numbers;
  s.randomize_factor = a.randomize_factor;
  s.global_channel = a.global_channel;
  s.listen_channel = a.listen_channel;
  s.midi_delay = a.midi_delay;
  model.SetSettings(s);
  model.SetGroupMode(a.group_mode);
  link.SetRemoteChannel(a.remote_channel);
}

void CollectAppSettings(const SurfaceModel& model, const SurfaceMidiLink& link, AppSettings& a) {
  a.always_on_top = model.Settings().always_on_top;
  a.update_slider_numbers = model.Settings().update_slider_numbers;
  a.group_mode = model.GroupMode();
  a.randomize_factor = static_cast<std::uint8_t>(model.Settings().randomize_factor);
  a.global_channel = static_cast<std::uint8_t>(model.Settings().global_channel);
  a.listen_channel = static_cast<std::uint8_t>(model.Settings().listen_channel);
  a.midi_delay = model.Settings().midi_delay;
  a.remote_channel = static_cast<std::uint8_t>(link.RemoteChannel());
  const MidiPortsConfig config = link.Ports().Config();
  auto put = [&config](PortRole role, int& index, QString& name) {
    const MidiDeviceChoice& choice = config.devices[Slot(role)];
    index = choice.index;
    name = choice.name;
  };
  put(PortRole::kInput1, a.input_device1, a.input_device1_name);
  put(PortRole::kRemoteInput, a.input_device2, a.input_device2_name);
  put(PortRole::kOutput, a.output_device, a.output_device_name);
  a.midi_api = config.api;
}

MidiPortsConfig WithRunChoices(MidiPortsConfig config, const MidiRunChoices& run) {
  if (!run.api.isEmpty()) config.api = run.api;
  auto choose = [&config](PortRole role, const QString& name) {
    // By name alone: the number is found in the list once the device is there.
    if (!name.isEmpty()) config.devices[Slot(role)] = {-1, name};
  };
  choose(PortRole::kOutput, run.output);
  choose(PortRole::kInput1, run.input);
  choose(PortRole::kRemoteInput, run.remote_input);
  return config;
}

void KeepStoredMidiChoices(const MidiPortsConfig& stored, const MidiPortsConfig& run,
                           AppSettings& a) {
  const MidiPortsConfig now = MidiPortsConfigOf(a);
  auto keep = [&](PortRole role, int& index, QString& name) {
    const MidiDeviceChoice& ran = run.devices[Slot(role)];
    if (ran == stored.devices[Slot(role)] || now.devices[Slot(role)].name != ran.name) return;
    index = stored.devices[Slot(role)].index;
    name = stored.devices[Slot(role)].name;
  };
  keep(PortRole::kInput1, a.input_device1, a.input_device1_name);
  keep(PortRole::kRemoteInput, a.input_device2, a.input_device2_name);
  keep(PortRole::kOutput, a.output_device, a.output_device_name);
  if (run.api != stored.api && now.api == run.api) a.midi_api = stored.api;
}

}  // namespace quorvane
