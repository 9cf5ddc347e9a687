#include "surface/label_gestures.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <vector>

#include "surface/selection_commands.h"
#include "surface/surface_model.h"
#include "surface/window_placement.h"

namespace quorvane {
namespace {

class LabelGesturesTest : public ::testing::Test {
 protected:
  LabelGesturesTest() {
    model_.MutablePages().Initialize();
    model_.SetOutputInUse(true);
    model_.SetShortSender([this](std::uint8_t, std::uint8_t, std::uint8_t) {
      ++sent_;
      return true;
    });
    model_.ShowPage(1);
  }

  std::vector<int> SelectedSlots() const {
    std::vector<int> out;
    for (int s = 1; s <= kSlotCount; ++s) {
      if (model_.Pages().at(1, s).selected) out.push_back(s);
    }
    return out;
  }
  void RightMove(int slot, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    gestures_.Move(slot, Qt::RightButton, mods, {});
  }
  LabelGestures::Outcome LeftMoveBy(int dx, int dy) {
    return gestures_.Move(3, Qt::LeftButton, Qt::NoModifier, kPress + QPoint(dx, dy));
  }

  static constexpr QPoint kPress{500, 300};
  SurfaceModel model_;
  SelectionCommands selection_{model_};
  LabelGestures gestures_{model_, selection_};
  int sent_ = 0;
};

TEST_F(LabelGesturesTest, RightSweepTogglesEachSlotOncePerGesture) {
  gestures_.Press(2, Qt::RightButton, {});
  for (int s : {2, 3, 4, 5, 6, 5, 4, 3, 2}) RightMove(s);
  EXPECT_EQ(SelectedSlots(), (std::vector<int>{2, 3, 4, 5, 6}));
  gestures_.Release(Qt::RightButton, true);

  // A new gesture toggles again.
  gestures_.Press(4, Qt::RightButton, {});
  RightMove(4);
  EXPECT_EQ(SelectedSlots(), (std::vector<int>{2, 3, 5, 6}));
  EXPECT_EQ(sent_, 0);
}

TEST_F(LabelGesturesTest, ModifierKeysStopMovesButNotThePress) {
  gestures_.Press(4, Qt::RightButton, {});  // the press does not look at modifiers
  for (Qt::KeyboardModifiers mods : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
    RightMove(5, mods);
  }
  // Two buttons held are not "exactly the right button" either.
  gestures_.Move(6, Qt::RightButton | Qt::LeftButton, Qt::NoModifier, {});
  EXPECT_EQ(SelectedSlots(), (std::vector<int>{4}));
}

TEST_F(LabelGesturesTest, LeftMoveBeyondTenPixelsEitherWayStartsADrag) {
  struct Case {
    int dx, dy;
    bool drags;
  };
  for (const Case& c :
       {Case{10, 0, false}, Case{0, -10, false}, Case{-10, 10, false}, Case{11, 0, true},
        Case{0, 11, true}, Case{-11, 0, true}, Case{3, -11, true}}) {
    SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
    gestures_.EndDrag();
    gestures_.Press(3, Qt::LeftButton, kPress);
    const auto outcome = LeftMoveBy(c.dx, c.dy);
    EXPECT_EQ(outcome == LabelGestures::Outcome::kBeginDrag, c.drags);
    EXPECT_EQ(gestures_.Dragging(), c.drags);
  }
  EXPECT_EQ(gestures_.DragSourceSlot(), 3);
  EXPECT_EQ(gestures_.DragSourcePage(), 1);
}

TEST_F(LabelGesturesTest, ALeftClickWithoutDragOpensTheSettings) {
  using enum LabelGestures::Outcome;
  gestures_.Press(3, Qt::LeftButton, kPress);
  LeftMoveBy(10, 10);
  EXPECT_EQ(gestures_.Release(Qt::LeftButton, true), kOpenSettings);

  gestures_.Press(3, Qt::LeftButton, kPress);
  EXPECT_EQ(gestures_.Release(Qt::LeftButton, false), kNone);  // released elsewhere

  gestures_.Press(3, Qt::RightButton, kPress);
  EXPECT_EQ(gestures_.Release(Qt::RightButton, true), kNone);

  gestures_.Press(3, Qt::LeftButton, kPress);
  LeftMoveBy(20, 0);
  EXPECT_EQ(gestures_.Release(Qt::LeftButton, true), kNone);  // that was a drag
}

TEST_F(LabelGesturesTest, DropOnAnotherPageSwapsWholeDefinitions) {
  Tcontroller& source = model_.Definition(1, 3);
  source.selected = true;
  source.value = 99;
  source.caption = QStringLiteral("Cutoff");
  const Tcontroller was_p1s3 = source;
  const Tcontroller was_p2s7 = model_.Definition(2, 7);

  gestures_.Press(3, Qt::LeftButton, kPress);
  ASSERT_EQ(LeftMoveBy(0, 20), LabelGestures::Outcome::kBeginDrag);
  gestures_.HoverPage(2);
  EXPECT_EQ(model_.CurrentPage(), 2);
  EXPECT_TRUE(gestures_.Drop(7));
  gestures_.EndDrag();

  EXPECT_EQ(model_.Definition(2, 7), was_p1s3);
  EXPECT_EQ(model_.Definition(1, 3), was_p2s7);
  EXPECT_EQ(model_.View(7).caption, QStringLiteral("Cutoff"));
  EXPECT_EQ(sent_, 0);
}

TEST_F(LabelGesturesTest, ADefinitionIsNotDroppedOnItselfNorWithoutADrag) {
  EXPECT_FALSE(gestures_.AcceptsDrop(5));  // no drag under way
  gestures_.Press(3, Qt::LeftButton, kPress);
  LeftMoveBy(30, 0);
  EXPECT_FALSE(gestures_.AcceptsDrop(3));
  EXPECT_TRUE(gestures_.AcceptsDrop(4));
  const TPageSet before = model_.Pages();
  EXPECT_FALSE(gestures_.Drop(3));
  EXPECT_EQ(model_.Pages(), before);
  // Slot 3 of another page is another definition.
  gestures_.HoverPage(2);
  EXPECT_TRUE(gestures_.AcceptsDrop(3));
}

TEST_F(LabelGesturesTest, ClearLabelsActsOnTheSelectionOfAllPages) {
  const TPageSet before = model_.Pages();
  selection_.ClearLabels();
  EXPECT_EQ(model_.Pages(), before);  // nothing selected: nothing changes

  for (int n : {2, 50, 120}) {
    model_.MutablePages().byNumber(n).selected = true;
    model_.MutablePages().byNumber(n).color = 0x0000FF;
  }
  selection_.ClearLabels();
  for (int n = 1; n <= kDefinitionCount; ++n) {
    const Tcontroller& d = model_.Pages().byNumber(n);
    const bool cleared = n == 2 || n == 50 || n == 120;
    EXPECT_EQ(d.caption.isEmpty(), cleared) << n;
    if (cleared) {
      EXPECT_EQ(d.color, kDefaultColor) << n;
    }
  }
  EXPECT_TRUE(model_.View(2).caption.isEmpty());
}

TEST_F(LabelGesturesTest, APickedColourSetsTheCaptionAndAContrastingText) {
  model_.SetSlotColor(4, 0x200000);  // dark blue
  EXPECT_EQ(model_.Definition(1, 4).color, 0x200000u);
  EXPECT_EQ(model_.View(4).caption_background, 0x200000u);
  EXPECT_EQ(model_.View(4).caption_text_color, kWhite);
  model_.SetSlotColor(4, 0x00C000);
  EXPECT_EQ(model_.View(4).caption_text_color, kBlack);
}

TEST(CompactStripGeometryTest, BottomEdgeLevelAndKeptOnScreen) {
  struct Case {
    QRect main_window;
    QRect screen;
    QRect strip;
  };
  const QRect screen(0, 0, 1920, 1080);
  for (const Case& c : {
           Case{{50, 100, 808, 800}, screen, {50, 836, 808, 64}},
           Case{{-30, 100, 808, 800}, screen, {0, 836, 808, 64}},      // off to the left
           Case{{1500, 100, 808, 800}, screen, {1112, 836, 808, 64}},  // off to the right
           Case{{50, 1000, 808, 800}, screen, {50, 1016, 808, 64}},    // below the bottom
           Case{{0, 0, 2500, 40}, screen, {0, 0, 1920, 64}},           // wider than the screen
           Case{{1920, 100, 808, 800}, {1920, 0, 1280, 1024}, {1920, 836, 808, 64}},
       }) {
    EXPECT_EQ(CompactStripGeometry(c.main_window, 64, c.screen), c.strip) << c.main_window.x();
  }
}

}  // namespace
}  // namespace quorvane
