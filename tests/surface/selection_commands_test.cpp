#include "surface/selection_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <array>
#include <deque>
#include <vector>

#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using ::testing::ElementsAre;
using Sent = std::array<int, 3>;

// Random(n) answers from a script, and remembers the n it was asked for.
class ScriptedRandom : public RandomSource {
 public:
  explicit ScriptedRandom(std::deque<int> answers) : answers_(std::move(answers)) {}
  void Reseed() override { ++reseeds; }
  int Random(int n) override {
    asked.push_back(n);
    if (answers_.empty()) return 0;
    const int r = answers_.front();
    answers_.pop_front();
    return r;
  }
  std::vector<int> asked;
  int reseeds = 0;

 private:
  std::deque<int> answers_;
};

// A fixed seed per run, so that many runs cover the whole spread reproducibly.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(unsigned seed) : generator_(seed) {}
  void Reseed() override {}
  int Random(int n) override { return std::uniform_int_distribution<int>(0, n - 1)(generator_); }

 private:
  std::mt19937 generator_;
};

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.MutablePages().Initialize();
    testing::SetSetting(w, &SurfaceSettings::midi_delay, 0);
    w.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent.push_back({s, d1, d2});
      return true;
    });
    w.ShowPage(1);
  }
  ScriptedRandom& Script(std::deque<int> answers) {
    auto source = std::make_unique<ScriptedRandom>(std::move(answers));
    ScriptedRandom& ref = *source;
    c.SetRandomSource(std::move(source));
    return ref;
  }
  void WaitForSends() {
    while (w.Sends().RunningSends() > 0)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  int SelectedCount() const {
    int n = 0;
    for (const Tcontroller& d : w.Pages()) n += d.selected ? 1 : 0;
    return n;
  }
  // Randomizes one selected definition alone and returns its new value.
  int RandomizeOne(int page, int slot) {
    for (Tcontroller& d : w.MutablePages()) d.selected = false;
    w.MutablePages().at(page, slot).selected = true;
    c.RandomizeSelection();
    WaitForSends();
    return w.MutablePages().at(page, slot).value;
  }

  SurfaceModel w;
  SelectionCommands c{w};
  std::vector<Sent> sent;
};

TEST_F(SelectionTest, SelectAllOnCurrentPageLeavesExactlyThatPage) {
  c.SelectAll();
  EXPECT_EQ(SelectedCount(), 120);
  w.ShowPage(2);
  c.SelectAllOnCurrentPage();
  EXPECT_EQ(SelectedCount(), 24);
  for (int s = 1; s <= kSlotCount; ++s) {
    EXPECT_TRUE(w.MutablePages().at(2, s).selected);
    EXPECT_TRUE(w.View(s).selected_look);
  }
}

TEST_F(SelectionTest, DeselectingThePageKeepsOtherPagesAndLabelsFollow) {
  c.SelectAll();
  EXPECT_TRUE(w.View(7).selected_look);
  c.DeselectAllOnCurrentPage();
  EXPECT_EQ(SelectedCount(), 96);
  EXPECT_FALSE(w.MutablePages().at(1, 7).selected);
  EXPECT_FALSE(w.View(7).selected_look);
  c.DeselectAll();
  EXPECT_EQ(SelectedCount(), 0);
}

TEST_F(SelectionTest, SelectAllDoesNotCaptureTheGroupProportions) {
  w.CaptureGroupReference();
  const auto before = w.GroupReference();
  w.MutablePages().at(1, 1).value = 5;
  c.SelectAll();
  c.DeselectAll();
  c.SelectAllOnCurrentPage();
  EXPECT_EQ(w.GroupReference(), before);
}

TEST_F(SelectionTest, EnableAndDisableReachEveryPageAndSendNothing) {
  w.SetOutputInUse(true);
  w.MutablePages().at(1, 3).selected = true;
  w.MutablePages().at(4, 10).selected = true;
  c.DisableSelected();
  EXPECT_FALSE(w.MutablePages().at(1, 3).enabled);
  EXPECT_FALSE(w.MutablePages().at(4, 10).enabled);
  EXPECT_TRUE(w.MutablePages().at(1, 4).enabled);
  EXPECT_FALSE(w.View(3).enabled);
  c.EnableSelected();
  EXPECT_TRUE(w.MutablePages().at(4, 10).enabled);
  EXPECT_TRUE(w.View(3).enabled);
  EXPECT_TRUE(sent.empty());
}

