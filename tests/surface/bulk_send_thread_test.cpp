#include "surface/bulk_send_thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QSignalSpy>
#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// What happened during a walk, in order: "begin", "end", "pause", "send p.s" or "send p.s b".
using Log = std::vector<std::string>;

std::string SendEntry(int page, int slot, bool second) {
  return "send " + std::to_string(page) + "." + std::to_string(slot) + (second ? " b" : "");
}

// A host over a plain table of flags; the walk's decisions come from the thread itself.
class FakeHost : public BulkSendHost {
 public:
  struct Def {
    bool qualifies = false;
    bool uses_slider = true;
  };

  void BeginSend() override { log.push_back("begin"); }
  void EndSend() override { log.push_back("end"); }
  int CurrentPage() const override { return current_page; }
  bool Qualifies(int page, int slot, BulkSendThread::Mode /*mode*/) const override {
    return At(page, slot).qualifies;
  }
  bool UsesSlider(int page, int slot) const override { return At(page, slot).uses_slider; }
  bool SendDefinition(int page, int slot, bool second) override {
    log.push_back(SendEntry(page, slot, second));
    if (on_send) on_send(page, slot, second);
    return !refuse || !refuse(page, slot, second);
  }
  int MidiDelay() const override { return delay; }
  std::chrono::microseconds SendLead() const override { return lead; }
  void SetNextDue(Clock::time_point due) override {
    log.push_back("due");
    dues.push_back(due);
  }

  Def& At(int page, int slot) {
    return defs.at(static_cast<std::size_t>((page - 1) * 24 + slot - 1));
  }
  const Def& At(int page, int slot) const {
    return defs.at(static_cast<std::size_t>((page - 1) * 24 + slot - 1));
  }

  std::array<Def, 120> defs{};
  int current_page = 1;
  int delay = 5;
  std::function<void(int, int, bool)> on_send;
  std::function<bool(int, int, bool)> refuse;  // true: the output refuses that message
  std::chrono::microseconds lead{};
  std::vector<Clock::time_point> dues;
  Log log;
};

class SendThreadTest : public ::testing::Test {
 protected:
  // Runs one walk to its end; pauses are logged instead of slept.
  void Walk(BulkSendThread::Mode mode) {
    BulkSendThread thread(host, stop, mode);
    thread.SetSleeper([this](BulkSendThread::Clock::time_point until) {
      host.log.push_back("pause");
      deadlines.push_back(until);
    });
    QSignalSpy finished(&thread, &BulkSendThread::finished);
    thread.Start();
    thread.WaitWhileProcessingEvents();
    if (finished.count() == 0) {
      ASSERT_TRUE(finished.wait(5000));
    }
    EXPECT_EQ(finished.count(), 1);
  }
  // Runs one walk of all pages without pausing; what its finished signal said, if it came.
  std::optional<bool> WalkFailed() {
    BulkSendThread thread(host, stop, BulkSendThread::kAllPages);
    thread.SetSleeper([](BulkSendThread::Clock::time_point) {});
    QSignalSpy finished(&thread, &BulkSendThread::finished);
    thread.Start();
    if (!finished.wait(5000)) return std::nullopt;
    thread.WaitWhileProcessingEvents();
    return finished.at(0).at(0).toBool();
  }
  std::vector<std::string> Sends() const {
    std::vector<std::string> out;
    for (const auto& e : host.log)
      if (e.rfind("send", 0) == 0) out.push_back(e);
    return out;
  }

  FakeHost host;
  StopSignal stop;
  std::vector<BulkSendThread::Clock::time_point> deadlines;
};

TEST_F(SendThreadTest, AllPagesWalksEveryPageInSlotOrderWithAPauseAfterEachMessage) {
  host.At(1, 1).qualifies = true;
  host.At(1, 24).qualifies = true;
  host.At(3, 2) = {true, false};  // slider message, pause, button message
  host.At(5, 24).qualifies = true;
  Walk(BulkSendThread::kAllPages);
  EXPECT_THAT(host.log, ElementsAre("begin", "send 1.1", "pause", "send 1.24", "pause", "send 3.2",
                                    "pause", "send 3.2 b", "pause", "send 5.24", "pause", "end"));
}

