// Remote control and the transport buttons against a real MIDI system: a private JACK dummy
// server, the program's output wired to a peer client and its remote input fed by the peer.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/remote_binding.h"
#include "bridge/surface_control.h"
#include "files/app_settings.h"
#include "linked_ports.h"
#include "midi/jack_service.h"
#include "snapshots/snapshot_store.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/pump.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::JackMidiPeer;
using testing::JackServer;
using testing::LinkedPorts;
using testing::MidiBytes;
using testing::Pump;

class JackRemote : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    peer_ = std::make_unique<JackMidiPeer>("peer");
    model_.MutablePages().Initialize();
    settings_.midi_api = QStringLiteral("JACK");
    settings_.midi_delay = 0;
    settings_.input_device2 = 0;
    settings_.input_device2_name = QString::fromStdString(peer_->outPortName());
    if (with_output_) {
      settings_.output_device = 0;
      settings_.output_device_name = QString::fromStdString(peer_->inPortName());
    }
    ports_.emplace(model_, [](const std::string&, std::string* chosen) {
      *chosen = "JACK";
      return std::make_unique<JackService>();
    });
    ports_->Start(settings_);
    ASSERT_TRUE((*ports_)->InUse(PortRole::kRemoteInput))
        << (*ports_)->TakeMessages().join(' ').toStdString();
    ASSERT_EQ((*ports_)->InUse(PortRole::kOutput), with_output_);
    snapshots_ = std::make_unique<SnapshotStore>(model_);
    control_ = std::make_unique<SurfaceControl>(model_, *snapshots_);
    remote_ = std::make_unique<RemoteBinding>(*ports_->link, *control_, control_->NewClient());
    remote_->ApplySettings(settings_);
    SurfaceControl::WindowHooks hooks;
    hooks.application_active = [] { return true; };
    control_->SetWindowHooks(hooks);
    // Counts what the link hands over, so a test knows when the input has been served.
    ports_->link->SetRemoteInputHandler([this](const TMyMidiEvent& event) {
      ++remote_events_;
      remote_->HandleRemoteEvent(event);
    });
    model_.ShowPage(1);
  }

  void TearDown() override {
    model_.Sends().StopSends();
    remote_.reset();
    control_.reset();
    if (ports_) (*ports_)->CloseInUse();
    ports_.reset();
    snapshots_.reset();
    peer_.reset();
  }

  // The peer plays the messages into the remote input; returns once the program read them.
  bool Play(std::vector<MidiBytes> messages) {
    const std::size_t until = remote_events_ + messages.size();
    if (!peer_->send(std::move(messages))) return false;
    return Pump([&] { return remote_events_ >= until; });
  }

  // Everything the peer received from `from` on, once a marker proves nothing else is in
  // flight.
  std::vector<MidiBytes> Received(std::size_t expected, std::size_t from = 0) {
    (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
    EXPECT_TRUE(peer_->waitFor(from + expected + 1));
    std::vector<MidiBytes> out;
    for (const auto& e : peer_->events(from)) out.push_back(e.bytes);
    if (!out.empty() && out.back() == MidiBytes{0xF8}) out.pop_back();
    return out;
  }

  bool with_output_ = true;
  JackServer server_;
  std::unique_ptr<JackMidiPeer> peer_;
  SurfaceModel model_;  // outlives everything joined to it
  AppSettings settings_;
  std::optional<LinkedPorts> ports_;
  std::unique_ptr<SnapshotStore> snapshots_;
  std::unique_ptr<SurfaceControl> control_;
  std::unique_ptr<RemoteBinding> remote_;
  std::size_t remote_events_ = 0;
};

TEST_F(JackRemote, ASliderControllerSetsItsSlotAndSendsTheSlotsOwnControllerAndChannel) {
  Tcontroller& d = model_.SlotDefinition(5);
  d.ctrl = 77;
  d.channel = 3;
  ASSERT_TRUE(Play({{0xB0, 5, 100}}));
  EXPECT_EQ(d.value, 100);
  EXPECT_EQ(model_.View(5).position, 127 - 100);
  EXPECT_TRUE(model_.Status().InActivity());
  EXPECT_EQ(Received(1), (std::vector<MidiBytes>{{0xB2, 77, 100}}));
}

TEST_F(JackRemote, AnotherChannelANoteAndASysexOnlyLightTheLamp) {
  model_.Status().MidiInTimerTimer();
  ASSERT_TRUE(Play({{0xB1, 5, 100}, {0x90, 5, 100}, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}}));
  EXPECT_TRUE(model_.Status().InActivity());
  EXPECT_EQ(model_.SlotDefinition(5).value, 127);
  EXPECT_TRUE(Received(0).empty());
}

