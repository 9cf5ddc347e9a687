#include "surface/bulk_send_thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QSignalSpy>
#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/surface_settings.h"
#include "surface/surface_model.h"

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

// --- the real model as host --------------------------------------------------

using Sent = std::array<int, 3>;

class ModelSendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.MutablePages().Initialize();
    w.SetOutputInUse(true);
    testing::SetSetting(w, &SurfaceSettings::midi_delay, 0);
    w.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent.push_back({s, d1, d2});
      return true;
    });
    w.ShowPage(1);
  }
  void WaitForSends() {
    while (w.Sends().RunningSends() > 0)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  SurfaceModel w;
  std::vector<Sent> sent;
};

TEST_F(ModelSendTest, AllControllersSendsEveryEnabledDefinitionWithItsOwnFields) {
  for (Tcontroller& d : w.MutablePages()) d.enabled = false;
  Tcontroller& a = w.MutablePages().at(1, 5);
  a.enabled = true;
  a.channel = 3;
  a.value = 17;
  Tcontroller& b = w.MutablePages().at(4, 9);
  b.enabled = true;
  b.use_slider = false;
  b.ctrl = 40;
  b.value = 99;
  b.button_ctrl = 41;
  b.button_channel = 0;  // the global channel
  b.button_value = 127;
  testing::SetSetting(w, &SurfaceSettings::global_channel, 10);
  QSignalSpy begun(&w.Sends(), &BulkSends::sendBegun);
  QSignalSpy ended(&w.Sends(), &BulkSends::sendEnded);
  w.Sends().StartSend(BulkSendThread::kAllPages);
  WaitForSends();
  EXPECT_THAT(sent, ElementsAre(Sent{0xB2, 5, 17}, Sent{0xB9, 40, 99}, Sent{0xB9, 41, 127}));
  EXPECT_EQ(begun.count(), 1);
  EXPECT_EQ(ended.count(), 1);
}

TEST_F(ModelSendTest, APacedWalkTellsTheOutputWhenEachMessageIsDue) {
  for (Tcontroller& d : w.MutablePages()) d.enabled = false;
  w.MutablePages().at(2, 4).enabled = true;
  w.MutablePages().at(3, 1).enabled = true;
  testing::SetSetting(w, &SurfaceSettings::midi_delay, 2);
  std::vector<std::chrono::steady_clock::time_point> dues;
  w.Sends().SetSendSchedule(
      {[] { return std::chrono::microseconds(3000); },
       [&](std::chrono::steady_clock::time_point due) { dues.push_back(due); }});
  w.Sends().StartSend(BulkSendThread::kAllPages);
  WaitForSends();
  ASSERT_EQ(sent.size(), 2u);
  ASSERT_EQ(dues.size(), 2u);
  EXPECT_EQ(dues[1] - dues[0], std::chrono::milliseconds(2));
}

TEST_F(ModelSendTest, AllDisabledSendsNothingButShowsAndClosesOnce) {
  for (Tcontroller& d : w.MutablePages()) d.enabled = false;
  QSignalSpy begun(&w.Sends(), &BulkSends::sendBegun);
  QSignalSpy ended(&w.Sends(), &BulkSends::sendEnded);
  w.Sends().StartSend(BulkSendThread::kAllPages);
  WaitForSends();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(begun.count(), 1);
  EXPECT_EQ(ended.count(), 1);
}

TEST_F(ModelSendTest, SelectedModeTakesExactlyTheSelectedEnabledDefinitionsOfEveryPage) {
  w.MutablePages().at(1, 2).selected = true;
  w.MutablePages().at(2, 24).selected = true;
  w.MutablePages().at(2, 24).enabled = false;  // selected but disabled: left out
  w.MutablePages().at(5, 1).selected = true;
  w.Sends().StartSend(BulkSendThread::kSelected);
  WaitForSends();
  EXPECT_THAT(sent, ElementsAre(Sent{0xB0, 2, 127}, Sent{0xB0, 97, 127}));
}

TEST_F(ModelSendTest, CurrentPageModeSendsThatPageOnly) {
  w.ShowPage(3);
  w.Sends().StartSend(BulkSendThread::kCurrentPage);
  WaitForSends();
  ASSERT_EQ(sent.size(), 24u);
  EXPECT_EQ(sent.front()[1], 49);
  EXPECT_EQ(sent.back()[1], 72);
}

