#include "surface/controller_learning.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace quorvane {
namespace {

using Target = ControllerLearner::Target;

struct RuleCase {
  const char* what;
  std::uint8_t status;
  std::uint8_t data1;
  int global_channel;
  std::optional<LearnedController> learned;
};

class LearnRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(LearnRule, GivesTheControllerAndTheChannelEntry) {
  const RuleCase& c = GetParam();
  EXPECT_EQ(LearnFromMessage(c.status, c.data1, c.global_channel), c.learned) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LearnRule,
    ::testing::Values(RuleCase{"channel 4, global 1", 0xB3, 0x4A, 1, LearnedController{74, 4}},
                      RuleCase{"the global channel reads Global", 0xB3, 0x4A, 4,
                               LearnedController{74, 0}},
                      RuleCase{"channel 1 on global 1", 0xB0, 7, 1, LearnedController{7, 0}},
                      RuleCase{"channel 16", 0xBF, 0, 1, LearnedController{0, 16}},
                      RuleCase{"controller 127", 0xB9, 127, 2, LearnedController{127, 10}},
                      RuleCase{"note on teaches nothing", 0x93, 0x4A, 1, std::nullopt},
                      RuleCase{"program change teaches nothing", 0xC0, 5, 1, std::nullopt},
                      RuleCase{"pitch bend teaches nothing", 0xE0, 0, 1, std::nullopt},
                      RuleCase{"clock teaches nothing", 0xF8, 0, 1, std::nullopt}));

// The first input as the learner sees it: holds the taker it was given.
class FakeSource : public ControlChangeSource {
 public:
  void TakeNextControlChange(Taker taker) override {
    taker_ = std::move(taker);
    ++calls;
  }
  int LearnGlobalChannel() const override { return global_channel; }
  bool Waiting() const { return static_cast<bool>(taker_); }
  // What the link does with a control change: the taker gets it once.
  bool Deliver(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    if (!taker_) return false;
    Taker taker = std::move(taker_);
    taker_ = {};
    taker(status, data1, data2);
    return true;
  }

  int global_channel = 1;
  int calls = 0;

 private:
  Taker taker_;
};

struct Seen {
  Target target;
  LearnedController learned;
};

class LearnerTest : public ::testing::Test {
 protected:
  ControllerLearner::Learned Record() {
    return [this](Target t, const LearnedController& l) { seen.push_back({t, l}); };
  }
  FakeSource source;
  ControllerLearner learner;
  std::vector<Seen> seen;
};

TEST_F(LearnerTest, WithoutASourceNothingBegins) {
  EXPECT_FALSE(learner.Begin(Target::kSlider, Record()));
  EXPECT_EQ(learner.Learning(), Target::kNone);
}

TEST_F(LearnerTest, TheNextControlChangeIsLearnedOnceForItsTarget) {
  source.global_channel = 2;
  learner.SetSource(&source);
  ASSERT_TRUE(learner.Begin(Target::kButton, Record()));
  EXPECT_EQ(learner.Learning(), Target::kButton);
  EXPECT_TRUE(source.Waiting());
  ASSERT_TRUE(source.Deliver(0xB3, 0x4A, 0x10));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].target, Target::kButton);
  EXPECT_EQ(seen[0].learned, (LearnedController{74, 4}));
  EXPECT_EQ(learner.Learning(), Target::kNone);
  // Released: the next message is not taken.
  EXPECT_FALSE(source.Deliver(0xB0, 1, 1));
  EXPECT_EQ(seen.size(), 1u);
}

TEST_F(LearnerTest, CancelStopsTheWaitAndLearnsNothing) {
  learner.SetSource(&source);
  learner.Begin(Target::kSlider, Record());
  learner.Cancel();
  EXPECT_EQ(learner.Learning(), Target::kNone);
  EXPECT_FALSE(source.Waiting());
  EXPECT_FALSE(source.Deliver(0xB0, 1, 1));
  EXPECT_TRUE(seen.empty());
}

TEST_F(LearnerTest, BeginningAnotherTargetTakesOverTheWait) {
  learner.SetSource(&source);
  learner.Begin(Target::kSlider, Record());
  learner.Begin(Target::kButton, Record());
  EXPECT_EQ(learner.Learning(), Target::kButton);
  source.Deliver(0xB1, 9, 0);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].target, Target::kButton);
}

TEST_F(LearnerTest, LosingTheSourceOrTheLearnerStopsTheWait) {
  learner.SetSource(&source);
  learner.Begin(Target::kSlider, Record());
  learner.SetSource(nullptr);
  EXPECT_FALSE(source.Waiting());
  {
    ControllerLearner brief;
    brief.SetSource(&source);
    brief.Begin(Target::kSlider, [](Target, const LearnedController&) {});
    ASSERT_TRUE(source.Waiting());
  }
  EXPECT_FALSE(source.Waiting());
}

}  // namespace
}  // namespace quorvane
