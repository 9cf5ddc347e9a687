#include "model/controller.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(PageArithmetic, MapsPageSlotIndexAndNumber) {
  EXPECT_EQ(IndexOf(1, 1), 0);
  EXPECT_EQ(SequenceNumber(1, 1), 1);
  EXPECT_EQ(IndexOf(5, 24), 119);
  EXPECT_EQ(SequenceNumber(5, 24), 120);
  EXPECT_EQ(IndexOf(3, 7), 54);
  EXPECT_EQ(SequenceNumber(3, 7), 55);
  for (int i = 0; i < kDefinitionCount; ++i) EXPECT_EQ(IndexOf(PageOfIndex(i), SlotOfIndex(i)), i);
}

TEST(PageSet, InitializeGivesDefaultsNumberedByN) {
  TPageSet set;
  EXPECT_EQ(set[119].ctrl, 0) << "a new set is blank until initialised";
  set.Initialize();
  const Tcontroller& last = set.at(5, 24);
  EXPECT_EQ(last.ctrl, 120);
  EXPECT_EQ(last.button_ctrl, 120);
  EXPECT_EQ(last.caption, QStringLiteral("Slider 120"));
  EXPECT_EQ(last.value, 127);
  EXPECT_EQ(last.upper_range, 64);
  EXPECT_EQ(last.lower_range, 64);
  EXPECT_EQ(last.color, 0xEEFFFFu);
  EXPECT_TRUE(last.enabled);
  EXPECT_TRUE(last.use_slider);
  EXPECT_FALSE(last.selected);
  EXPECT_EQ(set.byNumber(55).caption, QStringLiteral("Slider 55"));
}

TEST(PageSet, CopyingADefinitionSharesNothing) {
  TPageSet set;
  set.Initialize();
  Tcontroller copy = set[0];
  copy.caption += QStringLiteral("x");
  EXPECT_EQ(set[0].caption, QStringLiteral("Slider 1"));
}

TEST(Encodings, TrackBarPositionIsInverted) {
  EXPECT_EQ(TrackBarPosition(127), 0);
  EXPECT_EQ(TrackBarPosition(0), 127);
  EXPECT_EQ(ValueFromPosition(TrackBarPosition(100)), 100);
}

TEST(Encodings, RangeMarkerIgnoresBoundOrder) {
  EXPECT_EQ(RangeMarkerFor(100, 20), (RangeMarker{27, 107}));
  EXPECT_EQ(RangeMarkerFor(20, 100), (RangeMarker{27, 107}));
  EXPECT_EQ(RangeMarkerFor(kClearedRange, kClearedRange), (RangeMarker{64, 64}));
}

TEST(Encodings, EffectiveChannelAndStatus) {
  EXPECT_EQ(ControlChangeStatus(EffectiveChannel(0, 10)), 0xB9);
  EXPECT_EQ(ControlChangeStatus(EffectiveChannel(3, 10)), 0xB2);
  EXPECT_EQ(ControlChangeStatus(EffectiveChannel(16, 1)), 0xBF);
}

TEST(Encodings, ButtonDisplayFollowsValueOrButtonValue) {
  Tcontroller c = Tcontroller::Initial(1);
  c.value = 63;
  EXPECT_FALSE(ButtonShownDown(c));
  c.value = 64;
  EXPECT_TRUE(ButtonShownDown(c));
  c.use_slider = false;
  c.button_value = 0;
  EXPECT_FALSE(ButtonShownDown(c)) << "without use_slider the value does not matter";
  c.button_value = 127;
  EXPECT_TRUE(ButtonShownDown(c));
}

TEST(Encodings, CaptionContrastSwitchesAt128) {
  EXPECT_EQ(CaptionTextColor(0x7F7F7F), kWhite);
  EXPECT_EQ(CaptionTextColor(0x7F7F80), kBlack);  // red 128
  EXPECT_EQ(CaptionTextColor(0x7F807F), kBlack);  // green 128
  EXPECT_EQ(CaptionTextColor(0x807F7F), kBlack);  // blue 128
  EXPECT_EQ(CaptionTextColor(kDefaultColor), kBlack);
}

TEST(Encodings, RoundingIsHalfToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

TEST(Encodings, DriveAndMorphScaling) {
  Tcontroller c = Tcontroller::Initial(1);
  c.lower_range = 20;
  c.upper_range = 100;
  EXPECT_EQ(ScaleDriveValue(c, 0), 20);
  EXPECT_EQ(ScaleDriveValue(c, 127), 100);
  EXPECT_EQ(MorphValue(c, 127), 100) << "morph at the bottom gives the upper bound";
  EXPECT_EQ(MorphValue(c, 0), 20);
  c.upper_range = c.lower_range = 64;
  EXPECT_EQ(ScaleDriveValue(c, 33), 33) << "no range: the drive value passes unscaled";
}

}  // namespace
}  // namespace quorvane
