#include "surface/surface_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <tuple>
#include <vector>

#include "support/surface_settings.h"

namespace quorvane {
namespace {

using Sent = std::tuple<int, int, int>;

class SliderWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.MutablePages().Initialize();
    w.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent.emplace_back(s, d1, d2);
      return true;
    });
    w.ShowPage(1);
  }
  // Moves slot s's track bar as the user would, to value v.
  void Drag(int s, int v) { w.TrackBarMoved(s, TrackBarPosition(v)); }

  SurfaceModel w;
  std::vector<Sent> sent;
};

TEST_F(SliderWindowTest, FirstPageShowsDefaults) {
  for (int s = 1; s <= kSlotCount; ++s) {
    const SlotView& v = w.View(s);
    EXPECT_EQ(v.position, 0) << "value 127 puts the thumb at the top";
    EXPECT_EQ(v.value_text, QStringLiteral("127"));
    EXPECT_EQ(v.caption, QStringLiteral("Slider %1").arg(s));
    EXPECT_EQ(v.number_text, QString::number(s));
    EXPECT_TRUE(v.enabled);
    EXPECT_TRUE(v.button_down);
    EXPECT_EQ(v.marker, (RangeMarker{63, 63}));
  }
  EXPECT_EQ(w.View(1).hint, QStringLiteral("Label: Slider 1\r\nController: 1\r\nChannel: Global"));
  EXPECT_EQ(w.Status().Panel(1), QStringLiteral("MIDI Controller"));
  EXPECT_EQ(w.Status().Panel(3), QStringLiteral("Value"));
}

TEST_F(SliderWindowTest, PagesNumberBySlotOrBySequenceNumber) {
  w.ShowPage(3);
  EXPECT_EQ(w.View(1).number_text, QStringLiteral("1"));
  EXPECT_EQ(w.View(1).caption, QStringLiteral("Slider 49"));
  testing::SetSetting(w, &SurfaceSettings::update_slider_numbers, true);
  EXPECT_EQ(w.View(1).number_text, QStringLiteral("49"));
  EXPECT_EQ(w.View(24).number_text, QStringLiteral("72"));
  w.ShowPage(5);
  EXPECT_EQ(w.View(24).number_text, QStringLiteral("120"));
}

TEST_F(SliderWindowTest, SwitchingPagesSendsNothingAndChangesNoValue) {
  w.SetOutputInUse(true);
  w.MutablePages().at(2, 5).value = 10;
  const TPageSet before = w.MutablePages();
  for (int p : {2, 3, 1, 5, 2}) w.ShowPage(p);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(w.MutablePages(), before);
  EXPECT_EQ(w.View(5).position, 117);
  EXPECT_EQ(w.View(5).value_text, QStringLiteral("10"));
}

TEST_F(SliderWindowTest, DisabledSlotLooksGreyButKeepsItsValue) {
  Tcontroller& d = w.MutablePages().at(1, 5);
  d.enabled = false;
  d.value = 42;
  d.color = 0x0000FF;
  w.ShowPage(1);
  const SlotView& v = w.View(5);
  EXPECT_FALSE(v.enabled);
  EXPECT_EQ(v.caption_background, kDisabledCaption);
  EXPECT_EQ(v.caption_text_color, kDisabledText);
  EXPECT_EQ(v.value_text_color, kDisabledText);
  EXPECT_EQ(v.value_text, QStringLiteral("42"));
}

TEST_F(SliderWindowTest, CaptionColourAndRangeMarkerAreDrawn) {
  Tcontroller& d = w.MutablePages().at(1, 2);
  d.color = 0x7F7F7F;
  d.upper_range = 20;
  d.lower_range = 100;
  d.selected = true;
  d.channel = 9;
  w.ShowPage(1);
  EXPECT_EQ(w.View(2).caption_text_color, kWhite);
  EXPECT_EQ(w.View(2).marker, (RangeMarker{27, 107}));
  EXPECT_TRUE(w.View(2).selected_look);
  EXPECT_TRUE(w.View(2).hint.endsWith(QStringLiteral("Channel: 9")));
}

TEST_F(SliderWindowTest, DraggingSendsOneMessageOnTheEffectiveChannel) {
  w.SetOutputInUse(true);
  testing::SetSetting(w, &SurfaceSettings::global_channel, 10);
  w.MutablePages().at(1, 5).value = 100;
  w.ShowPage(1);
  Drag(5, 101);
  Drag(5, 101);  // same position again: no change event, nothing sent
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], Sent(0xB9, 5, 101));
  EXPECT_EQ(w.Status().Panel(2), QStringLiteral("5"));
  EXPECT_EQ(w.Status().Panel(4), QStringLiteral("101"));
  EXPECT_TRUE(w.Status().OutActivity());
  EXPECT_EQ(w.MutablePages().at(1, 5).value, 101);
}

