// Devices that come and go while the program runs, through the in-process service: the ports,
// the link's sends and the MIDI Devices dialog's lists.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <memory>
#include <vector>

#include "bridge/midi_settings_editor.h"
#include "files/app_settings.h"
#include "linked_ports.h"
#include "midi/midi_ports.h"
#include "support/in_process_midi_service.h"
#include "support/pump.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::Pump;
using Call = InProcessMidiService::Call;

constexpr std::uint32_t Word(int status, int data1, int data2) {
  return static_cast<std::uint32_t>(status | data1 << 8 | data2 << 16);
}

class DeviceChangesTest : public ::testing::Test {
 protected:
  DeviceChangesTest()
      : ports(model, [this](const std::string&, std::string* chosen) {
          auto made = std::make_unique<InProcessMidiService>(
              std::vector<std::string>{"Keys In", "Synth In"},
              std::vector<std::string>{"Drum Out", "Synth Out"});
          *chosen = "ALSA";
          service = made.get();
          return made;
        }) {
    for (int i = 0; i < kDefinitionCount; ++i) {
      model.MutablePages()[i].ctrl = static_cast<std::uint8_t>(20 + i % 100);
      model.MutablePages()[i].enabled = true;
    }
    model.ShowPage(1);
    AppSettings s;
    s.input_device1 = 1;
    s.input_device1_name = QStringLiteral("Synth In");
    s.output_device = 1;
    s.output_device_name = QStringLiteral("Synth Out");
    ports.Start(s);
    service->AnnounceDeviceChanges(true);
  }

  void Drag(int slot, int v) {
    model.Gestures().SetActiveSlot(slot);
    model.TrackBarMoved(slot, 127 - v);
  }

  SurfaceModel model;
  InProcessMidiService* service = nullptr;
  testing::LinkedPorts ports;
};

TEST_F(DeviceChangesTest, AChosenOutputThatGoesIsToldOnceAndSendsAreDroppedQuietly) {
  ASSERT_TRUE(model.OutputInUse());
  QSignalSpy notices(ports.get(), &MidiPorts::deviceNotice);
  QSignalSpy errors(ports.link.get(), &SurfaceMidiLink::portError);
  const int sent_before = service->CallCount(Call::OutputShortMessage);

  service->RemoveDevicesNamed({"Synth Out"});

  EXPECT_FALSE(ports->InUse(PortRole::kOutput));
  EXPECT_FALSE(ports->MidiOutput1().IsOpen());
  EXPECT_FALSE(model.OutputInUse());
  EXPECT_EQ(ports->OutputDevices(), QStringList{"Drum Out"});
  ASSERT_EQ(notices.size(), 1);
  const QString told = notices[0][0].toString();
  EXPECT_TRUE(told.contains(QStringLiteral("\"Synth Out\""))) << told.toStdString();
  EXPECT_TRUE(told.contains(QStringLiteral("missing"))) << told.toStdString();
  EXPECT_EQ(ports->MissingDevicesText(), told);
  for (int v = 50; v < 60; ++v) Drag(3, v);
  EXPECT_EQ(model.SlotDefinition(3).value, 59);
  EXPECT_EQ(errors.size(), 0);
  EXPECT_EQ(notices.size(), 1);
  EXPECT_EQ(service->CallCount(Call::OutputShortMessage), sent_before);
  // The stored choice stays as it was, for the next start.
  const MidiDeviceChoice stored = ports->Config().devices.at(2);
  EXPECT_EQ(stored, (MidiDeviceChoice{1, QStringLiteral("Synth Out")}));
}

TEST_F(DeviceChangesTest, TheOutputBackUnderItsNameReopensAndSendsNothingByItself) {
  service->RemoveDevicesNamed({"Synth Out"});
  QSignalSpy notices(ports.get(), &MidiPorts::deviceNotice);
  service->AddOutputDevice("Keys Out");  // another device: still missing
  EXPECT_FALSE(ports->InUse(PortRole::kOutput));
  EXPECT_EQ(notices.size(), 0);

  service->AddOutputDevice("Synth Out");

  EXPECT_TRUE(ports->InUse(PortRole::kOutput));
  EXPECT_EQ(ports->Device(PortRole::kOutput), 2);
  EXPECT_EQ(ports->DeviceName(PortRole::kOutput), QStringLiteral("Synth Out"));
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
  EXPECT_TRUE(model.OutputInUse());
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices[0][0].toString().contains(QStringLiteral("back")));
  EXPECT_TRUE(ports->MissingDevicesText().isEmpty());
  testing::PumpPending();
  EXPECT_TRUE(service->ShortsSentTo("Synth Out").empty());
  Drag(4, 90);
  EXPECT_EQ(service->ShortsSentTo("Synth Out"),
            std::vector<std::uint32_t>{Word(0xB0, model.SlotDefinition(4).ctrl, 90)});
}

