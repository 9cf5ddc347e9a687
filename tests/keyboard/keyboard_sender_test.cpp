#include "keyboard/keyboard_sender.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using Sent = std::tuple<int, int, int>;

class KeyboardSenderTest : public ::testing::Test {
 protected:
  KeyboardSender sender{[this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
                          sent.emplace_back(s, d1, d2);
                          return accept;
                        },
                        [this] { return channel; }, [this] { return output_in_use; }};
  std::vector<Sent> sent;
  int channel = 1;
  bool output_in_use = true;
  bool accept = true;
};

TEST_F(KeyboardSenderTest, EachActionSendsItsMessageOnTheGlobalChannel) {
  struct Case {
    const char* action;
    int channel;
    std::function<void(KeyboardSender&)> act;
    std::vector<Sent> expected;
  };
  const std::vector<Case> cases{
      {"note on", 1, [](KeyboardSender& k) { k.NoteOn(60, 100); }, {{0x90, 60, 100}}},
      {"note off", 1, [](KeyboardSender& k) { k.NoteOff(60); }, {{0x90, 60, 0}}},
      {"note on ch 16", 16, [](KeyboardSender& k) { k.NoteOn(24, 1); }, {{0x9F, 24, 1}}},
      {"panic", 1, [](KeyboardSender& k) { k.Panic(); }, {{0xB0, 123, 0}}},
      {"panic ch 3", 3, [](KeyboardSender& k) { k.Panic(); }, {{0xB2, 123, 0}}},
      {"program", 1, [](KeyboardSender& k) { k.ChooseProgram(9); }, {{0xC0, 9, 0}}},
      {"bank then program",
       1,
       [](KeyboardSender& k) {
         k.ChooseProgram(9);
         k.ChooseBank(2);
       },
       {{0xC0, 9, 0}, {0xB0, 32, 2}, {0xC0, 9, 0}}},
      {"program up at 127",
       1,
       [](KeyboardSender& k) {
         k.ChooseProgram(127);
         EXPECT_FALSE(k.StepProgram(128));
         EXPECT_EQ(k.Program(), 127);
       },
       {{0xC0, 127, 0}}},
      {"program down at 0", 1, [](KeyboardSender& k) { EXPECT_FALSE(k.StepProgram(-1)); }, {}},
      {"bank down at 0", 1, [](KeyboardSender& k) { EXPECT_FALSE(k.StepBank(-1)); }, {}},
      {"program step",
       2,
       [](KeyboardSender& k) {
         EXPECT_TRUE(k.StepProgram(1));
         EXPECT_EQ(k.Program(), 1);
       },
       {{0xC1, 1, 0}}},
      {"bank step",
       1,
       [](KeyboardSender& k) {
         EXPECT_TRUE(k.StepProgram(4));
         EXPECT_TRUE(k.StepBank(1));
         EXPECT_EQ(k.Bank(), 1);
       },
       {{0xC0, 4, 0}, {0xB0, 32, 1}, {0xC0, 4, 0}}},
      {"bank up at 127",
       1,
       [](KeyboardSender& k) {
         k.ChooseBank(127);
         EXPECT_FALSE(k.StepBank(128));
       },
       {{0xB0, 32, 127}, {0xC0, 0, 0}}},
      {"notes off the keyboard",
       1,
       [](KeyboardSender& k) {
         k.NoteOn(128, 64);
         k.NoteOff(-1);
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    KeyboardSender fresh{[this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
                           sent.emplace_back(s, d1, d2);
                           return true;
                         },
                         [&c] { return c.channel; }, [] { return true; }};
    sent.clear();
    c.act(fresh);
    EXPECT_EQ(sent, c.expected);
  }
}

TEST_F(KeyboardSenderTest, WithoutAnOutputNothingGoesOutButSelectionsMove) {
  output_in_use = false;
  sender.NoteOn(60, 100);
  sender.NoteOff(60);
  sender.Panic();
  sender.ChooseBank(5);
  EXPECT_TRUE(sender.StepProgram(7));
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(sender.Bank(), 5);
  EXPECT_EQ(sender.Program(), 7);
}

TEST_F(KeyboardSenderTest, ARefusedBankSelectIsNotFollowedByTheProgram) {
  accept = false;
  sender.ChooseBank(3);
  EXPECT_EQ(sent, (std::vector<Sent>{{0xB0, 32, 3}}));
}

TEST(KeyboardSenderModelTest, SendsThroughTheModelLightingTheOutputLamp) {
  SurfaceModel model;
  std::vector<Sent> sent;
  model.SetShortSender([&sent](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
    sent.emplace_back(s, d1, d2);
    return true;
  });
  testing::SetSetting(model, &SurfaceSettings::global_channel, 5);
  KeyboardSender sender([&model](std::uint8_t s, std::uint8_t d1,
                                 std::uint8_t d2) { return model.SendShortMessage(s, d1, d2); },
                        [&model] { return model.Settings().global_channel; },
                        [&model] { return model.OutputInUse(); });

  sender.NoteOn(60, 90);
  EXPECT_TRUE(sent.empty());
  EXPECT_FALSE(model.Status().OutActivity()) << "without an output the lamp stays dark";

  model.SetOutputInUse(true);
  sender.NoteOn(60, 90);
  EXPECT_EQ(sent, (std::vector<Sent>{{0x94, 60, 90}}));
  EXPECT_TRUE(model.Status().OutActivity());
}

}  // namespace
}  // namespace quorvane