TEST_F(SelectionTest, LowerCaseKeysSetAndClearTheRangeFromTheSlidersValue) {
  w.TrackBarMoved(3, TrackBarPosition(100));
  c.SetRange(3, QLatin1Char('U'));
  EXPECT_EQ(w.MutablePages().at(1, 3).upper_range, 64) << "upper case does nothing";
  c.SetRange(3, QLatin1Char('u'));
  EXPECT_EQ(w.MutablePages().at(1, 3).upper_range, 100);
  w.TrackBarMoved(3, TrackBarPosition(20));
  c.SetRange(3, QLatin1Char('l'));
  EXPECT_EQ(w.MutablePages().at(1, 3).lower_range, 20);
  EXPECT_EQ(w.View(3).marker, (RangeMarker{27, 107}));
  c.SetRange(3, QLatin1Char('x'));
  EXPECT_EQ(w.MutablePages().at(1, 3).lower_range, 20);
  c.SetRange(3, QLatin1Char('c'));
  EXPECT_EQ(w.MutablePages().at(1, 3).upper_range, 63);
  EXPECT_EQ(w.MutablePages().at(1, 3).lower_range, 63);
  EXPECT_EQ(w.View(3).marker, (RangeMarker{64, 64}));
}

TEST_F(SelectionTest, RangeMenuCommandsTouchOnlySelectedSlotsOfTheCurrentPage) {
  w.MutablePages().at(1, 2).value = 90;
  w.MutablePages().at(1, 5).value = 30;
  w.MutablePages().at(2, 2).value = 10;
  w.ShowPage(1);
  for (int p : {1, 2}) {
    w.MutablePages().at(p, 2).selected = true;
  }
  w.MutablePages().at(1, 5).selected = true;
  c.SetRangeForSelected(QLatin1Char('u'));
  EXPECT_EQ(w.MutablePages().at(1, 2).upper_range, 90);
  EXPECT_EQ(w.MutablePages().at(1, 5).upper_range, 30);
  EXPECT_EQ(w.MutablePages().at(1, 6).upper_range, 64);
  EXPECT_EQ(w.MutablePages().at(2, 2).upper_range, 64) << "another page keeps its range";
  c.SetRangeForSelected(QLatin1Char('c'));
  EXPECT_FALSE(HasRange(w.MutablePages().at(1, 2)));
  EXPECT_EQ(w.MutablePages().at(1, 5).lower_range, 63);
}

TEST_F(SelectionTest, GroupToggleFlipsAndCapturesTheProportions) {
  QSignalSpy state(&w, &SurfaceModel::stateChanged);
  w.MutablePages().at(3, 4).value = 33;
  c.ToggleGroupMode();
  EXPECT_TRUE(w.GroupMode());
  EXPECT_EQ(w.GroupReference()[SequenceNumber(3, 4)], 33);
  EXPECT_GE(state.count(), 1);
  w.MutablePages().at(3, 4).value = 44;
  c.ToggleGroupMode();
  EXPECT_FALSE(w.GroupMode());
  EXPECT_EQ(w.GroupReference()[SequenceNumber(3, 4)], 44);
}

TEST_F(SelectionTest, ToggleSelectionActsOncePerGestureAndCaptures) {
  w.ShowPage(2);
  w.MutablePages().at(2, 6).value = 12;
  c.ToggleSelection(6);
  EXPECT_TRUE(w.MutablePages().at(2, 6).selected);
  EXPECT_TRUE(w.View(6).selected_look);
  EXPECT_TRUE(w.Gestures().TouchedInGesture(6));
  EXPECT_EQ(w.GroupReference()[SequenceNumber(2, 6)], 12);
  c.ToggleSelection(6);  // the same drag passes over it again
  EXPECT_TRUE(w.MutablePages().at(2, 6).selected);
  w.Gestures().EndGesture();
  c.ToggleSelection(6);
  EXPECT_FALSE(w.MutablePages().at(2, 6).selected);
  EXPECT_FALSE(w.View(6).selected_look);
}

TEST_F(SelectionTest, RandomizeStepStaysWithinTheFactorAndIsClamped) {
  testing::SetSetting(w, &SurfaceSettings::randomize_factor, 50);
  // The extreme draws: r = 0 gives +32, r = 126 gives -31.
  Script({0});
  w.MutablePages().at(1, 1).value = 120;
  EXPECT_EQ(RandomizeOne(1, 1), 127);
  ScriptedRandom& low = Script({126});
  w.MutablePages().at(1, 1).value = 120;
  EXPECT_EQ(RandomizeOne(1, 1), 89);
  EXPECT_THAT(low.asked, ElementsAre(127));
  EXPECT_EQ(low.reseeds, 1);
  Script({0});
  w.MutablePages().at(1, 1).value = 0;
  EXPECT_EQ(RandomizeOne(1, 1), 32);
  Script({126});
  w.MutablePages().at(1, 1).value = 0;
  EXPECT_EQ(RandomizeOne(1, 1), 0);
}

