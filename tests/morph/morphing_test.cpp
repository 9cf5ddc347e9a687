#include "morph/morphing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

struct Message {
  std::uint8_t status;
  std::uint8_t ctrl;
  std::uint8_t value;
  bool operator==(const Message&) const = default;
};

void PrintTo(const Message& m, std::ostream* os) {
  *os << "{" << int{m.status} << ", " << int{m.ctrl} << ", " << int{m.value} << "}";
}

// A model with blank definitions, whose output records what it is handed, and how the group
// follow flag stood at each send.
class MorphingTest : public ::testing::Test {
 protected:
  MorphingTest() {
    testing::SetSetting(model_, &SurfaceSettings::global_channel, 2);
    model_.SetOutputInUse(true);
    model_.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent_.push_back({s, d1, d2});
      follow_at_send_.push_back(model_.GroupFollow());
      return true;
    });
    model_.ShowPage(1);
  }

  Tcontroller& Ranged(int page, int slot, int upper, int lower, int value, int ctrl) {
    Tcontroller& d = model_.Definition(page, slot);
    d.enabled = true;
    d.upper_range = static_cast<std::uint8_t>(upper);
    d.lower_range = static_cast<std::uint8_t>(lower);
    d.value = static_cast<std::uint8_t>(value);
    d.ctrl = static_cast<std::uint8_t>(ctrl);
    return d;
  }

  SurfaceModel model_;
  std::vector<Message> sent_;
  std::vector<bool> follow_at_send_;
};

// --- MorphControllers ----------------------------------------------------------------------

struct MorphCase {
  int upper, lower, m, expected;
};

class MorphValues : public MorphingTest, public ::testing::WithParamInterface<MorphCase> {};

TEST_P(MorphValues, LandsOnTheProportionalPointAndSendsIt) {
  const MorphCase c = GetParam();
  Tcontroller& d = Ranged(2, 7, c.upper, c.lower, 3, 40);
  MorphControllers(model_, c.m);
  EXPECT_EQ(d.value, c.expected);
  ASSERT_EQ(sent_.size(), 1u);
  EXPECT_EQ(sent_[0], (Message{0xB1, 40, static_cast<std::uint8_t>(c.expected)}));
}

INSTANTIATE_TEST_SUITE_P(WorkedValues, MorphValues,
                         ::testing::Values(MorphCase{100, 20, 0, 20}, MorphCase{100, 20, 127, 100},
                                           MorphCase{100, 20, 64, 60}, MorphCase{100, 20, 1, 21},
                                           // Reversed bounds run the other way.
                                           MorphCase{20, 100, 0, 100}, MorphCase{20, 100, 127, 20},
                                           MorphCase{20, 100, 64, 60}, MorphCase{20, 100, 1, 99},
                                           MorphCase{127, 0, 126, 126}, MorphCase{127, 0, 64, 64}));

TEST_F(MorphingTest, EqualBoundsAndDisabledDefinitionsNeverMove) {
  Tcontroller& defaults = Ranged(1, 1, 64, 64, 10, 1);
  Tcontroller& cleared = Ranged(1, 2, kClearedRange, kClearedRange, 11, 2);
  Tcontroller& disabled = Ranged(3, 4, 100, 20, 12, 3);
  disabled.enabled = false;
  for (int m : {0, 1, 64, 126, 127}) {
    SCOPED_TRACE(m);
    MorphControllers(model_, m);
    EXPECT_EQ(defaults.value, 10);
    EXPECT_EQ(cleared.value, 11);
    EXPECT_EQ(disabled.value, 12);
  }
  EXPECT_TRUE(sent_.empty());
}

TEST_F(MorphingTest, SendsOnlyValuesThatChanged) {
  Tcontroller& wide = Ranged(1, 3, 127, 0, 0, 5);        // moves on every step
  Tcontroller& narrow = Ranged(1, 4, 101, 100, 100, 6);  // at its lower bound already
  MorphControllers(model_, 0);
  EXPECT_EQ(sent_, std::vector<Message>{});  // both sit where m = 0 puts them
  MorphControllers(model_, 10);
  EXPECT_EQ(sent_, (std::vector<Message>{{0xB1, 5, 10}}));
  MorphControllers(model_, 100);
  EXPECT_EQ(sent_, (std::vector<Message>{{0xB1, 5, 10}, {0xB1, 5, 100}, {0xB1, 6, 101}}));
  sent_.clear();
  // Back to a visited position: the narrow one changes again, both are sent once.
  MorphControllers(model_, 10);
  MorphControllers(model_, 10);
  EXPECT_EQ(sent_, (std::vector<Message>{{0xB1, 5, 10}, {0xB1, 6, 100}}));
  EXPECT_EQ(wide.value, 10);
  EXPECT_EQ(narrow.value, 100);
}

