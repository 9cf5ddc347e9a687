// A snapshot recall end to end: the store, the model's paced bulk send, the output port over
// RtMidi's JACK client, a private dummy server, and a peer that records what arrives.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <vector>

#include "jack_ports.h"
#include "snapshots/snapshot_store.h"
#include "support/surface_settings.h"
#include "surface/bulk_send_thread.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::MidiBytes;

class JackRecall : public testing::JackPortsTest {
 protected:
  JackRecall() : JackPortsTest(false) {}

  void SetUp() override {
    JackPortsTest::SetUp();
    if (HasFatalFailure()) return;
    model_.ShowPage(1);
    testing::SetSetting(model_, &SurfaceSettings::midi_delay, 5);
    testing::SetSetting(model_, &SurfaceSettings::global_channel, 3);
  }

  void WaitForSends() {
    while (model_.Sends().RunningSends() > 0)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  // Every fifth definition is disabled; every other one sends its button message too.
  static void Configure(Tcontroller& d, int n) {
    d.enabled = n % 5 != 0;
    d.ctrl = static_cast<std::uint8_t>(n - 1);
    d.channel = static_cast<std::uint8_t>(n % 2 == 0 ? 0 : 6);
    d.use_slider = n % 2 == 0;
    d.button_ctrl = static_cast<std::uint8_t>(127 - (n - 1));
    d.button_channel = 10;
  }
  static std::uint8_t StoredValue(int n) { return static_cast<std::uint8_t>((n * 7) % 128); }
  static std::uint8_t StoredButton(int n) { return n % 3 == 0 ? 127 : 0; }
  static std::uint8_t LaterValue(int n) { return static_cast<std::uint8_t>((n * 11 + 5) % 128); }
  static std::uint8_t LaterButton(int n) { return n % 3 == 0 ? 0 : 127; }
};

TEST_F(JackRecall, RestoresEnabledDefinitionsOnlyAndSendsThemInWalkOrder) {
  TPageSet& pages = model_.MutablePages();
  for (int n = 1; n <= kDefinitionCount; ++n) {
    Tcontroller& d = pages.byNumber(n);
    Configure(d, n);
    d.value = StoredValue(n);
    d.button_value = StoredButton(n);
  }
  SnapshotStore store(model_);
  store.SelectBank(2);
  store.SetTakeMode(true);
  store.SnapshotSlotAction(0);
  ASSERT_TRUE(store.Library().InUse(2, 0));
  ASSERT_EQ(model_.Sends().RunningSends(), 0);  // storing sends nothing

  // Everything moves on; then bank 2 slot 0 comes back, from another current bank.
  for (int n = 1; n <= kDefinitionCount; ++n) {
    pages.byNumber(n).value = LaterValue(n);
    pages.byNumber(n).button_value = LaterButton(n);
  }
  store.SelectBank(1);
  QSignalSpy begun(&model_.Sends(), &BulkSends::sendBegun);
  QSignalSpy ended(&model_.Sends(), &BulkSends::sendEnded);
  store.RecallSnapshot(2, 0);
  WaitForSends();

  std::vector<MidiBytes> expected;
  for (int n = 1; n <= kDefinitionCount; ++n) {
    const Tcontroller& d = pages.byNumber(n);
    SCOPED_TRACE(n);
    if (!d.enabled) {
      EXPECT_EQ(d.value, LaterValue(n));
      EXPECT_EQ(d.button_value, LaterButton(n));
      continue;
    }
    EXPECT_EQ(d.value, StoredValue(n));
    // A button under a slider keeps its own value.
    EXPECT_EQ(d.button_value, d.use_slider ? LaterButton(n) : StoredButton(n));
    const int channel = d.channel == 0 ? 3 : d.channel;
    expected.push_back({static_cast<std::uint8_t>(0xB0 + channel - 1), d.ctrl, d.value});
    if (!d.use_slider) expected.push_back({0xB9, d.button_ctrl, d.button_value});
  }
  ASSERT_EQ(expected.size(), 96u + 48u);
  // Through the paced bulk send, which the send window and the disabled windows follow.
  EXPECT_EQ(begun.count(), 1);
  EXPECT_EQ(ended.count(), 1);

  ASSERT_TRUE(peer_->waitFor(expected.size()));
  // A marker sent after the walk bounds what else could have arrived.
  (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
  ASSERT_TRUE(peer_->waitFor(expected.size() + 1));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(events[i].bytes, expected[i]) << "message " << i;
  }
  EXPECT_EQ(events.back().bytes, (MidiBytes{0xF8}));
}

TEST_F(JackRecall, ASlotNotInUseSendsNothing) {
  for (int n = 1; n <= kDefinitionCount; ++n) Configure(model_.MutablePages().byNumber(n), n);
  SnapshotStore store(model_);
  QSignalSpy begun(&model_.Sends(), &BulkSends::sendBegun);
  store.RecallSnapshot(3, 0);
  EXPECT_EQ(model_.Sends().RunningSends(), 0);
  (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
  ASSERT_TRUE(peer_->waitFor(1));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].bytes, (MidiBytes{0xF8}));
  EXPECT_EQ(begun.count(), 0);
}

}  // namespace
}  // namespace quorvane