TEST_F(SelectionTest, RandomizeOverManySeedsCoversTheWholeSpread) {
  testing::SetSetting(w, &SurfaceSettings::randomize_factor, 50);
  int lo120 = 127, hi120 = 0, lo0 = 127, hi0 = 0, lo_r = 127, hi_r = 0;
  Tcontroller& ranged = w.MutablePages().at(2, 1);
  ranged.lower_range = 20;
  ranged.upper_range = 100;
  for (unsigned seed = 1; seed <= 400; ++seed) {
    c.SetRandomSource(std::make_unique<SeededRandom>(seed));
    w.MutablePages().at(1, 1).value = 120;
    w.MutablePages().at(1, 2).value = 0;
    ranged.value = 5;
    for (Tcontroller& d : w.MutablePages()) d.selected = false;
    w.MutablePages().at(1, 1).selected = w.MutablePages().at(1, 2).selected = ranged.selected =
        true;
    c.RandomizeSelection();
    WaitForSends();
    lo120 = std::min<int>(lo120, w.MutablePages().at(1, 1).value);
    hi120 = std::max<int>(hi120, w.MutablePages().at(1, 1).value);
    lo0 = std::min<int>(lo0, w.MutablePages().at(1, 2).value);
    hi0 = std::max<int>(hi0, w.MutablePages().at(1, 2).value);
    lo_r = std::min<int>(lo_r, ranged.value);
    hi_r = std::max<int>(hi_r, ranged.value);
  }
  EXPECT_GE(lo120, 89);
  EXPECT_LE(hi120, 127);
  EXPECT_LT(lo120, 95) << "the spread is used, not a fixed step";
  EXPECT_EQ(hi120, 127);
  EXPECT_EQ(lo0, 0);
  EXPECT_LE(hi0, 32);
  EXPECT_GT(hi0, 25);
  EXPECT_GE(lo_r, 20);
  EXPECT_LE(hi_r, 99);
  EXPECT_LT(lo_r, 30);
  EXPECT_GT(hi_r, 90);
}

TEST_F(SelectionTest, ARangedSliderGetsAValueFromLowToBelowHigh) {
  Tcontroller& d = w.MutablePages().at(1, 4);
  d.upper_range = 100;  // the bounds in either order
  d.lower_range = 20;
  ScriptedRandom& top = Script({79});
  EXPECT_EQ(RandomizeOne(1, 4), 99);
  EXPECT_THAT(top.asked, ElementsAre(80));
  Script({0});
  EXPECT_EQ(RandomizeOne(1, 4), 20);
}

TEST_F(SelectionTest, AClearedRangeCountsAsNoRange) {
  w.MutablePages().at(1, 4).selected = true;
  c.SetRangeForSelected(QLatin1Char('c'));
  w.MutablePages().at(1, 4).value = 60;
  testing::SetSetting(w, &SurfaceSettings::randomize_factor, 100);
  ScriptedRandom& r = Script({14});  // (64 - 14) / 100 * 100 = +50
  EXPECT_EQ(RandomizeOne(1, 4), 110);
  EXPECT_THAT(r.asked, ElementsAre(127));
}

TEST_F(SelectionTest, ButtonMessagesGetRandomButtonValues) {
  Tcontroller& a = w.MutablePages().at(1, 8);
  a.use_slider = false;
  a.button_value = 0;
  a.button_ctrl = 70;
  Tcontroller& b = w.MutablePages().at(1, 9);
  b.use_slider = false;
  b.button_value = 127;
  a.selected = b.selected = true;
  a.value = b.value = 64;
  w.SetOutputInUse(true);
  // Slider draw, then button draw, per definition: 64 is down, 63 is up.
  Script({64, 64, 64, 63});
  c.RandomizeSelection();
  WaitForSends();
  EXPECT_EQ(a.button_value, 127);
  EXPECT_EQ(b.button_value, 0);
  EXPECT_TRUE(w.View(8).button_down);
  EXPECT_FALSE(w.View(9).button_down);
  // Then the selection goes out: each slider message followed by its button message.
  EXPECT_THAT(sent, ElementsAre(Sent{0xB0, 8, 64}, Sent{0xB0, 70, 127}, Sent{0xB0, 9, 64},
                                Sent{0xB0, 9, 0}));
}

TEST_F(SelectionTest, ADisabledSelectedSliderIsNeitherChangedNorSent) {
  w.SetOutputInUse(true);
  Tcontroller& off = w.MutablePages().at(3, 3);
  off.selected = true;
  off.enabled = false;
  off.value = 50;
  Tcontroller& on = w.MutablePages().at(3, 4);
  on.selected = true;
  on.value = 50;
  Script({0, 0});
  c.RandomizeSelection();
  WaitForSends();
  EXPECT_EQ(off.value, 50);
  EXPECT_EQ(on.value, 82);
  EXPECT_THAT(sent, ElementsAre(Sent{0xB0, 52, 82}));
}