TEST_F(SliderWindowTest, WithoutOutputValuesChangeButNothingIsSentOrShown) {
  Drag(3, 20);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(w.MutablePages().at(1, 3).value, 20);
  EXPECT_EQ(w.View(3).value_text, QStringLiteral("20"));
  EXPECT_FALSE(w.View(3).button_down);
  EXPECT_TRUE(w.Status().Panel(2).isEmpty());
  EXPECT_FALSE(w.Status().OutActivity());
}

TEST_F(SliderWindowTest, RefreshSlotNeverSends) {
  w.SetOutputInUse(true);
  w.MutablePages().at(1, 7).value = 3;
  w.RefreshSlot(7);
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(w.View(7).position, 124);
  EXPECT_TRUE(w.OutputInUse()) << "output is restored after the refresh";
}

class GroupMoveTest : public SliderWindowTest {
 protected:
  void SetUp() override {
    SliderWindowTest::SetUp();
    w.SetOutputInUse(true);
    Select(1, 1, 40);
    Select(1, 2, 20);
    Select(4, 3, 80);  // on another page
    w.ShowPage(1);
    w.CaptureGroupReference();
    w.SetGroupMode(true);
    w.Gestures().SetActiveSlot(1);
    sent.clear();
  }
  void Select(int page, int slot, int value) {
    w.MutablePages().at(page, slot).selected = true;
    w.MutablePages().at(page, slot).value = static_cast<std::uint8_t>(value);
  }
};

TEST_F(GroupMoveTest, MembersFollowInProportionAndAreSentBeforeTheLeader) {
  Drag(1, 60);
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 30);
  EXPECT_EQ(w.MutablePages().at(4, 3).value, 120);
  EXPECT_EQ(w.View(2).value_text, QStringLiteral("30"));
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0], Sent(0xB0, 2, 30));
  EXPECT_EQ(sent[1], Sent(0xB0, 75, 120));  // page 4 slot 3: N 75
  EXPECT_EQ(sent[2], Sent(0xB0, 1, 60));
  Drag(1, 100);
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 50) << "proportions stay those of the capture";
  EXPECT_EQ(w.MutablePages().at(4, 3).value, 127) << "capped at 127";
}

TEST_F(GroupMoveTest, ZeroReferenceLeader) {
  Select(1, 1, 0);
  Select(1, 2, 0);
  Select(1, 3, 2);
  w.MutablePages().at(4, 3).selected = false;
  w.SetGroupMode(false);
  w.ShowPage(1);
  w.CaptureGroupReference();
  w.SetGroupMode(true);
  Drag(1, 10);
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 10) << "same reference follows exactly";
  EXPECT_EQ(w.MutablePages().at(1, 3).value, 22) << "2 x (v + 1)";
  Drag(1, 100);
  EXPECT_EQ(w.MutablePages().at(1, 3).value, 127);
}

// Only a user's move of the leader drags the group: redrawing a slot never moves a member,
// since a member moved without its message would leave the instrument behind.
TEST_F(GroupMoveTest, RedrawsAndFollowedInputNeverMoveOtherMembers) {
  struct Case {
    const char* name;
    std::function<void()> prepare;                   // may send; its messages are not counted
    std::function<void()> act;                       // must send nothing
    std::vector<std::tuple<int, int, int>> changed;  // (page, slot, value) the act sets
  };
  const Case cases[] = {
      {"leader changed while its page was hidden, then shown",
       [this] {
         w.ShowPage(2);
         w.MutablePages().at(1, 1).value = 80;
       },
       [this] { w.ShowPage(1); },
       {}},
      {"a member dragged alone on another page, then back",
       [this] {
         w.ShowPage(4);
         Drag(3, 10);
       },
       [this] { w.ShowPage(1); },
       {}},
      {"followed input on the leader's controller",
       [] {},
       [this] { w.FollowMessage(0xB0, 1, 80); },
       {{1, 1, 80}}},
      {"refresh of the leader after a program change",
       [this] { w.MutablePages().at(1, 1).value = 80; },
       [this] { w.RefreshSlot(1); },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.prepare();
    sent.clear();
    TPageSet expected = w.MutablePages();
    for (const auto& [page, slot, value] : c.changed)
      expected.at(page, slot).value = static_cast<std::uint8_t>(value);
    c.act();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(w.MutablePages(), expected);
    for (int s = 1; s <= kSlotCount; ++s) {
      EXPECT_EQ(w.View(s).position, TrackBarPosition(w.SlotDefinition(s).value)) << s;
      EXPECT_EQ(w.View(s).value_text, QString::number(w.SlotDefinition(s).value)) << s;
    }
  }
}

TEST_F(GroupMoveTest, OnlyTheActiveSelectedSlotLeadsAndDisabledMembersStay) {
  w.MutablePages().at(1, 2).enabled = false;
  Drag(1, 60);
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 20) << "disabled member left out";
  w.Gestures().SetActiveSlot(2);
  const auto before = w.MutablePages().at(4, 3).value;
  Drag(1, 70);
  EXPECT_EQ(w.MutablePages().at(4, 3).value, before) << "slot 1 is not the active slot";
}

