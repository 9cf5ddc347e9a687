// A morph sweep end to end: the model's sweep, the output port over RtMidi's JACK client, a
// private dummy server, and a peer that records what arrives.
#include <gtest/gtest.h>

#include <QString>
#include <vector>

#include "jack_ports.h"
#include "morph/morphing.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::MidiBytes;

class JackMorph : public testing::JackPortsTest {
 protected:
  JackMorph() : JackPortsTest(false) {}

  void SetUp() override {
    JackPortsTest::SetUp();
    if (HasFatalFailure()) return;
    model_.MutablePages().Initialize();  // every other definition: enabled, no range
    testing::SetSetting(model_, &SurfaceSettings::global_channel, 3);
    model_.ShowPage(3);
  }

  void Range(int page, int slot, int ctrl, int channel, int upper, int lower) {
    Tcontroller& d = model_.Definition(page, slot);
    d.ctrl = static_cast<std::uint8_t>(ctrl);
    d.channel = static_cast<std::uint8_t>(channel);
    d.upper_range = static_cast<std::uint8_t>(upper);
    d.lower_range = static_cast<std::uint8_t>(lower);
    d.value = 5;
  }
};

TEST_F(JackMorph, BottomToTopArrivesInPageThenSlotOrderWithTheRightValues) {
  // Set up out of walk order: page 5 first, the shown page 3, then page 1.
  Range(5, 1, 90, 16, 127, 0);
  Range(3, 5, 30, 0, 100, 20);
  Range(1, 24, 10, 6, 10, 90);  // reversed bounds

  // The slider from the bottom to the top; the top again sends nothing.
  for (int m : {0, 1, 64, 126, 127, 127}) MorphControllers(model_, m);

  // Hand-worked values per step, in walk order: page 1 (channel 6), page 3 (global channel
  // 3), page 5 (channel 16).
  const int page1[] = {90, 89, 50, 11, 10};
  const int page3[] = {20, 21, 60, 99, 100};
  const int page5[] = {0, 1, 64, 126, 127};
  std::vector<MidiBytes> expected;
  for (int step = 0; step < 5; ++step) {
    expected.push_back({0xB5, 10, static_cast<std::uint8_t>(page1[step])});
    expected.push_back({0xB2, 30, static_cast<std::uint8_t>(page3[step])});
    expected.push_back({0xBF, 90, static_cast<std::uint8_t>(page5[step])});
  }
  ASSERT_TRUE(peer_->waitFor(expected.size()));
  // A marker sent after the sweep bounds what else could have arrived.
  (*ports_)->MidiOutput1().SendShort(0xF8, 0, 0);
  ASSERT_TRUE(peer_->waitFor(expected.size() + 1));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(events[i].bytes, expected[i]) << "message " << i;
  EXPECT_EQ(events.back().bytes, (MidiBytes{0xF8}));

  EXPECT_EQ(model_.Definition(1, 24).value, 10);
  EXPECT_EQ(model_.Definition(3, 5).value, 100);
  EXPECT_EQ(model_.Definition(5, 1).value, 127);
  EXPECT_EQ(model_.Definition(2, 1).value, 127);  // no range: untouched
  EXPECT_EQ(model_.View(5).value_text, QStringLiteral("100"));
}

}  // namespace
}  // namespace quorvane
