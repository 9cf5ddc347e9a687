// The slider surface against a real MIDI system: a private JACK dummy server, the ports made
// from the settings by name, and a peer client on the other end of both wires.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "files/app_settings.h"
#include "jack_ports.h"
#include "midi/jack_service.h"
#include "midi/midi_ports.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/jack_services.h"
#include "support/pump.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::JackMidiPeer;
using testing::JackServer;
using testing::MidiBytes;
using testing::Pump;
using Clock = std::chrono::steady_clock;

class JackSurface : public testing::JackPortsTest {
 protected:
  JackSurface() : JackPortsTest(true) {}

  void SetUp() override {
    for (int i = 0; i < kDefinitionCount; ++i)
      model_.MutablePages()[i].ctrl = static_cast<std::uint8_t>(i % 100 + 20);
    JackPortsTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE((*ports_)->InUse(PortRole::kInput1));
    ASSERT_TRUE((*ports_)->MidiOutput1().IsOpen());
    ASSERT_TRUE((*ports_)->MidiInput1().IsOpen());
    model_.ShowPage(1);
  }
};

TEST_F(JackSurface, DraggingSliderFiveOneStepSendsExactlyOneMessage) {
  Tcontroller& d = model_.SlotDefinition(5);
  d.channel = 4;
  d.value = 100;
  model_.RefreshSlot(5);
  model_.Gestures().SetActiveSlot(5);
  model_.TrackBarMoved(5, 127 - 101);
  model_.TrackBarMoved(5, 127 - 101);  // released where it is
  ASSERT_TRUE(peer_->waitFor(1));
  // A marker proves that nothing else was in flight before it.
  (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
  ASSERT_TRUE(peer_->waitFor(2));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].bytes, (MidiBytes{0xB3, d.ctrl, 101}));
  EXPECT_EQ(events[1].bytes, (MidiBytes{0xF8}));
}

TEST_F(JackSurface, IncomingControlChangeMovesTheSlidersAndIsNotEchoed) {
  testing::SetSetting(model_, &SurfaceSettings::listen_channel, 1);
  model_.MutablePages().at(1, 2).ctrl = 7;
  model_.MutablePages().at(3, 9).ctrl = 7;
  ASSERT_TRUE(peer_->send({{0xB0, 7, 33}, {0xB1, 7, 90}}));
  ASSERT_TRUE(Pump(
      [&] { return model_.MutablePages().at(3, 9).value == 33 && model_.Status().InActivity(); }));
  EXPECT_EQ(model_.MutablePages().at(1, 2).value, 33);
  EXPECT_EQ(model_.View(2).position, 127 - 33);
  // The channel-2 message lit the indicator only; a marker bounds what could have echoed.
  (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
  ASSERT_TRUE(peer_->waitFor(1));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].bytes, (MidiBytes{0xF8}));
  EXPECT_EQ(model_.MutablePages().at(1, 2).value, 33);
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST_F(JackSurface, ServerDeathStopsSendingAndThePortsComeBackByName) {
  QStringList notices;
  QObject::connect(ports_->get(), &MidiPorts::serviceNotice,
                   [&notices](const QString& text) { notices << text; });
  const auto killed = Clock::now();
  server_.kill();
  ASSERT_TRUE(Pump([&] { return !notices.empty(); }, std::chrono::seconds(2)));
  EXPECT_LT(Clock::now() - killed, std::chrono::seconds(2));
  EXPECT_TRUE(notices.first().contains(QStringLiteral("JACK server has stopped")));
  EXPECT_TRUE((*ports_)->Suspended());
  EXPECT_FALSE(model_.OutputInUse()) << "sending stops";
  EXPECT_TRUE((*ports_)->InUse(PortRole::kOutput)) << "the configuration is kept";
  model_.TrackBarMoved(1, 127 - 50);  // neither hangs nor raises
  EXPECT_EQ(model_.MutablePages().at(1, 1).value, 50);

  peer_.reset();
  ASSERT_TRUE(server_.restart());
  peer_ = std::make_unique<JackMidiPeer>("peer");
  ASSERT_TRUE(Pump([&] { return !(*ports_)->Suspended(); }, std::chrono::seconds(8)));
  EXPECT_TRUE(notices.last().startsWith(QStringLiteral("The MIDI system is running again")))
      << notices.last().toStdString();
  EXPECT_TRUE(model_.OutputInUse());
  ASSERT_TRUE((*ports_)->MidiOutput1().IsOpen());
  ASSERT_TRUE((*ports_)->MidiInput1().IsOpen());

  model_.TrackBarMoved(2, 127 - 60);
  ASSERT_TRUE(peer_->waitFor(1));
  EXPECT_EQ(peer_->events()[0].bytes, (MidiBytes{0xB0, model_.MutablePages().at(1, 2).ctrl, 60}));
  ASSERT_TRUE(peer_->send({{0xB0, model_.MutablePages().at(1, 3).ctrl, 33}}));
  ASSERT_TRUE(Pump([&] { return model_.MutablePages().at(1, 3).value == 33; }));
}

