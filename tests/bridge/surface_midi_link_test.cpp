#include "bridge/surface_midi_link.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <map>

#include "linked_ports_fixture.h"
#include "support/pump.h"
#include "support/surface_settings.h"

// The surface and the ports joined: what a slot sends, what the first input moves, what the
// remote input hands over, and what a lost or late MIDI system does to both.
namespace quorvane {
namespace {

using testing::JackNotRunningTest;
using testing::kJackNotRunning;
using testing::Pump;
using testing::PumpPending;
using testing::Word;
using Call = InProcessMidiService::Call;
using SurfaceMidiLinkTest = testing::LinkedPortsTest;

TEST_F(SurfaceMidiLinkTest, NothingConfiguredOpensNothingAndSendsNothing) {
  auto ports = Started(AppSettings{});
  EXPECT_FALSE(ports->InUse(PortRole::kInput1) || ports->InUse(PortRole::kRemoteInput) ||
               ports->InUse(PortRole::kOutput));
  EXPECT_FALSE(model.OutputInUse());
  EXPECT_EQ(service->OpenHandleCount(), 0u);
  Drag(5, 101);
  EXPECT_EQ(model.SlotDefinition(5).value, 101);
  EXPECT_EQ(service->CallCount(Call::OutputShortMessage), 0);
}

TEST_F(SurfaceMidiLinkTest, VanishedDeviceIsToldOnceAndEverythingElseLoads) {
  AppSettings s;
  s.input_device1 = 0;
  s.input_device1_name = QStringLiteral("Unplugged Keys");
  s.output_device = 7;  // no name and no such number
  s.input_device2 = 0;
  s.input_device2_name = QStringLiteral("Pads In");
  s.remote_channel = 9;
  s.midi_delay = 40;
  auto ports = Started(s);

  EXPECT_FALSE(ports->InUse(PortRole::kInput1));
  EXPECT_EQ(ports->Device(PortRole::kInput1), -1);
  EXPECT_FALSE(ports->MidiInput1().IsOpen());
  EXPECT_FALSE(ports->InUse(PortRole::kOutput));
  EXPECT_FALSE(model.OutputInUse());
  EXPECT_TRUE(ports->InUse(PortRole::kRemoteInput));
  EXPECT_EQ(ports->Device(PortRole::kRemoteInput), 1);
  EXPECT_EQ(ports.link->RemoteChannel(), 9);
  EXPECT_EQ(model.Settings().midi_delay, 40);

  const QStringList told = ports->TakeMessages();
  ASSERT_EQ(told.size(), 2);
  EXPECT_TRUE(told[0].contains(QStringLiteral("\"Unplugged Keys\""))) << told[0].toStdString();
  EXPECT_TRUE(told[1].contains(QStringLiteral("MIDI Output"))) << told[1].toStdString();
  EXPECT_TRUE(ports->TakeMessages().isEmpty());

  // The missing choice survives the run, so the device is used again once it is back.
  AppSettings out;
  ports.Store(out);
  EXPECT_EQ(out.input_device1_name, QStringLiteral("Unplugged Keys"));
  EXPECT_EQ(out.input_device1, 0);
  EXPECT_EQ(out.output_device, 7);
  EXPECT_EQ(out.input_device2, 1);
  EXPECT_EQ(out.input_device2_name, QStringLiteral("Pads In"));
  EXPECT_EQ(out.remote_channel, 9);
  EXPECT_EQ(out.midi_delay, 40);
}

TEST_F(SurfaceMidiLinkTest, NegativeNumbersAreStoredBackAsMinusOne) {
  AppSettings s;
  s.output_device = -7;
  auto ports = Started(s);
  AppSettings out;
  out.output_device = 3;
  ports.Store(out);
  EXPECT_EQ(out.output_device, -1);
  EXPECT_TRUE(out.output_device_name.isEmpty());
  EXPECT_TRUE(ports->TakeMessages().isEmpty());
}

TEST_F(SurfaceMidiLinkTest, SliderDragSendsOneControlChangeOnTheOutputDevice) {
  AppSettings s;
  s.output_device = 0;
  s.output_device_name = QStringLiteral("Synth Out");
  auto ports = Started(s);
  model.SlotDefinition(5).channel = 3;
  model.SlotDefinition(5).value = 100;
  model.RefreshSlot(5);

  Drag(5, 101);
  Drag(5, 101);  // released where it was: nothing more
  EXPECT_EQ(service->ShortsSentTo("Synth Out"),
            std::vector<std::uint32_t>{Word(0xB2, model.SlotDefinition(5).ctrl, 101)});
  EXPECT_TRUE(service->SentTo("Drum Out").empty());
}

TEST_F(SurfaceMidiLinkTest, GroupMoveGoesOutThroughThePort) {
  AppSettings s;
  s.output_device = 1;
  auto ports = Started(s);
  testing::SetSetting(model, &SurfaceSettings::global_channel, 1);
  for (auto [slot, value] : {std::pair{1, 40}, {2, 20}, {3, 80}}) {
    model.SlotDefinition(slot).value = static_cast<std::uint8_t>(value);
    model.SlotDefinition(slot).selected = true;
  }
  model.RefreshAllSlots();
  model.CaptureGroupReference();
  model.SetGroupMode(true);

  Drag(1, 60);
  const auto& d = [&](int slot) { return model.SlotDefinition(slot).ctrl; };
  EXPECT_EQ(service->ShortsSentTo("Drum Out"),
            (std::vector<std::uint32_t>{Word(0xB0, d(2), 30), Word(0xB0, d(3), 120),
                                        Word(0xB0, d(1), 60)}));
}

TEST_F(SurfaceMidiLinkTest, ToggleButtonsSendInBothModes) {
  AppSettings s;
  s.output_device = 0;
  auto ports = Started(s);
  Tcontroller& a = model.SlotDefinition(2);
  a.use_slider = true;
  a.channel = 2;
  Tcontroller& b = model.SlotDefinition(3);
  b.button_ctrl = 64;
  b.button_channel = 5;

  model.ButtonPressed(2, true);
  EXPECT_EQ(model.View(2).position, 0);  // slider at the top
  model.ButtonPressed(2, false);
  model.ButtonPressed(3, true);
  model.ButtonPressed(3, false);
  EXPECT_EQ(service->ShortsSentTo("Synth Out"),
            (std::vector<std::uint32_t>{Word(0xB1, a.ctrl, 127), Word(0xB1, a.ctrl, 0),
                                        Word(0xB4, 64, 127), Word(0xB4, 64, 0)}));
}

TEST_F(SurfaceMidiLinkTest, PortErrorDuringSendIsReportedAndStopsThere) {
  AppSettings s;
  s.output_device = 0;
  auto ports = Started(s);
  QSignalSpy errors(ports.link.get(), &SurfaceMidiLink::portError);
  service->FailCall(Call::OutputShortMessage, kMidiNoDevice);
  EXPECT_NO_THROW(Drag(4, 90));
  ASSERT_EQ(errors.count(), 1);
  EXPECT_FALSE(errors.at(0).at(0).toString().isEmpty());
  EXPECT_EQ(model.SlotDefinition(4).value, 90) << "the surface keeps what the user did";
  // The next move works again.
  Drag(4, 91);
  EXPECT_EQ(service->ShortsSentTo("Synth Out").size(), 1u);
  EXPECT_EQ(errors.count(), 1);
}

TEST_F(SurfaceMidiLinkTest, PortErrorDuringAGroupMoveIsReportedOnce) {
  AppSettings s;
  s.output_device = 0;
  auto ports = Started(s);
  for (int slot = 1; slot <= 6; ++slot) model.Definition(1, slot).selected = true;
  model.SetGroupMode(true);
  model.CaptureGroupReference();
  QSignalSpy errors(ports.link.get(), &SurfaceMidiLink::portError);
  service->FailCall(Call::OutputShortMessage, kMidiNoDevice, 100);
  EXPECT_NO_THROW(Drag(1, 100));
  EXPECT_EQ(errors.count(), 1);
}

TEST_F(SurfaceMidiLinkTest, PortErrorInABulkSendEndsItAndIsReportedOnce) {
  AppSettings s;
  s.output_device = 0;
  s.midi_delay = 0;
  auto ports = Started(s);
  QSignalSpy errors(ports.link.get(), &SurfaceMidiLink::portError);
  service->FailCall(Call::OutputShortMessage, kMidiNoDevice);
  BulkSendThread* thread = model.Sends().StartSend(BulkSendThread::kAllPages);
  QSignalSpy finished(thread, &BulkSendThread::finished);
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_TRUE(finished.at(0).at(0).toBool());
  EXPECT_EQ(errors.count(), 1);
  EXPECT_TRUE(service->ShortsSentTo("Synth Out").empty()) << "the walk stops at the refusal";
}

TEST_F(SurfaceMidiLinkTest, FollowMovesEveryMatchingDefinitionAndEchoesNothing) {
  AppSettings s;
  s.input_device1 = 0;
  s.output_device = 0;
  auto ports = Started(s);
  testing::SetSetting(model, &SurfaceSettings::listen_channel, 1);
  model.MutablePages().at(1, 3).ctrl = 7;
  model.MutablePages().at(4, 5).ctrl = 7;
  model.ShowPage(4);

  service->InjectShort(0, Word(0xB0, 7, 99));
  ASSERT_TRUE(Pump([&] { return model.MutablePages().at(4, 5).value == 99; }));
  EXPECT_EQ(model.MutablePages().at(1, 3).value, 99);
  EXPECT_EQ(model.View(5).position, 127 - 99);
  EXPECT_TRUE(model.Status().InActivity());
  int moved = 0;
  for (int i = 0; i < kDefinitionCount; ++i) moved += model.MutablePages()[i].value == 99 ? 1 : 0;
  EXPECT_EQ(moved, 2);
  EXPECT_TRUE(service->SentTo("Synth Out").empty());
}

TEST_F(SurfaceMidiLinkTest, AFloodLeavesEverySliderOnItsLastValueAndSaysHowManyWereLost) {
  AppSettings s;
  s.input_device1 = 0;
  auto ports = Started(s);
  testing::SetSetting(model, &SurfaceSettings::listen_channel, 1);
  constexpr int kSent = 3000;  // one burst: the GUI thread drains nothing meanwhile
  std::map<int, int> last;     // controller -> value
  for (int n = 0; n < kSent; ++n) {
    const int controller = 20 + n % 100;
    const int value = (n * 7) % 128;
    service->InjectShort(0, Word(0xB0, controller, value));
    last[controller] = value;
  }
  service->WaitIdle();
  const int lost = kSent - ports->MidiInput1().Capacity();
  ASSERT_TRUE(Pump([&] { return !model.Status().Notice().isEmpty(); }));
  EXPECT_EQ(model.Status().Notice(), QStringLiteral("%1 MIDI messages lost").arg(lost));
  for (int i = 0; i < kDefinitionCount; ++i) {
    const Tcontroller& d = model.Pages()[i];
    ASSERT_EQ(d.value, last.at(d.ctrl)) << "definition " << i + 1 << ", controller " << int{d.ctrl};
  }
}

TEST_F(SurfaceMidiLinkTest, ABurstRedrawsEachSlotOnceAfterTheDrain) {
  AppSettings s;
  s.input_device1 = 0;
  auto ports = Started(s);
  model.MutablePages().at(1, 3).ctrl = 7;
  model.MutablePages().at(1, 4).ctrl = 8;
  QSignalSpy redrawn(&model, &SurfaceModel::slotChanged);
  for (int v = 1; v <= 50; ++v) {
    service->InjectShort(0, Word(0xB0, 7, v));
    service->InjectShort(0, Word(0xB0, 8, 100 - v));
  }
  service->WaitIdle();
  ASSERT_TRUE(Pump([&] { return ports->MidiInput1().PendingCount() == 0; }));
  PumpPending();
  EXPECT_EQ(model.MutablePages().at(1, 3).value, 50);
  EXPECT_EQ(model.View(4).value_text, QStringLiteral("50"));
  ASSERT_EQ(redrawn.size(), 2);
  EXPECT_EQ(redrawn[0][0].toInt(), 3);
  EXPECT_EQ(redrawn[1][0].toInt(), 4);
}

TEST_F(SurfaceMidiLinkTest, OtherChannelsAreFollowedOnlyWithAll) {
  AppSettings s;
  s.input_device1 = 2;
  auto ports = Started(s);
  testing::SetSetting(model, &SurfaceSettings::listen_channel, 1);
  model.MutablePages().at(2, 1).ctrl = 74;

  service->InjectShort(2, Word(0xB1, 74, 12));   // channel 2
  service->InjectShort(2, Word(0x90, 74, 100));  // note on, as a marker
  ASSERT_TRUE(
      Pump([&] { return ports->MidiInput1().PendingCount() == 0 && model.Status().InActivity(); }));
  service->WaitIdle();
  PumpPending();
  EXPECT_EQ(model.MutablePages().at(2, 1).value, 0);

  testing::SetSetting(model, &SurfaceSettings::listen_channel, 0);
  service->InjectShort(2, Word(0xB1, 74, 12));
  ASSERT_TRUE(Pump([&] { return model.MutablePages().at(2, 1).value == 12; }));
}

TEST_F(SurfaceMidiLinkTest, SysexOnTheFollowInputOnlyLightsTheIndicator) {
  AppSettings s;
  s.input_device1 = 0;
  auto ports = Started(s);
  const TPageSet before = model.MutablePages();
  service->InjectSysex(0, {0xF0, 0x41, 0x10, 0xF7});
  ASSERT_TRUE(Pump([&] { return model.Status().InActivity(); }));
  EXPECT_TRUE(model.MutablePages() == before);
}

TEST_F(SurfaceMidiLinkTest, RemoteInputGoesToItsHookOnly) {
  AppSettings s;
  s.input_device2 = 1;
  auto ports = Started(s);
  std::vector<std::uint8_t> seen;
  ports.link->SetRemoteInputHandler([&](const TMyMidiEvent& e) { seen.push_back(e.data2); });
  model.MutablePages().at(1, 1).ctrl = 10;
  service->InjectShort(1, Word(0xB0, 10, 1));
  service->InjectShort(1, Word(0xB0, 10, 2));
  ASSERT_TRUE(Pump([&] { return seen.size() == 2; }));
  EXPECT_EQ(seen, (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(model.MutablePages().at(1, 1).value, 0);
  EXPECT_FALSE(model.Status().InActivity());
}

TEST_F(SurfaceMidiLinkTest, ShutdownClosesThePortsInUseAndWritesTheKeys) {
  AppSettings s;
  s.input_device1 = 0;
  s.input_device2 = 2;
  s.output_device = 1;
  s.midi_api = QStringLiteral("JACK");
  auto ports = Started(s);
  EXPECT_EQ(service->OpenHandleCount(), 2u);  // JACK lists two inputs only
  EXPECT_EQ(ports->TakeMessages().size(), 1);
  ports->CloseInUse();
  EXPECT_EQ(service->OpenHandleCount(), 0u);
  AppSettings out;
  ports.Store(out);
  EXPECT_EQ(out.input_device1, 0);
  EXPECT_EQ(out.input_device1_name, QStringLiteral("system:capture_1"));
  EXPECT_EQ(out.input_device2, 2);  // kept for when it is back
  EXPECT_EQ(out.output_device, 1);
  EXPECT_EQ(out.output_device_name, QStringLiteral("Synth Out"));
  EXPECT_EQ(out.midi_api, QStringLiteral("JACK"));
}

TEST_F(SurfaceMidiLinkTest, NoSystemAtAllLeavesTheProgramUsable) {
  testing::LinkedPorts ports(
      model, [](const std::string&, std::string*) { return std::unique_ptr<MidiService>(); });
  AppSettings s;
  s.output_device = 0;
  ports.Start(s);
  EXPECT_FALSE(ports->UnavailableReason().isEmpty());
  EXPECT_FALSE(ports->InUse(PortRole::kOutput));
  Drag(1, 5);
  EXPECT_EQ(model.SlotDefinition(1).value, 5);
}

TEST_F(SurfaceMidiLinkTest, LostSystemStopsSendingAndThePortsReopenWhenItIsBack) {
  AppSettings s;
  s.input_device1 = 0;
  s.input_device1_name = QStringLiteral("Keys In");
  s.output_device = 0;
  s.output_device_name = QStringLiteral("Synth Out");
  auto ports = Started(s);
  QSignalSpy notices(ports.get(), &MidiPorts::serviceNotice);

  service->LoseSystem("The JACK server has stopped.");
  ASSERT_EQ(notices.size(), 1);
  EXPECT_EQ(notices[0][0].toString(), QStringLiteral("The JACK server has stopped."));
  EXPECT_TRUE(ports->Suspended());
  EXPECT_FALSE(ports->MidiOutput1().IsOpen());
  EXPECT_FALSE(ports->MidiInput1().IsOpen());
  EXPECT_FALSE(model.OutputInUse());
  const int sent_before = service->CallCount(Call::OutputShortMessage);
  Drag(3, 50);  // silently not sent
  EXPECT_EQ(service->CallCount(Call::OutputShortMessage), sent_before);

  service->RestoreSystem();
  ASSERT_TRUE(notices.wait(5000));
  EXPECT_TRUE(
      notices.last()[0].toString().startsWith(QStringLiteral("The MIDI system is running")));
  EXPECT_FALSE(ports->Suspended());
  EXPECT_TRUE(model.OutputInUse());
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
  EXPECT_TRUE(ports->MidiInput1().IsOpen());
  Drag(3, 51);
  EXPECT_EQ(service->ShortsSentTo("Synth Out").back(),
            Word(0xB0, model.SlotDefinition(3).ctrl, 51));

  AppSettings out;
  ports.Store(out);
  EXPECT_EQ(out.output_device_name, QStringLiteral("Synth Out"));
}

TEST_F(JackNotRunningTest, ToldOnceKeepsTheDevicesAndOpensThemWhenTheServerStarts) {
  auto ports = Started(settings);
  EXPECT_EQ(ports->TakeMessages(), QStringList{kJackNotRunning});
  EXPECT_EQ(ports->UnavailableReason(), kJackNotRunning);
  EXPECT_TRUE(ports->ActiveSystem().isEmpty());
  EXPECT_TRUE(ports->Suspended());
  EXPECT_FALSE(model.OutputInUse());
  EXPECT_EQ(ports->Config(), Configured());
  AppSettings stored;
  ports.Store(stored);
  EXPECT_EQ(stored.input_device1_name, QStringLiteral("Synth In"));
  EXPECT_EQ(stored.input_device2, 5);
  EXPECT_EQ(stored.output_device_name, QStringLiteral("Synth Out"));

  QSignalSpy changed(ports.get(), &MidiPorts::systemChanged);
  ASSERT_NO_FATAL_FAILURE(ServerStarts(ports));
  // Said as what it is, a first arrival, and the device waited for as missing, not given up.
  EXPECT_TRUE(notice.startsWith(QStringLiteral("The JACK server is running now")))
      << notice.toStdString();
  EXPECT_TRUE(notice.contains(QStringLiteral("Remote Input device number 5 is missing")))
      << notice.toStdString();
  EXPECT_FALSE(notice.contains(QStringLiteral("not available"))) << notice.toStdString();
  EXPECT_EQ(changed.size(), 1);
  EXPECT_EQ(ports->ActiveSystem(), QStringLiteral("JACK"));
  EXPECT_FALSE(ports->Suspended());
  EXPECT_TRUE(ports->UnavailableReason().isEmpty());
  EXPECT_TRUE(ports->MidiInput1().IsOpen());
  EXPECT_EQ(ports->MidiInput1().ProductName(), "Synth In");
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
  EXPECT_EQ(ports->MidiOutput1().ProductName(), "Synth Out");
  EXPECT_FALSE(ports->MidiInput2().IsOpen());
  EXPECT_TRUE(model.OutputInUse());
  Drag(3, 77);
  EXPECT_EQ(service->ShortsSentTo("Synth Out"),
            std::vector<std::uint32_t>{Word(0xB0, model.SlotDefinition(3).ctrl, 77)});
  // The device still missing is kept for when it is back.
  EXPECT_EQ(ports->Config(), Configured());
}

}  // namespace
}  // namespace quorvane
