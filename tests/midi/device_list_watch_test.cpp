#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/rtmidi_service.h"
#include "support/pump.h"

namespace quorvane {
namespace {

using testing::Pump;
using Lists = DeviceListWatch::Lists;

class DeviceListWatchTest : public ::testing::Test {
 protected:
  std::function<Lists()> Lister() {
    return [this] {
      ++looks;
      return lists;
    };
  }
  Lists lists{{"Keys In"}, {"Synth Out"}};
  int looks = 0;
  int changes = 0;
};

struct ListChange {
  const char* what;
  Lists after;
  bool told;
};

class DeviceListChangeTest : public DeviceListWatchTest,
                             public ::testing::WithParamInterface<ListChange> {};

TEST_P(DeviceListChangeTest, OnlyADifferenceIsTold) {
  const ListChange& c = GetParam();
  DeviceListWatch watch(
      Lister(), [this] { ++changes; }, 60000);
  lists = c.after;
  EXPECT_EQ(watch.Check(), c.told) << c.what;
  EXPECT_EQ(changes, c.told ? 1 : 0) << c.what;
  // The same lists once more: told at most once.
  EXPECT_FALSE(watch.Check()) << c.what;
  EXPECT_EQ(changes, c.told ? 1 : 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, DeviceListChangeTest,
    ::testing::Values(ListChange{"nothing", {{"Keys In"}, {"Synth Out"}}, false},
                      ListChange{"an input came", {{"Keys In", "Pads In"}, {"Synth Out"}}, true},
                      ListChange{"an output went", {{"Keys In"}, {}}, true},
                      ListChange{"a name changed", {{"Keys In"}, {"Drum Out"}}, true},
                      ListChange{
                          "an input became an output", {{}, {"Synth Out", "Keys In"}}, true}));

// The timer looks by itself; while nothing changes it tells nothing.
TEST_F(DeviceListWatchTest, TheTimerLooksAndTellsOnce) {
  DeviceListWatch watch(
      Lister(), [this] { ++changes; }, 5);
  const int first = looks;
  ASSERT_TRUE(Pump([&] { return looks >= first + 3; }));
  EXPECT_EQ(changes, 0);
  lists.first.push_back("Pads In");
  ASSERT_TRUE(Pump([&] { return changes == 1; }));
  const int after = looks;
  ASSERT_TRUE(Pump([&] { return looks >= after + 3; }));
  EXPECT_EQ(changes, 1);
}

TEST(RtMidiDeviceWatch, LooksAtMostOnceASecond) {
  DeviceListWatch watch([] { return Lists{}; }, [] {});
  EXPECT_GE(watch.IntervalMs(), 1000);
}

}  // namespace
}  // namespace quorvane
