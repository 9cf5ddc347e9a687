#include "web/browser_outbox.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Due = BrowserOutbox::Due;

// Marks gather into one message; past the bound of bytes not yet written a page is sent
// nothing, and once its socket drains it gets what it is owed, the latest of each.
TEST(BrowserOutbox, AHeldBackPageGetsWhatItIsOwedOnceDrained) {
  BrowserOutbox box(1000);
  std::vector<int> changed;
  EXPECT_EQ(box.Take(changed), Due::kNothing);
  box.MarkSlot(5);
  box.MarkSlot(2);
  box.MarkSlot(5);
  box.MarkSlot(25);  // not a slot
  EXPECT_EQ(box.Take(changed), Due::kSlots);
  EXPECT_EQ(changed, (std::vector<int>{2, 5}));
  EXPECT_EQ(box.Take(changed), Due::kNothing);

  box.Queued(1200);  // 1204 bytes on the wire, frame header included
  box.MarkSlot(7);
  EXPECT_EQ(box.Take(changed), Due::kNothing);
  EXPECT_TRUE(changed.empty());
  box.MarkState();  // the whole state stands for the slot
  EXPECT_FALSE(box.Written(200));
  EXPECT_TRUE(box.Written(4)) << "1000 left: at the bound, not above it";
  EXPECT_EQ(box.Take(changed), Due::kState);
  EXPECT_TRUE(changed.empty());

  // Bytes never counted (the handshake's) leave nothing owed below zero.
  EXPECT_FALSE(box.Written(5000));
  box.Queued(120);  // 122
  box.Queued(876);  // 880: 1002 in all
  box.MarkSlot(1);
  EXPECT_EQ(box.Take(changed), Due::kNothing);
  EXPECT_TRUE(box.Written(2));
  EXPECT_EQ(box.Take(changed), Due::kSlots);
}

}  // namespace
}  // namespace quorvane