TEST_F(SendThreadTest, PausesFollowAbsoluteDeadlinesOneDelayApart) {
  host.delay = 7;
  for (int s = 1; s <= 24; ++s) host.At(2, s) = {true, s % 2 == 0};
  Walk(BulkSendThread::kAllPages);
  ASSERT_EQ(deadlines.size(), 36u);
  // Time spent in the steps is absorbed by the next pause, not added to the schedule.
  for (std::size_t k = 0; k < deadlines.size(); ++k) {
    EXPECT_EQ(deadlines[k] - deadlines[0], std::chrono::milliseconds(7) * static_cast<int>(k));
  }
}

TEST_F(SendThreadTest, AStalledStepLetsTheScheduleSlipInsteadOfBursting) {
  host.delay = 1;
  for (int s = 1; s <= 4; ++s) host.At(1, s).qualifies = true;
  BulkSendThread::Clock::time_point stall_end{};
  host.on_send = [&](int, int slot, bool) {
    if (slot != 2) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stall_end = BulkSendThread::Clock::now();
  };
  Walk(BulkSendThread::kAllPages);
  ASSERT_EQ(deadlines.size(), 4u);
  EXPECT_GE(deadlines[1], stall_end);
  // A whole pause after the slipped deadline, never less (a slow step may slip it further).
  EXPECT_GE(deadlines[2] - deadlines[1], std::chrono::milliseconds(1));
}

TEST_F(SendThreadTest, WithASendLeadEachMessageGoesThatEarlyTellingWhenItIsDue) {
  host.delay = 5;
  host.lead = std::chrono::microseconds(4000);
  host.At(1, 1).qualifies = true;
  host.At(1, 2) = {true, false};
  host.At(2, 7).qualifies = true;
  const auto before = BulkSendThread::Clock::now();
  Walk(BulkSendThread::kAllPages);
  EXPECT_THAT(host.log,
              ElementsAre("begin", "due", "send 1.1", "pause", "due", "send 1.2", "pause", "due",
                          "send 1.2 b", "pause", "due", "send 2.7", "pause", "end"));
  ASSERT_EQ(host.dues.size(), 4u);
  ASSERT_EQ(deadlines.size(), 4u);
  // The first is due a lead after the walk began, each later one a delay after the one before,
  // and every pause ends a lead ahead of the next message's moment.
  EXPECT_GE(host.dues[0] - before, host.lead);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(host.dues[k] - host.dues[0], std::chrono::milliseconds(5) * static_cast<int>(k));
    EXPECT_EQ(deadlines[k],
              host.dues[0] + std::chrono::milliseconds(5) * static_cast<int>(k + 1) - host.lead);
  }
}

TEST_F(SendThreadTest, NoDueMomentWithoutALeadOrWithoutAPause) {
  host.At(1, 1) = {true, false};
  host.delay = 5;
  Walk(BulkSendThread::kAllPages);
  host.lead = std::chrono::microseconds(4000);
  host.delay = 0;
  Walk(BulkSendThread::kAllPages);
  EXPECT_TRUE(host.dues.empty());
  EXPECT_EQ(Sends().size(), 4u);
}

TEST_F(SendThreadTest, NoDelayMeansNoPauseAtAll) {
  host.delay = 0;
  host.At(1, 3) = {true, false};
  host.At(2, 3).qualifies = true;
  Walk(BulkSendThread::kAllPages);
  EXPECT_THAT(host.log, ElementsAre("begin", "send 1.3", "send 1.3 b", "send 2.3", "end"));
}

TEST_F(SendThreadTest, NothingQualifyingStillBeginsAndEndsOnce) {
  Walk(BulkSendThread::kAllPages);
  EXPECT_THAT(host.log, ElementsAre("begin", "end"));
}

