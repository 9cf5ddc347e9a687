// A peer client chosen as output and first input quits and comes back while the program runs,
// on a private JACK server. These need a JACK service that reports changes of its ports; they
// are skipped while the service in use does not.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <chrono>
#include <memory>
#include <optional>

#include "bridge/midi_settings_editor.h"
#include "files/app_settings.h"
#include "linked_ports.h"
#include "midi/midi_ports.h"
#include "midi/midi_system.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/pump.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::JackMidiPeer;
using testing::JackServer;
using testing::MidiBytes;
using testing::Pump;
using testing::PumpPending;
using namespace std::chrono_literals;

class JackDeviceChanges : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    peer_ = std::make_unique<JackMidiPeer>("peer");
    for (int i = 0; i < kDefinitionCount; ++i)
      model_.MutablePages()[i].ctrl = static_cast<std::uint8_t>(i % 100 + 20);
    model_.ShowPage(1);
    ports_.emplace(model_, [](const std::string& wanted, std::string* chosen) {
      return CreateMidiService(wanted, chosen);
    });
    AppSettings s;
    s.midi_api = QStringLiteral("JACK");
    s.output_device = 0;
    s.output_device_name = QString::fromStdString(peer_->inPortName());
    s.input_device1 = 0;
    s.input_device1_name = QString::fromStdString(peer_->outPortName());
    ports_->Start(s);
    ASSERT_EQ((*ports_)->ActiveSystem(), QStringLiteral("JACK"));
    ASSERT_TRUE((*ports_)->MidiOutput1().IsOpen());
    ASSERT_TRUE((*ports_)->MidiInput1().IsOpen());
    // A client passing by shows whether the service tells of its ports.
    QSignalSpy lists(ports_->get(), &MidiPorts::devicesChanged);
    auto probe = std::make_unique<JackMidiPeer>("probe");
    const bool told = Pump([&] { return lists.size() > 0; }, 2s);
    probe.reset();
    if (!told) GTEST_SKIP() << "the JACK service in use does not report device changes";
    ASSERT_TRUE(Pump([&] { return !(*ports_)->InputDevices().contains("probe:out"); }, 3s));
  }

  void TearDown() override {
    model_.Sends().StopSends();
    if (ports_) (*ports_)->CloseInUse();
    ports_.reset();
    peer_.reset();
  }

  void Drag(int slot, int v) {
    model_.Gestures().SetActiveSlot(slot);
    model_.TrackBarMoved(slot, 127 - v);
  }

  JackServer server_;
  std::unique_ptr<JackMidiPeer> peer_;
  SurfaceModel model_;
  std::optional<testing::LinkedPorts> ports_;
};

TEST_F(JackDeviceChanges, APeerThatQuitsIsShownMissingAndReconnectsWhenItIsBack) {
  MidiPorts& ports = **ports_;
  QSignalSpy notices(&ports, &MidiPorts::deviceNotice);
  QSignalSpy errors(ports_->link.get(), &SurfaceMidiLink::portError);

  peer_.reset();
  ASSERT_TRUE(Pump([&] { return !ports.InUse(PortRole::kOutput); }, 1s));
  ASSERT_TRUE(Pump([&] { return !ports.InUse(PortRole::kInput1); }, 2s));
  EXPECT_FALSE(model_.OutputInUse());
  const QString missing = ports.MissingDevicesText();
  EXPECT_TRUE(missing.contains(QStringLiteral("\"peer:in\""))) << missing.toStdString();
  EXPECT_TRUE(missing.contains(QStringLiteral("\"peer:out\""))) << missing.toStdString();
  ASSERT_GE(notices.size(), 1);
  for (int v = 40; v < 60; ++v) Drag(5, v);
  PumpPending();
  EXPECT_EQ(errors.size(), 0);

  peer_ = std::make_unique<JackMidiPeer>("peer");
  ASSERT_TRUE(
      Pump([&] { return ports.InUse(PortRole::kOutput) && ports.InUse(PortRole::kInput1); }, 5s));
  EXPECT_TRUE(ports.MidiOutput1().IsOpen());
  EXPECT_TRUE(model_.OutputInUse());
  EXPECT_TRUE(notices.last()[0].toString().contains(QStringLiteral("back")));
  EXPECT_TRUE(ports.MissingDevicesText().isEmpty());
  // The first message the peer sees is the next slider move: nothing went by itself.
  Drag(5, 99);
  ASSERT_TRUE(peer_->waitFor(1));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].bytes, (MidiBytes{0xB0, model_.SlotDefinition(5).ctrl, 99}));
  // And the first input is followed again.
  testing::SetSetting(model_, &SurfaceSettings::listen_channel, 0);
  ASSERT_TRUE(peer_->send({{0xB2, model_.SlotDefinition(8).ctrl, 17}}));
  EXPECT_TRUE(Pump([&] { return model_.SlotDefinition(8).value == 17; }));
  EXPECT_EQ(errors.size(), 0);
  // Stored as it was chosen.
  const MidiPortsConfig config = ports.Config();
  EXPECT_EQ(config.devices.at(2).name, QStringLiteral("peer:in"));
  EXPECT_EQ(config.devices.at(0).name, QStringLiteral("peer:out"));
}

TEST_F(JackDeviceChanges, TheDialogsListsGainAndLoseAClientWhileItIsOpen) {
  MidiSettingsEditor form(*ports_->link);
  form.Setup();
  const int chosen = form.output1;
  ASSERT_EQ(form.OutputItems().value(chosen), QStringLiteral("peer:in"));
  auto other = std::make_unique<JackMidiPeer>("other");
  ASSERT_TRUE(Pump([&] { return form.OutputItems().contains(QStringLiteral("other:in")); }, 3s));
  EXPECT_TRUE(form.InputItems().contains(QStringLiteral("other:out")));
  EXPECT_EQ(form.OutputItems().value(form.output1), QStringLiteral("peer:in"));
  other.reset();
  ASSERT_TRUE(Pump([&] { return !form.OutputItems().contains(QStringLiteral("other:in")); }, 3s));
  EXPECT_EQ(form.OutputItems().value(form.output1), QStringLiteral("peer:in"));
  form.Cancel();
  EXPECT_TRUE((*ports_)->MidiOutput1().IsOpen());
}

}  // namespace
}  // namespace quorvane
