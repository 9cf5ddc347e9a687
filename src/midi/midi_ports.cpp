#include "midi/midi_ports.h"

#include <algorithm>
#include <vector>

#include "files/app_settings.h"
#include "midi/midi_system.h"
#include "surface/slider_window.h"

namespace quorvane {

namespace {

const QString kInputWhat = QStringLiteral("MIDI Input");
const QString kRemoteWhat = QStringLiteral("Remote Input");
const QString kOutputWhat = QStringLiteral("MIDI Output");
const QString kPortsBack =
    QStringLiteral("The MIDI system is running again; the MIDI ports are open again.");

QString MissingText(const QString& what, const QString& name, int index) {
  const QString device =
      name.isEmpty() ? QStringLiteral("number %1").arg(index) : QStringLiteral("\"%1\"").arg(name);
  return QStringLiteral("%1 device %2 is not available; %1 is not used.").arg(what, device);
}

}  // namespace

MidiPorts::MidiPorts(TSliderWindow& model, ServiceFactory factory, QObject* parent)
    : QObject(parent),
      model_(model),
      factory_(std::move(factory)),
      // Nothing is opened before Start, which makes the service the settings name.
      service_(std::make_unique<NoMidiService>(kNoMidiSystemText)) {
  MakePorts();
  recovery_timer_.setInterval(kRecoveryIntervalMs);
  connect(&recovery_timer_, &QTimer::timeout, this, &MidiPorts::TryRecover);
  model_.SetShortSender([this](std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    output1_->SendShort(status, data1, data2);
  });
  model_.output_in_use = output_in_use;
}

MidiPorts::~MidiPorts() {
  model_.SetShortSender({});
  model_.output_in_use = false;
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
  if (!service_) {
    service_ = std::make_unique<NoMidiService>(kNoMidiSystemText);
    chosen.clear();
  }
  active_system_ = QString::fromStdString(chosen);
  service_->SetNoticeHandler(
      [this](const std::string& text) { ServiceLost(QString::fromStdString(text)); });
  suspended_ = false;
  recovery_timer_.stop();
}

void MidiPorts::MakePorts() {
  output1_ = std::make_unique<TMidiOutput2>(*service_);
  input1_ = std::make_unique<TMidiInput2>(*service_);
  input2_ = std::make_unique<TMidiInput2>(*service_);
  output1_->SetPortName("MIDI Out");
  input1_->SetPortName("MIDI In 1");
  input2_->SetPortName("Remote In");
  input1_->OnMidiInput = [this](TMidiInput2* port) { MidiInput1MidiInput(port); };
  input2_->OnMidiInput = [this](TMidiInput2* port) { MidiInput2MidiInput(port); };
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

void MidiPorts::Resolve(int& device, QString& name, bool& in_use, Missing& missing,
                        const QStringList& list, const QString& what) {
  // A port left out of use because its device was missing tries that device again.
  if (!in_use && missing.present) {
    device = missing.index;
    name = missing.name;
  }
  if (device < 0 && name.isEmpty()) {
    device = -1;
    in_use = false;
    return;
  }
  int found = -1;
  if (!name.isEmpty()) {
    // The name decides: numbers change when devices come and go.
    found = device >= 0 && device < list.size() && list.at(device) == name ? device
                                                                           : list.indexOf(name);
  } else if (device < list.size()) {
    found = device;
  }
  if (found < 0) {
    if (!missing.present) messages_ << MissingText(what, name, device);
    missing = {true, device, name};
    device = -1;
    in_use = false;
    return;
  }
  missing = {};
  device = found;
  name = list.at(found);
  in_use = true;
}

void MidiPorts::Start(const AppSettings& settings) {
  input_device1 = settings.input_device1 < 0 ? -1 : settings.input_device1;
  input_device2 = settings.input_device2 < 0 ? -1 : settings.input_device2;
  output_device = settings.output_device < 0 ? -1 : settings.output_device;
  input_device1_name = settings.input_device1_name;
  input_device2_name = settings.input_device2_name;
  output_device_name = settings.output_device_name;
  remote_channel = settings.remote_channel;
  model_.midi_delay = settings.midi_delay;
  midi_api =
      settings.midi_api == QLatin1String("JACK") ? QStringLiteral("JACK") : QStringLiteral("ALSA");
  MakeService(midi_api);
  MakePorts();
  if (!active_system_.isEmpty() && active_system_ != midi_api) {
    messages_ << QStringLiteral("The MIDI system %1 is not available; %2 is used instead.")
                     .arg(midi_api, active_system_);
  }
  ListDevices();
  input1_in_use = input2_in_use = false;
  output_in_use = false;
  ResolveAll();
  ReopenConfigured();
}

void MidiPorts::ResolveAll() {
  bool out = output_in_use;
  Resolve(input_device1, input_device1_name, input1_in_use, missing_in1_, input_names_, kInputWhat);
  Resolve(input_device2, input_device2_name, input2_in_use, missing_in2_, input_names_,
          kRemoteWhat);
  Resolve(output_device, output_device_name, out, missing_out_, output_names_, kOutputWhat);
  SetOutputInUse(out);
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
  model_.output_in_use = false;
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
  auto present = [](const std::vector<std::string>& list, bool wanted, const QString& name) {
    return !wanted || name.isEmpty() ||
           std::find(list.begin(), list.end(), name.toStdString()) != list.end();
  };
  return present(inputs, input1_in_use || missing_in1_.present, input_device1_name) &&
         present(inputs, input2_in_use || missing_in2_.present, input_device2_name) &&
         present(outputs, output_in_use || missing_out_.present, output_device_name);
}

void MidiPorts::TryRecover() {
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
  ResolveAll();
  ReopenConfigured();
  QStringList lines{kPortsBack};
  lines << TakeMessages();
  emit serviceNotice(lines.join(QLatin1Char('\n')));
}

void MidiPorts::SetOutputInUse(bool on) {
  output_in_use = on;
  model_.output_in_use = on;
}

void MidiPorts::OpenInput(TMidiInput2& port, int device) {
  port.SetDeviceID(static_cast<std::uint16_t>(device));
  port.Open();
  port.Start();
}

void MidiPorts::OpenOutput(int device) {
  output1_->SetDeviceID(device);
  output1_->Open();
}

void MidiPorts::ReopenConfigured() {
  if (input1_in_use) OpenInput(*input1_, input_device1);
  if (input2_in_use) OpenInput(*input2_, input_device2);
  if (output_in_use) OpenOutput(output_device);
}

void MidiPorts::CloseInUse() {
  if (input1_in_use) input1_->Close();
  if (input2_in_use) input2_->Close();
  if (output_in_use) output1_->Close();
}

void MidiPorts::CloseAll() {
  input1_->Close();
  input2_->Close();
  output1_->Close();
}

void MidiPorts::UseInput1(int device) {
  missing_in1_ = {};
  if (device >= 0) {
    input_device1 = device;
    input_device1_name = input_names_.value(device);
    OpenInput(*input1_, device);
    input1_in_use = true;
  } else {
    input1_in_use = false;
    input_device1 = -1;
    input_device1_name.clear();
  }
}

void MidiPorts::UseInput2(int device) {
  missing_in2_ = {};
  if (device >= 0) {
    input_device2 = device;
    input_device2_name = input_names_.value(device);
    OpenInput(*input2_, device);
    input2_in_use = true;
  } else {
    input2_in_use = false;
    input_device2 = -1;
    input_device2_name.clear();
  }
}

void MidiPorts::UseOutput(int device) {
  missing_out_ = {};
  if (device >= 0) {
    output_device = device;
    output_device_name = output_names_.value(device);
    OpenOutput(device);
    SetOutputInUse(true);
  } else {
    SetOutputInUse(false);
    output_device = -1;
    output_device_name.clear();
  }
}

QString MidiPorts::SwitchSystem(const QString& api) {
  CloseAll();
  MakeService(api);
  MakePorts();
  const qsizetype before = messages_.size();
  ListDevices();
  ResolveAll();
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

void MidiPorts::Store(AppSettings& settings) const {
  auto put = [](int& index, QString& name, bool in_use, int device, const QString& device_name,
                const Missing& missing) {
    if (in_use) {
      index = device;
      name = device_name;
    } else if (missing.present) {
      index = missing.index;
      name = missing.name;
    } else {
      index = -1;
      name.clear();
    }
  };
  put(settings.input_device1, settings.input_device1_name, input1_in_use, input_device1,
      input_device1_name, missing_in1_);
  put(settings.input_device2, settings.input_device2_name, input2_in_use, input_device2,
      input_device2_name, missing_in2_);
  put(settings.output_device, settings.output_device_name, output_in_use, output_device,
      output_device_name, missing_out_);
  settings.midi_api = midi_api;
  settings.midi_delay = model_.midi_delay;
  settings.remote_channel = static_cast<std::uint8_t>(remote_channel);
}

QStringList MidiPorts::TakeMessages() {
  QStringList taken;
  taken.swap(messages_);
  return taken;
}

QString MidiPorts::UnavailableReason() const {
  return service_->Available() ? QString() : QString::fromStdString(service_->UnavailableReason());
}

void MidiPorts::MidiInput1MidiInput(TMidiInput2* port) {
  // A burst moves a slot many times; its view is redrawn once, after the drain.
  struct Batch {
    TSliderWindow& model;
    explicit Batch(TSliderWindow& m) : model(m) { model.BeginSlotBatch(); }
    ~Batch() { model.EndSlotBatch(); }
  } batch(model_);
  while (port->PendingCount() > 0) {
    const std::unique_ptr<TMyMidiEvent> event = port->ReadEvent();
    if (!event) break;
    model_.FollowMessage(event->status, event->data1, event->data2);
  }
}

void MidiPorts::MidiInput2MidiInput(TMidiInput2* port) {
  while (port->PendingCount() > 0) {
    const std::unique_ptr<TMyMidiEvent> event = port->ReadEvent();
    if (!event) break;
    if (remote_input_) remote_input_(*event);
  }
}

}  // namespace quorvane