TEST_F(DeviceChangesTest, TheFirstInputGoesAndComesBackAndIsFollowedAgain) {
  service->RemoveDevicesNamed({"Synth In"});
  EXPECT_FALSE(ports->InUse(PortRole::kInput1));
  EXPECT_FALSE(ports->MidiInput1().IsOpen());
  EXPECT_TRUE(ports->MissingDevicesText().contains(QStringLiteral("MIDI Input")));
  EXPECT_TRUE(model.OutputInUse());  // the output did not go

  service->AddInputDevice("Synth In");
  ASSERT_TRUE(ports->MidiInput1().IsOpen());
  const int ctrl = model.SlotDefinition(6).ctrl;
  service->InjectShort(1, Word(0xB0, ctrl, 99));
  EXPECT_TRUE(Pump([&] { return model.SlotDefinition(6).value == 99; }));
}

// Other devices coming and going shift the numbers; the chosen ones are kept by name, open.
TEST_F(DeviceChangesTest, OtherDevicesShiftTheNumbersButNotTheChoice) {
  QSignalSpy lists(ports.get(), &MidiPorts::devicesChanged);
  QSignalSpy notices(ports.get(), &MidiPorts::deviceNotice);
  service->RemoveDevicesNamed({"Drum Out", "Keys In"});
  EXPECT_EQ(lists.size(), 1);
  EXPECT_EQ(notices.size(), 0);
  EXPECT_EQ(ports->Device(PortRole::kOutput), 0);
  EXPECT_EQ(ports->Device(PortRole::kInput1), 0);
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
  Drag(2, 10);
  EXPECT_EQ(service->ShortsSentTo("Synth Out").size(), 1u);
  // Told again with nothing changed: nothing happens.
  ports->DevicesChanged();
  EXPECT_EQ(lists.size(), 1);
}

struct SendFailure {
  const char* what;
  bool device_gone;  // else the service refuses once with the device still there
  int errors;
  int notices;
  bool usable_after;
};

class SendFailureTest : public DeviceChangesTest,
                        public ::testing::WithParamInterface<SendFailure> {};