TEST_F(ModelSendTest, WithoutAnOutputTheWalkStillRunsAndSendsNothing) {
  w.SetOutputInUse(false);
  QSignalSpy ended(&w.Sends(), &BulkSends::sendEnded);
  w.Sends().StartSend(BulkSendThread::kAllPages);
  WaitForSends();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(ended.count(), 1);
  EXPECT_TRUE(w.Status().Panel(2).isEmpty());
}

TEST_F(ModelSendTest, TheThreadFreesItselfAndTheModelKeepsOnlyTheLastOne) {
  BulkSendThread* first = w.Sends().StartSend(BulkSendThread::kSelected);
  QPointer<BulkSendThread> watch(first);
  EXPECT_EQ(w.Sends().LastSendThread(), first);
  WaitForSends();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watch.isNull());
  EXPECT_EQ(w.Sends().LastSendThread(), nullptr);
}

// Requests during a send wait their turn, each kind once; Stop ends the send and drops them.
TEST_F(ModelSendTest, RequestsDuringASendWaitOneKindOnceAndStopDropsThem) {
  testing::SetSetting(w, &SurfaceSettings::midi_delay, 1);
  using Mode = BulkSendThread::Mode;
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stopped" : "to the end");
    std::vector<Mode> begun;
    const auto connection = QObject::connect(&w.Sends(), &BulkSends::sendBegun, [&] {
      begun.push_back(w.Sends().LastSendThread()->SendMode());
    });
    w.Sends().StartSend(BulkSendThread::kAllPages);
    for (int i = 0; i < 50; ++i) {
      for (Mode m :
           {BulkSendThread::kAllPages, BulkSendThread::kSelected, BulkSendThread::kCurrentPage})
        w.Sends().StartSend(m);
    }
    EXPECT_EQ(w.Sends().RunningSends(), 1);
    if (stop) {
      // As the send window's Stop: once the send has begun.
      while (begun.empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      w.Sends().StopRequest().Request();
    }
    WaitForSends();
    QObject::disconnect(connection);
    if (stop) {
      EXPECT_THAT(begun, ElementsAre(BulkSendThread::kAllPages));
    } else {
      EXPECT_THAT(begun, ElementsAre(BulkSendThread::kAllPages, BulkSendThread::kAllPages,
                                     BulkSendThread::kSelected, BulkSendThread::kCurrentPage));
    }
  }
}

TEST_F(ModelSendTest, StopCutsALongPauseShort) {
  testing::SetSetting(w, &SurfaceSettings::midi_delay, 10000);
  for (Tcontroller& d : w.MutablePages()) d.enabled = false;
  w.MutablePages().at(1, 1).enabled = true;
  w.MutablePages().at(1, 2).enabled = true;
  QSignalSpy lit(&w.Status(), &StatusBoard::activityChanged);
  BulkSendThread* thread = w.Sends().StartSend(BulkSendThread::kAllPages);
  QSignalSpy finished(thread, &BulkSendThread::finished);
  // The first message has gone: the walk is in its ten-second pause.
  ASSERT_TRUE(lit.count() > 0 || lit.wait(2000));
  ASSERT_EQ(sent.size(), 1u);
  w.Sends().StopRequest().Request();
  ASSERT_TRUE(finished.wait(2000)) << "the pause did not end on Stop";
  EXPECT_EQ(w.Sends().RunningSends(), 0);
  EXPECT_EQ(sent.size(), 1u);
}

TEST_F(ModelSendTest, StopSendsReturnsOnlyOnceEveryWalkHasEnded) {
  testing::SetSetting(w, &SurfaceSettings::midi_delay, 20);
  QSignalSpy ended(&w.Sends(), &BulkSends::sendEnded);
  w.Sends().StartSend(BulkSendThread::kAllPages);
  w.Sends().StartSend(BulkSendThread::kSelected);  // waits, and is dropped
  // Straight away: the begin step, which clears the request, has not run yet.
  w.Sends().StopSends();
  EXPECT_EQ(w.Sends().RunningSends(), 0);
  EXPECT_EQ(ended.count(), 1);
  EXPECT_LT(sent.size(), 120u);
}

}  // namespace
}  // namespace quorvane
