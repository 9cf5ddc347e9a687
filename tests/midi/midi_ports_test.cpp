#include "midi/midi_ports.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <memory>

#include "support/pump.h"
#include "support/two_midi_systems.h"

// The ports on their own: which devices the choices stored open, and which system is taken
// when the one wanted is missing or not running yet.
namespace quorvane {
namespace {

using testing::Pump;

MidiDeviceChoice& Choice(MidiPortsConfig& config, PortRole role) {
  return config.devices.at(static_cast<std::size_t>(role));
}

class MidiPortsTest : public ::testing::Test, protected testing::TwoMidiSystems {
 protected:
  std::unique_ptr<MidiPorts> Started(const MidiPortsConfig& config) {
    auto ports = std::make_unique<MidiPorts>(Factory());
    ports->Start(config);
    return ports;
  }
};

const QString kJackNotRunning =
    QStringLiteral("The JACK server is not running: MIDI is off until it starts.");

// JACK asked for while its server is not running, and no other system there.
class JackNotRunningTest : public MidiPortsTest {
 protected:
  JackNotRunningTest() {
    jack_available = false;
    alsa_available = false;
    config.api = QStringLiteral("JACK");
    Choice(config, PortRole::kInput1) = {1, QStringLiteral("Synth In")};
    Choice(config, PortRole::kRemoteInput) = {5, {}};  // not there once the server runs
    Choice(config, PortRole::kOutput) = {1, QStringLiteral("Synth Out")};
  }

  // The server starts; the ports come back on the next look.
  void ServerStarts(MidiPorts& ports) {
    QSignalSpy notices(&ports, &MidiPorts::serviceNotice);
    jack_available = true;
    ASSERT_TRUE(notices.wait(5000));
    ASSERT_EQ(notices.size(), 1);
  }

  MidiPortsConfig config;
};

TEST_F(MidiPortsTest, StoredNamesWinOverStoredNumbers) {
  MidiPortsConfig c;
  Choice(c, PortRole::kInput1) = {0, QStringLiteral("Synth In")};
  Choice(c, PortRole::kOutput) = {0, QStringLiteral("Drum Out")};
  Choice(c, PortRole::kRemoteInput) = {1, {}};  // no name stored: taken by number
  auto ports = Started(c);

  EXPECT_EQ(ports->Device(PortRole::kInput1), 2);
  EXPECT_TRUE(ports->InUse(PortRole::kInput1));
  EXPECT_EQ(ports->MidiInput1().DeviceID(), 2);
  EXPECT_TRUE(ports->MidiInput1().IsOpen());
  EXPECT_EQ(ports->Device(PortRole::kOutput), 1);
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
  EXPECT_EQ(ports->MidiOutput1().ProductName(), "Drum Out");
  EXPECT_EQ(ports->Device(PortRole::kRemoteInput), 1);
  EXPECT_EQ(ports->DeviceName(PortRole::kRemoteInput), QStringLiteral("Pads In"));
  EXPECT_TRUE(ports->MidiInput2().IsOpen());
  EXPECT_TRUE(ports->TakeMessages().isEmpty());
  EXPECT_EQ(ports->InputDevices(), (QStringList{"Keys In", "Pads In", "Synth In"}));
  EXPECT_EQ(ports->OutputDevices(), (QStringList{"Synth Out", "Drum Out"}));
}

TEST_F(MidiPortsTest, WantedSystemMissingFallsBackAndSaysSo) {
  jack_available = false;
  MidiPortsConfig c;
  c.api = QStringLiteral("JACK");
  auto ports = Started(c);
  EXPECT_EQ(ports->ActiveSystem(), QStringLiteral("ALSA"));
  const QStringList told = ports->TakeMessages();
  ASSERT_EQ(told.size(), 1);
  EXPECT_TRUE(told[0].contains(QStringLiteral("JACK")));
  EXPECT_TRUE(ports->UnavailableReason().isEmpty());
}

// A device JACK listed before its client was active, refusing it, opens at the next change told.
TEST_F(MidiPortsTest, AListedDeviceThatRefusedOpensAtTheNextChangeTold) {
  for (const bool in_use : {true, false}) {
    MidiPortsConfig c;
    Choice(c, PortRole::kOutput) = {0, QStringLiteral("Synth Out")};
    auto ports = Started(c);
    service->AnnounceDeviceChanges(true);
    service->FailCall(InProcessMidiService::Call::OutputOpen, kMidiNoDevice);
    ports->CloseAll();
    if (!in_use) service->RemoveDevicesNamed({"Synth Out"});
    ports->ReopenConfigured();                           // refused while in use
    if (!in_use) service->AddOutputDevice("Synth Out");  // refused as it comes back
    service->RemoveDevicesNamed({});                     // told again, the lists as they were
    EXPECT_TRUE(ports->MidiOutput1().IsOpen() && ports->InUse(PortRole::kOutput)) << in_use;
  }
}

TEST_F(JackNotRunningTest, AnotherSystemTurningUpMeanwhileIsNotTaken) {
  auto ports = Started(config);
  alsa_available = true;
  const int calls = factory_calls;
  ASSERT_TRUE(Pump([&] { return factory_calls > calls; }));
  EXPECT_TRUE(ports->ActiveSystem().isEmpty());
  EXPECT_TRUE(ports->Suspended());
  EXPECT_EQ(ports->UnavailableReason(), kJackNotRunning);

  ASSERT_NO_FATAL_FAILURE(ServerStarts(*ports));
  EXPECT_EQ(ports->ActiveSystem(), QStringLiteral("JACK"));
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
}

TEST_F(JackNotRunningTest, ADeviceVanishingAsTheServerComesIsLookedForAgain) {
  auto ports = Started(config);
  jack_device_vanishes = true;
  ASSERT_NO_FATAL_FAILURE(ServerStarts(*ports));
  EXPECT_EQ(ports->ActiveSystem(), QStringLiteral("JACK"));
  EXPECT_EQ(ports->MidiInput1().ProductName(), "Synth In");
  EXPECT_TRUE(ports->MidiInput1().IsOpen());
  EXPECT_TRUE(ports->MidiOutput1().IsOpen());
}

TEST_F(JackNotRunningTest, WhatStartSaysDependsOnWhatIsThere) {
  struct Case {
    bool alsa;
    const char* active;
    bool waits;
    const char* told;  // the one message expected
  };
  const Case cases[] = {
      // A working fallback is used, as before.
      {true, "ALSA", false, "The MIDI system JACK is not available; ALSA is used instead."},
      {false, "", true, "The JACK server is not running: MIDI is off until it starts."},
  };
  Choice(config, PortRole::kRemoteInput) = {};
  alsa_inputs = {"Keys In", "Synth In"};  // the devices at the numbers stored
  alsa_outputs = {"Drum Out", "Synth Out"};
  const MidiPortsConfig configured = config;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alsa ? "ALSA works" : "no system");
    alsa_available = c.alsa;
    auto ports = Started(config);
    EXPECT_EQ(ports->ActiveSystem(), QString::fromLatin1(c.active));
    EXPECT_EQ(ports->Suspended(), c.waits);
    EXPECT_EQ(ports->TakeMessages(), QStringList{QString::fromLatin1(c.told)});
    EXPECT_EQ(ports->UnavailableReason().isEmpty(), !c.waits);
    EXPECT_EQ(ports->Config(), configured);
  }
}

}  // namespace
}  // namespace quorvane