TEST_F(MorphingTest, EveryPageMovesInPageThenSlotOrderAndTheShownPageFollows) {
  model_.ShowPage(3);
  Ranged(5, 1, 100, 20, 0, 50).channel = 16;
  Ranged(3, 24, 100, 20, 0, 30);
  Ranged(1, 9, 100, 20, 0, 10).channel = 7;
  Ranged(3, 2, 20, 100, 0, 31);
  const Tcontroller before_button = model_.Definition(3, 2);
  MorphControllers(model_, 127);
  EXPECT_EQ(sent_, (std::vector<Message>{
                       {0xB6, 10, 100}, {0xB1, 31, 20}, {0xB1, 30, 100}, {0xBF, 50, 100}}));
  EXPECT_EQ(model_.Definition(5, 1).value, 100);
  EXPECT_EQ(model_.Definition(1, 9).value, 100);
  // The shown page's sliders and value displays follow; the buttons are left alone.
  EXPECT_EQ(model_.View(24).position, TrackBarPosition(100));
  EXPECT_EQ(model_.View(24).value_text, QStringLiteral("100"));
  EXPECT_EQ(model_.View(2).value_text, QStringLiteral("20"));
  EXPECT_EQ(model_.Definition(3, 2).button_value, before_button.button_value);
}

TEST_F(MorphingTest, WithTheOutputClosedValuesAndSlidersStillMove) {
  model_.SetOutputInUse(false);
  Ranged(1, 5, 100, 20, 0, 5);
  MorphControllers(model_, 64);
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(model_.Definition(1, 5).value, 60);
  EXPECT_EQ(model_.View(5).value_text, QStringLiteral("60"));
}

TEST_F(MorphingTest, AfterARefusedMessageTheRestOfTheStepStaysQuiet) {
  model_.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
    sent_.push_back({s, d1, d2});
    return false;
  });
  Ranged(1, 1, 100, 20, 0, 1);
  Ranged(2, 1, 100, 20, 0, 2);
  MorphControllers(model_, 127);
  EXPECT_EQ(sent_.size(), 1u);
  EXPECT_EQ(model_.Definition(2, 1).value, 100);  // stored all the same
}

