#include "surface/window_mode.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace quorvane {
namespace {

TEST(WindowModeTest, CompactViewTogglesAndLeavesOnce) {
  WindowMode mode;
  QSignalSpy spy(&mode, &WindowMode::compactViewChanged);
  mode.ToggleCompactView();
  EXPECT_TRUE(mode.CompactView());
  mode.LeaveCompactView();
  mode.LeaveCompactView();  // closed again: already in the full view
  EXPECT_FALSE(mode.CompactView());
  ASSERT_EQ(spy.count(), 2);
  EXPECT_FALSE(spy.at(1).at(0).toBool());
}

}  // namespace
}  // namespace quorvane
