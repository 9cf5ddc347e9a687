// A paced bulk send end to end: the model's send thread, the output port over the JACK service,
// a private dummy server, and a peer that records what arrives.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "files/app_settings.h"
#include "jack_ports.h"
#include "midi/midi_ports.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::MidiBytes;

class JackPacing : public testing::JackPortsTest {
 protected:
  JackPacing() : JackPortsTest(false) {}

  void SetUp() override {
    JackPortsTest::SetUp();
    if (HasFatalFailure()) return;
    model_.ShowPage(1);
  }

  void WaitForSends() {
    while (model_.Sends().RunningSends() > 0) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
  }
};

TEST_F(JackPacing, SendAllControllersArrivesInWalkOrderSliderBeforeButton) {
  testing::SetSetting(model_, &SurfaceSettings::midi_delay, 5);
  testing::SetSetting(model_, &SurfaceSettings::global_channel, 2);
  std::vector<MidiBytes> expected;
  for (int n = 1; n <= kDefinitionCount; ++n) {
    Tcontroller& d = model_.MutablePages().byNumber(n);
    d.enabled = true;
    d.ctrl = static_cast<std::uint8_t>(n - 1);
    d.channel = static_cast<std::uint8_t>(n % 2 == 0 ? 0 : 5);
    d.value = static_cast<std::uint8_t>((n * 7) % 128);
    d.use_slider = n % 2 == 0;  // every odd definition also sends its button message
    d.button_ctrl = static_cast<std::uint8_t>(127 - (n - 1));
    d.button_channel = 9;
    d.button_value = n % 3 == 0 ? 127 : 0;
    expected.push_back(
        {static_cast<std::uint8_t>(0xB0 + (d.channel == 0 ? 2 : d.channel) - 1), d.ctrl, d.value});
    if (!d.use_slider) expected.push_back({0xB8, d.button_ctrl, d.button_value});
  }
  ASSERT_EQ(expected.size(), 180u);

  model_.Sends().StartSend(BulkSendThread::kAllPages);
  WaitForSends();
  ASSERT_TRUE(peer_->waitFor(180));
  // A marker sent after the walk bounds what else could have arrived.
  (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
  ASSERT_TRUE(peer_->waitFor(181));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), 181u);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(events[i].bytes, expected[i]) << "message " << i;
  }
  EXPECT_EQ(events.back().bytes, (MidiBytes{0xF8}));
}

}  // namespace
}  // namespace quorvane