TEST_F(JackRemote, PageOneControllerOnPageOneDoesNothing) {
  QSignalSpy shown(&model_, &SurfaceModel::pageShown);
  ASSERT_TRUE(Play({{0xB0, 41, 127}}));
  EXPECT_EQ(model_.CurrentPage(), 1);
  EXPECT_EQ(shown.count(), 0);
  EXPECT_TRUE(Received(0).empty());
  ASSERT_TRUE(Play({{0xB0, 42, 127}}));
  EXPECT_EQ(model_.CurrentPage(), 2);
}

TEST_F(JackRemote, ButtonSixIsPressedAndReleasedAndSendsTheValuesReceived) {
  Tcontroller& d = model_.SlotDefinition(6);
  d.use_slider = false;
  d.button_ctrl = 90;
  d.button_channel = 2;
  d.button_value = 0;
  model_.RedrawSlot(6);
  ASSERT_TRUE(Play({{0xB0, 70, 64}}));
  EXPECT_EQ(d.button_value, 127);
  EXPECT_TRUE(Pump([&] { return model_.View(6).button_down; }));
  ASSERT_TRUE(Play({{0xB0, 70, 63}}));
  EXPECT_EQ(d.button_value, 0);
  EXPECT_TRUE(Pump([&] { return !model_.View(6).button_down; }));
  EXPECT_EQ(Received(2), (std::vector<MidiBytes>{{0xB1, 90, 64}, {0xB1, 90, 63}}));
}

TEST_F(JackRemote, SnapshotZeroControllerWithValueZeroRecallsThroughThePacedSend) {
  model_.Definition(2, 7).value = 20;
  snapshots_->SetTakeMode(true);
  snapshots_->SnapshotSlotAction(0);
  ASSERT_FALSE(snapshots_->TakeMode());
  model_.Definition(2, 7).value = 90;
  ASSERT_TRUE(Play({{0xB0, 49, 0}}));
  EXPECT_EQ(model_.Definition(2, 7).value, 20);
  ASSERT_TRUE(Pump([&] { return model_.Sends().RunningSends() == 0; }));
  // Every definition of every page, in order, the recalled value among them.
  const std::vector<MidiBytes> sent = Received(kDefinitionCount);
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(kDefinitionCount));
  EXPECT_EQ(sent[SequenceNumber(2, 7) - 1], (MidiBytes{0xB0, 31, 20}));
  EXPECT_EQ(sent[0], (MidiBytes{0xB0, 1, 127}));
}

// A disabled slot leaves its number to the commands after the sliders.
TEST_F(JackRemote, ADisabledSlotsControllerFallsThroughToTheCommands) {
  struct Case {
    const char* what;
    std::uint8_t controller;
    std::function<bool()> happened;
  };
  const Case cases[] = {
      {"page", 43, [this] { return model_.CurrentPage() == 3; }},
      {"compact view", 46, [this] { return model_.Window().CompactView(); }},
      {"minimise", 47, [this] { return model_.Window().Minimized(); }},
      {"take mode", 48, [this] { return snapshots_->TakeMode(); }},
      {"snapshot store", 49,
       [this] { return !snapshots_->TakeMode() && snapshots_->Library().InUse(1, 0); }},
  };
  model_.SlotDefinition(5).enabled = false;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ASSERT_FALSE(k.happened());
    settings_.slider_controllers[4] = k.controller;
    remote_->ApplySettings(settings_);
    ASSERT_TRUE(Play({{0xB0, k.controller, 5}}));
    EXPECT_TRUE(k.happened());
    EXPECT_EQ(model_.Definition(1, 5).value, 127);
    model_.ShowPage(1);
  }
  EXPECT_TRUE(Received(0).empty());
}