TEST_F(JackSurface, PortsShowWhatTheyAre) {
  const auto sources = peer_->midiPorts(true);
  const auto sinks = peer_->midiPorts(false);
  auto has = [](const std::vector<std::string>& names, const std::string& suffix) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) {
      return n.size() >= suffix.size() &&
             n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0;
    });
  };
  EXPECT_TRUE(has(sources, ":MIDI Out"));
  EXPECT_TRUE(has(sinks, ":MIDI In 1"));
  EXPECT_FALSE(has(sinks, ":Remote In")) << "the remote input is not in use";
}

// JACK asked for before its server runs, with no other system taking over: the ports wait and
// open by name once the server starts.
TEST(JackLateServer, PortsOpenByNameWhenTheServerStartsAfterTheProgram) {
  JackServer server;  // not started yet: no server answers under its name
  SurfaceModel model;
  model.ShowPage(1);
  std::unique_ptr<JackMidiPeer> peer;
  testing::LinkedPorts ports(model, testing::JackOnlyServices());
  AppSettings s;
  s.midi_api = QStringLiteral("JACK");
  s.output_device = 0;
  s.output_device_name = QStringLiteral("peer:in");
  s.input_device1 = 0;
  s.input_device1_name = QStringLiteral("peer:out");
  ports.Start(s);
  EXPECT_EQ(
      ports->TakeMessages(),
      QStringList{QStringLiteral("The JACK server is not running: MIDI is off until it starts.")});
  EXPECT_TRUE(ports->Suspended());

  ASSERT_TRUE(server.start());
  peer = std::make_unique<JackMidiPeer>("peer");
  ASSERT_EQ(peer->inPortName(), "peer:in");
  ASSERT_TRUE(Pump([&] { return !ports->Suspended(); }, std::chrono::seconds(5)));
  ASSERT_TRUE(ports->MidiOutput1().IsOpen()) << ports->TakeMessages().join(' ').toStdString();
  ASSERT_TRUE(ports->MidiInput1().IsOpen());
  EXPECT_TRUE(model.OutputInUse());

  model.Gestures().SetActiveSlot(2);
  model.TrackBarMoved(2, 127 - 60);
  ASSERT_TRUE(peer->waitFor(1));
  EXPECT_EQ(peer->events()[0].bytes, (MidiBytes{0xB0, model.MutablePages().at(1, 2).ctrl, 60}));
  ASSERT_TRUE(peer->send({{0xB0, model.MutablePages().at(1, 3).ctrl, 33}}));
  EXPECT_TRUE(Pump([&] { return model.MutablePages().at(1, 3).value == 33; }));
  ports->CloseInUse();
}

}  // namespace
}  // namespace quorvane
