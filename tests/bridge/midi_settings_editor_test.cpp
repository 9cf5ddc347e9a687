#include "bridge/midi_settings_editor.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <memory>

#include "linked_ports_fixture.h"
#include "support/surface_settings.h"

namespace quorvane {
namespace {

using testing::JackNotRunningTest;
using Call = InProcessMidiService::Call;

// The devices dialog's decisions, on ports opened as at start-up.
class MidiSettingsEditorTest : public testing::LinkedPortsTest {
 protected:
  void SetUp() override {
    AppSettings s;
    s.input_device1 = 0;
    s.output_device = 0;
    s.listen_channel = 5;
    testing::SetSetting(model, &SurfaceSettings::listen_channel, 5);
    testing::SetSetting(model, &SurfaceSettings::global_channel, 3);
    ports = std::make_unique<testing::LinkedPorts>(Started(s));
    form = std::make_unique<MidiSettingsEditor>(*ports->link);
  }
  std::unique_ptr<testing::LinkedPorts> ports;
  std::unique_ptr<MidiSettingsEditor> form;
};

TEST_F(MidiSettingsEditorTest, SetupSelectsTheConfigurationAndClosesEveryPort) {
  ports->link->SetRemoteChannel(16);
  form->Setup();
  EXPECT_EQ(form->InputItems(), (QStringList{"none", "Keys In", "Pads In", "Synth In"}));
  EXPECT_EQ(form->OutputItems(), (QStringList{"none", "Synth Out", "Drum Out"}));
  EXPECT_EQ(form->input1, 1);
  EXPECT_EQ(form->input2, 0);
  EXPECT_EQ(form->output1, 1);
  EXPECT_EQ(form->channel, 2);
  EXPECT_EQ(form->listen_channel, 5);
  EXPECT_EQ(form->remote_channel, 15);
  EXPECT_EQ(form->delay_text, QStringLiteral("5"));
  EXPECT_EQ(service->OpenHandleCount(), 0u);
}

TEST_F(MidiSettingsEditorTest, OkTakesTheChoicesAndOpensThem) {
  form->Setup();
  form->input1 = 0;
  form->input2 = 3;
  form->output1 = 2;
  form->listen_channel = 0;
  form->channel = 15;
  form->remote_channel = 1;
  form->delay_text = QStringLiteral("1000");
  form->Accept();
  EXPECT_FALSE((*ports)->InUse(PortRole::kInput1));
  EXPECT_EQ((*ports)->Device(PortRole::kInput1), -1);
  EXPECT_TRUE((*ports)->InUse(PortRole::kRemoteInput));
  EXPECT_EQ((*ports)->Device(PortRole::kRemoteInput), 2);
  EXPECT_EQ((*ports)->Device(PortRole::kOutput), 1);
  EXPECT_EQ((*ports)->DeviceName(PortRole::kOutput), QStringLiteral("Drum Out"));
  EXPECT_EQ(model.Settings().listen_channel, 0);
  EXPECT_EQ(model.Settings().global_channel, 16);
  EXPECT_EQ(ports->link->RemoteChannel(), 2);
  EXPECT_EQ(model.Settings().midi_delay, 1000);
  EXPECT_EQ(service->OpenHandleCount(), 2u);
  Drag(1, 64);
  EXPECT_EQ(service->ShortsSentTo("Drum Out").size(), 1u);
  EXPECT_TRUE(service->SentTo("Synth Out").empty());
}

TEST_F(MidiSettingsEditorTest, NoneForTheOutputMakesSendsSilent) {
  form->Setup();
  form->output1 = 0;
  form->Accept();
  EXPECT_FALSE(model.OutputInUse());
  Drag(1, 64);
  EXPECT_EQ(service->CallCount(Call::OutputShortMessage), 0);
  EXPECT_TRUE(model.Status().Panel(2).isEmpty());
}

TEST_F(MidiSettingsEditorTest, CancelKeepsAndReopensTheOldDevices) {
  form->Setup();
  form->output1 = 2;
  form->input1 = 3;
  form->channel = 9;
  form->Cancel();
  EXPECT_EQ((*ports)->Device(PortRole::kOutput), 0);
  EXPECT_TRUE((*ports)->MidiOutput1().IsOpen());
  EXPECT_TRUE((*ports)->MidiInput1().IsOpen());
  EXPECT_EQ((*ports)->MidiInput1().DeviceID(), 0);
  EXPECT_EQ(model.Settings().global_channel, 3);
  Drag(1, 64);
  EXPECT_EQ(service->ShortsSentTo("Synth Out").size(), 1u);
}

TEST_F(MidiSettingsEditorTest, DelayMustBeAWholeNumberUpToOneThousand) {
  for (const char* good : {"0", "5", "1000"}) EXPECT_TRUE(MidiSettingsEditor::DelayValid(good));
  for (const char* bad : {"1001", "-1", "abc", "", "5ms", "1e3"})
    EXPECT_FALSE(MidiSettingsEditor::DelayValid(bad)) << bad;
}

TEST_F(MidiSettingsEditorTest, ChannelOutsideTheListLeavesTheValueAsItWas) {
  testing::SetSetting(model, &SurfaceSettings::global_channel, 40);
  form->Setup();
  EXPECT_EQ(form->channel, -1);
  form->Accept();
  EXPECT_EQ(model.Settings().global_channel, 40);
}

TEST_F(MidiSettingsEditorTest, SwitchingSystemsFindsDevicesByNameAndCancelGoesBack) {
  form->Setup();
  // "Keys In" and "Synth Out" (ALSA): only "Synth Out" exists under JACK.
  EXPECT_TRUE(form->ChangeSystem(1).contains(QStringLiteral("Keys In")));
  EXPECT_EQ((*ports)->ActiveSystem(), QStringLiteral("JACK"));
  EXPECT_EQ(form->InputItems(), (QStringList{"none", "system:capture_1", "Synth In"}));
  EXPECT_EQ(form->output1, 2);
  EXPECT_EQ(form->input1, 0);
  EXPECT_EQ(service->OpenHandleCount(), 0u);

  form->Cancel();
  EXPECT_EQ((*ports)->ActiveSystem(), QStringLiteral("ALSA"));
  EXPECT_TRUE((*ports)->InUse(PortRole::kInput1));
  EXPECT_EQ((*ports)->MidiInput1().ProductName(), "Keys In");
  EXPECT_TRUE((*ports)->MidiOutput1().IsOpen());
  EXPECT_EQ((*ports)->Api(), QStringLiteral("ALSA"));
}

TEST_F(MidiSettingsEditorTest, SwitchingToAMissingSystemSaysSo) {
  jack_available = false;
  form->Setup();
  EXPECT_TRUE(form->ChangeSystem(1).contains(QStringLiteral("JACK")));
  EXPECT_EQ(form->system, 0);  // shows the system really in use
  form->Accept();
  EXPECT_EQ((*ports)->Api(), QStringLiteral("ALSA"));
}

TEST_F(JackNotRunningTest, TheDevicesDialogMeanwhileKeepsThemAndReportsNothing) {
  auto ports = Started(settings);
  QSignalSpy errors(ports.link.get(), &SurfaceMidiLink::portError);
  MidiSettingsEditor form(*ports.link);
  form.Setup();
  form.Cancel();
  form.Setup();
  form.Accept();
  EXPECT_EQ(errors.count(), 0);
  EXPECT_EQ(ports->Config(), Configured());

  ASSERT_NO_FATAL_FAILURE(ServerStarts(ports));
  EXPECT_EQ(ports->MidiInput1().ProductName(), "Synth In");
  EXPECT_TRUE(ports->MidiInput1().IsOpen());
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
}

}  // namespace
}  // namespace quorvane