TEST_F(SliderWindowTest, ToggleButtonOnTheSliderOrOnItsOwnController) {
  w.SetOutputInUse(true);
  w.MutablePages().at(1, 4).value = 10;
  w.ShowPage(1);
  w.ButtonPressed(4, true);
  EXPECT_EQ(w.View(4).position, 0);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent.back(), Sent(0xB0, 4, 127));
  w.ButtonPressed(4, false);
  EXPECT_EQ(sent.back(), Sent(0xB0, 4, 0));
  EXPECT_EQ(w.View(4).position, 127);

  Tcontroller& d = w.MutablePages().at(1, 6);
  d.use_slider = false;
  d.button_ctrl = 90;
  d.button_channel = 3;
  sent.clear();
  w.ButtonPressed(6, false);
  w.ButtonPressed(6, true);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], Sent(0xB2, 90, 0));
  EXPECT_EQ(sent[1], Sent(0xB2, 90, 127));
  EXPECT_EQ(w.View(6).position, 0) << "the slider is untouched";
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

class FollowTest : public SliderWindowTest {
 protected:
  void SetUp() override {
    SliderWindowTest::SetUp();
    w.SetOutputInUse(true);
    w.MutablePages().at(1, 2).ctrl = 7;
    w.MutablePages().at(4, 9).ctrl = 7;
    w.MutablePages().at(4, 9).enabled = false;  // disabled definitions follow too
  }
};

TEST_F(FollowTest, EveryMatchingDefinitionFollowsWithoutEcho) {
  w.ShowPage(4);
  w.FollowMessage(0xB0, 7, 33);
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 33);
  EXPECT_EQ(w.MutablePages().at(4, 9).value, 33);
  EXPECT_EQ(w.View(9).position, TrackBarPosition(33));
  EXPECT_EQ(w.View(9).value_text, QStringLiteral("33"));
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(w.Status().InActivity());
}

TEST_F(FollowTest, ListenChannelFiltersUnlessAll) {
  w.FollowMessage(0xB1, 7, 10);  // channel 2, listening to 1
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 127);
  EXPECT_TRUE(w.Status().InActivity()) << "ignored messages light the indicator too";
  testing::SetSetting(w, &SurfaceSettings::listen_channel, 0);
  w.FollowMessage(0xB1, 7, 10);
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 10);
  w.FollowMessage(0x91, 7, 99);  // a note: ignored
  EXPECT_EQ(w.MutablePages().at(1, 2).value, 10);
}

TEST_F(SliderWindowTest, SlotBatchHoldsRedrawsAndGivesEachChangedSlotOnce) {
  QSignalSpy redrawn(&w, &SurfaceModel::slotChanged);
  w.BeginSlotBatch();
  w.BeginSlotBatch();  // nested: only the outermost end gives the notices
  for (int v = 1; v <= 20; ++v) {
    w.SlotDefinition(9).value = static_cast<std::uint8_t>(v);
    w.RefreshSlot(9);
    w.SlotDefinition(2).value = static_cast<std::uint8_t>(v);
    w.RefreshSlot(2);
  }
  w.EndSlotBatch();
  EXPECT_EQ(redrawn.size(), 0);
  EXPECT_EQ(w.View(9).value_text, QStringLiteral("20"));  // the model itself is current
  w.EndSlotBatch();
  ASSERT_EQ(redrawn.size(), 2);
  EXPECT_EQ(redrawn[0][0].toInt(), 2);
  EXPECT_EQ(redrawn[1][0].toInt(), 9);
  w.EndSlotBatch();  // unbalanced end does nothing
  w.RefreshSlot(2);
  EXPECT_EQ(redrawn.size(), 3);
}

}  // namespace
}  // namespace quorvane