TEST_F(MorphingTest, GroupFollowIsOffWhileMovingAndOnAfterwards) {
  Ranged(1, 1, 100, 20, 0, 1);
  Ranged(1, 2, 90, 10, 0, 2);
  model_.SetGroupFollow(false);  // on again afterwards, whatever it was
  MorphControllers(model_, 127);
  DriveController(model_, 0, 0);
  EXPECT_EQ(follow_at_send_, (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(model_.GroupFollow());
}

// --- DriveController -----------------------------------------------------------------------

struct DriveCase {
  const char* name;
  int upper, lower;
  bool output;
  int v, expected;
};

void PrintTo(const DriveCase& c, std::ostream* os) {
  *os << c.name;
}

class DriveValues : public MorphingTest, public ::testing::WithParamInterface<DriveCase> {};

TEST_P(DriveValues, StoresTheScaledValueWhetherOrNotTheOutputIsOpen) {
  const DriveCase c = GetParam();
  model_.SetOutputInUse(c.output);
  Tcontroller& d = Ranged(1, 6, c.upper, c.lower, 55, 9);
  DriveController(model_, IndexOf(1, 6), c.v);
  EXPECT_EQ(d.value, c.expected);
  EXPECT_EQ(model_.View(6).value_text, QString::number(c.expected));
  const std::vector<Message> expected_sent =
      c.output ? std::vector<Message>{{0xB1, 9, static_cast<std::uint8_t>(c.expected)}}
               : std::vector<Message>{};
  EXPECT_EQ(sent_, expected_sent);
  // The same input again is no change: nothing more goes out.
  sent_.clear();
  DriveController(model_, IndexOf(1, 6), c.v);
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(d.value, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Mended, DriveValues,
                         ::testing::Values(DriveCase{"TopOpen", 100, 20, true, 127, 100},
                                           DriveCase{"BottomOpen", 100, 20, true, 0, 20},
                                           DriveCase{"TopClosed", 100, 20, false, 127, 100},
                                           DriveCase{"BottomClosed", 100, 20, false, 0, 20},
                                           DriveCase{"MiddleReversed", 20, 100, true, 64, 60},
                                           DriveCase{"UnrangedOpen", 64, 64, true, 90, 90},
                                           DriveCase{"UnrangedClosed", 63, 63, false, 90, 90}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MorphingTest, ADriveMatchingTheStoredScaledValueSendsNothing) {
  // The stored value is compared after scaling: 127 lands on 100, which is there already.
  Tcontroller& d = Ranged(2, 1, 100, 20, 100, 9);
  DriveController(model_, IndexOf(2, 1), 127);
  EXPECT_TRUE(sent_.empty());
  // An unscaled input equal to the stored value still moves it into the range.
  d.value = 64;
  DriveController(model_, IndexOf(2, 1), 64);
  EXPECT_EQ(d.value, 60);
  EXPECT_EQ(sent_, (std::vector<Message>{{0xB1, 9, 60}}));
}

TEST_F(MorphingTest, ClosedThenOpenOutputSendsWhatTheRangeAsks) {
  Tcontroller& d = Ranged(1, 1, 100, 20, 50, 9);
  model_.SetOutputInUse(false);
  DriveController(model_, 0, 127);
  model_.SetOutputInUse(true);
  DriveController(model_, 0, 0);
  DriveController(model_, 0, 127);
  EXPECT_EQ(d.value, 100);
  EXPECT_EQ(sent_, (std::vector<Message>{{0xB1, 9, 20}, {0xB1, 9, 100}}));
}

TEST_F(MorphingTest, DisabledAndUnknownDefinitionsAreNeverDriven) {
  Tcontroller& d = Ranged(4, 4, 100, 20, 33, 9);
  d.enabled = false;
  for (int v : {0, 64, 127}) DriveController(model_, IndexOf(4, 4), v);
  DriveController(model_, -1, 5);
  DriveController(model_, kDefinitionCount, 5);
  EXPECT_EQ(d.value, 33);
  EXPECT_TRUE(sent_.empty());
}

TEST_F(MorphingTest, ADriveOnAnotherPageLeavesTheShownSlotAlone) {
  Ranged(2, 3, 127, 0, 0, 9);
  Ranged(1, 3, 127, 0, 0, 8);
  model_.RefreshSlot(3);
  DriveController(model_, IndexOf(2, 3), 77);
  EXPECT_EQ(model_.Definition(2, 3).value, 77);
  EXPECT_EQ(model_.View(3).value_text, QStringLiteral("0"));
}

// --- VectorAssignments ---------------------------------------------------------------------

struct PadCase {
  int pixel, expected;
};

TEST(VectorPad, MapsPixelsToValuesWithHalvesUpAndClamps) {
  const PadCase xs[] = {{0, 0}, {324, 127}, {162, 64}, {400, 127}, {-20, 0},
                        {1, 0}, {2, 1},     {161, 63}, {323, 127}, {100000, 127}};
  for (const PadCase& c : xs) EXPECT_EQ(VectorAssignments::PadX(c.pixel), c.expected) << c.pixel;
  const PadCase ys[] = {{320, 0},   {8, 127},  {164, 64}, {330, 0}, {0, 127},
                        {-50, 127}, {165, 63}, {319, 0},  {318, 1}};
  for (const PadCase& c : ys) EXPECT_EQ(VectorAssignments::PadY(c.pixel), c.expected) << c.pixel;
}

TEST(VectorPad, OnlyTheLeftButtonAloneSendsOnAMove) {
  struct Case {
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    bool sends;
  };
  const Case cases[] = {
      {Qt::LeftButton, Qt::NoModifier, true},
      {Qt::LeftButton, Qt::ShiftModifier, false},
      {Qt::LeftButton, Qt::ControlModifier, false},
      {Qt::LeftButton, Qt::AltModifier, false},
      {Qt::LeftButton | Qt::RightButton, Qt::NoModifier, false},
      {Qt::RightButton, Qt::NoModifier, false},
      {Qt::NoButton, Qt::NoModifier, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VectorAssignments::MoveSends(c.buttons, c.modifiers), c.sends)
        << c.buttons.toInt() << " " << c.modifiers.toInt();
  }
}

TEST(VectorPad, AssignmentsKeepValidIndicesAndReadOthersAsNone) {
  VectorAssignments a;
  for (int k = 0; k < VectorAssignments::kListCount; ++k) EXPECT_EQ(a.At(k), -1);
  a.SetX({0, 119, 120, -5});
  a.SetY({7, -1, 3, 3});
  EXPECT_EQ(a.X(), (VectorAssignments::Axis{0, 119, -1, -1}));
  EXPECT_EQ(a.Y(), (VectorAssignments::Axis{7, -1, 3, 3}));
  a.Set(5, 42);
  EXPECT_EQ(a.At(5), 42);
  EXPECT_EQ(a.Y()[1], 42);
  a.Set(8, 1);  // no such list
  EXPECT_EQ(a.At(8), -1);
  EXPECT_EQ(VectorAssignments::RowOf(-1), 0);
  EXPECT_EQ(VectorAssignments::RowOf(119), 120);
  EXPECT_EQ(VectorAssignments::SettingOf(0), -1);
  EXPECT_EQ(VectorAssignments::SettingOf(-1), -1);  // a list with nothing chosen
  EXPECT_EQ(VectorAssignments::SettingOf(120), 119);
}

TEST(VectorPad, ListEntriesNameEachDefinitionByNumberCaptionAndController) {
  TPageSet pages;
  pages.Initialize();
  pages.byNumber(30).caption = QStringLiteral("Cutoff");
  pages.byNumber(30).ctrl = 74;
  const QStringList entries = VectorAssignments::Entries(pages);
  ASSERT_EQ(entries.size(), 121);
  EXPECT_EQ(entries[0], QStringLiteral("none"));
  EXPECT_EQ(entries[1], QStringLiteral("1) Slider 1 (1)"));
  EXPECT_EQ(entries[2], QStringLiteral("2) Slider 2 (2)"));
  EXPECT_EQ(entries[30], QStringLiteral("30) Cutoff (74)"));
  EXPECT_EQ(entries[120], QStringLiteral("120) Slider 120 (120)"));
  EXPECT_EQ(VectorAssignments::EntryText(pages, 30), entries[30]);
}

TEST(VectorPad, DrivesXListsThenYListsSkippingNoneAndKeepingRepeats) {
  VectorAssignments a;
  EXPECT_TRUE(a.Drives(10, 20).empty());
  a.SetX({-1, 5, -1, 5});
  a.SetY({7, -1, 2, -1});
  using D = VectorAssignments::Drive;
  EXPECT_EQ(a.Drives(10, 20), (std::vector<D>{{5, 10}, {5, 10}, {7, 20}, {2, 20}}));
}

TEST_F(MorphingTest, APadMoveDrivesTheAssignedDefinitionsOnlyWhenItSends) {
  VectorAssignments a;
  Ranged(1, 1, 100, 20, 0, 11);
  Ranged(4, 1, 127, 0, 0, 12);
  a.SetX({0, -1, -1, -1});
  a.SetY({-1, -1, IndexOf(4, 1), -1});
  using P = VectorAssignments::PadValues;
  EXPECT_EQ(a.Move(model_, 324, 164, false), (P{127, 64}));
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(a.Move(model_, 324, 164, true), (P{127, 64}));
  EXPECT_EQ(sent_, (std::vector<Message>{{0xB1, 11, 100}, {0xB1, 12, 64}}));
  EXPECT_EQ(a.Move(model_, -20, 330, true), (P{0, 0}));
  EXPECT_EQ(model_.Definition(1, 1).value, 20);
  EXPECT_EQ(model_.Definition(4, 1).value, 0);

  sent_.clear();
  VectorAssignments none;
  EXPECT_EQ(none.Move(model_, 100, 100, true), (P{39, 90}));
  EXPECT_TRUE(sent_.empty());
}

}  // namespace
}  // namespace quorvane
