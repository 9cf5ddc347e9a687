#include "surface/redraw_pacer.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <vector>

#include "surface/surface_model.h"

namespace quorvane {
namespace {

// However many changes come within a refresh, the views get one frame with everything marked;
// a change after it, or made while it is drawn, arms the next one; nothing marked, nothing armed.
TEST(RedrawPacerTest, ChangesWithinARefreshGiveOneFrame) {
  RedrawPacer pacer;
  std::vector<RedrawFrame> frames;
  QObject::connect(&pacer, &RedrawPacer::frameDue, [&](const RedrawFrame& f) {
    frames.push_back(f);
    if (frames.size() == 1) pacer.MarkPanel(3);  // drawn in the next frame, not lost
  });
  QSignalSpy spy(&pacer, &RedrawPacer::frameDue);
  EXPECT_FALSE(pacer.Pending());
  for (int i = 0; i < 500; ++i) pacer.MarkSlot(1 + i % 3);
  pacer.MarkSlot(0);  // out of range: ignored
  pacer.MarkLamps();
  ASSERT_TRUE(spy.wait(2000));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].dirty_slots.count(), 3u);
  EXPECT_TRUE(frames[0].lamps);
  ASSERT_TRUE(spy.wait(2000));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_TRUE(frames[1].dirty_panels.test(3));
  EXPECT_TRUE(frames[1].dirty_slots.none());
  EXPECT_FALSE(pacer.Pending());
}

// After a pause a frame waits a refresh; in a stream it comes no sooner than the stream's spacing.
TEST(RedrawPacerTest, AStreamIsDrawnAtTheStreamsPace) {
  constexpr int kRefresh = RedrawPacer::kFrameMs, kStream = RedrawPacer::kStreamFrameMs;
  const std::pair<qint64, int> cases[] = {
      {-1, kRefresh}, {0, kStream}, {5, kStream - 5}, {kStream - 1, kRefresh}, {500, kRefresh}};
  for (const auto& [since, delay] : cases)
    EXPECT_EQ(RedrawPacer::FrameDelayMs(since), delay) << since;
}

// The surface marks what its changes touch and the frame shows the latest state; a value a
// remote surface put on the strip lasts until a slot is next drawn or the output goes quiet.
TEST(RedrawPacerTest, TheSurfaceMarksItsChangesAndTheFrameShowsTheLatest) {
  SurfaceModel model;
  model.MutablePages().Initialize();
  model.SetOutputInUse(true);
  model.ShowPage(1);
  model.Redraws().Flush();
  QSignalSpy spy(&model.Redraws(), &RedrawPacer::frameDue);
  for (int v = 0; v < 100; ++v) model.FollowMessage(0xB0, 2, static_cast<std::uint8_t>(v));
  ASSERT_TRUE(spy.wait(2000));
  ASSERT_EQ(spy.count(), 1);
  const auto frame = spy.at(0).at(0).value<RedrawFrame>();
  EXPECT_TRUE(frame.dirty_slots.test(2));
  EXPECT_TRUE(frame.lamps);
  EXPECT_EQ(model.View(2).value_text, QStringLiteral("99"));

  model.ShowStripValue(5, 77);
  EXPECT_EQ(model.View(5).strip_value, 77);
  model.RefreshSlot(7);
  EXPECT_EQ(model.View(5).strip_value, -1);
  model.ShowStripValue(5, 78);
  model.SendControlChange(5, 1, 78);
  model.Status().MidiOutTimerTimer();
  EXPECT_EQ(model.View(5).strip_value, -1);
}

}  // namespace
}  // namespace quorvane
