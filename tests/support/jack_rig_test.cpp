// The JACK test rig itself: a private dummy server and peers that talk
// through it. Every end-to-end MIDI test stands on these.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "support/jack_midi_peer.h"
#include "support/jack_server.h"

namespace quorvane::testing {
namespace {

using ::testing::ElementsAre;

class JackRig : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.start()) << "jackd did not come up"; }
  JackServer server_;
};

TEST_F(JackRig, ServerRunsUnderItsOwnNameAndClientsFindIt) {
  EXPECT_TRUE(server_.running());
  EXPECT_EQ(std::getenv("JACK_DEFAULT_SERVER"), server_.name());
  JackMidiPeer peer("rig");
  EXPECT_EQ(peer.clientName(), "rig");
  const auto outs = peer.midiPorts(true);
  EXPECT_NE(std::find(outs.begin(), outs.end(), "rig:out"), outs.end());
}

TEST_F(JackRig, LoopbackCarriesShortAndSysexInOrderWithRisingTimes) {
  JackMidiPeer peer("loop");
  ASSERT_TRUE(peer.connect(peer.outPortName(), peer.inPortName()));
  MidiBytes big(5000, 0x11);
  big.front() = 0xF0;
  big.back() = 0xF7;
  ASSERT_TRUE(peer.send({{0xB2, 0x07, 0x64}, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, big}));
  ASSERT_TRUE(peer.waitFor(3));
  const auto events = peer.events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_THAT(events[0].bytes, ElementsAre(0xB2, 0x07, 0x64));
  EXPECT_THAT(events[1].bytes, ElementsAre(0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7));
  EXPECT_EQ(events[2].bytes, big);
  EXPECT_LE(events[0].time_us, events[2].time_us);
  EXPECT_FALSE(peer.lost());
}

TEST_F(JackRig, TwoPeersTalkAndTimesFollowTheFrameClock) {
  JackMidiPeer a("a");
  JackMidiPeer b("b");
  ASSERT_TRUE(a.connect(a.outPortName(), b.inPortName()));
  ASSERT_TRUE(a.send({{0x90, 60, 100}}));
  ASSERT_TRUE(b.waitFor(1));
  ASSERT_TRUE(a.waitSent());
  // A second message at least one period later carries a later frame time.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(a.send({{0x90, 60, 0}}));
  ASSERT_TRUE(b.waitFor(2));
  const auto events = b.events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_THAT(events[1].bytes, ElementsAre(0x90, 60, 0));
  const std::uint64_t period_us = 1000000u * JackServer::kPeriod / JackServer::kSampleRate;
  EXPECT_GE(events[1].time_us - events[0].time_us, period_us);
  EXPECT_EQ(a.count(), 0u) << "nothing is connected to a's input";
}

TEST_F(JackRig, BurstLargerThanOneCycleBufferArrivesComplete) {
  JackMidiPeer peer("burst");
  ASSERT_TRUE(peer.connect(peer.outPortName(), peer.inPortName()));
  std::vector<MidiBytes> burst;
  for (int i = 0; i < 20000; ++i)
    burst.push_back(
        {0xB0, static_cast<std::uint8_t>(i % 128), static_cast<std::uint8_t>(i / 128 % 128)});
  ASSERT_TRUE(peer.send(burst));
  ASSERT_TRUE(peer.waitFor(burst.size(), std::chrono::seconds(20)));
  const auto events = peer.events();
  ASSERT_EQ(events.size(), burst.size());
  for (std::size_t i = 0; i < burst.size(); ++i) ASSERT_EQ(events[i].bytes, burst[i]) << i;
}

TEST_F(JackRig, KilledServerIsNoticedAndARestartServesNewClients) {
  {
    JackMidiPeer before("before");
    server_.kill();
    EXPECT_FALSE(server_.running());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!before.serverGone() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(before.serverGone());
  }
  EXPECT_THROW(JackMidiPeer("nobody"), std::runtime_error);
  ASSERT_TRUE(server_.restart());
  JackMidiPeer after("after");
  ASSERT_TRUE(after.connect(after.outPortName(), after.inPortName()));
  ASSERT_TRUE(after.send({{0xC0, 5}}));
  ASSERT_TRUE(after.waitFor(1));
  EXPECT_THAT(after.events()[0].bytes, ElementsAre(0xC0, 5));
}

TEST(JackServerLifetime, DestructionStopsTheServerProcess) {
  pid_t pid = -1;
  {
    JackServer server;
    ASSERT_TRUE(server.start());
    pid = server.pid();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), 0);
  }
  EXPECT_NE(::kill(pid, 0), 0) << "jackd still running after its fixture ended";
  EXPECT_THROW(JackMidiPeer("late"), std::runtime_error);
}

}  // namespace
}  // namespace quorvane::testing
