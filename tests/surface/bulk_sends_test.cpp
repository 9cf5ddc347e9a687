#include "surface/bulk_sends.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QSignalSpy>
#include <array>
#include <chrono>
#include <vector>

#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using ::testing::ElementsAre;

// The sends with the real model as their host.
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
