#include "surface/slider_settings.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvane {
namespace {

struct EntryCase {
  int k;
  const char* text;
};

class ControllerEntryTextTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ControllerEntryTextTest, ReadsNumberThenName) {
  EXPECT_EQ(ControllerEntryText(GetParam().k), QString::fromUtf8(GetParam().text));
  EXPECT_EQ(ControllerEntries().at(GetParam().k), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ControllerEntryTextTest,
    ::testing::Values(EntryCase{0, "0 Bank Select"}, EntryCase{1, "1 Modulation Wheel"},
                      EntryCase{3, "3"}, EntryCase{9, "9"}, EntryCase{10, "10 Pan"},
                      EntryCase{20, "20"}, EntryCase{33, "33 Mod Wheel (LSB)"},
                      EntryCase{66, "66 Sustenuto"},
                      EntryCase{71,
                                "71 Sound Controller 2 (Harmonic "
                                "Intensity)"},
                      EntryCase{74, "74 Sound Controller 5 (Brightness)"},
                      EntryCase{79, "79 Sound Controller 10"}, EntryCase{85, "85"},
                      EntryCase{90, "90"}, EntryCase{98, "98 NRPN LSB"}, EntryCase{102, "102"},
                      EntryCase{119, "119"}, EntryCase{122, "122 Local Control On/Off"},
                      EntryCase{127, "127 Poly Mode On"}));

TEST(ControllerEntries, HundredTwentyEightEntriesEachStartingWithItsNumber) {
  const QStringList entries = ControllerEntries();
  ASSERT_EQ(entries.size(), kControllerEntryCount);
  for (int k = 0; k < kControllerEntryCount; ++k) {
    const QString number = QString::number(k);
    const QString& e = entries.at(k);
    EXPECT_TRUE(e == number || e.startsWith(number + QLatin1Char(' '))) << e.toStdString();
    EXPECT_FALSE(e.endsWith(QLatin1Char(' '))) << e.toStdString();
  }
}

TEST(ControllerEntries, FiftySixEntriesAreJustTheNumber) {
  const QStringList entries = ControllerEntries();
  int unnamed = 0;
  for (int k = 0; k < entries.size(); ++k) unnamed += entries.at(k) == QString::number(k);
  EXPECT_EQ(unnamed, 56);
}

TEST(ChannelEntries, GlobalThenOneToSixteen) {
  const QStringList entries = ChannelEntries();
  ASSERT_EQ(entries.size(), kChannelEntryCount);
  EXPECT_EQ(entries.front(), QStringLiteral("Global"));
  for (int c = 1; c <= 16; ++c) EXPECT_EQ(entries.at(c), QString::number(c));
}

Tcontroller Sample() {
  Tcontroller d = Tcontroller::Initial(29);
  d.ctrl = 74;
  d.value = 99;
  d.upper_range = 100;
  d.lower_range = 20;
  d.channel = 3;
  d.caption = QStringLiteral("Cutoff");
  d.color = 0x123456;
  d.selected = true;
  d.enabled = true;
  d.button_ctrl = 12;
  d.button_channel = 16;
  d.button_value = 127;
  d.use_slider = false;
  return d;
}

TEST(SliderSettingsFields, FromReadsTheSevenEditedFields) {
  const SliderSettingsFields f = SliderSettingsFields::From(Sample());
  SliderSettingsFields expected;
  expected.ctrl = 74;
  expected.caption = QStringLiteral("Cutoff");
  expected.enabled = true;
  expected.channel = 3;
  expected.button_ctrl = 12;
  expected.button_channel = 16;
  expected.use_slider = false;
  EXPECT_EQ(f, expected);
}

TEST(SliderSettingsFields, WriteBackSetsEditedFieldsAndKeepsTheRest) {
  Tcontroller d = Sample();
  SliderSettingsFields f;
  f.ctrl = 0;
  f.caption = QStringLiteral("Resonance");
  f.enabled = false;
  f.channel = 0;
  f.button_ctrl = 127;
  f.button_channel = 1;
  f.use_slider = true;
  f.WriteBack(d);

  Tcontroller expected = Sample();
  expected.ctrl = 0;
  expected.caption = QStringLiteral("Resonance");
  expected.enabled = false;
  expected.channel = 0;
  expected.button_ctrl = 127;
  expected.button_channel = 1;
  expected.use_slider = true;
  EXPECT_EQ(d, expected);
}

TEST(SliderSettingsFields, RoundTripLeavesTheDefinitionEqual) {
  Tcontroller d = Sample();
  SliderSettingsFields::From(d).WriteBack(d);
  EXPECT_EQ(d, Sample());
}

TEST(SliderSettingsFields, NumbersTheListsCannotShowSurviveUnchanged) {
  Tcontroller d = Sample();
  d.ctrl = 200;
  d.channel = 17;
  d.button_ctrl = 128;
  d.button_channel = 255;
  const SliderSettingsFields f = SliderSettingsFields::From(d);
  EXPECT_EQ(f.ctrl, -1);
  EXPECT_EQ(f.channel, -1);
  EXPECT_EQ(f.button_ctrl, -1);
  EXPECT_EQ(f.button_channel, -1);
  const Tcontroller before = d;
  f.WriteBack(d);
  EXPECT_EQ(d, before);
}

TEST(SliderSettingsRules, ButtonFieldsEnabledOnlyWithoutSliderSettings) {
  EXPECT_TRUE(ButtonFieldsEnabled(false));
  EXPECT_FALSE(ButtonFieldsEnabled(true));
}

TEST(SliderSettingsRules, DialogOpensHundredRightSeventyBelowTheCorner) {
  EXPECT_EQ(SettingsDialogPosition(QPoint(0, 0)), QPoint(100, 70));
  EXPECT_EQ(SettingsDialogPosition(QPoint(250, 40)), QPoint(350, 110));
  EXPECT_EQ(SettingsDialogPosition(QPoint(-20, -5)), QPoint(80, 65));
}

struct VectorCase {
  int n;
  const char* caption;
  int ctrl;
  const char* text;
};

class VectorListEntryTextTest : public ::testing::TestWithParam<VectorCase> {};

TEST_P(VectorListEntryTextTest, NumberCaptionAndController) {
  Tcontroller d;
  d.caption = QString::fromUtf8(GetParam().caption);
  d.ctrl = static_cast<std::uint8_t>(GetParam().ctrl);
  EXPECT_EQ(VectorListEntryText(GetParam().n, d), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Table, VectorListEntryTextTest,
                         ::testing::Values(VectorCase{29, "Cutoff", 74, "29) Cutoff (74)"},
                                           VectorCase{1, "", 0, "1)  (0)"},
                                           VectorCase{120, "Poly", 127, "120) Poly (127)"}));

}  // namespace
}  // namespace quorvane