// A service that has not said so yet: the failed send finds the device gone and says it once.
TEST_P(SendFailureTest, AFailedSendLooksAtTheDevices) {
  const SendFailure& c = GetParam();
  service->AnnounceDeviceChanges(false);
  QSignalSpy notices(ports.get(), &MidiPorts::deviceNotice);
  QSignalSpy errors(ports.link.get(), &SurfaceMidiLink::portError);
  if (c.device_gone) {
    service->RemoveOutputDevice(1);
  } else {
    service->FailCall(Call::OutputShortMessage, kMidiNoDevice);
  }
  for (int v = 30; v < 35; ++v) Drag(7, v);
  EXPECT_EQ(errors.size(), c.errors) << c.what;
  EXPECT_EQ(notices.size(), c.notices) << c.what;
  EXPECT_EQ(ports->OutputUsable(), c.usable_after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Failures, SendFailureTest,
                         ::testing::Values(SendFailure{"device pulled out", true, 0, 1, false},
                                           SendFailure{"device still there", false, 1, 0, true}));

// The MIDI Devices dialog's lists follow the devices while it is open, by name.
class DeviceDialogTest : public DeviceChangesTest {
 protected:
  DeviceDialogTest() : form(*ports.link) {}
  MidiSettingsEditor form;
};

TEST_F(DeviceDialogTest, ListsLoseAndGainDevicesAndTheChoiceFollowsItsName) {
  form.Setup();
  ASSERT_EQ(form.output1, 2);
  ASSERT_EQ(form.input1, 2);
  QSignalSpy refreshed(&form, &MidiSettingsEditor::deviceListsChanged);

  service->RemoveDevicesNamed({"Synth Out"});
  EXPECT_EQ(refreshed.size(), 1);
  EXPECT_EQ(form.OutputItems(), (QStringList{"none", "Drum Out"}));
  EXPECT_EQ(form.output1, 0);
  EXPECT_EQ(form.input1, 2);

  service->AddOutputDevice("Keys Out");
  service->AddOutputDevice("Synth Out");
  service->RemoveDevicesNamed({"Keys In"});
  EXPECT_EQ(refreshed.size(), 4);
  EXPECT_EQ(form.OutputItems(), (QStringList{"none", "Drum Out", "Keys Out", "Synth Out"}));
  EXPECT_EQ(form.output1, 3);
  EXPECT_EQ(form.input1, 1);  // "Synth In" moved up
  // The dialog holds the ports closed: the device back waits for OK or Cancel.
  EXPECT_FALSE(ports->MidiOutput1().IsOpen());
}

TEST_F(DeviceDialogTest, OkOrCancelOpensWhatCameBackMeanwhile) {
  for (const bool ok : {true, false}) {
    form.Setup();
    service->RemoveDevicesNamed({"Synth Out"});
    service->AddOutputDevice("Synth Out");
    EXPECT_FALSE(ports->MidiOutput1().IsOpen());
    if (ok) {
      form.Accept();
    } else {
      form.Cancel();
    }
    EXPECT_TRUE(ports->MidiOutput1().IsOpen()) << ok;
    EXPECT_EQ(ports->DeviceName(PortRole::kOutput), QStringLiteral("Synth Out")) << ok;
    EXPECT_TRUE(model.OutputInUse()) << ok;
  }
}

TEST_F(DeviceDialogTest, OkWithTheChosenDeviceAwayKeepsItForWhenItIsBack) {
  form.Setup();
  service->RemoveDevicesNamed({"Synth Out"});
  form.Accept();
  EXPECT_FALSE(ports->InUse(PortRole::kOutput));
  EXPECT_EQ(ports->Config().devices.at(2).name, QStringLiteral("Synth Out"));
  service->AddOutputDevice("Synth Out");
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
  EXPECT_TRUE(model.OutputInUse());
}

TEST_F(DeviceDialogTest, AnotherPickWhileTheDeviceIsAwayWins) {
  form.Setup();
  service->RemoveDevicesNamed({"Synth Out"});
  form.Select(PortRole::kOutput, 1);  // "Drum Out"
  service->AddOutputDevice("Synth Out");
  EXPECT_EQ(form.output1, 1);
  form.Accept();
  EXPECT_EQ(ports->DeviceName(PortRole::kOutput), QStringLiteral("Drum Out"));
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
}

// The settings dialog's learning: the next control change of the first input is taken, not
// followed; what is not a control change is followed as before.
TEST_F(DeviceChangesTest, ALearningTakesTheNextControlChangeInsteadOfFollowingIt) {
  const int ctrl = model.SlotDefinition(1).ctrl;
  const int before = model.SlotDefinition(1).value;
  std::vector<std::uint32_t> taken;
  ports.link->TakeNextControlChange(
      [&](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) { taken.push_back(Word(s, d1, d2)); });
  service->InjectShort(1, Word(0x90, 60, 100));
  service->InjectShort(1, Word(0xB0, ctrl, 11));
  ASSERT_TRUE(Pump([&] { return !taken.empty(); }));
  EXPECT_EQ(taken, std::vector<std::uint32_t>{Word(0xB0, ctrl, 11)});
  EXPECT_EQ(model.SlotDefinition(1).value, before);
  service->InjectShort(1, Word(0xB0, ctrl, 22));
  ASSERT_TRUE(Pump([&] { return model.SlotDefinition(1).value == 22; }));
  EXPECT_EQ(taken.size(), 1u);

  // Stopped before anything came: everything is followed.
  ports.link->TakeNextControlChange(
      [&](std::uint8_t, std::uint8_t, std::uint8_t) { taken.push_back(0); });
  ports.link->TakeNextControlChange({});
  service->InjectShort(1, Word(0xB0, ctrl, 33));
  ASSERT_TRUE(Pump([&] { return model.SlotDefinition(1).value == 33; }));
  EXPECT_EQ(taken.size(), 1u);
}

}  // namespace
}  // namespace quorvane