TEST_F(SelectionTest, RandomizeMovesTheShownSlidersWithoutDraggingTheGroup) {
  for (int s = 1; s <= 3; ++s) w.MutablePages().at(1, s).selected = true;
  w.MutablePages().at(1, 1).value = 40;
  w.MutablePages().at(1, 2).value = 20;
  w.MutablePages().at(1, 3).value = 80;
  w.ShowPage(1);
  w.CaptureGroupReference();
  w.Gestures().SetActiveSlot(1);
  w.SetGroupMode(true);
  w.SetOutputInUse(true);
  Script({4, 4, 4});  // +30 each
  c.RandomizeSelection();
  WaitForSends();
  EXPECT_EQ(w.MutablePages().at(1, 1).value, 70);
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 50);
  EXPECT_EQ(w.MutablePages().at(1, 3).value, 110);
  EXPECT_EQ(w.View(2).position, TrackBarPosition(50));
  EXPECT_TRUE(w.GroupFollow());
  EXPECT_EQ(w.GroupReference()[2], 50) << "the new values are the group's proportions";
  EXPECT_THAT(sent, ElementsAre(Sent{0xB0, 1, 70}, Sent{0xB0, 2, 50}, Sent{0xB0, 3, 110}));
}

TEST_F(SelectionTest, AnEmptySelectionStillCapturesAndRunsAnEmptySend) {
  QSignalSpy ended(&w.Sends(), &BulkSends::sendEnded);
  w.MutablePages().at(5, 5).value = 9;
  c.RandomizeSelection();
  WaitForSends();
  EXPECT_EQ(w.GroupReference()[SequenceNumber(5, 5)], 9);
  EXPECT_EQ(ended.count(), 1);
  EXPECT_TRUE(sent.empty());
}

// The factor dialog, answered from a script.
class ScriptedInteraction : public SelectionInteraction {
 public:
  explicit ScriptedInteraction(std::deque<std::optional<QString>> answers)
      : answers_(std::move(answers)) {}
  std::optional<QString> InputBox(const QString& title, const QString& prompt,
                                  const QString& text) override {
    titles.push_back(title);
    prompts.push_back(prompt);
    shown.push_back(text);
    if (answers_.empty()) {
      ADD_FAILURE() << "the box was shown again after the script ended";
      return QStringLiteral("1");  // a valid answer ends any loop
    }
    std::optional<QString> a = answers_.front();
    answers_.pop_front();
    return a;  // nullopt: cancelled
  }
  void ShowWarning(const QString& text) override { warnings.push_back(text); }

  std::vector<QString> titles, prompts, shown, warnings;

 private:
  std::deque<std::optional<QString>> answers_;
};

TEST_F(SelectionTest, TheFactorDialogInsistsOnAWholeNumberFromOneToHundred) {
  testing::SetSetting(w, &SurfaceSettings::randomize_factor, 50);
  ScriptedInteraction ui({QStringLiteral("0"), QStringLiteral("101"), QStringLiteral("abc"),
                          QStringLiteral("12.5"), QStringLiteral("1")});
  c.SetupRandomizeFactor(ui);
  EXPECT_EQ(w.Settings().randomize_factor, 1);
  EXPECT_EQ(ui.warnings, std::vector<QString>(4, QStringLiteral("Invalid input.")));
  EXPECT_EQ(ui.shown, std::vector<QString>(5, QStringLiteral("50"))) << "F again, not the typo";
  EXPECT_EQ(ui.titles.front(), QStringLiteral("Randomize Factor"));
  EXPECT_EQ(ui.prompts.front(), QStringLiteral("Enter a value between 1 and 100."));

  ScriptedInteraction top({QStringLiteral("100")});
  c.SetupRandomizeFactor(top);
  EXPECT_EQ(w.Settings().randomize_factor, 100);
  EXPECT_TRUE(top.warnings.empty());
}

TEST_F(SelectionTest, CancellingTheFactorDialogLeavesAtOnceAndKeepsTheFactor) {
  struct Case {
    int stored;
    std::deque<std::optional<QString>> answers;
    std::size_t warnings;
  };
  // A stored factor out of range (0, from an old settings file) is shown too; cancelling must
  // still leave.
  const Case cases[] = {{37, {std::nullopt}, 0},
                        {0, {std::nullopt}, 0},
                        {0, {QStringLiteral("abc"), std::nullopt}, 1},
                        {101, {std::nullopt}, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.stored);
    testing::SetSetting(w, &SurfaceSettings::randomize_factor, k.stored);
    ScriptedInteraction ui(k.answers);
    c.SetupRandomizeFactor(ui);
    EXPECT_EQ(w.Settings().randomize_factor, k.stored);
    EXPECT_EQ(ui.warnings.size(), k.warnings);
    EXPECT_EQ(ui.shown.size(), k.answers.size());
  }
}

}  // namespace
}  // namespace quorvane