TEST_F(SendThreadTest, CurrentPageIsReadAfreshAtEverySlot) {
  for (int p = 1; p <= 5; ++p)
    for (int s = 1; s <= 24; ++s) host.At(p, s).qualifies = s <= 4;
  host.current_page = 2;
  // The page switches (remote control) while slot 2 is being sent.
  host.on_send = [this](int, int slot, bool) {
    if (slot == 2) host.current_page = 4;
  };
  Walk(BulkSendThread::kCurrentPage);
  EXPECT_THAT(Sends(), ElementsAre("send 2.1", "send 2.2", "send 4.3", "send 4.4"));
}

TEST_F(SendThreadTest, StopAfterTheFirstDefinitionEndsTheWalkAfterIt) {
  host.At(1, 1) = {true, false};
  host.At(1, 2).qualifies = true;
  host.At(4, 1).qualifies = true;
  host.on_send = [this](int, int, bool second) {
    if (second) stop.Request();  // Stop pressed between the two messages
  };
  Walk(BulkSendThread::kAllPages);
  EXPECT_THAT(host.log, ElementsAre("begin", "send 1.1", "pause", "send 1.1 b", "pause", "end"));
}

TEST_F(SendThreadTest, TheBeginStepClearsAnEarlierStop) {
  stop.Request();
  host.At(1, 1).qualifies = true;
  host.At(1, 2).qualifies = true;
  Walk(BulkSendThread::kSelected);
  EXPECT_THAT(Sends(), ElementsAre("send 1.1", "send 1.2"));
}

TEST_F(SendThreadTest, ARefusedSendAbandonsTheWalkRunsTheEndStepAndSaysSoWhenFinished) {
  host.At(1, 1).qualifies = true;
  host.At(1, 2).qualifies = true;
  host.At(1, 3).qualifies = true;
  host.refuse = [](int, int slot, bool) { return slot == 2; };
  EXPECT_EQ(WalkFailed(), std::optional<bool>(true));
  EXPECT_THAT(host.log, ElementsAre("begin", "send 1.1", "send 1.2", "end"));
}

TEST_F(SendThreadTest, ACompleteWalkFinishesWithoutFailure) {
  host.At(2, 5).qualifies = true;
  EXPECT_EQ(WalkFailed(), std::optional<bool>(false));
}

TEST_F(SendThreadTest, StopEndsTheRealPauseAtOnceFromAnyThread) {
  host.delay = 10000;
  host.At(1, 1).qualifies = true;
  host.At(1, 2).qualifies = true;
  struct Case {
    const char* name;
    std::function<void(StopSignal&)> request;
  };
  const Case cases[] = {
      {"from the GUI thread", [](StopSignal& s) { s.Request(); }},
      {"from another thread", [](StopSignal& s) { std::thread([&s] { s.Request(); }).join(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.log.clear();
    BulkSendThread thread(host, stop, BulkSendThread::kAllPages);  // the default sleeper
    QSignalSpy finished(&thread, &BulkSendThread::finished);
    bool requested = false;
    host.on_send = [&](int, int, bool) {
      // The worker pauses right after this step: ask for the stop from outside the walk.
      if (!requested) QMetaObject::invokeMethod(qApp, [&] { c.request(stop); });
      requested = true;
    };
    thread.Start();
    EXPECT_TRUE(finished.wait(2000)) << "the ten-second pause was not cut short";
    thread.WaitWhileProcessingEvents();
    EXPECT_THAT(host.log, ElementsAre("begin", "send 1.1", "end"));
  }
}

TEST(StopSignalTest, WaitEndsOnARequestOrAtTheDeadline) {
  StopSignal stop;
  EXPECT_FALSE(stop.IsRequested());
  EXPECT_FALSE(stop.WaitUntil(StopSignal::Clock::now() + std::chrono::milliseconds(1)));
  std::thread other([&stop] { stop.Request(); });
  EXPECT_TRUE(stop.WaitUntil(StopSignal::Clock::now() + std::chrono::hours(1)));
  other.join();
  EXPECT_TRUE(stop.IsRequested());
  EXPECT_TRUE(stop.WaitUntil(StopSignal::Clock::now() - std::chrono::seconds(1)))
      << "a request made before the wait counts";
  stop.Clear();
  EXPECT_FALSE(stop.IsRequested());
}

}  // namespace
}  // namespace quorvane