// A controller that echoes what it receives: the program's output wired straight back into
// its remote input. Each move goes out once and its echo stops there.
TEST_F(JackRemote, AnEchoingControllerDoesNotLoop) {
  std::string program_out, program_remote_in;
  for (const std::string& p : peer_->midiPorts(true))
    if (p.rfind(peer_->clientName() + ":", 0) != 0) program_out = p;
  for (const std::string& p : peer_->midiPorts(false))
    if (p.rfind(peer_->clientName() + ":", 0) != 0) program_remote_in = p;
  ASSERT_FALSE(program_out.empty());
  ASSERT_FALSE(program_remote_in.empty());
  ASSERT_TRUE(peer_->connect(program_out, program_remote_in));
  Tcontroller& button = model_.SlotDefinition(6);
  button.use_slider = false;
  button.button_ctrl = 70;  // its own remote number: the echo comes back to it
  button.button_value = 0;

  ASSERT_TRUE(Play({{0xB0, 5, 100}, {0xB0, 70, 100}}));
  // The two echoes, then a marker through the same wire: nothing else came back before it.
  ASSERT_TRUE(Pump([&] { return remote_events_ >= 4; }));
  // The marker is a program change: the input passes it, the dispatch ignores it.
  const std::size_t served = remote_events_;
  (*ports_)->MidiOutput1().SendShort(0xCF, 0, 0);
  ASSERT_TRUE(Pump([&] { return remote_events_ >= served + 1; }));
  ASSERT_TRUE(peer_->waitFor(3));
  std::vector<MidiBytes> sent;
  for (const auto& e : peer_->events()) sent.push_back(e.bytes);
  EXPECT_EQ(sent, (std::vector<MidiBytes>{{0xB0, 5, 100}, {0xB0, 70, 100}, {0xCF, 0}}));
  EXPECT_EQ(remote_events_, 5u);
  EXPECT_EQ(model_.SlotDefinition(5).value, 100);
  EXPECT_EQ(button.button_value, 127);
}

// Far more than the receive ring holds: the surface still ends on the last value of each.
TEST_F(JackRemote, ABurstLeavesEverySlotAtTheLastValue) {
  constexpr int kMessages = 10000;
  std::vector<MidiBytes> burst;
  std::array<int, kSlotCount + 1> last{};
  for (int i = 0; i < kMessages; ++i) {
    const int slot = i % kSlotCount + 1;
    const int value = (i * 7 + i / kSlotCount) % 128;
    burst.push_back({0xB0, static_cast<std::uint8_t>(slot), static_cast<std::uint8_t>(value)});
    last[static_cast<std::size_t>(slot)] = value;
  }
  ASSERT_TRUE(peer_->send(std::move(burst)));
  const auto settled = [&] {
    for (int s = 1; s <= kSlotCount; ++s) {
      const int want = last[static_cast<std::size_t>(s)];
      if (model_.SlotDefinition(s).value != want) return false;
      if (model_.View(s).position != 127 - want) return false;
    }
    return true;
  };
  ASSERT_TRUE(peer_->waitSent());
  EXPECT_TRUE(Pump(settled));
  for (int s = 1; s <= kSlotCount; ++s)
    EXPECT_EQ(model_.SlotDefinition(s).value, last[static_cast<std::size_t>(s)]) << s;
}

TEST_F(JackRemote, TransportButtonsSendTheirControlChange) {
  model_.SendControlChange(7, 1, 99);
  ASSERT_TRUE(peer_->waitFor(1));
  const std::size_t before = peer_->count();
  EXPECT_TRUE(remote_->SendTransport(TransportButton::kPlay));
  EXPECT_TRUE(remote_->SendTransport(TransportButton::kPause));
  settings_.transport_channel = 10;
  remote_->ApplySettings(settings_);
  EXPECT_TRUE(remote_->SendTransport(TransportButton::kStop));
  EXPECT_EQ(Received(3, before),
            (std::vector<MidiBytes>{{0xB0, 65, 127}, {0xB0, 68, 127}, {0xB9, 66, 127}}));
  EXPECT_EQ(model_.Status().Panel(2), "7");
  EXPECT_EQ(model_.Status().Panel(4), "99");
}

class JackRemoteWithoutOutput : public JackRemote {
 protected:
  JackRemoteWithoutOutput() { with_output_ = false; }
};

TEST_F(JackRemoteWithoutOutput, TransportSendsNothingAndRemoteStillMovesTheSurface) {
  for (const TransportButton b : {TransportButton::kPlay, TransportButton::kStop,
                                  TransportButton::kRecord, TransportButton::kPause}) {
    EXPECT_FALSE(remote_->SendTransport(b));
  }
  EXPECT_FALSE(model_.Status().OutActivity());
  ASSERT_TRUE(Play({{0xB0, 5, 100}}));
  EXPECT_EQ(model_.SlotDefinition(5).value, 100);
  EXPECT_FALSE(model_.Status().OutActivity());
  EXPECT_EQ(peer_->count(), 0u);
}

}  // namespace
}  // namespace quorvane
